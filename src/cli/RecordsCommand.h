// `halyardctl records list|yield|report`: reads a record store, as JSON lines, CSV, JUnit XML,
// or a quality report (JSON or HTML).
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "records/RecordStore.h"

namespace halyard::cli {

// The store named `name` (FILE.db, postgresql://..., none) opened for reading, with `since` and
// `until` (dates or times in UTC; empty: no bound) checked into `filter`. False with one line in
// `error`.
bool OpenForReading(const std::string& name, const std::string& since, const std::string& until,
                    records::RecordFilter& filter, std::unique_ptr<records::RecordStore>& store,
                    std::string& error);

// `args` are those after "records". Exit status 0, or 2 with one line on `err` for bad usage
// or a store that cannot be read.
int RecordsMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace halyard::cli
