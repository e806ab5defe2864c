// The window's unit work as the record outputs hear it: a scan begins a unit's work and the next
// scan (or the window's end) ends it; a unit the outputs refuse (the MES's unit check) has its
// action fail on the status line without a bus transaction, and is asked about again.
#include <QLineEdit>

#include "WindowStation.h"
#include "records/RecordOutput.h"
#include "ui/StatusStrip.h"

namespace {

using Station = halyard::testing::WindowStation;
using ::testing::HasSubstr;

// Refuses SN-BAD as a MES would, and writes down what it heard.
class UnitCheck final : public halyard::records::RecordOutput {
 public:
  explicit UnitCheck(std::vector<std::string>& heard) : heard_(heard) {}
  halyard::records::RecordNotice Take(const halyard::records::Record& r) override {
    heard_.push_back("record " + r.unit + " " + r.verdict);
    return {};
  }
  void UnitBegan(const halyard::records::UnitWork& work) override {
    heard_.push_back("began " + work.unit);
  }
  void UnitEnded(const halyard::records::UnitWork& work, halyard::records::UnitVerdict) override {
    heard_.push_back("ended " + work.unit);
  }
  bool Admit(const halyard::records::UnitWork& work, std::string& reason) override {
    reason = "the MES refused unit " + work.unit + ": wrong route";
    return work.unit != "SN-BAD";
  }

 private:
  std::vector<std::string>& heard_;
};

void Scan(Station& station, const QString& serial) {
  QLineEdit* field = station.window->Strip()->UnitField();
  field->setFocus();
  field->selectAll();
  QTest::keyClicks(field, serial);
  QTest::keyClick(field, Qt::Key_Return);
}

TEST(WindowUnitWork, AScanBeginsAUnitsWorkAndARefusedUnitTouchesNothing) {
  Station station(true);
  std::vector<std::string> heard;
  station.records.Recorder().AddOutput(std::make_unique<UnitCheck>(heard));
  station.ClickTab(1);
  station.Count("");
  Scan(station, "SN-BAD");
  station.Click("Command2", 1);  // SMBus Test
  EXPECT_EQ(station.Count("ReadSmbusBlock"), 0);
  EXPECT_EQ(station.Text("Label6", 1), "");  // the label as it was
  EXPECT_THAT(station.Status(), HasSubstr("the MES refused unit SN-BAD: wrong route"));
  Scan(station, "SN-OK");
  station.Click("Command2", 1);
  EXPECT_EQ(station.Count("ReadSmbusBlock"), 1);
  station.window->close();
  EXPECT_EQ(heard, (std::vector<std::string>{"began SN-BAD", "record SN-BAD failed", "ended SN-BAD",
                                             "began SN-OK", "record SN-OK passed", "ended SN-OK"}));
}

}  // namespace
