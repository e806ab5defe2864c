// What a front end needs to record a station's actions: the store the configuration names (or
// the window's default store), and what every record of this station shares.
#pragma once

#include <filesystem>
#include <string>

#include "app/Form1.h"
#include "records/ActionRecord.h"

namespace halyard {

// The store of `[Records] Store=` in the configuration; without one, the window's default:
// $XDG_DATA_HOME/halyard-station/records.db (else ~/.local/share/...), its folder made.
// "none" when records are turned off.
std::string ConfiguredRecordsStore(const std::filesystem::path& configPath);

// The station's name ([Station] Name=, else the machine's), the software's version and the
// configuration's digest, with `operatorName`; the unit and adapter come later.
records::RecordSource StationRecordSource(const Form1& form, std::string operatorName);

// The window's state as a record keeps it.
inline records::WindowSnapshot Snapshot(const Form1& form) {
  return {form.Controls(), form.State()};
}

}  // namespace halyard
