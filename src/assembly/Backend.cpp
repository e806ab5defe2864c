// Finding the chosen backend in the registry, and the texts written from it.
#include "assembly/Backend.h"

#include <algorithm>

namespace halyard {

namespace {

// "sim, i2c:... or driver:...".
std::string Syntaxes() {
  std::string list;
  const std::span<const BackendRow> rows = BackendRows();
  for (size_t i = 0; i < rows.size(); ++i) {
    if (i > 0) list += i + 1 == rows.size() ? " or " : ", ";
    list += rows[i].syntax;
  }
  return list;
}

}  // namespace

const BackendRow* FindBackendRow(std::string_view adapter) {
  for (const BackendRow& row : BackendRows()) {
    if (row.name.ends_with(':') ? adapter.starts_with(row.name) : adapter == row.name) return &row;
  }
  return nullptr;
}

std::string AdapterHelp() {
  const std::span<const BackendRow> rows = BackendRows();
  size_t width = 0;
  for (const BackendRow& row : rows)
    width = std::max(width, row.syntax.size());
  std::string help = "adapter backend; default: [Adapter] Backend in the configuration, else " +
                     std::string(rows.front().name);
  for (const BackendRow& row : rows) {
    help += "\n  " + std::string(row.syntax) + std::string(width - row.syntax.size() + 2, ' ') +
            std::string(row.help);
  }
  return help;
}

std::string ConfiguredAdapter(const ProfileFile& profile) {
  return profile.Get("Adapter", "Backend");
}

bool MakeBackend(const BackendRequest& request, Backend& backend, std::string& error) {
  const std::span<const BackendRow> rows = BackendRows();
  const std::string_view adapter = request.adapter.empty() ? rows.front().name : request.adapter;
  backend = Backend{};
  backend.description = std::string(adapter);
  const BackendRow* row = FindBackendRow(adapter);
  if (row == nullptr) {
    error =
        "adapter " + std::string(adapter) + ": unknown adapter backend (use " + Syntaxes() + ")";
    return false;
  }
  if (request.benchPath && !row->takesBenchFile) {
    error = "a bench file works only with the simulated bench (adapter sim), not with " +
            std::string(adapter);
    return false;
  }
  if (row->make(request, adapter.substr(row->name.size()), backend, error)) return true;
  if (!row->takesBenchFile) error = "adapter " + std::string(adapter) + ": " + error;
  return false;
}

}  // namespace halyard
