// The record store a station uses, and what its records share.
#include "assembly/StationRecords.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "app/Configuration.h"
#include "records/RecordStore.h"
#include "records/Sha256.h"

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

std::string ConfiguredRecordsStore(const std::filesystem::path& configPath) {
  std::string store = ProfileFile::Load(configPath).Get("Records", "Store");
  if (!store.empty()) return store;
  const std::filesystem::path folder = DataHome() / "halyard-station";
  std::error_code ec;  // a folder that cannot be made leaves the store unreachable: spooled
  std::filesystem::create_directories(folder, ec);
  return (folder / "records.db").string();
}

records::RecordSource StationRecordSource(const Form1& form, std::string operatorName) {
  records::RecordSource source;
  const std::filesystem::path config = form.ConfigurationPath();
  source.station = ProfileFile::Load(config).Get("Station", "Name");
  if (source.station.empty()) source.station = HostName();
  source.operatorName = std::move(operatorName);
  const AppInfo& info = form.Info();
  source.software = std::to_string(info.versionMajor) + "." + std::to_string(info.versionMinor) +
                    "." + std::to_string(info.versionRevision);
  if (!records::Sha256OfFile(config, source.configSha256)) source.configSha256.clear();
  return source;
}

}  // namespace halyard
