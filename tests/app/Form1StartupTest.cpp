// Start-up, shutdown and the tab guard of the window, against a scripted adapter control.
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
using ::testing::AnyNumber;
using ::testing::DoAll;
using testing::FakeEventPump;
using ::testing::Invoke;
using testing::MockTarnelRW;
using ::testing::NiceMock;
using testing::RecordedMessage;
using testing::RecordingDialogs;
using ::testing::Return;
using ::testing::SetArgReferee;

// A scripted bench: one adapter, a target whose I2C memory the test fills, and a record of
// the I2C calls so the order of the checks can be seen.
class Form1StartupTest : public ::testing::Test {
 public:
  void SetUp() override {
    memory_.fill(0xFF);
    ON_CALL(adapter_, ListDevices(_, _, _))
        .WillByDefault(DoAll(SetArgReferee<1>(1), SetArgReferee<2>(std::string("HALYARD-SIM0"))));
    ON_CALL(adapter_, OpenDevice(_)).WillByDefault(Return(0));
    ON_CALL(adapter_, I2cAccess(_, _, _, _))
        .WillByDefault(
            Invoke([this](int32_t function, int16_t device, int16_t reg, int16_t& value) {
              i2cCalls_.push_back({function, device, reg});
              if (function == 2) {
                if (failRegister_ == reg) return int16_t{4};
                value = memory_[static_cast<size_t>(reg & 0xFF)];
              }
              if (function == 0 && device == 1) return openStatus_;
              return int16_t{0};
            }));
    configDir_ = std::filesystem::temp_directory_path() /
                 ("halyard-form1-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(configDir_);
  }
  void TearDown() override { std::filesystem::remove_all(configDir_); }

  void Configure(const std::string& text) {
    std::ofstream(configDir_ / "halyard-station.ini", std::ios::binary) << text;
  }
  void StoreConfiguredTarget(const std::string& text = "Halyard_Test") {
    memory_[0x51] = 0xF1;
    memory_[0x20] = static_cast<uint8_t>(text.size());
    for (size_t i = 0; i < text.size(); ++i)
      memory_[0x21 + i] = static_cast<uint8_t>(text[i]);
  }
  Form1& Load() {
    AppInfo info;
    info.programPath = configDir_ / "halyard-station";
    info.versionMajor = 0;
    info.versionMinor = 0;
    info.versionRevision = 30;
    form_ = std::make_unique<Form1>(adapter_, dialogs_, pump_, info);
    form_->Form_Load();
    return *form_;
  }

  struct I2cCall {
    int32_t function;
    int16_t device;
    int16_t reg;
    bool operator==(const I2cCall&) const = default;
  };

  NiceMock<MockTarnelRW> adapter_;
  RecordingDialogs dialogs_;
  FakeEventPump pump_;
  std::array<uint8_t, 256> memory_{};
  std::vector<I2cCall> i2cCalls_;
  int16_t openStatus_ = 0;
  int16_t failRegister_ = -1;
  std::filesystem::path configDir_;
  std::unique_ptr<Form1> form_;
};

TEST_F(Form1StartupTest, NoAdapterIsReportedAndStartUpGoesOn) {
  EXPECT_CALL(adapter_, ListDevices(2, _, _)).WillOnce(SetArgReferee<1>(0));
  EXPECT_CALL(adapter_, OpenDevice(_)).Times(0);
  Configure("[DefaultFiles]\nSREC_FileName=fw.srec\n");
  Form1& form = Load();
  EXPECT_EQ(dialogs_.messages,
            (std::vector<RecordedMessage>{{"Did not attach to Halyard", 0, "Error attaching"}}));
  EXPECT_EQ(form.Controls().SREC_Name.Text, "fw.srec");
  EXPECT_EQ(form.Controls().Ver.Caption, "Version 0.0.30");
  EXPECT_EQ(i2cCalls_.back(), (I2cCall{0, 0, 0}));
}

TEST_F(Form1StartupTest, OnlyMinusOneFromOpenIsAFailure) {
  EXPECT_CALL(adapter_, OpenDevice("HALYARD-SIM0")).WillOnce(Return(5));
  Load();
  EXPECT_TRUE(dialogs_.messages.empty());
  form_.reset();
  EXPECT_CALL(adapter_, OpenDevice("HALYARD-SIM0")).WillOnce(Return(-1));
  Load();
  EXPECT_EQ(dialogs_.messages.size(), 1u);
}

TEST_F(Form1StartupTest, InitialState) {
  Form1& form = Load();
  const FormControls& c = form.Controls();
  EXPECT_EQ(c.SSTab1.Tab, 0);
  EXPECT_TRUE(c.TitleFrame.Visible);
  EXPECT_TRUE(c.Program.Enabled);
  for (const LabelState& label : c.Label6) {
    EXPECT_EQ(label.Caption, "");
    EXPECT_EQ(label.ForeColor, kColorNeutral);
    EXPECT_EQ(label.BackColor, kColorNeutral);
  }
  EXPECT_EQ(c.Label5[0].Caption, "Label5");
  EXPECT_EQ(c.Label7.Caption, "Label7");
  EXPECT_EQ(c.FineAdjust.Value, 128);
  EXPECT_EQ(c.GrossAdjust.Value, 128);
  EXPECT_EQ(c.CurrentTrim.Caption, "80");
  EXPECT_EQ(form.State().TargetIdString, "Halyard_Test");
  EXPECT_EQ(form.State().ProgramPassCount, 0);
  EXPECT_TRUE(form.State().TargetNotConfigured);
  // Without a configuration file the boxes keep their design texts.
  EXPECT_EQ(c.SREC_Name.Text, "");
  EXPECT_EQ(c.TrimFilePathAndName.Text, ".\\gxTrim.srec");
  EXPECT_EQ(form.State().ExpectedVersion, "");
}

TEST_F(Form1StartupTest, MidrangeRunsBothBarHandlersOnce) {
  std::vector<std::pair<int16_t, int16_t>> writes;
  ON_CALL(adapter_, WriteSmbusWord(_, _, 0x16))
      .WillByDefault(Invoke([&](int16_t command, int16_t word, int16_t) {
        writes.emplace_back(command, word);
        return int16_t{0};
      }));
  Load();
  const std::vector<std::pair<int16_t, int16_t>> expected{
      {0x09, 0x5001}, {0x0A, 0x80}, {0x09, 0x5001}, {0x0A, 0x80}};
  EXPECT_EQ(writes, expected);
}

TEST_F(Form1StartupTest, ConfigurationValuesAreApplied) {
  Configure("[DefaultFiles]\nSREC_FileName=.\\fw.srec\nTRIM_FileName=\nEXPECTED_VERSION=1.23\n");
  Form1& form = Load();
  EXPECT_EQ(form.Controls().SREC_Name.Text, ".\\fw.srec");
  EXPECT_EQ(form.Controls().TrimFilePathAndName.Text, "");  // an empty value clears the box
  EXPECT_EQ(form.State().ExpectedVersion, "1.2");
}

TEST_F(Form1StartupTest, AShortExpectedVersionIsKeptAsItIs) {
  Configure("[DefaultFiles]\nSREC_FileName=fw.srec\nEXPECTED_VERSION=1\n");
  EXPECT_EQ(Load().State().ExpectedVersion, "1");
}

TEST_F(Form1StartupTest, AnEmptySrecNameSkipsTheOtherKeys) {
  Configure("[DefaultFiles]\nSREC_FileName=\nTRIM_FileName=t.srec\nEXPECTED_VERSION=1.2\n");
  Form1& form = Load();
  EXPECT_EQ(form.Controls().TrimFilePathAndName.Text, ".\\gxTrim.srec");
  EXPECT_EQ(form.State().ExpectedVersion, "");
}

TEST_F(Form1StartupTest, AnOverriddenConfigurationPathIsRead) {
  const auto other = configDir_ / "other.ini";
  std::ofstream(other) << "[DefaultFiles]\nSREC_FileName=other.srec\n";
  AppInfo info;
  info.programPath = configDir_ / "halyard-station";
  info.configPath = other;
  Form1 form(adapter_, dialogs_, pump_, info);
  form.Form_Load();
  EXPECT_EQ(form.Controls().SREC_Name.Text, "other.srec");
}

TEST_F(Form1StartupTest, AConfiguredTargetIsRecognised) {
  StoreConfiguredTarget();
  Form1& form = Load();
  EXPECT_FALSE(form.State().TargetNotConfigured);
  // Open, flag, length, twelve characters, close.
  ASSERT_EQ(i2cCalls_.size(), 16u);
  EXPECT_EQ(i2cCalls_.front(), (I2cCall{0, 1, 0}));
  EXPECT_EQ(i2cCalls_[1], (I2cCall{2, 0xA0, 0x51}));
  EXPECT_EQ(i2cCalls_[2], (I2cCall{2, 0xA0, 0x20}));
  EXPECT_EQ(i2cCalls_[3], (I2cCall{2, 0xA0, 0x21}));
  EXPECT_EQ(i2cCalls_.back(), (I2cCall{0, 0, 0}));
}

TEST_F(Form1StartupTest, EachFailedCheckLeavesTheTargetUnconfiguredAndStillCloses) {
  struct Case {
    const char* what;
    std::function<void(Form1StartupTest&)> spoil;
    size_t calls;  // I2C calls made, the close included
  };
  const std::vector<Case> cases{
      {"open fails", [](Form1StartupTest& t) { t.openStatus_ = 1; }, 2},
      {"flag read fails", [](Form1StartupTest& t) { t.failRegister_ = 0x51; }, 3},
      {"flag bit clear", [](Form1StartupTest& t) { t.memory_[0x51] = 0xFE; }, 3},
      {"length read fails", [](Form1StartupTest& t) { t.failRegister_ = 0x20; }, 4},
      {"length differs", [](Form1StartupTest& t) { t.memory_[0x20] = 13; }, 4},
      {"text differs in case", [](Form1StartupTest& t) { t.memory_[0x21] = 'h'; }, 16},
      {"text read fails", [](Form1StartupTest& t) { t.failRegister_ = 0x23; }, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    form_.reset();
    i2cCalls_.clear();
    openStatus_ = 0;
    failRegister_ = -1;
    memory_.fill(0xFF);
    StoreConfiguredTarget();
    c.spoil(*this);
    Form1& form = Load();
    EXPECT_TRUE(form.State().TargetNotConfigured);
    EXPECT_EQ(i2cCalls_.size(), c.calls);
    EXPECT_EQ(i2cCalls_.back(), (I2cCall{0, 0, 0}));
    EXPECT_TRUE(dialogs_.messages.empty());
  }
}

TEST_F(Form1StartupTest, ShutdownClosesTheAdapterOnce) {
  EXPECT_CALL(adapter_, CloseDevice()).Times(1);
  Form1& form = Load();
  form.Form_Unload();
  form_.reset();  // destruction after an explicit unload closes nothing more
}

TEST_F(Form1StartupTest, DestroyingALoadedWindowClosesTheAdapter) {
  EXPECT_CALL(adapter_, CloseDevice()).Times(1);
  Load();
  form_.reset();
}

TEST_F(Form1StartupTest, TheGuardKeepsTheOperatorOffTestWhileNotConfigured) {
  Form1& form = Load();
  ASSERT_TRUE(form.State().TargetNotConfigured);
  for (int16_t tab : {0, 2, 3}) {
    form.SelectTab(tab);
    EXPECT_EQ(form.Controls().SSTab1.Tab, tab);
  }
  form.SelectTab(1);
  EXPECT_EQ(form.Controls().SSTab1.Tab, 2);
}

TEST_F(Form1StartupTest, TheGuardLetsTheOperatorOntoTestOnceConfigured) {
  StoreConfiguredTarget();
  Form1& form = Load();
  ASSERT_FALSE(form.State().TargetNotConfigured);
  for (int16_t tab : {0, 1, 2, 3, 1}) {
    form.SelectTab(tab);
    EXPECT_EQ(form.Controls().SSTab1.Tab, tab);
  }
}

TEST_F(Form1StartupTest, ATabOutsideTheControlIsRefused) {
  Form1& form = Load();
  EXPECT_FALSE(form.SelectTab(4));
  EXPECT_FALSE(form.SelectTab(-1));
  EXPECT_EQ(form.Controls().SSTab1.Tab, 0);
}

}  // namespace
}  // namespace halyard
