// The inputs the file benchmarks read, generated into the scratch folder the first time they are
// asked for: bench files of many rules and S-record images of a given size.
#pragma once

#include <cstddef>
#include <filesystem>

namespace halyard::bench {

// A bench file of `rules` rules of four kinds (a word read answered with outputs, a block read
// with data, a failing I2C read, a fault of any k-th call). Empty path when it could not be
// written.
std::filesystem::path BenchFileWithRules(int rules);

// A well-formed S-record image of at most `bytes` bytes and as close to it as whole records
// allow: a header, 32-byte data records sweeping the controller's 64 KiB again and again (a byte
// written twice keeps the later value), an end record. Empty path when it could not be written.
std::filesystem::path SrecFileOfSize(size_t bytes);

}  // namespace halyard::bench
