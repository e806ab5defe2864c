// Reads one S-record file and prints this process's peak resident memory before and after, in
// KiB, and the reader's status: "<before> <after> <status>". A process of its own, because the
// peak is a high-water mark of the whole process; the file benchmark runs it as a child.
#include <sys/resource.h>

#include <cstdio>

#include "sim/Srec.h"

namespace {

long PeakKib() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: halyard_srec_peak FILE\n");
    return 2;
  }
  const long before = PeakKib();
  const halyard::SrecResult result = halyard::ReadSrecFile(argv[1]);
  const long after = PeakKib();
  std::printf("%ld %ld %d\n", before, after, static_cast<int>(result.error));
  return result.Ok() ? 0 : 1;
}
