// halyard-station run as a process: what it says and how it exits when it cannot open its
// window or its files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <fstream>

namespace {

struct ProcessResult {
  int exitCode = -1;
  QString out;
  QString err;
};

ProcessResult RunStation(const QStringList& args, const QProcessEnvironment& env) {
  QProcess process;
  process.setProcessEnvironment(env);
  process.start(QString::fromUtf8(HALYARD_STATION_EXE), args);
  ProcessResult run;
  if (!process.waitForFinished(20000)) {
    process.kill();
    process.waitForFinished();
    ADD_FAILURE() << "halyard-station did not exit";
    return run;
  }
  run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
  run.err = QString::fromLocal8Bit(process.readAllStandardError());
  return run;
}

QProcessEnvironment WithoutDisplay() {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    env.remove(name);
  return env;
}

TEST(StationMain, WithoutADisplayItSaysWhatToUseInOneLineAndExits2) {
  const ProcessResult run = RunStation({}, WithoutDisplay());
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
  EXPECT_THAT(run.err.toStdString(), ::testing::HasSubstr("halyardctl"));
  EXPECT_THAT(run.err.toStdString(), ::testing::HasSubstr("xvfb-run make run"));
  EXPECT_TRUE(run.out.isEmpty());
}

TEST(StationMain, ABadBenchFileIsNamedInOneLineAndExits2) {
  QTemporaryDir dir;
  const QString bench = dir.filePath("broken-bench.json");
  std::ofstream(bench.toStdString()) << "{ \"adapters\": [ }";
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  const ProcessResult run = RunStation({"--bench", bench}, env);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
  EXPECT_THAT(run.err.toStdString(), ::testing::HasSubstr("broken-bench.json"));
}

TEST(StationMain, UnknownOptionsAndAMissingConfigurationAreBadUsage) {
  const QProcessEnvironment env = WithoutDisplay();
  EXPECT_EQ(RunStation({"--no-such-option"}, env).exitCode, 2);
  const ProcessResult run = RunStation({"--config", "/nonexistent/halyard-station.ini"}, env);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_THAT(run.err.toStdString(), ::testing::HasSubstr("/nonexistent/halyard-station.ini"));
}

}  // namespace
