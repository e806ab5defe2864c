// One worker process of the line, as its supervisor sees it: started with pipes on its standard
// input and output, fed lines, read line by line without blocking, ended and reaped. A worker
// never outlives the line: the kernel sends it SIGTERM when the process that started it is gone,
// and it ends after the step it is in.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace halyard::line {

class WorkerProcess {
 public:
  WorkerProcess() = default;
  ~WorkerProcess();
  WorkerProcess(const WorkerProcess&) = delete;
  WorkerProcess& operator=(const WorkerProcess&) = delete;

  // Starts `argv` (argv[0] the program's path). False with the reason when it could not.
  bool Start(const std::vector<std::string>& argv, std::string& error);
  bool Running() const { return pid_ > 0; }
  // The descriptor to wait on for output; -1 when not running.
  int Output() const { return out_; }
  // Sends one line; false when the worker no longer reads.
  bool Send(const std::string& line);
  // Takes what the worker wrote; complete lines go to `lines`. False once its output ended.
  bool Read(std::vector<std::string>& lines);
  // No more units: the worker closes its adapter and ends.
  void CloseInput();
  // Ends it at once (SIGKILL), as for a worker that hangs.
  void Kill();
  // Blocks until the worker ended and reaps it; returns how: "exited with status 3", "ended by
  // signal 6 (Aborted)"; empty when none was running.
  std::string Reap();

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  std::string pending_;  // output after the last complete line
};

}  // namespace halyard::line
