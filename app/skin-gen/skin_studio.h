// The skin's palette and the studio that draws a picture of the inventory frame by frame.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "app/skin-gen/skin_canvas.h"
#include "app/skin-gen/skin_inventory.h"

namespace skin {

// One palette for the whole skin: a calm green table, warm wood and gold, clear dark ink.
namespace colour {
inline constexpr Rgba kFelt = Rgb(0x2B6A4A);
inline constexpr Rgba kFeltDark = Rgb(0x1E5037);
inline constexpr Rgba kFeltLight = Rgb(0x4C9670);
inline constexpr Rgba kWoodDeep = Rgb(0x2E1A0E);
inline constexpr Rgba kWoodDark = Rgb(0x4A2C18);
inline constexpr Rgba kWood = Rgb(0x7A4A28);
inline constexpr Rgba kWoodLight = Rgb(0xA56E40);
inline constexpr Rgba kGoldDark = Rgb(0x9C7428);
inline constexpr Rgba kGold = Rgb(0xD6AE55);
inline constexpr Rgba kGoldLight = Rgb(0xF4DC94);
inline constexpr Rgba kInk = Rgb(0x2B2118);
inline constexpr Rgba kCream = Rgb(0xFBF5E6);
inline constexpr Rgba kPaper = Rgb(0xF3EAD3);
inline constexpr Rgba kPaperDark = Rgb(0xDCCBA5);
inline constexpr Rgba kRed = Rgb(0xB3261E);
inline constexpr Rgba kRedLight = Rgb(0xE0503F);
inline constexpr Rgba kJade = Rgb(0x3F9E7A);
inline constexpr Rgba kSky = Rgb(0x3C7DD9);
// Near white: the emoticon grid treats pure white as transparent.
inline constexpr Rgba kWhite = Rgb(0xFFFDF6);
inline constexpr Rgba kNone = Rgba{0, 0, 0, 0};
}  // namespace colour

class Studio {
 public:
  explicit Studio(engine::FontRenderer* renderer) : renderer_(renderer) {}

  engine::FontRenderer* renderer() const { return renderer_; }
  // The rendered text, kept for the next use of the same text and style.
  const TextMask& Text(const std::string& text, TextStyle style);
  // The largest style up to `style` whose ink fits width x height.
  TextStyle Fit(const std::string& text, TextStyle style, int width, int height);

  // Draws every frame of the picture.
  std::vector<std::unique_ptr<Frame>> Draw(const Picture& picture);
  // The time each frame of an animated look shows, in milliseconds (0: not an animation).
  static uint32_t FrameDelay(Look look);

 private:
  engine::FontRenderer* renderer_;
  std::map<std::tuple<std::string, int, int>, TextMask> masks_;
  std::map<std::tuple<std::string, int, int, int, int>, TextStyle> fits_;
};

// The painters, one per group of looks; each draws frame `index` of the picture into `frame`.
void DrawChrome(Studio& studio, const Picture& picture, int index, Frame& frame);
void DrawButton(Studio& studio, const Picture& picture, int index, Frame& frame);
void DrawCard(Studio& studio, const Picture& picture, int index, Frame& frame);
// The numeral frame f of a card face picture shows (GBK), the value the card rules give the ids
// it stands for (table::FaceKindOfFrame); empty for a frame without one.
std::string CardNumeral(int frame);
// An earlier frame of a card face picture that shows what frame f shows, or -1.
int EarlierCardFace(int frame);
void DrawTableMark(Studio& studio, const Picture& picture, int index, Frame& frame);
void DrawPanel(Studio& studio, const Picture& picture, int index, Frame& frame);
void DrawFace(Studio& studio, const Picture& picture, int index, Frame& frame);

// The characters of a GBK text, a double-byte character counted once.
std::vector<std::string> SplitCharacters(const std::string& text);

}  // namespace skin
