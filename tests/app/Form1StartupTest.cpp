// Start-up, shutdown and the tab guard, against a scripted adapter control whose test target
// memory each test fills.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/Form1.h"
#include "support/MockTarnelRW.h"
#include "support/TestServices.h"

namespace halyard {
namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::Invoke;
using ::testing::Return;
using ::testing::SetArgReferee;

class Form1StartupTest : public ::testing::Test {
 public:
  void SetUp() override {
    ON_CALL(adapter, ListDevices(_, _, _))
        .WillByDefault(DoAll(SetArgReferee<1>(1), SetArgReferee<2>(std::string("SIM"))));
    ON_CALL(adapter, I2cAccess(_, _, _, _))
        .WillByDefault(Invoke([this](int32_t function, int16_t device, int16_t reg, int16_t& v) {
          i2c.push_back(function * 0x10000 + device * 0x100 + reg);
          if (function == 2 && reg == failRegister) return int16_t{4};
          if (function == 2) v = memory[static_cast<size_t>(reg & 0xFF)];
          return function == 0 && device == 1 ? openStatus : int16_t{0};
        }));
    dir = std::filesystem::temp_directory_path() / ("halyard-form1-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    Configure("");
    Spoil([](Form1StartupTest&) {});
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  void Configure(const std::string& text) {
    std::ofstream(dir / "halyard-station.ini", std::ios::binary) << text;
  }
  // A configured target, then whatever `spoil` does to it.
  void Spoil(const std::function<void(Form1StartupTest&)>& spoil) {
    memory.fill(0xFF);
    memory[0x51] = 0xF1;
    memory[0x20] = 12;
    for (size_t i = 0; i < 12; ++i)
      memory[0x21 + i] = static_cast<uint8_t>("Halyard_Test"[i]);
    openStatus = 0;
    failRegister = -1;
    spoil(*this);
    i2c.clear();
  }
  Form1& Load() {
    AppInfo info;
    info.programPath = dir / "halyard-station";
    info.versionMajor = 0;
    info.versionMinor = 0;
    info.versionRevision = 30;
    form = std::make_unique<Form1>(adapter, dialogs, pump, info);
    form->Form_Load();
    return *form;
  }

  ::testing::NiceMock<testing::MockTarnelRW> adapter;
  testing::RecordingDialogs dialogs;
  testing::FakeEventPump pump;
  std::array<uint8_t, 256> memory{};
  std::vector<int> i2c;  // function, device and register of each I2C call
  int16_t openStatus = 0;
  int16_t failRegister = -1;
  std::filesystem::path dir;
  std::unique_ptr<Form1> form;
};

constexpr int kClose = 0;  // function 0, device 0, register 0

TEST_F(Form1StartupTest, OnlyNoAdapterOrMinusOneFromOpenIsReportedAndStartUpGoesOn) {
  Configure("[DefaultFiles]\nSREC_FileName=fw.srec\n");
  EXPECT_CALL(adapter, OpenDevice("SIM")).WillOnce(Return(5)).WillOnce(Return(-1));
  Load();
  EXPECT_TRUE(dialogs.messages.empty());
  Load();
  EXPECT_CALL(adapter, ListDevices(2, _, _)).WillOnce(SetArgReferee<1>(0));
  Load();  // no adapter: OpenDevice is not called again
  const testing::RecordedMessage message{"Did not attach to Halyard", 0, "Error attaching"};
  EXPECT_EQ(dialogs.messages, (std::vector<testing::RecordedMessage>{message, message}));
  EXPECT_EQ(form->Controls().SREC_Name.Text, "fw.srec");
  EXPECT_EQ(form->Controls().Ver.Caption, "Version 0.0.30");
  EXPECT_EQ(i2c.back(), kClose);
}

TEST_F(Form1StartupTest, ConfigurationValuesApplyOnlyWithASrecName) {
  struct Case {
    std::string ini, srec, trim, expected;
  };
  const std::vector<Case> cases{
      {"", "", ".\\gxTrim.srec", ""},
      {"[DefaultFiles]\nSREC_FileName=a\nTRIM_FileName=\nEXPECTED_VERSION=1.23\n", "a", "", "1.2"},
      {"[DefaultFiles]\nSREC_FileName=a\nEXPECTED_VERSION=1\n", "a", "", "1"},
      {"[DefaultFiles]\nSREC_FileName=\nTRIM_FileName=t\nEXPECTED_VERSION=1.2\n", "",
       ".\\gxTrim.srec", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    Configure(c.ini);
    Form1& f = Load();
    EXPECT_EQ(f.Controls().SREC_Name.Text, c.srec);
    EXPECT_EQ(f.Controls().TrimFilePathAndName.Text, c.trim);
    EXPECT_EQ(f.State().ExpectedVersion, c.expected);
  }
}

TEST_F(Form1StartupTest, EveryCheckOfTheTargetMustPassAndTheRunIsAlwaysClosed) {
  struct Case {
    const char* what;
    std::function<void(Form1StartupTest&)> spoil;
    size_t calls;  // the close included
    bool configured;
  };
  const std::vector<Case> cases{
      {"configured", [](Form1StartupTest&) {}, 16, true},
      {"open fails", [](Form1StartupTest& t) { t.openStatus = 1; }, 2, false},
      {"flag read fails", [](Form1StartupTest& t) { t.failRegister = 0x51; }, 3, false},
      {"flag bit clear", [](Form1StartupTest& t) { t.memory[0x51] = 0xFE; }, 3, false},
      {"length differs", [](Form1StartupTest& t) { t.memory[0x20] = 13; }, 4, false},
      {"text differs in case", [](Form1StartupTest& t) { t.memory[0x21] = 'h'; }, 16, false},
      {"text read fails", [](Form1StartupTest& t) { t.failRegister = 0x23; }, 7, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Spoil(c.spoil);
    Form1& f = Load();
    EXPECT_EQ(f.State().TargetNotConfigured, !c.configured);
    EXPECT_EQ(i2c.size(), c.calls);
    EXPECT_EQ(i2c.back(), kClose);
  }
}

TEST_F(Form1StartupTest, TheGuardKeepsTheOperatorOffTestOnlyWhileNotConfigured) {
  for (bool configured : {false, true}) {
    Spoil([&](Form1StartupTest& t) { t.memory[0x51] = configured ? 0x01 : 0x00; });
    Form1& f = Load();
    EXPECT_EQ(f.Controls().SSTab1.Tab, 0);
    for (int16_t tab : {0, 1, 2, 3}) {
      f.SelectTab(tab);
      EXPECT_EQ(f.Controls().SSTab1.Tab, tab == 1 && !configured ? 2 : tab);
    }
    EXPECT_FALSE(f.SelectTab(4));
  }
}

}  // namespace
}  // namespace halyard
