// The line's window rendered for the README (halyard-screenshots).
#pragma once

#include <QString>
#include <filesystem>

namespace halyard::ui {

// Runs a line of four simulated sockets from `programDir` and saves its window to `path`.
bool SaveLineView(const std::filesystem::path& programDir, const QString& path);

}  // namespace halyard::ui
