// `halyardctl records export --cfx`: stored records sent to the factory's broker as UnitsTested
// messages, after a long outage or for a new MES.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace halyard::cli {

// `args` are those after "export". Exit status 0 when the broker accepted every message, 1 when
// some still wait in the export's outbox (the next export sends them), 2 with one line on `err`
// for bad usage, a configuration without [Factory] or a store that cannot be read.
int ExportMain(const std::vector<std::string>& args, const std::filesystem::path& programDir,
               const std::vector<std::filesystem::path>& configFallbacks, std::ostream& out,
               std::ostream& err);

}  // namespace halyard::cli
