// A store of many records for the records benchmark, made from real records: one session of
// every recorded action on the simulated bench gives the templates, and a fixed seed spreads
// units over a year, four stations of four sockets each, with failures, retests, unscanned units
// and the automatic trim's final errors. The same count gives the same store.
#pragma once

#include <string>

namespace halyard::bench {

struct GeneratedRecords {
  std::string firstDay;  // of the records, "YYYY-MM-DD"
  std::string lastDay;
  std::string someUnit;  // a unit in the middle of the store
};

// Writes `count` records into a new SQLite file at `path` (made by the station, so its tables
// and indexes are the station's).
bool GenerateSqlite(size_t count, const std::string& path, GeneratedRecords& made,
                    std::string& error);
// The same records into the empty database at `url`, through COPY.
bool GeneratePostgres(size_t count, const std::string& url, GeneratedRecords& made,
                      std::string& error);

}  // namespace halyard::bench
