// ctest-labels: chat
// The emoticon index text: entries cut at every '|' byte, names before the first '=', numbers read
// as atoi reads them, and no name handed on that is not whole characters.
#include "frame/emoticon_index.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

using frame::EmoticonIndexEntry;
using frame::ParseEmoticonIndex;

// "name=number" of each entry, joined by spaces.
std::string Read(std::string_view text) {
  std::string out;
  for (const EmoticonIndexEntry& e : ParseEmoticonIndex(text)) {
    if (!out.empty()) out += ' ';
    out += e.name + "=" + std::to_string(e.number);
  }
  return out;
}

TEST(EmoticonIndex, EntriesComeInFileOrderAndATrailingBarAddsNothing) {
  EXPECT_EQ(Read("a=1|b=2"), "a=1 b=2");
  EXPECT_EQ(Read("a=1|b=2|"), "a=1 b=2");
  EXPECT_EQ(Read("微笑=1|大笑=2|得意=3"), "微笑=1 大笑=2 得意=3");
}

TEST(EmoticonIndex, EmptyAndBarOnlyTextsHoldNoEntries) {
  EXPECT_EQ(Read(""), "");
  EXPECT_EQ(Read("|"), "");
  EXPECT_EQ(Read("|||"), "");
  EXPECT_EQ(Read(std::string_view("\0a=1", 4)), "");
}

TEST(EmoticonIndex, AnEntryWithoutEqualsIsSkippedWhereverItStands) {
  EXPECT_EQ(Read("x|c=3"), "c=3");
  EXPECT_EQ(Read("c=3|x|d=4"), "c=3 d=4");
  EXPECT_EQ(Read("c=3|x"), "c=3");
  EXPECT_EQ(Read("a=1||b=2"), "a=1 b=2");
}

TEST(EmoticonIndex, NumbersAreReadAsAtoiReadsThem) {
  EXPECT_EQ(Read("d=zz"), "d=0");
  EXPECT_EQ(Read("d="), "d=0");
  EXPECT_EQ(Read("d=12abc"), "d=12");
  EXPECT_EQ(Read("d= 7"), "d=7");
  EXPECT_EQ(Read("d=-3"), "d=-3");
  EXPECT_EQ(Read("d=1=2"), "d=1");
  // Out of range: held to the int range instead of overflowing.
  EXPECT_EQ(Read("d=99999999999"), "d=" + std::to_string(INT_MAX));
}

TEST(EmoticonIndex, NothingIsTrimmed) { EXPECT_EQ(Read(" a =1|\r\nb=2\r\n"), " a =1 \r\nb=2"); }

TEST(EmoticonIndex, AnEntryWithoutANameIsSkipped) { EXPECT_EQ(Read("=5|a=1"), "a=1"); }

// GBK allows '|' (0x7C) as the second byte of a character: 0x81 0x7C is one. The cut at that
// byte leaves the character's lead byte alone in a piece without '=', which is skipped; the rest
// of the name is an entry of its own, made of whole characters.
TEST(EmoticonIndex, ABarInsideACharacterSplitsTheEntryButNoNameIsCutInsideACharacter) {
  const std::string text = "\xB0\xA1\x81|\xB0\xA2=7|b=2";
  const std::vector<EmoticonIndexEntry> entries = ParseEmoticonIndex(text);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "\xB0\xA2");
  EXPECT_EQ(entries[0].number, 7);
  EXPECT_EQ(entries[1].name, "b");
  for (const EmoticonIndexEntry& e : entries) EXPECT_TRUE(frame::IsWholeGbkText(e.name));
  // The character at the very end of a name: the piece before the cut has the '=' ... after it.
  EXPECT_EQ(Read("\xB0\xA1\x81|=3|c=1"), "c=1");
}

TEST(EmoticonIndex, ANameEndingInALeadByteIsRefused) {
  EXPECT_EQ(Read("\xB0=1|a=2"), "a=2");
  EXPECT_EQ(Read("\xB0\xA1\xB0=1"), "");
  // A lead byte followed by a byte that cannot be a second byte.
  EXPECT_EQ(Read("\xB0\x20=1"), "");
  EXPECT_EQ(Read("\xB0\xA1=1"), "\xB0\xA1=1");
}

TEST(EmoticonIndex, DamagedTextsNeverFailAndKeepTheirGoodEntries) {
  std::string text = "a=1|";
  for (int b = 1; b < 256; ++b) text += static_cast<char>(b);
  text += "|z=26";
  const std::vector<EmoticonIndexEntry> entries = ParseEmoticonIndex(text);
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries.front().name, "a");
  EXPECT_EQ(entries.back().name, "z");
  EXPECT_EQ(entries.back().number, 26);
  // A NUL ends the text: nothing after it is read.
  EXPECT_EQ(Read(std::string_view("a=1|\0z=26", 9)), "a=1");
  for (const EmoticonIndexEntry& e : entries) {
    EXPECT_FALSE(e.name.empty());
    EXPECT_TRUE(frame::IsWholeGbkText(e.name));
  }
  std::string long_text;
  for (int i = 0; i < 5000; ++i) {
    const std::string number = std::to_string(i);
    long_text += "n" + number + "=" + number + "|";
  }
  EXPECT_EQ(ParseEmoticonIndex(long_text).size(), 5000u);
}

}  // namespace
