// Runs a program and prints, after its output, one line "peak_rss_kib=<n> exit=<s>
// spawned_ns=<t> cpu_us=<c>": its peak resident memory, its exit status, the monotonic clock when
// it was started and its user and system time. The benchmarks start their children through this
// small program because Linux carries the peak of the process that execs into the exec'd one: a
// child spawned straight from a benchmark holding hundreds of MiB would report the benchmark's
// peak, not its own.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

extern char** environ;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: halyard_peak_rss PROGRAM [ARG...]\n");
    return 2;
  }
  std::fflush(stdout);
  const auto spawned = std::chrono::steady_clock::now().time_since_epoch();
  pid_t pid = 0;
  const int failed = ::posix_spawn(&pid, argv[1], nullptr, nullptr, argv + 1, environ);
  if (failed != 0) {
    std::fprintf(stderr, "halyard_peak_rss: cannot start %s: %s\n", argv[1], std::strerror(failed));
    return 2;
  }
  int status = 0;
  rusage usage{};
  while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  const auto micros = [](const timeval& t) { return t.tv_sec * 1000000LL + t.tv_usec; };
  std::printf("peak_rss_kib=%ld exit=%d spawned_ns=%lld cpu_us=%lld\n", usage.ru_maxrss,
              WIFEXITED(status) ? WEXITSTATUS(status) : -1,
              static_cast<long long>(std::chrono::nanoseconds(spawned).count()),
              micros(usage.ru_utime) + micros(usage.ru_stime));
  return 0;
}
