// ctest-labels: resources
#include "engine/core/name_key.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace engine {
namespace {

TEST(NameKeyTest, HashesOfAbcMatchThePublishedValues) {
  EXPECT_EQ(HashRS("abc"), 822160044u);
  EXPECT_EQ(HashRS("abc"), 0x31012AACu);
  EXPECT_EQ(HashJS("abc"), 446371745u);
  EXPECT_EQ(HashX31("abc"), 96354u);
  const NameKey key = MakeNameKey("abc");
  EXPECT_EQ(key.rs, 0x31012AACu);
  EXPECT_EQ(key.js, 0x1A9B17A1u);
  EXPECT_EQ(key.x31, 0x17862u);
}

TEST(NameKeyTest, HighBytesCountAsSignedForRsAndJsButNotForX31) {
  const std::string b0("\xB0");
  EXPECT_EQ(HashRS(b0), 0x7FFFFFB0u);
  EXPECT_EQ(HashJS(b0), 0x2EF5009Eu);
  EXPECT_EQ(HashX31(b0), 176u);
  EXPECT_EQ(HashELF(b0.data(), b0.size()), 0x0FFFFF40u);
}

TEST(NameKeyTest, MidExtensionAndEmptyText) {
  EXPECT_EQ(NameKeyRS(".mid"), 1286412596u);
  EXPECT_EQ(HashRS(""), 0u);
  EXPECT_EQ(HashJS(""), 1315423911u);
  EXPECT_EQ(HashX31(""), 0u);
  NameKey out{7, 7, 7};
  EXPECT_TRUE(MakeNameKey(&out, "").js == 1315423911u);
  EXPECT_EQ(out.rs, 0u);
}

TEST(NameKeyTest, OrderingTakesWordsInTurnAsUnsigned) {
  EXPECT_TRUE(CompareNameKey({1, 9, 9}, {2, 0, 0}));
  EXPECT_FALSE(CompareNameKey({2, 0, 0}, {1, 9, 9}));
  EXPECT_TRUE(CompareNameKey({1, 2, 3}, {1, 2, 4}));
  EXPECT_TRUE(CompareNameKey({1, 2, 3}, {1, 3, 0}));
  EXPECT_TRUE(CompareNameKey({1, 2, 3}, {0x80000000u, 0, 0}));
  EXPECT_FALSE(CompareNameKey({1, 2, 3}, {1, 2, 3}));
  EXPECT_EQ((NameKey{1, 2, 3}), (NameKey{1, 2, 3}));
}

TEST(NameKeyTest, NamesDifferingInCaseGetDifferentKeys) {
  EXPECT_NE(MakeNameKey("Back.imge"), MakeNameKey("back.imge"));
}

TEST(NameKeyTest, MapsFindNamesByKey) {
  std::map<NameKey, int, NameKeyLess> map;
  map[MakeNameKey("button.imge")] = 1;
  map[MakeNameKey("click.sound")] = 2;
  map[MakeNameKey("\xB1\xB3\xBE\xB0.imge")] = 3;  // a GBK name
  EXPECT_EQ(map.at(MakeNameKey("click.sound")), 2);
  EXPECT_EQ(map.at(MakeNameKey("\xB1\xB3\xBE\xB0.imge")), 3);
  EXPECT_EQ(map.count(MakeNameKey("missing.imge")), 0u);
}

TEST(NameKeyTest, TableHashIsCaseBlindAndStable) {
  PrepareHashTable();
  EXPECT_EQ(HashTableString("abc", 0), HashTableString("ABC", 0));
  EXPECT_NE(HashTableString("abc", 0), HashTableString("abc", 1));
  EXPECT_EQ(HashTableString("", 3), 0x7FED7FEDu);
  EXPECT_EQ(HashTableString("abc", 5), 0u);  // no such row
}

}  // namespace
}  // namespace engine
