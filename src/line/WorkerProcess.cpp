// Starting, feeding, reading and ending a worker process.
#include "line/WorkerProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace halyard::line {

namespace {

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// In the child, between fork and exec: only calls that are safe there.
[[noreturn]] void BecomeWorker(char* const* argv, int input, int output, pid_t parent) {
  // The worker ends with the line, so a killed line leaves no socket running unsupervised: it
  // is told (SIGTERM), finishes and records the step it is in, and closes its adapter.
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (::getppid() != parent) ::_exit(127);
  ::dup2(input, STDIN_FILENO);
  ::dup2(output, STDOUT_FILENO);
  ::execv(argv[0], argv);
  ::_exit(127);
}

}  // namespace

WorkerProcess::~WorkerProcess() {
  if (!Running()) return;
  Kill();
  Reap();
}

bool WorkerProcess::Start(const std::vector<std::string>& argv, std::string& error) {
  // The worker's input is a socket, so that a send to a worker that died fails with EPIPE
  // (MSG_NOSIGNAL) instead of raising SIGPIPE in the line.
  int toWorker[2] = {-1, -1};
  int fromWorker[2] = {-1, -1};
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, toWorker) != 0 ||
      ::pipe2(fromWorker, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    CloseFd(toWorker[0]);
    CloseFd(toWorker[1]);
    return false;
  }
  std::vector<char*> args;
  for (const std::string& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) BecomeWorker(args.data(), toWorker[0], fromWorker[1], parent);
  CloseFd(toWorker[0]);
  CloseFd(fromWorker[1]);
  if (pid < 0) {
    error = std::string("fork: ") + std::strerror(errno);
    CloseFd(toWorker[1]);
    CloseFd(fromWorker[0]);
    return false;
  }
  pid_ = pid;
  in_ = toWorker[1];
  out_ = fromWorker[0];
  ::fcntl(out_, F_SETFL, ::fcntl(out_, F_GETFL) | O_NONBLOCK);
  pending_.clear();
  return true;
}

bool WorkerProcess::Send(const std::string& line) {
  if (in_ < 0) return false;
  const std::string text = line + "\n";
  size_t sent = 0;
  while (sent < text.size()) {
    const ssize_t n = ::send(in_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

bool WorkerProcess::Read(std::vector<std::string>& lines) {
  if (out_ < 0) return false;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(out_, buffer, sizeof buffer);
    if (n > 0) {
      pending_.append(buffer, static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    const bool ended = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
    for (size_t end; (end = pending_.find('\n')) != std::string::npos;) {
      lines.push_back(pending_.substr(0, end));
      pending_.erase(0, end + 1);
    }
    if (ended) CloseFd(out_);
    return !ended;
  }
}

void WorkerProcess::CloseInput() {
  CloseFd(in_);
}

void WorkerProcess::Kill() {
  if (pid_ > 0) ::kill(pid_, SIGKILL);
}

std::string WorkerProcess::Reap() {
  if (pid_ <= 0) return {};
  int status = 0;
  pid_t done = 0;
  do {
    done = ::waitpid(pid_, &status, 0);
  } while (done < 0 && errno == EINTR);
  std::string how;
  if (done > 0 && WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    how = "ended by signal " + std::to_string(signal) + " (" + ::strsignal(signal) + ")";
  } else if (done > 0) {
    how = "exited with status " + std::to_string(WEXITSTATUS(status));
  } else {
    how = std::string("lost: ") + std::strerror(errno);
  }
  pid_ = -1;
  CloseFd(in_);
  CloseFd(out_);
  return how;
}

}  // namespace halyard::line
