// What the operator hears when a record did not go where it should: the key scripts read (the
// JSON step's "records") and the line people read.
#pragma once

#include <string>

namespace halyard::records {

inline constexpr const char* kNoticeSpooled = "spooled";  // the store failed; the spool has it
inline constexpr const char* kNoticeLost = "lost";        // neither store nor spool took it
// The spool cannot be read back (or its unreadable lines set aside): what it holds stays in it,
// untouched, and the records after it go to the store on their own.
inline constexpr const char* kNoticeSpoolFault = "spool-fault";

// Empty when all went well or this was already said.
struct RecordNotice {
  std::string key;   // one of the above
  std::string line;  // the readable line
};

}  // namespace halyard::records
