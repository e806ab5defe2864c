// The live table of halyardctl line.
#include "cli/LineTable.h"

#include <cstdio>

namespace halyard::cli {

namespace {

std::string Cell(std::string text, size_t width) {
  if (text.size() > width) text = text.substr(0, width - 1) + "~";
  text.resize(width, ' ');
  return text;
}

// The table's rows as they are drawn: socket, state, unit, step, elapsed, last verdict.
std::vector<std::string> Rows(const std::vector<line::SocketView>& sockets,
                              line::LineClock::time_point now) {
  std::vector<std::string> rows{Cell("SOCKET", 8) + Cell("STATE", 11) + Cell("UNIT", 16) +
                                Cell("STEP", 18) + Cell("TIME", 8) + "LAST"};
  for (const line::SocketView& socket : sockets) {
    std::string time;
    if (socket.state == line::SocketState::kTesting) {
      char text[32];
      std::snprintf(text, sizeof text, "%.1f s",
                    std::chrono::duration<double>(now - socket.since).count());
      time = text;
    }
    std::string last = socket.lastVerdict;
    if (socket.queued > 0)
      last += (last.empty() ? "" : ", ") + std::to_string(socket.queued) + " waiting";
    if (socket.state == line::SocketState::kDown || socket.state == line::SocketState::kRestarting)
      last = socket.reason;
    rows.push_back(Cell(socket.name, 8) + Cell(line::SocketStateName(socket.state), 11) +
                   Cell(socket.unit, 16) + Cell(socket.step, 18) + Cell(time, 8) + last);
  }
  return rows;
}

}  // namespace

void LineTable::Show(const std::deque<std::string>& lines,
                     const std::vector<line::SocketView>& sockets, bool last) {
  if (terminal_ && drawn_ > 0) {
    // Back to the table's first row, which the new lines and the table then overwrite.
    out_ << "\x1b[" << drawn_ << "F\x1b[J";
  }
  for (const std::string& line : lines)
    out_ << line << "\n";
  drawn_ = 0;
  if (terminal_ && !last) {
    for (const std::string& row : Rows(sockets, line::LineClock::now())) {
      out_ << row << "\n";
      ++drawn_;
    }
  }
  out_ << std::flush;
}

}  // namespace halyard::cli
