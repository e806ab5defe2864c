// halyardctl when its records cannot be kept as they should: a spool that is no regular file the
// station can read and write stops it at start, untouched; a record kept nowhere fails the
// session with its own exit status and a line on stderr; a store name that can never work is a
// usage error that never prints the password; a password kept off the command line reaches the
// server; and listing works on odd units and on a store the reader may not write.
#include <gmock/gmock.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <nlohmann/json.hpp>

#include "CliTesting.h"
#include "RecordTesting.h"
#include "support/Files.h"
#include "support/TestStation.h"

namespace halyard::cli {
namespace {

namespace fs = std::filesystem;
using halyard::testing::ReadText;
using testing::CtlRun;
using testing::Halyardctl;
using testing::HalyardctlAsAnotherUser;
using ::testing::HasSubstr;
using ::testing::Not;

class RecordsFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    // Another user must reach the folder and write the child's output into it.
    fs::permissions(scratch_.path(), fs::perms::all);
    std::ofstream(ini_) << halyard::testing::DefaultIni();
  }
  std::vector<std::string> Args(const std::string& store, const fs::path& spool,
                                std::vector<std::string> more) const {
    std::vector<std::string> args{"--no-wait", "--config", ini_.string(), "--records",
                                  store,       "--spool",  spool.string()};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }
  std::string Db() const { return (scratch_ / "r.db").string(); }

  records::testing::Scratch scratch_;
  fs::path ini_ = scratch_ / "station.ini";
};

// Each spool is refused at start in one line, before anything runs, and is left as it was.
TEST_F(RecordsFaults, ASpoolThatIsNoRegularFileTheStationCanUseStopsItAtStartUntouched) {
  const fs::path fifo = scratch_ / "fifo.spool";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const fs::path zero = scratch_ / "zero.spool";
  fs::create_symlink("/dev/zero", zero);
  const fs::path device = scratch_ / "full.spool";
  const bool madeDevice = ::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0;
  // Three spooled records in a file only its owner may write, and nobody read.
  const fs::path unreadable = scratch_ / "unreadable.spool";
  std::string spooled;
  for (int i = 0; i < 3; ++i)
    spooled += records::RecordToJsonLine(records::testing::SampleRecord()) + "\n";
  std::ofstream(unreadable) << spooled;
  fs::permissions(unreadable, fs::perms::owner_write);

  const struct {
    fs::path spool;
    const char* said;
  } cases[] = {{fifo, "a FIFO"},
               {zero, "a symbolic link"},
               {device, "a device"},
               {unreadable, "cannot be read and written"}};
  for (const auto& c : cases) {
    if (c.spool == device && !madeDevice) continue;
    SCOPED_TRACE(c.spool.string());
    const CtlRun run = HalyardctlAsAnotherUser(Args(Db(), c.spool, {"configure"}), scratch_.path());
    EXPECT_EQ(run.code, kExitUsage);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, HasSubstr(c.said));
    EXPECT_THAT(run.err, HasSubstr(c.spool.string()));
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_TRUE(fs::is_symlink(zero));
  if (madeDevice) EXPECT_TRUE(fs::is_character_file(device));
  fs::permissions(unreadable, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(ReadText(unreadable), spooled);
  EXPECT_FALSE(fs::exists(unreadable.string() + ".rejected"));
  EXPECT_FALSE(fs::exists(Db()));
}

// Neither the store (its folder is missing) nor the spool (its folder is a file) takes a record:
// every such step says so in its output and on stderr, and the session ends with status 3,
// whatever its verdicts.
TEST_F(RecordsFaults, ARecordKeptNowhereFailsTheSessionWithItsOwnStatus) {
  std::ofstream(scratch_ / "file") << "x";
  const std::string store = (scratch_ / "missing" / "r.db").string();
  const fs::path spool = scratch_ / "file" / "r.spool";
  const CtlRun json = Halyardctl(Args(store, spool, {"--json", "configure", "state", "run-all"}));
  EXPECT_EQ(json.code, kExitRecordLost) << json.err;
  std::vector<std::string> said;
  for (const std::string& line : json.lines)
    said.push_back(nlohmann::json::parse(line).value("records", ""));
  EXPECT_EQ(said, (std::vector<std::string>{"", "lost", "", "lost", ""}));
  EXPECT_EQ(std::count(json.err.begin(), json.err.end(), '\n'), 2) << json.err;
  EXPECT_THAT(json.err, HasSubstr("halyardctl: record lost: the store failed ("));

  // A failed verdict as well: the lost record decides the status all the same.
  const CtlRun text = Halyardctl(Args(store, spool, {"run-all"}));
  EXPECT_EQ(text.code, kExitRecordLost);
  EXPECT_THAT(text.out, HasSubstr("  record lost: "));
  EXPECT_THAT(text.lines.back(), HasSubstr("result: fail (1 record lost; "));
  EXPECT_THAT(text.err, HasSubstr("record lost"));
}

TEST_F(RecordsFaults, AStoreNameThatCanNeverWorkIsAUsageErrorThatNeverPrintsThePassword) {
  const std::string secret = "S3cr3tPw";
  for (const std::string& name :
       {"postgresql://postgres:" + secret + "%zz@127.0.0.1:25432/x",
        "postgresql://postgres:" + secret + "@[::1",
        "postgresql://postgres:" + secret + "@[::1]x:25432/x",
        "postgresql://postgres:" + secret + "@127.0.0.1:notaport/x",
        "postgresql://postgres:" + secret + "@127.0.0.1/x?sslmode=bogus",
        "postgresql://postgres@127.0.0.1/x?password=" + secret + "&unknown=1"}) {
    SCOPED_TRACE(name);
    for (const CtlRun& run : {Halyardctl(Args(name, scratch_ / "s.spool", {"configure"})),
                              Halyardctl({"records", "list", "--store", name})}) {
      EXPECT_EQ(run.code, kExitUsage);
      EXPECT_EQ(run.out, "");
      EXPECT_THAT(run.err, HasSubstr("postgresql://postgres"));
      EXPECT_THAT(run.err, Not(HasSubstr(secret)));
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
  }
  EXPECT_FALSE(fs::exists(scratch_ / "s.spool"));
}

// A server nobody answers at: the station's line says why, in one line without a tab.
TEST_F(RecordsFaults, TheSpooledNoticeIsOneLine) {
  const std::string store =
      "postgresql://postgres@127.0.0.1:" + std::to_string(records::testing::ClosedPort()) + "/x";
  const CtlRun run = Halyardctl(Args(store, scratch_ / "s.spool", {"configure", "run-all"}));
  EXPECT_EQ(run.code, kExitOk) << run.err;
  const auto notice = std::find_if(run.lines.begin(), run.lines.end(), [](const std::string& l) {
    return l.starts_with("  records spooled: store unreachable (");
  });
  ASSERT_NE(notice, run.lines.end()) << run.out;
  EXPECT_THAT(*notice, HasSubstr("Connection refused Is the server running"));
  EXPECT_EQ(run.out.find('\t'), std::string::npos);
}

TEST_F(RecordsFaults, APasswordKeptOffTheCommandLineReachesTheServer) {
  records::testing::PgServer server(HALYARD_PG_SHARED);
  const std::string admin = server.FreshDatabase();
  ASSERT_FALSE(admin.empty()) << "the PostgreSQL fixture is not running";
  const std::string store = records::testing::PgServer::AsPasswordUser(admin);
  const fs::path passwordFile = scratch_ / "records.pw";
  std::ofstream(passwordFile) << server.Password() << "\n";
  fs::permissions(passwordFile, fs::perms::owner_read | fs::perms::owner_write);
  std::ofstream(ini_, std::ios::app) << "[Records]\nPasswordFile=" << passwordFile.string() << "\n";
  const CtlRun session = Halyardctl(Args(store, scratch_ / "s.spool", {"configure"}));
  EXPECT_EQ(session.code, kExitOk) << session.err << session.out;
  EXPECT_THAT(session.out, Not(HasSubstr("records spooled")));
  ::setenv("PGPASSWORD", server.Password().c_str(), 1);
  const CtlRun list = Halyardctl({"records", "list", "--store", store});
  ::unsetenv("PGPASSWORD");
  EXPECT_EQ(list.code, kExitOk) << list.err;
  EXPECT_EQ(list.lines.size(), 1u);

  // A password file others may read is refused at start.
  fs::permissions(passwordFile, fs::perms::others_read, fs::perm_options::add);
  const CtlRun loose = Halyardctl(Args(store, scratch_ / "s.spool", {"configure"}));
  EXPECT_EQ(loose.code, kExitUsage);
  EXPECT_THAT(loose.err, HasSubstr("can be read by anyone"));
  EXPECT_THAT(loose.err, Not(HasSubstr(server.Password())));
}

// A unit typed in another code page is stored as U+FFFD where its bytes were not UTF-8; listing
// by the same bytes finds it in every store, and nothing exits with a server's complaint.
TEST_F(RecordsFaults, AUnitThatIsNotUtf8IsFoundByTheSameBytesInEveryStore) {
  records::testing::PgServer server(HALYARD_PG_SHARED);
  const std::string postgres = server.FreshDatabase();
  ASSERT_FALSE(postgres.empty()) << "the PostgreSQL fixture is not running";
  const std::string unit = "SN-\xFF\xFE-7";
  for (const std::string& store : {Db(), postgres}) {
    SCOPED_TRACE(store);
    ASSERT_EQ(Halyardctl(Args(store, scratch_ / "s.spool", {"serial=" + unit, "configure"})).code,
              kExitOk);
    const CtlRun list = Halyardctl({"records", "list", "--store", store, "--unit", unit});
    EXPECT_EQ(list.code, kExitOk) << list.err;
    ASSERT_EQ(list.lines.size(), 1u) << list.out;
    EXPECT_EQ(nlohmann::json::parse(list.lines[0])["unit"], "SN-\xEF\xBF\xBD\xEF\xBF\xBD-7");
  }
}

// A store on read-only media, or in a folder the reader may not write: listing needs no -shm
// file beside it.
TEST_F(RecordsFaults, AStoreTheReaderMayNotWriteBesideIsListed) {
  const fs::path folder = scratch_ / "readonly";
  fs::create_directory(folder);
  const std::string store = (folder / "r.db").string();
  ASSERT_EQ(Halyardctl(Args(store, scratch_ / "s.spool", {"configure", "run-all"})).code, kExitOk);
  fs::permissions(store, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  // Root's folder is another user's to read only; the owner's own folder, read-only to all.
  fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
  if (::geteuid() != 0) fs::permissions(folder, fs::perms::owner_write, fs::perm_options::remove);
  const CtlRun list =
      HalyardctlAsAnotherUser({"records", "list", "--store", store}, scratch_.path());
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
  EXPECT_EQ(list.code, kExitOk) << list.err;
  EXPECT_EQ(list.lines.size(), 2u) << list.out;
}

}  // namespace
}  // namespace halyard::cli
