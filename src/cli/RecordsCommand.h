// `halyardctl records list|yield`: reads a record store, as JSON lines or CSV.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "records/Record.h"

namespace halyard::cli {

// `args` are those after "records". Exit status 0, or 2 with one line on `err` for bad usage
// or a store that cannot be read.
int RecordsMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// One CSV row per record after a header: every field, the measurements flattened into one
// column per key path ("measurements.tests.0.passed"), the lists as JSON text.
void WriteRecordsCsv(const std::vector<records::Record>& records, std::ostream& out);

}  // namespace halyard::cli
