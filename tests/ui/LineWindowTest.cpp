// The line's window offscreen over four simulated sockets: plain scans go to the socket waiting,
// one after the other, a prefixed scan picks its socket, a scan nobody can take is refused in
// red, every tile ends with its verdict, the session's tally is shown, and a tile opens the
// records of its last unit.
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

#include "WindowStation.h"
#include "line/LineTesting.h"
#include "ui/LineTile.h"
#include "ui/LineWindow.h"
#include "ui/RecordsDialog.h"

namespace halyard::ui {
namespace {

using ::testing::HasSubstr;
namespace lt = halyard::line::testing;

bool WaitFor(const std::function<bool()>& done) {
  for (int tick = 0; tick < 400 && !done(); ++tick)
    QTest::qWait(25);
  return done();
}

TEST(LineWindow, ScansGoToTheWaitingSocketAndEveryTileEndsWithItsVerdict) {
  lt::LineFolder folder;
  const auto config = folder.Write({{"1"}, {"2"}, {"3", R"({"adapter_version": "0.9"})"}, {"4"}},
                                   "Sequence=configure run-all");
  LineWindowSetup setup;
  ProfileFile profile;
  std::string error;
  ASSERT_TRUE(ProfileFile::TryLoad(config, profile, error)) << error;
  ASSERT_TRUE(line::ReadLineConfig(profile, config, setup.supervisor.line, error)) << error;
  setup.supervisor.workerProgram = halyard::testing::BinDir() / "halyardctl";
  setup.supervisor.recordsStore = folder.Store();
  setup.supervisor.noWait = true;
  setup.supervisor.counterLockFolder = folder.Path();
  setup.stationName = StationRecordSource(profile, AppInfo{}, "").station;
  LineWindow window(std::move(setup));
  ASSERT_TRUE(window.Start(error)) << error;
  window.show();
  // Every socket ready; the first one waits for the next scan.
  ASSERT_TRUE(WaitFor([&] {
    const auto sockets = window.Supervisor().Sockets();
    return std::ranges::all_of(
               sockets,
               [](const line::SocketView& s) { return s.state == line::SocketState::kReady; }) &&
           window.Tiles()[0]->Text().contains("waiting for a unit");
  })) << window.Tiles()[0]->Text().toStdString();

  // The scanner types into the field and presses Enter.
  for (const char* scan : {"U1", "U2", "U3", "4:U4"}) {
    QTest::keyClicks(window.ScanField(), scan);
    QTest::keyClick(window.ScanField(), Qt::Key_Return);
  }
  window.Scan("9:U5");
  EXPECT_THAT(window.Said()->text().toStdString(), HasSubstr("no socket '9'"));
  ASSERT_TRUE(WaitFor([&] {
    return window.Summary()->text().contains("4 units tested") &&
           window.Tiles()[3]->Text().contains("PASS");
  })) << window.Summary()->text().toStdString();
  const char* verdicts[] = {"PASS", "PASS", "FAIL", "PASS"};
  for (size_t i = 0; i < 4; ++i) {
    const QString text = window.Tiles()[i]->Text();
    SCOPED_TRACE(text.toStdString());
    EXPECT_TRUE(text.contains(QStringLiteral("U%1").arg(i + 1)));
    EXPECT_EQ(window.Tiles()[i]->Verdict()->text(), verdicts[i]);
  }
  EXPECT_THAT(window.Tiles()[2]->Text().toStdString(), HasSubstr("Version Test failed"));
  EXPECT_THAT(window.Summary()->text().toStdString(), HasSubstr("first-pass yield 75.0 %"));

  QTest::mouseClick(window.Tiles()[1], Qt::LeftButton);
  RecordsDialog* records = window.OpenRecords("U2");
  ASSERT_NE(records, nullptr);
  EXPECT_EQ(records->UnitFilter()->text(), "U2");
  EXPECT_EQ(records->Latest()->rowCount(), 2);

  window.close();
  ASSERT_TRUE(WaitFor([&] { return window.Supervisor().Ended(); }));
}

}  // namespace
}  // namespace halyard::ui
