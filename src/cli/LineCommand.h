// halyardctl's line commands: `line` runs a line of sockets headless, units coming in on
// standard input; `serve` is one socket's worker, which the line starts (docs/line.md).
#pragma once

#include <filesystem>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace halyard::cli {

// `halyardctl serve ...`: the arguments after "serve".
int ServeMain(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
              std::ostream& err);

// `halyardctl line ...`: the arguments after "line". `program` is halyardctl itself, which the
// line starts once per socket. With `terminal` (standard output is one), a live table of the
// sockets is kept below the unit lines.
int LineMain(const std::vector<std::string>& args, const std::filesystem::path& program,
             const std::vector<std::filesystem::path>& configFallbacks, std::istream& in,
             std::ostream& out, std::ostream& err, bool terminal);

}  // namespace halyard::cli
