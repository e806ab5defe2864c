// main() of the window's tests: one QApplication for all of them, offscreen unless the
// environment names another platform.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // CI and build machines often have no session runtime folder; Qt wants a private one.
  std::string runtimeDir;
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    std::string dir = "/tmp/halyard-ui-tests-XXXXXX";
    if (mkdtemp(dir.data())) {
      runtimeDir = dir;
      qputenv("XDG_RUNTIME_DIR", dir.c_str());
    }
  }
  int result = 0;
  {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    result = RUN_ALL_TESTS();
  }
  std::error_code ignored;
  if (!runtimeDir.empty()) std::filesystem::remove_all(runtimeDir, ignored);
  return result;
}
