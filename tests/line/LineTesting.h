// What the line's tests share: a folder with a line's configuration (a bench file per socket),
// a supervisor over real worker processes (build/bin/halyardctl serve), and the records they
// left.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "line/Supervisor.h"
#include "records/RecordStore.h"
#include "support/Paths.h"
#include "support/TestStation.h"

namespace halyard::line::testing {

namespace fs = std::filesystem;

struct SocketSetup {
  SocketSetup(std::string socketName, std::string benchText = "{}", std::string backend = "")
      : name(std::move(socketName)), bench(std::move(benchText)), adapter(std::move(backend)) {}
  std::string name;
  std::string bench;    // the socket's bench file's text; its state file is its own
  std::string adapter;  // "" (sim), or "driver:LIBRARY", which gets the bench as its argument
};

class LineFolder {
 public:
  LineFolder() {
    static std::atomic<int> serial{0};
    dir_ = fs::path(::testing::TempDir()) /
           ("halyard-line-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
    fs::create_directories(dir_);
  }
  ~LineFolder() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  LineFolder(const LineFolder&) = delete;
  LineFolder& operator=(const LineFolder&) = delete;

  // Writes the configuration: the shipped images, the sockets and the [Line] lines given.
  fs::path Write(const std::vector<SocketSetup>& sockets, const std::string& line) {
    std::string ini = halyard::testing::DefaultIni() + "\n[Line]\nSockets=";
    for (const SocketSetup& socket : sockets)
      ini += socket.name + " ";
    ini += "\n" + line + "\n";
    for (const SocketSetup& socket : sockets) {
      const std::string bench = "bench-" + socket.name + ".json";
      std::string text = socket.bench;
      // Each socket keeps its devices in a state file of its own, as a real socket would.
      text.insert(
          1, "\"state_file\": \"state-" + socket.name + ".json\"" + (text == "{}" ? "" : ", "));
      std::ofstream(dir_ / bench) << text;
      ini += "[Socket " + socket.name + "]\n";
      if (socket.adapter.empty()) {
        ini += "Bench=" + bench + "\n";
      } else {
        ini += "Adapter=" + socket.adapter + "," + (dir_ / bench).string() + "\n";
      }
    }
    std::ofstream(dir_ / "line.ini") << ini;
    return dir_ / "line.ini";
  }
  std::string Store() const { return (dir_ / "records.db").string(); }
  const fs::path& Path() const { return dir_; }

 private:
  fs::path dir_;
};

// A supervisor over the folder's line, collecting the units that ended.
class LineRun {
 public:
  LineRun(const fs::path& config, const std::string& store, bool noWait = true) {
    ProfileFile profile;
    std::string error;
    EXPECT_TRUE(ProfileFile::TryLoad(config, profile, error)) << error;
    SupervisorSetup setup;
    EXPECT_TRUE(ReadLineConfig(profile, config, setup.line, error)) << error;
    setup.workerProgram = halyard::testing::BinDir() / "halyardctl";
    setup.recordsStore = store;
    setup.spool = config.parent_path() / "spool";
    setup.noWait = noWait;
    setup.counterLockFolder = config.parent_path();
    supervisor_ = std::make_unique<Supervisor>(std::move(setup));
    supervisor_->SetListener({nullptr, [this](const UnitReport& report) {
                                const std::lock_guard lock(mutex_);
                                reports_.push_back(report);
                              }});
    EXPECT_TRUE(supervisor_->Start(error)) << error;
  }
  Supervisor& operator*() { return *supervisor_; }
  Supervisor* operator->() { return supervisor_.get(); }
  void Scan(const std::string& socket, const std::string& unit) {
    std::string reason;
    EXPECT_TRUE(supervisor_->Scan(socket, unit, reason)) << reason;
  }
  // Finishes the line and gives the units that ended, by unit.
  std::map<std::string, UnitReport> Finish() {
    supervisor_->Finish();
    supervisor_->Wait();
    std::map<std::string, UnitReport> byUnit;
    for (const UnitReport& report : reports_)
      byUnit[report.unit] = report;
    return byUnit;
  }

 private:
  std::unique_ptr<Supervisor> supervisor_;
  std::mutex mutex_;
  std::vector<UnitReport> reports_;
};

inline std::vector<records::Record> StoredRecords(const std::string& store,
                                                  records::RecordFilter filter = {}) {
  std::unique_ptr<records::RecordStore> opened;
  std::string error;
  std::vector<records::Record> found;
  EXPECT_TRUE(records::OpenStore(store, opened, error)) << error;
  EXPECT_TRUE(opened->List(filter, found, error)) << error;
  return found;
}

}  // namespace halyard::line::testing
