// The outbox on disk: what was appended survives the process, leaves only when done, in order; a
// torn line is kept aside, not lost; one process holds it at a time.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "factory/Outbox.h"
#include "support/Files.h"

namespace halyard::factory {
namespace {

namespace fs = std::filesystem;
using halyard::testing::ReadText;

class OutboxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "halyard-outbox-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::unique_ptr<Outbox> Open() {
    std::unique_ptr<Outbox> outbox;
    std::string error;
    EXPECT_TRUE(Outbox::Open(path(), true, outbox, error)) << error;
    return outbox;
  }
  static std::vector<std::string> All(const Outbox& outbox) {
    std::vector<std::string> texts;
    OutboxEntry entry;
    for (uint64_t after = 0; outbox.Next(after, entry); after = entry.sequence)
      texts.push_back(entry.text);
    return texts;
  }
  static void Append(Outbox& outbox, std::vector<std::string> messages) {
    std::string error;
    ASSERT_TRUE(outbox.Append(messages, error)) << error;
  }
  fs::path path() const { return folder_ / "cfx.outbox"; }

  fs::path folder_;
};

TEST_F(OutboxTest, WhatWaitsSurvivesARestartInOrder) {
  {
    auto outbox = Open();
    Append(*outbox, {R"({"n":1})", R"({"n":2})"});
    Append(*outbox, {R"({"n":3})"});
    OutboxEntry first;
    ASSERT_TRUE(outbox->Next(0, first));
    outbox->Done(first.sequence);
  }  // the process ends without the broker having taken 2 and 3
  auto again = Open();
  EXPECT_EQ(All(*again), (std::vector<std::string>{R"({"n":2})", R"({"n":3})"}));
}

TEST_F(OutboxTest, AMessageLeavesOnlyWhenDoneAndTheFileEmptiesWhenNothingWaits) {
  auto outbox = Open();
  Append(*outbox, {R"({"n":1})", R"({"n":2})"});
  OutboxEntry second;
  ASSERT_TRUE(outbox->Next(1, second));
  outbox->Done(second.sequence);  // accepted out of order: the first still waits
  EXPECT_EQ(All(*outbox), std::vector<std::string>{R"({"n":1})"});
  EXPECT_FALSE(outbox->WaitEmpty(std::chrono::steady_clock::now()));
  outbox->Done(1);
  EXPECT_TRUE(outbox->WaitEmpty(std::chrono::steady_clock::now()));
  EXPECT_EQ(fs::file_size(path()), 0u);
  Append(*outbox, {R"({"n":3})"});  // the next append starts the empty file
  EXPECT_EQ(ReadText(path()), "{\"n\":3}\n");
}

TEST_F(OutboxTest, ATornLineIsKeptAsideAndTheRestWaits) {
  std::ofstream(path()) << "{\"n\":1}\n{\"n\":2}\n{\"n\":";  // a crash in the middle of an append
  auto outbox = Open();
  EXPECT_EQ(All(*outbox), (std::vector<std::string>{R"({"n":1})", R"({"n":2})"}));
  EXPECT_EQ(ReadText(path().string() + ".rejected"), "{\"n\":\n");
  EXPECT_EQ(ReadText(path()), "{\"n\":1}\n{\"n\":2}\n");
}

TEST_F(OutboxTest, OneProcessHoldsAnOutbox) {
  auto held = Open();
  std::unique_ptr<Outbox> second;
  std::string error;
  EXPECT_FALSE(Outbox::Open(path(), true, second, error));
  EXPECT_NE(error.find("in use by another station process"), std::string::npos) << error;
  held.reset();
  EXPECT_TRUE(Outbox::Open(path(), true, second, error)) << error;
}

TEST_F(OutboxTest, AMessageRefusedForGoodMovesAsideWithItsReason) {
  auto outbox = Open();
  Append(*outbox, {R"({"n":1})", R"({"n":2})"});
  outbox->Rejected(1, "refused by the broker");
  EXPECT_EQ(All(*outbox), std::vector<std::string>{R"({"n":2})"});
  EXPECT_EQ(ReadText(path().string() + ".rejected"), "# refused by the broker\n{\"n\":1}\n");
}

TEST_F(OutboxTest, ManyDeliveredLinesAreWrittenOutOfTheFile) {
  auto outbox = Open();
  std::vector<std::string> messages;
  for (int i = 0; i < 1100; ++i)
    messages.push_back("{\"n\":" + std::to_string(i) + "}");
  Append(*outbox, messages);
  for (uint64_t sequence = 1; sequence <= 1050; ++sequence)
    outbox->Done(sequence);
  // What the file holds is what waits, so a restart sends no more than that.
  auto waiting = All(*outbox);
  ASSERT_EQ(waiting.size(), 50u);
  outbox.reset();
  auto again = Open();
  EXPECT_LE(All(*again).size(), 100u);
  EXPECT_EQ(All(*again).back(), "{\"n\":1099}");
}

}  // namespace
}  // namespace halyard::factory
