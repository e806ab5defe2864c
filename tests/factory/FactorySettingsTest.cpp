// [Factory] as the station reads it: a section that cannot work stops the station with a line
// that names the key, and never the password.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "factory/FactorySettings.h"

namespace halyard::factory {
namespace {

using Keys = std::map<std::string, std::string>;

bool Read(const Keys& keys, FactorySettings& settings, std::string& error) {
  return ReadFactorySettings(
      [&keys](const std::string& key) {
        const auto it = keys.find(key);
        return it == keys.end() ? std::string() : it->second;
      },
      settings, error);
}

class FactorySettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { std::ofstream(password_) << "s3cret-pw\n"; }
  void TearDown() override { std::filesystem::remove(password_); }
  const std::string password_ =
      (std::filesystem::temp_directory_path() / ("halyard-pw-" + std::to_string(::getpid())))
          .string();
};

TEST_F(FactorySettingsTest, ASectionThatCannotWorkIsRefusedByItsKey) {
  const Keys good{{"Broker", "amqp://127.0.0.1:5672"}, {"Address", "/queue/cfx"}, {"Handle", "h"}};
  const auto with = [&good](Keys changes) {
    Keys keys = good;
    for (auto& [k, v] : changes)
      keys[k] = v;
    return keys;
  };
  const struct {
    Keys keys;
    std::string error;  // a part of the line; empty: accepted
  } cases[] = {
      {good, ""},
      {with({{"Broker", "http://x"}}), "Broker=http://x"},
      {with({{"Broker", "amqp://"}}), "Broker=amqp://"},
      {with({{"Broker", "amqp://guest:pw@127.0.0.1"}}), "User="},
      {with({{"Address", ""}}), "Address="},
      {with({{"Handle", ""}}), "Handle="},
      {with({{"HeartbeatSeconds", "0"}}), "HeartbeatSeconds=0"},
      {with({{"HeartbeatSeconds", "301"}}), "HeartbeatSeconds=301"},
      {with({{"HeartbeatSeconds", "30"}}), ""},
      {with({{"OutboxSync", "sometimes"}}), "OutboxSync"},
      {with({{"ValidateUnits", "maybe"}}), "ValidateUnits=maybe"},
      {with({{"ValidateUnits", "yes"}}), "MesHandle="},
      {with({{"ValidateUnits", "yes"},
             {"MesHandle", "mes"},
             {"ValidationAddress", "/queue/r"},
             {"WhenNoAnswer", "shrug"}}),
       "WhenNoAnswer=shrug"},
      {with({{"ValidateUnits", "yes"},
             {"MesHandle", "mes"},
             {"ValidationAddress", "/queue/r"},
             {"ValidationTimeoutMs", "5"}}),
       "ValidationTimeoutMs=5"},
      {with({{"PasswordFile", "/nonexistent/pw"}}), "PasswordFile=/nonexistent/pw"},
      // In clear over the network: refused; to this machine, or over TLS: taken.
      {with({{"Broker", "amqp://mes.example:5672"}, {"User", "u"}, {"PasswordFile", password_}}),
       "amqps://"},
      {with({{"Broker", "amqps://mes.example:5671"}, {"User", "u"}, {"PasswordFile", password_}}),
       ""},
      {with({{"User", "u"}, {"PasswordFile", password_}}), ""},
  };
  for (const auto& c : cases) {
    FactorySettings settings;
    std::string error;
    const bool read = Read(c.keys, settings, error);
    SCOPED_TRACE(error);
    EXPECT_EQ(read, c.error.empty());
    EXPECT_NE(error.find(c.error), std::string::npos);
    EXPECT_EQ(error.find("s3cret"), std::string::npos);
  }
}

TEST_F(FactorySettingsTest, WithoutABrokerNothingIsSent) {
  FactorySettings settings;
  std::string error;
  ASSERT_TRUE(Read({{"Address", "/queue/cfx"}}, settings, error));
  EXPECT_FALSE(settings.Enabled());
}

TEST_F(FactorySettingsTest, EveryKeyLandsInItsSetting) {
  FactorySettings s;
  std::string error;
  ASSERT_TRUE(Read({{"Broker", "amqp://localhost:5672"},
                    {"Address", "/queue/cfx"},
                    {"Handle", "st.1"},
                    {"User", "u"},
                    {"PasswordFile", password_},
                    {"HeartbeatSeconds", "5"},
                    {"OutboxSync", "background"},
                    {"ValidateUnits", "yes"},
                    {"MesHandle", "mes"},
                    {"ValidationAddress", "/queue/mes"},
                    {"ValidationTimeoutMs", "700"},
                    {"WhenNoAnswer", "admit"}},
                   s, error))
      << error;
  EXPECT_EQ(s.password, "s3cret-pw");  // the file's line break is not the password's
  EXPECT_EQ(s.heartbeat, std::chrono::seconds(5));
  EXPECT_FALSE(s.syncEachMessage);
  EXPECT_TRUE(s.validateUnits);
  EXPECT_EQ(s.replyAddress, "/queue/st.1.replies");
  EXPECT_EQ(s.validationTimeout, std::chrono::milliseconds(700));
  EXPECT_TRUE(s.admitWithoutAnswer);
  EXPECT_EQ(s.outbox, DefaultOutboxPath("st.1"));
  EXPECT_NE(DefaultOutboxPath("st.1"), DefaultOutboxPath("st.2"));
}

// The sockets of a line share the configuration: each keeps its own outbox and reply queue.
TEST(FactorySocketSettings, EachSocketOfALineHasItsOwnOutboxAndReplyQueue) {
  const struct {
    std::string outbox, socket, socketsOutbox;
  } cases[] = {
      {"/s/cfx-1a2b.outbox", "s1", "/s/cfx-1a2b-s1.outbox"},
      {"/s/box", "2", "/s/box-2"},
      {"rel/a.b.outbox", "x", "rel/a.b-x.outbox"},
  };
  for (const auto& c : cases) {
    FactorySettings s;
    s.outbox = c.outbox;
    s.replyAddress = "/queue/st.replies";
    ForSocket(s, c.socket);
    EXPECT_EQ(s.outbox, c.socketsOutbox);
    EXPECT_EQ(s.replyAddress, "/queue/st.replies." + c.socket);
  }
}

}  // namespace
}  // namespace halyard::factory
