// `halyardctl records list|yield|report`: reads a record store, as JSON lines, CSV, JUnit XML,
// or a quality report (JSON or HTML).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace halyard::cli {

// `args` are those after "records". Exit status 0, or 2 with one line on `err` for bad usage
// or a store that cannot be read.
int RecordsMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace halyard::cli
