// A socket's worker: one station with its own adapter, opened once and kept across units, that
// takes units on its standard input and tells what happens on its standard output (the protocol
// of line/Protocol.h). `halyardctl serve` runs it; the line's supervisor starts one per socket.
#pragma once

#include <filesystem>
#include <istream>
#include <optional>
#include <ostream>
#include <string>

namespace halyard::line {

struct WorkerOptions {
  std::string socket;                // the socket's name, in every record
  std::filesystem::path configPath;  // the station's configuration file (the line's)
  std::string adapter;               // as --adapter; empty: the configuration's, else sim
  std::optional<std::string> bench;  // a sim socket's bench file
  std::string counter;               // as --counter; empty: the backend's own
  std::string counterLock;           // set: the counter is shared and taken in turns
  std::string recordsStore;          // where the records go; empty: nowhere
  std::filesystem::path spool;       // empty: the store's default spool
  std::string operatorName;
  bool noWait = false;  // waits end at once (tests)
};

// Exit statuses of a worker.
inline constexpr int kWorkerDone = 0;      // its input ended and the adapter was closed
inline constexpr int kWorkerDown = 3;      // it could not start: no backend, no adapter
inline constexpr int kWorkerBadOrder = 4;  // a line on its input was no unit order

// Runs the worker until its input ends. Every event is one line on `out`, flushed at once.
int Serve(const WorkerOptions& options, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace halyard::line
