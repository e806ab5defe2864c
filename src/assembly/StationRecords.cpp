// The records a station keeps, and what they share.
#include "assembly/StationRecords.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "assembly/Station.h"
#include "factory/FactoryOutput.h"
#include "factory/FactorySettings.h"
#include "records/PostgresAddress.h"

namespace halyard {

namespace {

// The machine's name: the station's name when its configuration gives none.
std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::filesystem::path DataHome() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/') return xdg;
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
    return std::filesystem::path(home) / ".local" / "share";
  return std::filesystem::temp_directory_path();
}

}  // namespace

std::string ConfiguredRecordsStore(const ProfileFile& configuration) {
  std::string store = configuration.Get("Records", "Store");
  if (!store.empty()) return store;
  const std::filesystem::path folder = DataHome() / "halyard-station";
  std::error_code ec;  // a folder that cannot be made leaves the store unreachable: spooled
  std::filesystem::create_directories(folder, ec);
  return (folder / "records.db").string();
}

records::RecordSource StationRecordSource(const ProfileFile& configuration, const AppInfo& info,
                                          std::string operatorName) {
  records::RecordSource source;
  source.station = configuration.Get("Station", "Name");
  if (source.station.empty()) source.station = HostName();
  source.operatorName = std::move(operatorName);
  source.software = std::to_string(info.versionMajor) + "." + std::to_string(info.versionMinor) +
                    "." + std::to_string(info.versionRevision);
  source.configSha256 = configuration.Digest();
  return source;
}

records::RecordSource StationRecordSource(const Station& station, std::string operatorName) {
  return StationRecordSource(station.Configuration(), station.Form().Info(),
                             std::move(operatorName));
}

bool ConfiguredFactorySettings(const ProfileFile& configuration, factory::FactorySettings& settings,
                               std::string& error) {
  const auto key = [&configuration](const std::string& name) {
    return configuration.Get("Factory", name);
  };
  return factory::ReadFactorySettings(key, settings, error);
}

namespace {

// The factory's messages when [Factory] names a broker; none otherwise. Each socket of a line
// keeps an outbox and a reply queue of its own.
bool OpenFactoryOutput(const ProfileFile& configuration, const std::string& socket,
                       std::unique_ptr<factory::FactoryOutput>& output, std::string& error) {
  factory::FactorySettings settings;
  if (!ConfiguredFactorySettings(configuration, settings, error)) return false;
  if (!socket.empty()) factory::ForSocket(settings, socket);
  return !settings.Enabled() || factory::FactoryOutput::Open(settings, output, error);
}

}  // namespace

bool ConfiguredStoreAccess(const ProfileFile& configuration, const std::string& store,
                           records::StoreAccess& access, std::string& error) {
  const std::string passwordFile = configuration.Get("Records", "PasswordFile");
  return passwordFile.empty() || !records::IsPostgresAddress(store) ||
         records::ReadPasswordFile(passwordFile, access.password, error);
}

bool OpenConfiguredStore(const ProfileFile& configuration, const std::string& store,
                         const std::filesystem::path& spool,
                         std::unique_ptr<records::StoreOutput>& output,
                         records::StoreAccess& access, std::string& error) {
  return ConfiguredStoreAccess(configuration, store, access, error) &&
         records::OpenStoreOutput(store, spool, output, error, access);
}

bool StationRecords::Open(const Station& station, const RecordsSetup& setup, std::string& error) {
  records::StoreAccess access;
  std::unique_ptr<records::StoreOutput> store;
  if (!OpenConfiguredStore(station.Configuration(), setup.store, setup.spool, store, access, error))
    return false;
  std::unique_ptr<factory::FactoryOutput> factory;
  if (!OpenFactoryOutput(station.Configuration(), setup.socket, factory, error)) return false;
  storeName_ = setup.store;
  access_ = access;
  records::RecordSource source = StationRecordSource(station, setup.operatorName);
  source.socket = setup.socket;
  recorder_.SetSource(std::move(source));
  if (store) {
    store_ = &store->Store();
    recorder_.AddOutput(std::move(store));
  }
  if (factory) recorder_.AddOutput(std::move(factory));
  return true;
}

records::RecordNotice StationRecords::Record(const Station& station, const ActionResult& result) {
  // The adapter is the one start-up opened, or whichever a later action opened again.
  if (!station.OpenedAdapter().empty()) recorder_.SetAdapter(station.RecordedAdapter());
  records::RecordNotice notice = recorder_.Record(result);
  // An action answered "not open" by the adapter found it closed or gone.
  const std::optional<int16_t> status = result.reason.status;
  const bool adapterLost =
      !result.passed && status && (*status == kStatusAdapterClosed || *status == kStatusNotOpen);
  recorder_.SetFault(records::StationFault::kAdapterLost, adapterLost, result.reason.text);
  const bool storeFailing =
      store_ != nullptr && store_->LastOutcome() != records::WriteOutcome::kStored;
  recorder_.SetFault(records::StationFault::kStoreUnreachable, storeFailing, notice.line);
  return notice;
}

bool AdmitOrRefuse(Station& station, const ActionRow& row, const Admission& admit) {
  std::string reason;
  if (!row.recorded || admit(reason)) return true;
  station.Refuse(row, Reason::Said(reason));
  return false;
}

bool PerformAdmitted(Station& station, const ActionRow& row, const ActionInput& input,
                     const Admission& admit) {
  // An action asked for during another's wait is ignored, the MES not asked.
  const bool idle = !station.Form().Busy() && station.Running() == nullptr;
  if (idle && !AdmitOrRefuse(station, row, admit)) return true;
  return station.Perform(row, input);
}

}  // namespace halyard
