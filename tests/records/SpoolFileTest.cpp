// The spool's files: a spool path is only ever a regular file the station can read and write,
// never a link, device or FIFO, which are refused without being opened or removed; the spool is
// read a line at a time, however long it is; the station removes a spool only once all of it
// reached the store; and a spool that cannot be read back is left as it is and said.
#include <gmock/gmock.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "RecordTesting.h"
#include "records/RecordOutput.h"
#include "records/SpoolFile.h"
#include "records/SpoolingStore.h"
#include "support/Files.h"

namespace halyard::records {
namespace {

namespace fs = std::filesystem;
using halyard::testing::ReadText;
using ::testing::HasSubstr;
using testing::SampleRecord;

// What the reader makes of `input` when each read gives at most `chunk` bytes: "L:text" for a
// whole line, "P:text" for a part and "P:text$" for a line's last part.
std::vector<std::string> Pieces(const std::string& input, size_t maxLine, size_t chunk) {
  size_t at = 0;
  SpoolLineReader reader(
      [&](char* buffer, size_t size) {
        const size_t n = std::min({size, chunk, input.size() - at});
        std::copy_n(input.data() + at, n, buffer);
        at += n;
        return static_cast<long>(n);
      },
      maxLine, chunk);
  std::vector<std::string> pieces;
  std::string text;
  bool ends = false;
  for (SpoolLineReader::Piece piece;
       (piece = reader.Next(text, ends)) != SpoolLineReader::Piece::kEnd;) {
    EXPECT_NE(piece, SpoolLineReader::Piece::kError);
    if (piece == SpoolLineReader::Piece::kError) break;
    pieces.push_back((piece == SpoolLineReader::Piece::kLine ? "L:" : "P:") + text +
                     (piece == SpoolLineReader::Piece::kPart && ends ? "$" : ""));
  }
  return pieces;
}

TEST(SpoolLineReader, GivesEachLineOrTheBoundedPartsOfALongOneHoweverTheInputIsCut) {
  const struct {
    const char* input;
    size_t maxLine;
    std::vector<std::string> pieces;
  } cases[] = {
      {"", 4, {}},
      {"ab\ncd\n", 4, {"L:ab", "L:cd"}},
      {"ab\n\ncd", 4, {"L:ab", "L:", "L:cd"}},  // the last line lacks its line end
      {"abcd\n", 4, {"L:abcd"}},
      {"abcde\nxy\n", 4, {"P:abcd", "P:e$", "L:xy"}},
      {"abcdefgh\nxy", 4, {"P:abcd", "P:efgh$", "L:xy"}},
      {"abcdefghi", 4, {"P:abcd", "P:efgh", "P:i$"}},
      {"abcdefgh", 4, {"P:abcd", "P:efgh$"}},
  };
  for (const auto& c : cases) {
    for (size_t chunk = 1; chunk <= 9; ++chunk) {
      SCOPED_TRACE(std::string(c.input) + " read " + std::to_string(chunk) + " at a time");
      EXPECT_EQ(Pieces(c.input, c.maxLine, chunk), c.pieces);
    }
  }
}

TEST(SpoolLineReader, SaysWhereEachLineBeginsAndWhenTheReadFails) {
  const std::string input = "ab\nlong-line\ncd\n";
  size_t at = 0;
  bool fail = false;
  SpoolLineReader reader(
      [&](char* buffer, size_t size) -> long {
        if (fail) return -1;
        const size_t n = std::min(size, input.size() - at);
        std::copy_n(input.data() + at, n, buffer);
        at += n;
        return static_cast<long>(n);
      },
      4, 3);
  std::string text;
  bool ends = false;
  const std::vector<uint64_t> starts{0, 3, 3, 3, 13};
  for (const uint64_t start : starts) {
    ASSERT_NE(reader.Next(text, ends), SpoolLineReader::Piece::kEnd);
    EXPECT_EQ(reader.LineStart(), start) << text;
  }
  EXPECT_EQ(reader.Next(text, ends), SpoolLineReader::Piece::kEnd);
  SpoolLineReader failing([&](char*, size_t) { return -1L; });
  EXPECT_EQ(failing.Next(text, ends), SpoolLineReader::Piece::kError);
}

class SpoolPath : public ::testing::Test {
 protected:
  fs::path Make(const std::string& name, const std::function<void(const fs::path&)>& make) {
    const fs::path path = scratch_ / name;
    make(path);
    return path;
  }
  testing::Scratch scratch_;
};

TEST_F(SpoolPath, OnlyAnAbsentSpoolOrARegularFileIsTakenAndNothingElseIsTouched) {
  const auto regular = [](const fs::path& p) { std::ofstream(p) << "{}\n"; };
  const struct {
    fs::path path;
    const char* said;  // null: taken
  } cases[] = {
      {scratch_ / "absent.spool", nullptr},
      {scratch_ / "no-folder" / "r.spool", nullptr},
      {Make("regular.spool", regular), nullptr},
      {Make("fifo.spool", [](const fs::path& p) { ::mkfifo(p.c_str(), 0600); }), "a FIFO"},
      {Make("zero.spool", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }),
       "a symbolic link"},
      {Make("file-link.spool",
            [&](const fs::path& p) { fs::create_symlink(scratch_ / "regular.spool", p); }),
       "a symbolic link"},
      {Make("folder.spool", [](const fs::path& p) { fs::create_directory(p); }), "a folder"},
      {"/dev/full", "a device"},
      {Make("lock-fifo.spool",
            [](const fs::path& p) { ::mkfifo((p.string() + ".lock").c_str(), 0600); }),
       "a FIFO"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.string());
    struct stat before {};
    const bool existed = ::lstat(c.path.c_str(), &before) == 0;
    std::string error;
    EXPECT_EQ(CheckSpoolPath(c.path, error), c.said == nullptr) << error;
    if (c.said != nullptr) {
      EXPECT_THAT(error, HasSubstr(c.said));
      EXPECT_THAT(error, HasSubstr("spool"));
    }
    struct stat after {};
    EXPECT_EQ(::lstat(c.path.c_str(), &after) == 0, existed);
    EXPECT_EQ(after.st_mode, before.st_mode);
  }
}

TEST_F(SpoolPath, ADeviceNodeGivenAsTheSpoolIsRefusedAndKept) {
  const fs::path device = scratch_ / "full";
  if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
    GTEST_SKIP() << "cannot make a device node here (not root, or not allowed)";
  std::unique_ptr<StoreOutput> output;
  std::string error;
  EXPECT_FALSE(OpenStoreOutput((scratch_ / "r.db").string(), device, output, error));
  EXPECT_THAT(error, HasSubstr("a device"));
  EXPECT_TRUE(fs::exists(fs::symlink_status(device)));
}

// A store that takes the first `good` records and fails after.
class FailingAfter final : public RecordStore {
 public:
  explicit FailingAfter(size_t good) : good_(good) {}
  bool Write(const Record& record, std::string& error) override {
    if (taken.size() >= good_) {
      error = "the store is gone";
      return false;
    }
    taken.push_back(record.id);
    return true;
  }
  // Nothing here reads the store: one that keeps nothing answers.
  RecordReader& Reader() override { return nothing_->Reader(); }
  std::vector<std::string> taken;

 private:
  static std::unique_ptr<RecordStore> Nothing() {
    std::unique_ptr<RecordStore> store;
    std::string error;
    OpenStore(kNoStore, store, error);
    return store;
  }

  size_t good_;
  std::unique_ptr<RecordStore> nothing_ = Nothing();
};

TEST_F(SpoolPath, TheSpoolIsRemovedOnlyWhenAllOfItReachedTheStore) {
  const fs::path spool = scratch_ / "r.spool";
  std::vector<Record> spooled;
  std::string lines;
  for (int i = 0; i < 4; ++i) {
    spooled.push_back(SampleRecord("U" + std::to_string(i)));
    lines += RecordToJsonLine(spooled.back()) + "\n";
  }
  // A torn line among them, and one longer than any record: both set aside, whole.
  const std::string torn = "{\"id\":\"torn";
  const std::string huge(kMaxSpoolLine + 10, 'x');
  const size_t secondLine = lines.find('\n') + 1;
  lines.insert(secondLine, torn + "\n" + huge + "\n");
  std::ofstream(spool, std::ios::binary) << lines;

  auto* store = new FailingAfter(3);
  SpoolingStore spooling(std::unique_ptr<RecordStore>(store), spool);
  std::string error;
  EXPECT_FALSE(spooling.Flush(error));
  EXPECT_EQ(error, "the store is gone");
  EXPECT_EQ(store->taken, (std::vector{spooled[0].id, spooled[1].id, spooled[2].id}));
  // The spool holds exactly the line the store did not take.
  EXPECT_EQ(ReadText(spool), RecordToJsonLine(spooled[3]) + "\n");
  EXPECT_EQ(ReadText(spool.string() + ".rejected"), torn + "\n" + huge + "\n");
}

TEST_F(SpoolPath, ASpoolThatCannotBeReadBackIsKeptAndSaidOnceAndRecordsGoToTheStore) {
  const fs::path spool = scratch_ / "r.spool";
  auto* store = new FailingAfter(10);
  SpoolingStore spooling(std::unique_ptr<RecordStore>(store), spool);
  // Since the station started, something put a FIFO where the spool is.
  ASSERT_EQ(::mkfifo(spool.c_str(), 0600), 0);
  std::string error;
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(spooling.Write(SampleRecord(), error)) << error;
    EXPECT_EQ(spooling.LastOutcome(), WriteOutcome::kStored);
    const RecordNotice notice = spooling.TakeNotice();
    EXPECT_EQ(notice.key, i == 0 ? kNoticeSpoolFault : "") << notice.line;
    if (i == 0) EXPECT_THAT(notice.line, HasSubstr("a FIFO"));
  }
  EXPECT_EQ(store->taken.size(), 2u);
  EXPECT_TRUE(fs::is_fifo(fs::symlink_status(spool)));
}

}  // namespace
}  // namespace halyard::records
