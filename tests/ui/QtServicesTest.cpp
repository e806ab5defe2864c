// The Qt services: the event pump's wait (no CPU burnt, events handled, the hook before each
// wait), the message box, and the mapping of the station's colours.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <ctime>

#include "app/Controls.h"
#include "ui/Colors.h"
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
  const auto elapsed = pump.Now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(300));
  EXPECT_LT(elapsed, std::chrono::milliseconds(1000));
  EXPECT_LT(cpu, 0.1) << "a 0.3 s wait used " << cpu << " s of CPU";
  EXPECT_TRUE(timerRan);
  EXPECT_GE(hooks, 1);
}

TEST(QtEventPump, APassedDeadlineReturnsAtOnceAfterTheHook) {
  QtEventPump pump;
  int hooks = 0;
  pump.SetBeforeWait([&] { ++hooks; });
  const auto start = pump.Now();
  pump.WaitUntil(start - std::chrono::seconds(1));
  EXPECT_LT(pump.Now() - start, std::chrono::milliseconds(50));
  EXPECT_EQ(hooks, 1);
}

TEST(QtDialogs, ShowsAModalBoxWithTheTitleThePromptAndOneOkButton) {
  QtDialogs dialogs;
  int hooks = 0;
  dialogs.SetBeforeShow([&] { ++hooks; });
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::Warning;
  int buttons = 0;
  bool wasModal = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    buttons = static_cast<int>(box->buttons().size());
    wasModal = box->isModal();
    box->button(QMessageBox::Ok)->click();
  });
  dialogs.MsgBox("Error writing word <9>", 0, "Error");
  EXPECT_EQ(hooks, 1);
  EXPECT_EQ(title, "Error");
  EXPECT_EQ(text, "Error writing word <9>");
  EXPECT_EQ(icon, QMessageBox::NoIcon);
  EXPECT_EQ(buttons, 1);
  EXPECT_TRUE(wasModal);
}

TEST(StationColours, PlainColoursAreBlueGreenRedAndSystemColoursComeFromThePalette) {
  QPalette palette;
  palette.setColor(QPalette::Window, QColor(1, 2, 3));
  palette.setColor(QPalette::Button, QColor(4, 5, 6));
  palette.setColor(QPalette::ButtonText, QColor(7, 8, 9));
  EXPECT_EQ(ToQColor(kColorFailBack, palette), QColor(0xFF, 0x80, 0x80));
  EXPECT_EQ(ToQColor(kColorFailFore, palette), QColor(0x80, 0x00, 0x00));
  EXPECT_EQ(ToQColor(kColorPassBack, palette), QColor(0x80, 0xFF, 0x80));
  EXPECT_EQ(ToQColor(0x00123456, palette), QColor(0x56, 0x34, 0x12));
  EXPECT_EQ(ToQColor(kColorNeutral, palette), QColor(1, 2, 3));
  EXPECT_EQ(ToQColor(kColorButtonFace, palette), QColor(4, 5, 6));
  EXPECT_EQ(ToQColor(kColorButtonText, palette), QColor(7, 8, 9));
}

}  // namespace
}  // namespace halyard::ui
