// halyard-station run as a process: when it cannot open its window or its files it says so
// in one line and exits 2.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <fstream>

namespace {

TEST(StationMain, BadStartsExit2WithOneLineNamingTheCause) {
  QTemporaryDir dir;
  const QString bench = dir.filePath("broken-bench.json");
  std::ofstream(bench.toStdString()) << "{ \"adapters\": [ }";
  QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    noDisplay.remove(name);
  QProcessEnvironment offscreen = noDisplay;
  offscreen.insert("QT_QPA_PLATFORM", "offscreen");
  struct Case {
    QStringList args;
    const QProcessEnvironment& env;
    QString said;  // what the message must name
    bool oneLine;  // false for bad usage, which also points to --help
  };
  for (const Case& c : {
           Case{{}, noDisplay, "xvfb-run make run", true},
           Case{{"--bench", bench}, offscreen, "broken-bench.json", true},
           Case{{"--config", "/nonexistent/halyard-station.ini"},
                noDisplay,
                "/nonexistent/halyard-station.ini",
                false},
           Case{{"--no-such-option"}, noDisplay, "--no-such-option", false},
       }) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    QProcess process;
    process.setProcessEnvironment(c.env);
    process.start(QString::fromUtf8(HALYARD_STATION_EXE), c.args);
    if (!process.waitForFinished(20000)) {
      process.kill();
      process.waitForFinished();
      ADD_FAILURE() << "halyard-station did not exit";
      continue;
    }
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 2);
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    EXPECT_TRUE(err.contains(c.said)) << err.toStdString();
    if (c.oneLine) {
      EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
    }
    EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
    // Without a display it also points to the program that needs none.
    if (c.args.isEmpty()) {
      EXPECT_TRUE(err.contains("halyardctl")) << err.toStdString();
    }
  }
}

}  // namespace
