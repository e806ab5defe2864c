// The backfill: each stored record becomes the UnitsTested message the station sent (or would
// have sent) when the action ended, with the record's id as its UniqueID, so a receiver that has
// it already drops the repeat.
#include "cli/ExportCommand.h"

#include <CLI/CLI.hpp>
#include <memory>

#include "app/Configuration.h"
#include "assembly/StationRecords.h"
#include "cli/Halyardctl.h"
#include "cli/RecordsCommand.h"
#include "factory/AmqpLink.h"
#include "factory/CfxMessages.h"
#include "factory/FactoryOutput.h"
#include "factory/FactorySettings.h"
#include "factory/Outbox.h"
#include "records/RecordFormat.h"
#include "records/RecordStore.h"

namespace halyard::cli {

namespace {

constexpr size_t kExportBatch = 500;  // messages per append: one sync each

struct ExportOptions {
  bool cfx = false;
  std::string store;
  std::string since;
  std::string config;
  int waitSeconds = 30;
  records::RecordFilter filter;
};

bool ReadSettings(const ExportOptions& options, const std::filesystem::path& programDir,
                  const std::vector<std::filesystem::path>& fallbacks,
                  factory::FactorySettings& settings, std::string& error) {
  const std::filesystem::path path =
      options.config.empty() ? FindConfiguration(programDir / "halyard-station", fallbacks)
                             : std::filesystem::path(options.config);
  ProfileFile profile;
  if (!ProfileFile::TryLoad(path, profile, error)) {
    error = "configuration file \"" + path.string() + "\": " + error;
    return false;
  }
  if (!ConfiguredFactorySettings(profile, settings, error)) return false;
  if (!settings.Enabled()) {
    error = "configuration file \"" + path.string() + "\" names no broker ([Factory] Broker=)";
    return false;
  }
  // An outbox of its own, so that an export runs beside a station that holds its outbox.
  settings.outbox += ".export";
  return true;
}

bool ListRecords(ExportOptions& options, std::vector<records::Record>& found, std::string& error) {
  std::unique_ptr<records::RecordStore> store;
  return OpenForReading(options.store, options.since, "", options.filter, store, error) &&
         store->List(options.filter, found, error);
}

// The command line into `options`; the exit status when the program ends here, else -1.
int ParseExport(const std::vector<std::string>& args, ExportOptions& options, std::ostream& out,
                std::ostream& err) {
  CLI::App app{"Sends stored records to the factory's broker as CFX UnitsTested messages.",
               "halyardctl records export"};
  app.add_flag("--cfx", options.cfx, "as IPC-CFX messages to [Factory] Broker=")->required();
  app.add_option("--store", options.store, "the record store: FILE.db, postgresql://...")
      ->required();
  app.add_option("--since", options.since, "records started on or after this date or time (UTC)");
  app.add_option("--station", options.filter.station, "only this station's records");
  app.add_option("--socket", options.filter.socket, "only this socket's records");
  app.add_option("--config", options.config, "the configuration file with [Factory]");
  app.add_option("--wait", options.waitSeconds, "seconds to wait for the broker (default 30)")
      ->check(CLI::Range(0, 3600));
  return ParseCommand(app, args, out, err, "halyardctl records export");
}

// Each record as its UnitsTested into the outbox, in batches, the link woken after each.
bool Enqueue(const std::vector<records::Record>& found, const factory::FactorySettings& settings,
             factory::Outbox& outbox, factory::AmqpLink& link, std::string& error) {
  for (size_t i = 0; i < found.size(); i += kExportBatch) {
    std::vector<std::string> batch;
    for (size_t j = i; j < std::min(found.size(), i + kExportBatch); ++j)
      batch.push_back(factory::UnitsTested(settings.handle, found[j], records::NewRecordId()));
    if (!outbox.Append(batch, error)) return false;
    link.Wake();
  }
  return true;
}

}  // namespace

int ExportMain(const std::vector<std::string>& args, const std::filesystem::path& programDir,
               const std::vector<std::filesystem::path>& configFallbacks, std::ostream& out,
               std::ostream& err) {
  ExportOptions options;
  if (const int exit = ParseExport(args, options, out, err); exit >= 0) return exit;
  factory::FactorySettings settings;
  std::vector<records::Record> found;
  std::unique_ptr<factory::Outbox> outbox;
  std::string error;
  if (!ReadSettings(options, programDir, configFallbacks, settings, error) ||
      !ListRecords(options, found, error) ||
      !factory::Outbox::Open(settings.outbox, true, outbox, error)) {
    err << "halyardctl records export: " << error << "\n";
    return kExitUsage;
  }
  const size_t before = outbox->Waiting();  // left by an export that could not finish
  factory::AmqpLink link(factory::PublishingLink(settings), *outbox);
  if (!Enqueue(found, settings, *outbox, link, error)) {
    err << "halyardctl records export: " << error << "\n";
    return kExitUsage;
  }
  outbox->WaitEmpty(std::chrono::steady_clock::now() + std::chrono::seconds(options.waitSeconds));
  const size_t waiting = outbox->Waiting();
  const factory::LinkState state = link.State();
  link.Stop(std::chrono::milliseconds(0));
  out << "exported " << found.size() << " records";
  if (before > 0) out << " and " << before << " left by an earlier export";
  if (waiting == 0) {
    out << "; the broker accepted every message\n";
    return kExitOk;
  }
  out << "; " << waiting << " wait in " << outbox->Path().string() << " ("
      << (state.error.empty() ? "the broker did not answer in time" : state.error) << ")\n";
  return kExitFailed;
}

}  // namespace halyard::cli
