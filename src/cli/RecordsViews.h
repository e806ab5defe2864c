// Views of records for other tools, written as the store streams them: CSV with the
// measurements flattened, and JUnit XML with one test suite per unit.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "records/Record.h"

namespace halyard::cli {

// CSV: a header, then one row per record with every field, the measurements flattened into one
// column per key path ("measurements.tests.0.passed"), the lists as JSON text. The header
// needs every key path first: Collect sees each record once, then Write each again.
class CsvView {
 public:
  void Collect(const records::Record& record);
  void WriteHeader(std::ostream& out) const;
  // False, with the row written all the same, when the record has a measurement the header
  // lacks: it came into the store between the two readings.
  bool Write(const records::Record& record, std::ostream& out) const;

 private:
  std::vector<std::string> keys_;  // measurement columns, in the order first seen
};

// JUnit XML: one <testsuite> per unit, one <testcase> per record (the action), a <failure> with
// the reason for a failed one. Records come unit after unit (RecordOrder::kByUnit); a record
// without a unit is a suite of its own, as the yield counts it a unit of its own. Only one
// unit's records are held at a time.
class JunitView {
 public:
  explicit JunitView(std::ostream& out);
  void Take(const records::Record& record);
  // Writes the last suite and closes the document.
  void Finish();

 private:
  void WriteSuite();

  std::ostream& out_;
  std::vector<records::Record> unit_;  // the records of the suite being gathered
};

}  // namespace halyard::cli
