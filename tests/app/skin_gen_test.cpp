// ctest-labels: skin
// The skin generator's parts: smooth-edged drawing over transparency, text masks, the picture
// and package writers, and the sounds; and its command line.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/skin-gen/skin_canvas.h"
#include "app/skin-gen/skin_inventory.h"
#include "app/skin-gen/skin_packer.h"
#include "app/skin-gen/skin_sounds.h"
#include "app/skin-gen/skin_studio.h"
#include "engine/media/image_record.h"
#include "engine/media/pps_picture.h"
#include "engine/media/resource_package.h"
#include "platform/gbk.h"
#include "table/card_attributes.h"
#include "table/card_view.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/scripted_game.h"

namespace {

using skin::Frame;
using skin::Paint;
using skin::Rgb;
using skin::Rgba;

class SkinGenTest : public test::EngineFixture {
 protected:
  engine::FontRenderer renderer_;
};

TEST_F(SkinGenTest, AShapeEdgeKeepsItsColourWithPartialAlphaOverTransparency) {
  Frame f(10, 10, &renderer_);
  // A rectangle whose left edge runs through the middle of column 2.
  f.FillRect(2.5f, 0, 10, 10, Paint::Solid(Rgb(0x204080)));
  EXPECT_EQ(f.Get(1, 5).a, 0);
  const Rgba edge = f.Get(2, 5);
  EXPECT_GT(edge.a, 100);
  EXPECT_LT(edge.a, 160);
  EXPECT_EQ(edge.r, 0x20);
  EXPECT_EQ(edge.b, 0x80);
  EXPECT_EQ(f.Get(5, 5).a, 255);
}

TEST_F(SkinGenTest, BlendingOverAnOpaquePixelMixesTheColours) {
  Frame f(1, 1, &renderer_);
  f.Set(0, 0, Rgb(0x000000));
  f.Blend(0, 0, Rgb(0xFF0000), 0.5f);
  const Rgba c = f.Get(0, 0);
  EXPECT_EQ(c.a, 255);
  EXPECT_NEAR(c.r, 128, 1);
  EXPECT_EQ(c.g, 0);
}

TEST_F(SkinGenTest, ARoundedRectangleLeavesItsCornersClear) {
  Frame f(20, 20, &renderer_);
  f.FillRoundRect(0, 0, 20, 20, 6, Paint::Solid(Rgb(0x808080)));
  EXPECT_EQ(f.Get(0, 0).a, 0);
  EXPECT_EQ(f.Get(19, 19).a, 0);
  EXPECT_EQ(f.Get(10, 0).a, 255);
  EXPECT_EQ(f.Get(0, 10).a, 255);
}

TEST_F(SkinGenTest, TextIsCentredOnThePointAskedAndTurnsHalfARound) {
  const skin::TextMask mask = skin::RenderText(&renderer_, "七", {20, 700});
  ASSERT_GT(mask.InkWidth(), 8);
  ASSERT_GT(mask.InkHeight(), 8);
  Frame f(60, 60, &renderer_);
  f.DrawMask(mask, 30, 30, Rgb(0x000000));
  int left = 60, right = 0, top = 60, bottom = 0;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 60; ++x) {
      if (f.Get(x, y).a <= 24) continue;
      left = std::min(left, x);
      right = std::max(right, x + 1);
      top = std::min(top, y);
      bottom = std::max(bottom, y + 1);
    }
  }
  EXPECT_NEAR((left + right) / 2.0, 30, 1.0);
  EXPECT_NEAR((top + bottom) / 2.0, 30, 1.0);
  // Turned, the ink that was at the top left of its box lands at the bottom right.
  Frame upright(60, 60, &renderer_);
  Frame turned(60, 60, &renderer_);
  upright.DrawMask(mask, 30, 30, Rgb(0x000000));
  turned.DrawMaskTurned(mask, 30, 30, Rgb(0x000000));
  int same = 0, total = 0;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 60; ++x) {
      const bool a = upright.Get(x, y).a > 128;
      const bool b = turned.Get(left + right - 1 - x, top + bottom - 1 - y).a > 128;
      total += a ? 1 : 0;
      same += a && b ? 1 : 0;
    }
  }
  EXPECT_GT(total, 0);
  EXPECT_EQ(same, total);
}

TEST_F(SkinGenTest, FittedTextStaysInsideTheRoomGiven) {
  skin::Studio studio(&renderer_);
  const skin::TextStyle style = studio.Fit("领取奖品", {30, 700}, 50, 20);
  EXPECT_LT(style.size, 30);
  const skin::TextMask& mask = studio.Text("领取奖品", style);
  EXPECT_LE(mask.InkWidth(), 50);
  EXPECT_LE(mask.InkHeight(), 20);
  EXPECT_GT(mask.InkWidth(), 40);  // as large as fits, not smaller than needed
}

TEST_F(SkinGenTest, CharactersOfAGbkTextAreSplitWhole) {
  const std::vector<std::string> chars = skin::SplitCharacters("比赛:0秒");
  ASSERT_EQ(chars.size(), 5u);
  EXPECT_EQ(chars[2], ":");
  EXPECT_EQ(chars[3], "0");
  EXPECT_EQ(chars[4], "秒");
}

TEST_F(SkinGenTest, FramesEncodeAsOnePictureThatDecodesWithKeyAlphaAndDelays) {
  std::vector<std::unique_ptr<Frame>> frames;
  for (int i = 0; i < 3; ++i) {
    frames.push_back(std::make_unique<Frame>(8, 6, &renderer_));
    frames.back()->FillRect(2, 1, 6.0f + i % 2, 5, Paint::Solid(Rgb(0x10 * (i + 1))));
    frames.back()->KeyTransparentPixels();
  }
  std::string error;
  const std::vector<uint8_t> bytes = skin::EncodeFrames(frames, 150, &error);
  ASSERT_FALSE(bytes.empty()) << error;
  engine::ImageRecord r;
  ASSERT_GT(engine::DecodePicture(bytes.data(), bytes.size(), &r), 0u);
  EXPECT_EQ(r.width, 8);
  EXPECT_EQ(r.height, 6);
  EXPECT_EQ(r.frame_count, 3);
  EXPECT_EQ(r.colour_key, 0xFF00FFu);
  EXPECT_NE(r.flags & engine::kImageFlagTransparent, 0u);
  EXPECT_NE(r.flags & engine::kImageFlagAlpha, 0u);
  ASSERT_NE(r.delays, nullptr);
  EXPECT_EQ(r.delays[2], 150u);
  // Frame 2, pixel (0, 0): clear, in the key colour; pixel (3, 3): the frame's own colour.
  const uint8_t* clear = r.pixels + (2 * 6 * 8 + 0) * 4;
  EXPECT_EQ(clear[0], 0xFF);
  EXPECT_EQ(clear[1], 0x00);
  EXPECT_EQ(clear[2], 0xFF);
  EXPECT_EQ(clear[3], 0);
  const uint8_t* drawn = r.pixels + (2 * 6 * 8 + 3 * 8 + 3) * 4;
  EXPECT_EQ(drawn[0], 0x30);
  EXPECT_EQ(drawn[3], 255);
  engine::FreePictureRecord(&r);
}

TEST_F(SkinGenTest, AnOpaquePictureIsNotMarkedTransparent) {
  std::vector<std::unique_ptr<Frame>> frames;
  frames.push_back(std::make_unique<Frame>(4, 4, &renderer_));
  frames.back()->FillRect(0, 0, 4, 4, Paint::Solid(Rgb(0x336699)));
  std::string error;
  const std::vector<uint8_t> bytes = skin::EncodeFrames(frames, 0, &error);
  engine::ImageRecord r;
  ASSERT_GT(engine::DecodePicture(bytes.data(), bytes.size(), &r), 0u);
  EXPECT_EQ(r.flags & (engine::kImageFlagTransparent | engine::kImageFlagDelays), 0u);
  engine::FreePictureRecord(&r);
}

TEST_F(SkinGenTest, APackageHoldsItsMembersUnderTheirResourceNames) {
  const std::string path = (dir_ / "t.qzr").string();
  const std::vector<skin::Member> members = {{"按钮.pps", {1, 2, 3}}, {"Snd_x.wav", {4, 5}}, {"索引.txt", {'a'}}};
  std::string error;
  ASSERT_TRUE(skin::WritePackage(path, members, (dir_ / "parts").string(), &error)) << error;
  engine::ResourcePackage package(platform::Utf8ToGbk(path));
  ASSERT_TRUE(package.IsOpen());
  EXPECT_EQ(package.GetUsedCount(), 3u);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(package.LoadEntryByName("按钮.imge", &bytes));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}));
  ASSERT_TRUE(package.LoadEntryByName("Snd_x.sound", &bytes));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{4, 5}));
  ASSERT_TRUE(package.LoadEntryByName("索引.text", &bytes));
  // The staged members are gone once packed.
  EXPECT_TRUE(std::filesystem::is_empty(dir_ / "parts"));
}

TEST_F(SkinGenTest, TwoMembersWithOneResourceNameAreRefusedAndNothingIsWritten) {
  const std::string path = (dir_ / "twice.qzr").string();
  const std::vector<skin::Member> members = {{"a.png", {1}}, {"a.pps", {2}}};
  std::string error;
  EXPECT_FALSE(skin::WritePackage(path, members, (dir_ / "parts").string(), &error));
  EXPECT_NE(error.find("a.imge"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(SkinGenTest, ASoundLastsItsTimeAsSixteenBitMonoPcm) {
  const skin::SoundRow row{"x", skin::Tone::kChime, 200, 1};
  const std::vector<uint8_t> wave = skin::SynthesiseWave(row);
  ASSERT_GE(wave.size(), 44u);
  auto u32 = [&](size_t at) {
    return wave[at] | wave[at + 1] << 8 | wave[at + 2] << 16 | uint32_t{wave[at + 3]} << 24;
  };
  EXPECT_EQ(u32(4), wave.size() - 8);
  EXPECT_EQ(u32(24), skin::kSampleRate);
  EXPECT_EQ(wave[22], 1);  // mono
  EXPECT_EQ(u32(40), skin::kSampleRate * 2 / 5 /* 200 ms of two-byte samples */);
  EXPECT_EQ(wave.size(), 44 + u32(40));
}

TEST_F(SkinGenTest, TheIndexTextListsEveryEmoticonOnceInOrder) {
  const std::string text = skin::EmoticonIndexText();
  EXPECT_EQ(text.find(std::string(skin::kEmoticons[0]) + "=1|"), 0u);
  EXPECT_EQ(text.back(), static_cast<char>('0' + std::size(skin::kEmoticons) % 10));
  EXPECT_EQ(std::count(text.begin(), text.end(), '|'), static_cast<long>(std::size(skin::kEmoticons)) - 1);
}

// The numerals a card face names, in the small and the big form, by their values 1 to 10.
const std::vector<std::string> kSmallNumerals = {"一", "二", "三", "四", "五", "六", "七", "八", "九", "十"};
const std::vector<std::string> kBigNumerals = {"壹", "贰", "叁", "肆", "伍", "陆", "柒", "捌", "玖", "拾"};

// The sample round's deck, through the card sprite's face frame and the numeral the skin draws
// on it, against the values the card rules give.
TEST_F(SkinGenTest, EveryCardOfTheDeckShowsTheNumeralOfItsValueAndEachOfTheTwentyFacesFourTimes) {
  table::InstallCardCallbacks(table::DefaultCardCallbacks());
  table::CCardView card;
  const std::vector<int32_t> deck = test::ZipaiDeck();
  EXPECT_EQ(std::set<int32_t>(deck.begin(), deck.end()).size(), 80u);
  std::map<std::string, int> faces;
  for (int32_t id : deck) {
    const std::string numeral = skin::CardNumeral(card.GetFaceFrame(id));
    auto small = std::find(kSmallNumerals.begin(), kSmallNumerals.end(), numeral);
    auto big = std::find(kBigNumerals.begin(), kBigNumerals.end(), numeral);
    const long named = small != kSmallNumerals.end() ? small - kSmallNumerals.begin() + 1
                       : big != kBigNumerals.end()   ? big - kBigNumerals.begin() + 1
                                                     : 0;
    EXPECT_EQ(named, table::GetCardValue(id, 0)) << "card " << id << " shows " << platform::GbkToUtf8(numeral);
    ++faces[numeral];
  }
  EXPECT_EQ(faces.size(), 20u);
  for (const auto& [numeral, count] : faces) EXPECT_EQ(count, 4) << platform::GbkToUtf8(numeral);
}

// --help and -h print the usage; an unknown option is refused: neither is taken for a folder.
TEST(SkinGenCommandLine, HelpIsPrintedAndAnUnknownOptionIsRefusedNeverMadeAFolder) {
  const std::string tool = std::string(ZP_BINARY_DIR) + "/app/skin-gen ";
  EXPECT_EQ(std::system((tool + "--help >gen.out && " + tool + "-h >>gen.out").c_str()), 0);
  EXPECT_EQ(WEXITSTATUS(std::system((tool + "--list -x 2>gen.err; " + tool + "--bogus 2>>gen.err").c_str())), 2);
  std::ifstream out("gen.out"), err("gen.err");
  const std::string printed(std::istreambuf_iterator<char>(out), {}), refused(std::istreambuf_iterator<char>(err), {});
  EXPECT_NE(printed.find("usage: skin-gen", printed.find("usage: skin-gen") + 1), std::string::npos) << printed;
  EXPECT_EQ(refused.rfind("skin-gen: unknown option '-x'\nusage: skin-gen", 0), 0u) << refused;
  EXPECT_NE(refused.find("skin-gen: unknown option '--bogus'\nusage: skin-gen"), std::string::npos) << refused;
  for (const char* folder : {"--help", "-h", "--bogus"}) EXPECT_FALSE(std::filesystem::exists(folder)) << folder;
}

// A run that can make nothing useful says why in one line of its own and does not end with 0.
// Run as root, the empty folder name runs as another user, who cannot write into '/'.
TEST(SkinGenCommandLine, ARunThatCanMakeNothingSaysWhyAndFails) {
  const std::string tool = std::string(ZP_BINARY_DIR) + "/app/skin-gen ";
  const std::string as_nobody = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  std::ofstream("file") << "x";
  const struct {
    std::string args;
    int status;
    std::string why;
  } kRefused[] = {
      {"''", 2, "skin-gen: an empty argument names nothing"},
      {"--sheet missing o.png", 1, "skin-gen: cannot open missing/skin-frame.qzr (No such file or directory)"},
      {"--sheet " + std::string(ZP_BINARY_DIR) + "/app o.png NoSuchName", 1,
       "skin-gen: NoSuchName is no picture of the skin (skin-gen --list names them)"},
      {"file", 1, "skin-gen: cannot make the folder file (something that is no folder stands there)"},
      {"--list >/dev/full", 1, "skin-gen: cannot write the standard output (No space left on device)"},
      {"--help >/dev/full", 1, "skin-gen: cannot write the standard output (No space left on device)"},
  };
  // The other user reaches the tool only where every folder above the build lets them through
  // (not in a clone made by mktemp -d, say): the row that needs them is left out otherwise.
  const bool nobody_runs_it =
      as_nobody.empty() || std::system((as_nobody + tool + "--help >/dev/null 2>&1").c_str()) == 0;
  for (const auto& [args, status, why] : kRefused) {
    const std::string user = args == "''" ? as_nobody : "";
    if (!user.empty() && !nobody_runs_it) {
      std::printf("skipped %s: the user nobody cannot run %s\n", args.c_str(), tool.c_str());
      continue;
    }
    EXPECT_EQ(WEXITSTATUS(std::system((user + tool + args + " 2>gen.err").c_str())), status) << args;
    std::ifstream err("gen.err");
    std::string first;
    std::getline(err, first);
    EXPECT_EQ(first, why);
  }
  EXPECT_FALSE(std::filesystem::exists("o.png"));
}

// A sheet of pictures some of which no package holds is drawn with the others, and the run
// fails, naming each missing one (three copies of the frame's package hold no table picture).
TEST(SkinGenCommandLine, ASheetOfPicturesThePackagesLackFails) {
  std::filesystem::create_directories("partial");
  for (const char* name : skin::kPackageFiles) {
    std::filesystem::copy_file(std::string(ZP_BINARY_DIR) + "/app/skin-frame.qzr", std::string("partial/") + name);
  }
  const std::string back = platform::GbkToUtf8("牌背面50x68");
  const std::string command =
      std::string(ZP_BINARY_DIR) + "/app/skin-gen --sheet partial sheet.png Frame_Top '" + back + "' 2>gen.err";
  EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 1);
  std::ifstream err("gen.err");
  std::string first;
  std::getline(err, first);
  EXPECT_EQ(first, "skin-gen: " + back + " is not in the packages");
  EXPECT_TRUE(std::filesystem::exists("sheet.png"));
}

}  // namespace
