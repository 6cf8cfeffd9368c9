#include "app/skin-gen/skin_studio.h"

#include <algorithm>
#include <utility>

namespace skin {

const TextMask& Studio::Text(const std::string& text, TextStyle style) {
  const auto key = std::make_tuple(text, style.size, style.weight);
  auto found = masks_.find(key);
  if (found == masks_.end()) found = masks_.emplace(key, RenderText(renderer_, text, style)).first;
  return found->second;
}

TextStyle Studio::Fit(const std::string& text, TextStyle style, int width, int height) {
  const auto key = std::make_tuple(text, style.size, style.weight, width, height);
  auto found = fits_.find(key);
  if (found != fits_.end()) return found->second;
  TextStyle fitted = style;
  const TextMask& first = Text(text, fitted);
  if (first.InkWidth() > width || first.InkHeight() > height) {
    // Ink grows about in step with the size: start from the size that scales it to fit.
    const float scale = std::min(static_cast<float>(width) / std::max(1, first.InkWidth()),
                                 static_cast<float>(height) / std::max(1, first.InkHeight()));
    fitted.size = std::max(8, std::min(fitted.size - 1, static_cast<int>(fitted.size * scale) + 1));
    for (; fitted.size > 8; --fitted.size) {
      const TextMask& m = Text(text, fitted);
      if (m.InkWidth() <= width && m.InkHeight() <= height) break;
    }
  }
  fits_.emplace(key, fitted);
  return fitted;
}

uint32_t Studio::FrameDelay(Look look) {
  switch (look) {
    case Look::kEmoticon:
      return 200;
    case Look::kBanner:
    case Look::kStatusIcon:
      return 220;
    case Look::kWaitSign:
      return 320;
    case Look::kAnimatedPlate:
      return 70;
    case Look::kPassHint:
      return 110;
    case Look::kDiamond:
      return 160;
    default:
      return 0;
  }
}

std::vector<std::unique_ptr<Frame>> Studio::Draw(const Picture& picture) {
  std::vector<std::unique_ptr<Frame>> frames;
  for (int i = 0; i < picture.frames; ++i) {
    auto frame = std::make_unique<Frame>(picture.width, picture.height, renderer_);
    // Card faces repeat their 20 kinds: each is drawn once and copied into the later frames.
    const int earlier = picture.look == Look::kCardFace ? EarlierCardFace(i) : -1;
    if (earlier >= 0) {
      frame->CopyFrom(*frames[static_cast<size_t>(earlier)]);
      frames.push_back(std::move(frame));
      continue;
    }
    switch (picture.look) {
      case Look::kTitleStrip:
      case Look::kBorder:
      case Look::kTitleOrnament:
      case Look::kGameIcon:
      case Look::kTableTile:
      case Look::kTableHalo:
      case Look::kTableCorner:
      case Look::kSplitterBack:
      case Look::kSplitterArrow:
      case Look::kTableEmblem:
      case Look::kDialog:
      case Look::kInfoBox:
        DrawChrome(*this, picture, i, *frame);
        break;
      case Look::kWindowButton:
      case Look::kButtonGold:
      case Look::kButtonWood:
      case Look::kButtonSquare:
      case Look::kButtonIcon:
      case Look::kButtonTab:
      case Look::kButtonClose:
      case Look::kButtonPage:
      case Look::kButtonArrow:
      case Look::kButtonDropDown:
        DrawButton(*this, picture, i, *frame);
        break;
      case Look::kCardBack:
      case Look::kCardFace:
      case Look::kCardCorner:
        DrawCard(*this, picture, i, *frame);
        break;
      case Look::kBoardPlate:
      case Look::kScoreBar:
      case Look::kStatusIcon:
      case Look::kBanner:
      case Look::kStamp:
      case Look::kTextPlate:
      case Look::kAnimatedPlate:
      case Look::kPassHint:
      case Look::kWaitSign:
      case Look::kDuanBadge:
      case Look::kDigits:
      case Look::kDigitsSilver:
      case Look::kClockDigits:
      case Look::kGlyphStrip:
      case Look::kLabel:
        DrawTableMark(*this, picture, i, *frame);
        break;
      case Look::kPanelBar:
      case Look::kSystemBar:
      case Look::kListRow:
      case Look::kListHeader:
      case Look::kDivider:
      case Look::kScrollCorner:
      case Look::kScrollTrack:
      case Look::kScrollThumb:
      case Look::kScrollGrip:
      case Look::kInputBox:
      case Look::kChatHead:
      case Look::kChatBody:
      case Look::kMenuIcon:
      case Look::kIconMark:
      case Look::kNoticeTag:
      case Look::kDiamond:
        DrawPanel(*this, picture, i, *frame);
        break;
      case Look::kAvatar:
      case Look::kEmoticon:
      case Look::kEmoticonIcon:
        DrawFace(*this, picture, i, *frame);
        break;
    }
    frame->KeyTransparentPixels();
    frames.push_back(std::move(frame));
  }
  return frames;
}

std::vector<std::string> SplitCharacters(const std::string& text) {
  std::vector<std::string> out;
  for (size_t i = 0; i < text.size();) {
    const size_t n = static_cast<uint8_t>(text[i]) > 0x80 && i + 1 < text.size() ? 2 : 1;
    out.push_back(text.substr(i, n));
    i += n;
  }
  return out;
}

}  // namespace skin
