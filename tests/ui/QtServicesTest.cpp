// The Qt services: the event pump's wait (no CPU burnt, events handled, the hook before each
// wait) and the message box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <ctime>

#include "ui/QtServices.h"

namespace halyard::ui {
namespace {

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

TEST(QtEventPump, WaitsUntilTheDeadlineWithoutBurningCpuAndHandlesEvents) {
  QtEventPump pump;
  int hooks = 0;
  pump.SetBeforeWait([&] { ++hooks; });
  bool timerRan = false;
  QTimer::singleShot(20, [&] { timerRan = true; });
  const auto start = pump.Now();
  const double cpuStart = CpuSeconds();
  const auto deadline = start + std::chrono::milliseconds(300);
  while (pump.Now() < deadline)
    pump.WaitUntil(deadline);
  const double cpu = CpuSeconds() - cpuStart;
  EXPECT_GE(pump.Now() - start, std::chrono::milliseconds(300));
  EXPECT_LT(pump.Now() - start, std::chrono::milliseconds(1000));
  EXPECT_LT(cpu, 0.1) << "a 0.3 s wait used " << cpu << " s of CPU";
  EXPECT_TRUE(timerRan);
  EXPECT_GE(hooks, 1);

  // A deadline already passed returns at once, after the hook.
  hooks = 0;
  const auto late = pump.Now();
  pump.WaitUntil(late - std::chrono::seconds(1));
  EXPECT_LT(pump.Now() - late, std::chrono::milliseconds(50));
  EXPECT_EQ(hooks, 1);
}

TEST(QtDialogs, ShowsAModalBoxWithTheTitleThePromptAndOneOkButton) {
  QtDialogs dialogs;
  int hooks = 0;
  dialogs.SetBeforeShow([&] { ++hooks; });
  QStringList shown;  // what the box showed, read while it was up
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    shown << box->windowTitle() << box->text() << QString::number(box->icon())
          << QString::number(box->standardButtons().toInt());
    box->button(QMessageBox::Ok)->click();
  });
  dialogs.MsgBox("Error writing word <9>", 0, "Error");
  EXPECT_EQ(hooks, 1);
  EXPECT_EQ(shown,
            (QStringList{"Error", "Error writing word <9>", QString::number(QMessageBox::NoIcon),
                         QString::number(QMessageBox::Ok)}));
}

}  // namespace
}  // namespace halyard::ui
