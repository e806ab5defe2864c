// What halyardctl line prints: each ended unit's JSON line and, on a terminal, a table of the
// sockets kept below them and drawn anew as they change.
#pragma once

#include <deque>
#include <ostream>
#include <string>
#include <vector>

#include "line/Supervisor.h"

namespace halyard::cli {

class LineTable {
 public:
  LineTable(std::ostream& out, bool terminal) : out_(out), terminal_(terminal) {}
  // Prints `lines`, then (on a terminal) the table; `last`: the line has ended.
  void Show(const std::deque<std::string>& lines, const std::vector<line::SocketView>& sockets,
            bool last);

 private:
  std::ostream& out_;
  bool terminal_;
  size_t drawn_ = 0;  // rows of the table on the screen
};

}  // namespace halyard::cli
