// ctest-labels: silver
// The quick silver presets in the per-user file, and amounts typed as text.
#include "dialogs/fix_deposit.h"

#include <gtest/gtest.h>

#include "platform/profile.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using dialogs::kDefaultPresets;
using dialogs::LoadFixDeposit;
using dialogs::ParseAmount;
using dialogs::PresetAmounts;
using dialogs::SaveFixDeposit;

class FixDepositTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::current_path() / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / "1001.ini").string();
  }
  void Write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
  std::string Read() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  fs::path dir_;
  std::string path_;
};

TEST(ParseAmountTest, TakesWholeNumbersFromOneToTheLargest32BitValue) {
  int32_t amount = -1;
  EXPECT_TRUE(ParseAmount("1", &amount));
  EXPECT_EQ(amount, 1);
  EXPECT_TRUE(ParseAmount("0030000", &amount));
  EXPECT_EQ(amount, 30000);
  EXPECT_TRUE(ParseAmount("2147483647", &amount));
  EXPECT_EQ(amount, 2147483647);
}

TEST(ParseAmountTest, RefusesWhatIsNoAmountAndLeavesTheOutputAlone) {
  int32_t amount = 77;
  for (const char* text :
       {"", "0", "000", "2147483648", "99999999999", "4294967396", "-5", "+5", " 5", "5 ", "5a", "1e3", "１２"}) {
    EXPECT_FALSE(ParseAmount(text, &amount)) << text;
  }
  EXPECT_EQ(amount, 77);
}

TEST_F(FixDepositTest, AMissingFileGivesTheDefaults) {
  EXPECT_EQ(LoadFixDeposit(path_), kDefaultPresets);
  EXPECT_EQ(kDefaultPresets, (PresetAmounts{100, 200, 500, 1000, 10000, 30000}));
}

TEST_F(FixDepositTest, SixStoredAmountsAreRead) {
  Write("[FIXDEPOSIT]\r\nFix0=5\r\nFix1=50\r\nFix2=500\r\nFix3=5000\r\nFix4=50000\r\nFix5=500000\r\n");
  EXPECT_EQ(LoadFixDeposit(path_), (PresetAmounts{5, 50, 500, 5000, 50000, 500000}));
}

TEST_F(FixDepositTest, WithoutTheLastKeyAllSixAreTheDefaults) {
  Write("[FIXDEPOSIT]\r\nFix0=5\r\nFix1=50\r\nFix2=500\r\nFix3=5000\r\nFix4=50000\r\n");
  EXPECT_EQ(LoadFixDeposit(path_), kDefaultPresets);
  Write("[FIXDEPOSIT]\r\nFix0=5\r\nFix1=50\r\nFix2=500\r\nFix3=5000\r\nFix4=50000\r\nFix5=\r\n");
  EXPECT_EQ(LoadFixDeposit(path_), kDefaultPresets);
}

TEST_F(FixDepositTest, ADamagedEntryMakesAllSixTheDefaults) {
  for (const char* bad : {"abc", "-100", "0", "99999999999999", "12x", "\xB0\xA1"}) {
    Write(std::string("[FIXDEPOSIT]\nFix0=5\nFix1=") + bad + "\nFix2=500\nFix3=5000\nFix4=50000\nFix5=9\n");
    EXPECT_EQ(LoadFixDeposit(path_), kDefaultPresets) << bad;
  }
  Write("[FIXDEPOSIT]\nFix5=9\n");  // the first five missing
  EXPECT_EQ(LoadFixDeposit(path_), kDefaultPresets);
}

TEST_F(FixDepositTest, SavedPresetsReadBackAndOtherSectionsStay) {
  Write("[GAMESET]\r\nSound=1\r\n[FIXDEPOSIT]\r\nFix0=1\r\nOld=x\r\n");
  const PresetAmounts amounts{1, 22, 333, 4444, 55555, 2147483647};
  ASSERT_TRUE(SaveFixDeposit(path_, amounts));
  EXPECT_EQ(LoadFixDeposit(path_), amounts);
  EXPECT_EQ(Read(),
            "[GAMESET]\r\nSound=1\r\n[FIXDEPOSIT]\r\nFix0=1\r\nFix1=22\r\nFix2=333\r\nFix3=4444\r\nFix4=55555\r\n"
            "Fix5=2147483647\r\n");
}

TEST_F(FixDepositTest, SavingMakesTheUsersFolder) {
  const std::string path = (dir_ / "userdata" / "1001.ini").string();
  ASSERT_TRUE(SaveFixDeposit(path, PresetAmounts{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(LoadFixDeposit(path), (PresetAmounts{1, 2, 3, 4, 5, 6}));
}

TEST_F(FixDepositTest, AFileThatCannotBeReadIsNotSavedOver) {  // here: larger than any ini file
  const std::string before = "[Other]\r\nKept=1\r\n;" + std::string(platform::kMaxProfileFileBytes, 'x') + "\r\n";
  Write(before);
  EXPECT_EQ(LoadFixDeposit(path_), kDefaultPresets);
  EXPECT_FALSE(SaveFixDeposit(path_, PresetAmounts{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(Read(), before);
}

TEST_F(FixDepositTest, ARefusedOrFailedSaveLeavesTheFileAsItWas) {
  const std::string before = "[FIXDEPOSIT]\r\nFix0=1\r\nFix1=2\r\nFix2=3\r\nFix3=4\r\nFix4=5\r\nFix5=6\r\n";
  Write(before);
  EXPECT_FALSE(SaveFixDeposit(path_, PresetAmounts{10, 20, 0, 40, 50, 60}));
  EXPECT_FALSE(SaveFixDeposit(path_, PresetAmounts{10, 20, -30, 40, 50, 60}));
  EXPECT_EQ(Read(), before);
  // A folder standing where the file's folder should be: nothing can be written there.
  std::ofstream(dir_ / "blocked", std::ios::binary) << "a file";
  EXPECT_FALSE(SaveFixDeposit((dir_ / "blocked" / "1001.ini").string(), PresetAmounts{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(Read(), before);
}

}  // namespace
