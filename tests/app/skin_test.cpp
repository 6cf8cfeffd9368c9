// ctest-labels: skin
// The default skin as the client finds it: the packages the build wrote beside the programs,
// opened and read through the engine's own resource and paint modules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/skin-gen/skin_inventory.h"
#include "engine/core/game_core.h"
#include "engine/core/name_key.h"
#include "engine/core/object_module.h"
#include "engine/core/object_services.h"
#include "engine/media/gdi_paint_module.h"
#include "engine/media/image_record.h"
#include "engine/media/resource_module.h"
#include "engine/media/resource_package.h"
#include "platform/gbk.h"
#include "table/card_view.h"
#include "tests/support/engine_fixture.h"

namespace {

using engine::ImageRecord;
using engine::PictureInfo;

std::string PackagePath(skin::Package package) {
  return std::string(ZP_BINARY_DIR) + "/app/" + skin::kPackageFiles[static_cast<int>(package)];
}

std::string Utf8(const std::string& gbk) { return platform::GbkToUtf8(gbk); }

struct Pixel {
  uint8_t b, g, r, a;
};

Pixel PixelAt(const ImageRecord& r, int frame, int x, int y) {
  const uint8_t* p = r.pixels + ((static_cast<size_t>(frame) * r.height + y) * r.width + x) * 4;
  return Pixel{p[0], p[1], p[2], p[3]};
}

// Mean brightness and colourfulness of one frame's drawn pixels.
struct FrameLook {
  double brightness = 0;
  double saturation = 0;
};

FrameLook LookOf(const ImageRecord& r, int frame) {
  FrameLook look;
  int n = 0;
  for (int y = 0; y < r.height; ++y) {
    for (int x = 0; x < r.width; ++x) {
      const Pixel p = PixelAt(r, frame, x, y);
      if (p.a < 128) continue;
      const int hi = std::max({p.r, p.g, p.b});
      const int lo = std::min({p.r, p.g, p.b});
      look.brightness += (p.r + p.g + p.b) / 3.0;
      look.saturation += hi - lo;
      ++n;
    }
  }
  if (n > 0) {
    look.brightness /= n;
    look.saturation /= n;
  }
  return look;
}

// Pixels that differ between two frames.
int Differences(const ImageRecord& r, int a, int b) {
  int n = 0;
  for (int y = 0; y < r.height; ++y) {
    for (int x = 0; x < r.width; ++x) {
      const Pixel p = PixelAt(r, a, x, y);
      const Pixel q = PixelAt(r, b, x, y);
      n += std::memcmp(&p, &q, sizeof p) != 0 ? 1 : 0;
    }
  }
  return n;
}

bool SameFrames(const ImageRecord& r, int a, int b) {
  const size_t bytes = static_cast<size_t>(r.width) * r.height * 4;
  return std::memcmp(r.pixels + a * bytes, r.pixels + b * bytes, bytes) == 0;
}

bool IsButton(skin::Look look) {
  switch (look) {
    case skin::Look::kWindowButton:
    case skin::Look::kButtonGold:
    case skin::Look::kButtonWood:
    case skin::Look::kButtonSquare:
    case skin::Look::kButtonIcon:
    case skin::Look::kButtonTab:
    case skin::Look::kButtonClose:
    case skin::Look::kButtonPage:
    case skin::Look::kButtonArrow:
    case skin::Look::kButtonDropDown:
      return true;
    default:
      return false;
  }
}

// A client's engine with the three packages opened, as the game frame opens them.
class SkinTest : public test::EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    core_ = std::make_unique<engine::GameCore>();
    resources_ = new engine::ResourceModule();
    objects_ = new engine::ObjectModule();
    paint_ = new engine::GdiPaintModule();
    ASSERT_EQ(core_->LoadModule(resources_, true, false), engine::QUILLARON_RETURN_OK);
    ASSERT_EQ(core_->LoadModule(objects_, true, false), engine::QUILLARON_RETURN_OK);
    ASSERT_EQ(core_->LoadModule(paint_, true, false), engine::QUILLARON_RETURN_OK);
    paint_->SetSize(800, 600);
    services_ = new engine::ObjectServices();
    objects_->AddObject(services_, nullptr);
    // The client's call. Its answer is the resource module's reply, not whether the package
    // opened, so the members registered are what tells.
    for (skin::Package p : {skin::Package::kFrame, skin::Package::kTable, skin::Package::kSound}) {
      const size_t before = resources_->ResourceCount();
      services_->OpenResourcePackage(platform::Utf8ToGbk(PackagePath(p)).c_str());
      ASSERT_GT(resources_->ResourceCount(), before) << PackagePath(p);
    }
  }
  void TearDown() override {
    core_.reset();
    EngineFixture::TearDown();
  }

  const ImageRecord* Picture(const std::string& name) {
    const PictureInfo info = services_->GetPictureInfo(name.c_str(), 0);
    return info.record;
  }

  std::vector<uint8_t> Resource(const std::string& name) {
    const engine::ResourceRecord* record = resources_->LoadResource(engine::MakeNameKey(name));
    if (record == nullptr || record->data == nullptr) return {};
    return std::vector<uint8_t>(record->data, record->data + record->size);
  }

  std::unique_ptr<engine::GameCore> core_;
  engine::ResourceModule* resources_ = nullptr;
  engine::ObjectModule* objects_ = nullptr;
  engine::GdiPaintModule* paint_ = nullptr;
  engine::ObjectServices* services_ = nullptr;
};

TEST_F(SkinTest, EveryPictureLoadsByItsNameWithItsSizeAndFrames) {
  for (const skin::Picture& p : skin::AllPictures()) {
    SCOPED_TRACE(Utf8(p.name));
    const ImageRecord* r = Picture(p.name);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->width, p.width);
    EXPECT_EQ(r->height, p.height);
    EXPECT_EQ(r->frame_count, p.frames);
  }
}

TEST_F(SkinTest, PicturesAreTransparentWhereTheKeyColourIsAndTilesHaveNoHoles) {
  for (const skin::Picture& p : skin::AllPictures()) {
    SCOPED_TRACE(Utf8(p.name));
    const ImageRecord* r = Picture(p.name);
    ASSERT_NE(r, nullptr);
    int clear = 0;
    int keyed = 0;
    for (int y = 0; y < r->height; ++y) {
      for (int x = 0; x < r->width; ++x) {
        const Pixel px = PixelAt(*r, 0, x, y);
        if (px.a != 0) continue;
        ++clear;
        keyed += px.r == 0xFF && px.g == 0 && px.b == 0xFF ? 1 : 0;
      }
    }
    if (skin::IsOpaqueLook(p.look)) {
      EXPECT_EQ(clear, 0);
      EXPECT_EQ(r->flags & engine::kImageFlagTransparent, 0u);
    } else {
      EXPECT_GT(clear, 0);
      EXPECT_EQ(keyed, clear) << "a see-through pixel without the key colour";
      EXPECT_EQ(r->colour_key, 0xFF00FFu);
      EXPECT_NE(r->flags & engine::kImageFlagTransparent, 0u);
      EXPECT_NE(r->flags & engine::kImageFlagAlpha, 0u);
    }
  }
}

TEST_F(SkinTest, ButtonsLookLighterWhenHoveredDarkerWhenPressedAndGreyWhenDisabled) {
  int buttons = 0;
  for (const skin::Picture& p : skin::AllPictures()) {
    if (!IsButton(p.look)) continue;
    SCOPED_TRACE(Utf8(p.name));
    ++buttons;
    const ImageRecord* r = Picture(p.name);
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(r->frame_count, 4);
    // Every state looks different from every other one, by a fair share of the button.
    const int visible = r->width * r->height / 20;
    for (int a = 0; a < 4; ++a) {
      for (int b = a + 1; b < 4; ++b) EXPECT_GT(Differences(*r, a, b), visible) << a << " and " << b;
    }
    const FrameLook normal = LookOf(*r, 0);
    const FrameLook hovered = LookOf(*r, 1);
    const FrameLook pressed = LookOf(*r, 2);
    const FrameLook disabled = LookOf(*r, 3);
    EXPECT_GT(hovered.brightness, normal.brightness);
    // A tab's pressed frame is the tab shown, which stands out brightest.
    if (p.look != skin::Look::kButtonTab) {
      EXPECT_LT(pressed.brightness, hovered.brightness);
    }
    EXPECT_LT(disabled.saturation, normal.saturation);
  }
  EXPECT_GT(buttons, 40);
}

TEST_F(SkinTest, AnimationsCarryTheirFrameTimes) {
  const ImageRecord* wait = Picture("waitsolo");
  ASSERT_NE(wait, nullptr);
  ASSERT_NE(wait->flags & engine::kImageFlagDelays, 0u);
  for (int f = 0; f < wait->frame_count; ++f) EXPECT_GT(wait->delays[f], 0u);
  const ImageRecord* smile = Picture(std::string("qzf") + skin::kEmoticons[0]);
  ASSERT_NE(smile, nullptr);
  ASSERT_NE(smile->flags & engine::kImageFlagDelays, 0u);
  EXPECT_GT(Differences(*smile, 0, 1), 0);
}

TEST_F(SkinTest, CardFacesShowTheirKindAloneAndTheirValueInTheVisibleCorner) {
  for (const char* name : {"牌正面50x68", "牌正面71x96", "牌正面82x110", "牌正面98x132"}) {
    SCOPED_TRACE(Utf8(name));
    const ImageRecord* r = Picture(name);
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(r->frame_count, 54);
    // Frames of one kind are one picture, of two kinds two.
    for (int a = 0; a < 54; ++a) {
      for (int b = a + 1; b < 54; ++b) {
        const bool same_kind = table::FaceKindOfFrame(a) == table::FaceKindOfFrame(b);
        EXPECT_EQ(SameFrames(*r, a, b), same_kind) << a << " and " << b;
      }
    }
    // The top-left strip that a card lying over it leaves visible (13 pixels of the smallest
    // card) holds ink of the value: dark or red pixels on the cream face; a frame of no kind
    // holds none past the border's rounded corner.
    for (int f = 0; f < 54; ++f) {
      int ink = 0;
      for (int y = 2; y < r->height / 4; ++y) {
        for (int x = 2; x < 13; ++x) {
          const Pixel p = PixelAt(*r, f, x, y);
          ink += p.a == 255 && (p.g < 150 || p.r - p.g > 80) ? 1 : 0;
        }
      }
      EXPECT_EQ(ink >= 6, table::FaceKindOfFrame(f) >= 0) << "frame " << f << ": " << ink;
    }
  }
}

TEST_F(SkinTest, EverySoundIsAPcmWaveThatIsNotSilent) {
  for (const skin::SoundRow& s : skin::kSounds) {
    SCOPED_TRACE(s.name);
    const std::vector<uint8_t> wave = Resource(std::string(s.name) + ".sound");
    ASSERT_GT(wave.size(), 44u);
    EXPECT_EQ(std::memcmp(wave.data(), "RIFF", 4), 0);
    EXPECT_EQ(std::memcmp(wave.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(wave[20] | (wave[21] << 8), 1);   // PCM
    EXPECT_EQ(wave[34] | (wave[35] << 8), 16);  // bits a sample
    int loudest = 0;
    for (size_t i = 44; i + 1 < wave.size(); i += 2) {
      loudest = std::max(loudest, std::abs(static_cast<int16_t>(wave[i] | (wave[i + 1] << 8))));
    }
    EXPECT_GT(loudest, 2000);
  }
  // Names are matched byte for byte: both spellings of the message sound are there.
  EXPECT_FALSE(Resource("Snd_msg.sound").empty());
  EXPECT_FALSE(Resource("snd_msg.sound").empty());
}

// The chat box's reading of the index: entries split at every '|' byte, name before the '='.
TEST_F(SkinTest, TheEmoticonIndexNamesEveryEmoticonWholeAndEachHasItsPictures) {
  const std::vector<uint8_t> bytes = Resource(skin::kEmoticonIndex);
  ASSERT_FALSE(bytes.empty());
  const std::string text(bytes.begin(), bytes.end());
  std::vector<std::string> names;
  size_t start = 0;
  while (start < text.size()) {
    size_t bar = text.find('|', start);
    if (bar == std::string::npos) bar = text.size();
    const std::string entry = text.substr(start, bar - start);
    const size_t equals = entry.find('=');
    ASSERT_NE(equals, std::string::npos) << Utf8(entry);
    names.push_back(entry.substr(0, equals));
    EXPECT_GT(std::atoi(entry.c_str() + equals + 1), 0);
    start = bar + 1;
  }
  ASSERT_EQ(names.size(), std::size(skin::kEmoticons));
  std::set<std::string> unique;
  for (size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(Utf8(names[i]));
    // Four bytes, two whole double-byte characters: a split at a trail byte would show here.
    EXPECT_EQ(names[i], skin::kEmoticons[i]);
    ASSERT_EQ(names[i].size(), 4u);
    EXPECT_GE(static_cast<uint8_t>(names[i][0]), 0x81);
    EXPECT_GE(static_cast<uint8_t>(names[i][2]), 0x81);
    EXPECT_TRUE(unique.insert(names[i]).second);
    EXPECT_NE(Picture("qzf" + names[i]), nullptr);
    EXPECT_NE(Picture("qzfs" + names[i]), nullptr);
  }
  // The frame's message boxes and the match welcome line use these four.
  for (const char* used : {"抱歉", "疑问", "打牌", "加油"}) EXPECT_TRUE(unique.count(used)) << Utf8(used);
}

TEST_F(SkinTest, ThePackagesHoldTheInventoryAndNothingElse) {
  size_t members = 0;
  for (skin::Package p : {skin::Package::kFrame, skin::Package::kTable, skin::Package::kSound}) {
    engine::ResourcePackage package(platform::Utf8ToGbk(PackagePath(p)));
    ASSERT_TRUE(package.IsOpen()) << package.error();
    members += package.GetUsedCount();
    for (uint32_t i = 0; i < package.GetUsedCount(); ++i) EXPECT_TRUE(package.EntryInBounds(i));
  }
  EXPECT_EQ(members, skin::AllPictures().size() + std::size(skin::kSounds) + 1);
}

}  // namespace
