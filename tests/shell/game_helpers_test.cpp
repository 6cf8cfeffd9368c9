// ctest-labels: rules
#include <gtest/gtest.h>

#include <cstring>

#include "platform/clock.h"
#include "platform/files.h"
#include "shell/game_helpers.h"
#include "shell/random_source.h"
#include "shell/server_settings.h"

namespace shell {
namespace {

TEST(GameHelpers, LevelIndexSteps) {
  EXPECT_EQ(GetLevelIndex(0, 1), 0);
  EXPECT_EQ(GetLevelIndex(-5, 1), 0);
  EXPECT_EQ(GetLevelIndex(9, 1), 0);
  EXPECT_EQ(GetLevelIndex(10, 1), 1);
  EXPECT_EQ(GetLevelIndex(86639, 1), 18);
  EXPECT_EQ(GetLevelIndex(86640, 1), 19);
  EXPECT_EQ(GetLevelIndex(29, 2), 1);
  EXPECT_EQ(GetLevelIndex(60, 2), 2);
  // A scale that would overflow 32 bits does not wrap into a small threshold.
  EXPECT_EQ(GetLevelIndex(2000000000, 100000), 14);
}

TEST(GameHelpers, LookupRecordTextLeavesOutAloneWhenMissing) {
  RecordTextMap map;
  TextRecord r;
  r.key = 5;
  std::memset(r.text, 'x', sizeof r.text);  // not terminated: the copy still is
  map[5] = r;
  char out[40] = "before";
  EXPECT_FALSE(LookupRecordText(map, 6, out, sizeof out));
  EXPECT_STREQ(out, "before");
  EXPECT_TRUE(LookupRecordText(map, 5, out, sizeof out));
  EXPECT_EQ(std::strlen(out), 32u);
  char small[8];
  EXPECT_TRUE(LookupRecordText(map, 5, small, sizeof small));
  EXPECT_EQ(std::strlen(small), 7u);
}

TEST(GameHelpers, UuidTextOnlyWhenEmpty) {
  DefaultRandom random(42);
  ScopedRandom use(random);
  char id[64] = {};
  NewUuidText(id, sizeof id);
  EXPECT_EQ(std::strlen(id), 30u);
  for (const char* p = id; *p; ++p) EXPECT_TRUE(std::strchr("0123456789abcdef", *p));
  char keep[64] = "given";
  NewUuidText(keep, sizeof keep);
  EXPECT_STREQ(keep, "given");
  char tiny[5] = {};
  NewUuidText(tiny, sizeof tiny);
  EXPECT_EQ(std::strlen(tiny), 4u);
}

TEST(GameHelpers, ArraysAndFlags) {
  int32_t v[4] = {3, -1, 7, 0};
  EXPECT_EQ(SumArray(v, 4), 9);
  EXPECT_TRUE(AnyHasFlag(v, 4, 0x4));
  EXPECT_FALSE(AllHaveFlag(v, 4, 0x1));
  int32_t f[3] = {0x6, 0x7, 0xE};
  EXPECT_TRUE(AllHaveFlag(f, 3, 0x6));
  EXPECT_EQ(ScaledMinimum(v, 4, 50), 1);
  EXPECT_EQ(LevelValueOfMinimum(v, 4, 1), 0);
  int32_t none[2] = {0, -4};
  EXPECT_EQ(ScaledMinimum(none, 2, 50), 0);
  FillMinusOne(v, 3);
  EXPECT_EQ(v[2], -1);
  EXPECT_EQ(v[3], 0);
}

TEST(GameHelpers, ElapsedTimeInUnits) {
  platform::ScopedManualClock clock(1000);
  uint32_t start = platform::GetTickCount();
  clock->Advance(125500);
  int32_t seconds = -1, minutes = -1;
  GetElapsedTime(start, &seconds, &minutes, 0);
  EXPECT_EQ(minutes, 2);
  EXPECT_EQ(seconds, 5);
  GetElapsedTime(start, &seconds, &minutes, 20000);
  EXPECT_EQ(minutes, 6);
  EXPECT_EQ(seconds, 5);
}

TEST(GameHelpers, RandomBelowStaysInRange) {
  DefaultRandom random(7);
  ScopedRandom use(random);
  for (int i = 0; i < 1000; ++i) {
    int r = RandomBelow(3);
    EXPECT_GE(r, 0);
    EXPECT_LT(r, 3);
  }
  EXPECT_EQ(RandomBelow(0), 0);
  EXPECT_EQ(RandomBelow(-4), 0);
}

TEST(ServerSettings, FileNameFromTheProgramName) {
  const std::string dir = platform::ExecutableDirectory();
  EXPECT_EQ(ServerIniPath("zipai"), dir + "zipasvr.ini");
  EXPECT_EQ(ServerIniPath("ab"), dir + "absvr.ini");
  // Never half a double-byte character.
  EXPECT_EQ(ServerIniPath("a\xD6\xD0\xCE\xC4"), dir + "a\xD6\xD0svr.ini");
  EXPECT_EQ(ServerIniPath(), dir + "gamesvr.ini");  // this program is game_helpers_test
  EXPECT_EQ(ReadKickTime(dir + "missing-svr.ini"), 120);
}

}  // namespace
}  // namespace shell
