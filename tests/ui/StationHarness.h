// A whole station for the window's tests: the simulated bench behind a tracing adapter,
// Form1 with the shipped configuration (firmware paths made absolute), the Qt event pump and
// the window, shown offscreen.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "Version.h"
#include "adapter/TracingAdapter.h"
#include "app/Form1.h"
#include "sim/SimulatedAdapter.h"
#include "support/TestServices.h"
#include "ui/QtServices.h"
#include "ui/StationWindow.h"

namespace halyard::ui::testing {

inline constexpr const char* kBlankTarget = R"({"target": {"configured": false}})";
inline constexpr const char* kConfiguredTarget = R"({"target": {"configured": true}})";

// The shipped configuration with the firmware paths pointing into the source tree.
inline std::filesystem::path WriteConfiguration() {
  const char* source = std::getenv("HALYARD_SOURCE_DIR");
  const auto firmware =
      std::filesystem::path(source ? source : HALYARD_SOURCE_FALLBACK) / "firmware";
  const auto path = std::filesystem::temp_directory_path() / "halyard-ui-tests.ini";
  std::ofstream(path, std::ios::trunc)
      << "[DefaultFiles]\nSREC_FileName=" << (firmware / "halyard-fw.srec").string()
      << "\nTRIM_FileName=" << (firmware / "gxTrim.srec").string() << "\nEXPECTED_VERSION=1.2\n";
  return path;
}

struct Station {
  explicit Station(const std::string& benchJson = kBlankTarget) {
    std::string error;
    bench = MakeSimulatedAdapterFromJson(benchJson, error);
    if (!bench) {
      ADD_FAILURE() << error;
      std::abort();
    }
    tracing = std::make_unique<TracingAdapter>(*bench);
    AppInfo info;
    info.configPath = WriteConfiguration();
    info.versionMajor = kVersionMajor;
    info.versionMinor = kVersionMinor;
    info.versionRevision = kVersionRevision;
    form = std::make_unique<Form1>(*tracing, dialogs, pump, info);
    form->Form_Load();
    window = std::make_unique<StationWindow>(*form);
    pump.SetBeforeWait([this] {
      window->SyncFromForm();
      if (duringWait) duringWait();
    });
    window->show();
    QApplication::processEvents();
    tracing->TakeLines();
  }

  template <typename T = QWidget>
  T* Get(const char* name, int index = -1) const {
    auto* widget = qobject_cast<T*>(window->Control(name, index));
    EXPECT_NE(widget, nullptr) << name << " " << index;
    return widget;
  }
  QString Text(const char* name, int index = -1) const { return Get<QLabel>(name, index)->text(); }
  void Click(const char* name, int index = -1) {
    auto* button = Get<QAbstractButton>(name, index);
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
  }
  void ClickTab(int tab) {
    QTabBar* bar = window->TabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
  }
  // The one page showing, checked against the bar and Form1.
  int VisibleTab() const {
    int visible = -1;
    for (int tab = 0; tab < kTabCount; ++tab) {
      if (!window->TabPage(tab)->isVisible()) continue;
      EXPECT_EQ(visible, -1) << "two pages showing";
      visible = tab;
    }
    EXPECT_EQ(window->TabBar()->currentIndex(), visible);
    EXPECT_EQ(form->Controls().SSTab1.Tab, visible);
    return visible;
  }
  // Trace lines since the last call that start with `operation`.
  int Count(const std::string& operation) {
    int count = 0;
    for (const std::string& line : tracing->TakeLines())
      count += line.rfind(operation + " ", 0) == 0 ? 1 : 0;
    return count;
  }

  std::unique_ptr<SimulatedAdapter> bench;
  std::unique_ptr<TracingAdapter> tracing;
  halyard::testing::RecordingDialogs dialogs;
  QtEventPump pump;
  std::unique_ptr<Form1> form;
  std::unique_ptr<StationWindow> window;
  std::function<void()> duringWait;  // runs inside each wait, after the window's sync
};

}  // namespace halyard::ui::testing
