#include "frame/chat_display.h"

#include <cstring>
#include <string>
#include <vector>

#include "engine/core/value.h"
#include "engine/ui/inline_object.h"
#include "engine/ui/link_opener.h"
#include "engine/ui/text_markup.h"

namespace frame {
namespace {

using engine::FindMarkupAttribute;
using engine::FindMarkupValue;
using engine::PictureInfo;
namespace rich_text = engine::rich_text;

constexpr char kEmoticonPrefix[] = "qzf";
// An emoticon token: '#' and the four bytes of its code.
constexpr size_t kEmoticonToken = 5;

bool Has(std::string_view tag, std::string_view name) {
  return FindMarkupAttribute(tag, name) != std::string_view::npos;
}

}  // namespace

void ChatDisplay::Layout(int32_t width, int32_t height) {
  LayoutWithGap(width, height, GetScrollBar() != nullptr ? kScrollBarGap : 0);
}

void ChatDisplay::DrawBackImage(const PictureInfo* picture, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (picture == nullptr || picture->record == nullptr) return;
  const int32_t source_width = picture->width;
  if (width <= source_width || source_width <= 0) {
    RichTextBox::DrawBackImage(picture, x, y, width, height);
    return;
  }
  const int32_t half = source_width / 2;
  PictureInfo piece = *picture;
  if (half > 0) {
    piece.width = half;
    RichTextBox::DrawBackImage(&piece, x, y, half, height);
  }
  piece.source_x = picture->source_x + half;
  piece.width = std::min(2, source_width - half);
  RichTextBox::DrawBackImage(&piece, x + half, y, width - 2 * half, height);
  if (half > 0) {
    piece.source_x = picture->source_x + source_width - half;
    piece.width = half;
    RichTextBox::DrawBackImage(&piece, x + width - half, y, half, height);
  }
}

int ChatDisplay::ParseTag(std::string_view tag) {
  if (Has(tag, "notify")) return 1;
  int recognised = 0;
  if (Has(tag, "e=b")) {
    text_style_ |= rich_text::kTextBold;
    recognised = 1;
  }
  if (Has(tag, "e=u")) {
    text_style_ |= rich_text::kTextUnderline;
    recognised = 1;
  }
  if (Has(tag, "e=i")) {
    text_style_ |= rich_text::kTextItalic;
    recognised = 1;
  }
  if (auto value = FindMarkupValue(tag, "c=")) {
    colour_ = static_cast<engine::COLORREF>(engine::ReadMarkupNumber(*value));
    recognised = 1;
  }
  if (auto value = FindMarkupValue(tag, "color=")) {
    colour_ = engine::ReadMarkupHexColour(*value);
    recognised = 1;
  }
  if (const size_t hash = tag.find('#'); hash != std::string_view::npos && hash + 1 < tag.size()) {
    if (auto colour = engine::MarkupColourLetter(tag[hash + 1])) {
      colour_ = *colour;
      recognised = 1;
    }
  }
  if (auto value = FindMarkupValue(tag, "s=")) {
    font_.lfHeight = BoundSize(engine::TwipsToPixels(engine::ReadMarkupNumber(*value)));
    recognised = 1;
  }
  if (auto value = FindMarkupValue(tag, "size=")) {
    font_.lfHeight = BoundSize(engine::ReadMarkupNumber(*value));
    recognised = 1;
  }
  // Bold text is drawn a pixel larger, again for every tag read under it.
  if ((text_style_ & rich_text::kTextBold) != 0) font_.lfHeight = BoundSize(int64_t{font_.lfHeight} + 1);
  if (auto value = FindMarkupValue(tag, "face=")) {
    engine::SetFaceName(font_, *value);
    recognised = 1;
  }
  if (Has(tag, "e=l")) {
    AppendSelfLink(tag);
    recognised = 1;
  }
  if (Has(tag, "url=l")) {
    AppendSelfLink(tag);
    recognised = 1;
  }
  if (auto value = FindMarkupValue(tag, "url=")) {
    AppendLink(*value, *value, {});
    recognised = 1;
  }
  if (auto value = FindMarkupValue(tag, "url_text=")) {
    std::vector<engine::Value> values;
    if (engine::ParseValueList(*value, values) >= 2) {
      AppendLink(values[0].Text(), values[1].Text(), values.size() >= 3 ? values[2].Text() : std::string_view{});
    }
    recognised = 1;
  }
  if ((style_ & rich_text::kViewLoadAllowed) != 0) {
    if (auto value = FindMarkupValue(tag, "url_load=")) {
      std::vector<engine::Value> values;
      if (engine::ParseValueList(*value, values) >= 2) {
        const int flag = values.size() >= 3 ? values[2].AsBool() : 0;
        recognised = LoadUrl(values[1].Text().c_str(), values[0].Text().c_str(), flag,
                             values.size() >= 4 ? values[3].Text().c_str() : nullptr);
      }
    }
  }
  return recognised;
}

void ChatDisplay::AppendSelfLink(std::string_view tag) {
  if ((style_ & rich_text::kViewLinksLive) == 0) return;
  const size_t after = PositionAfterTag(tag);
  if (after == std::string_view::npos) return;
  const std::string_view rest = append_text_.substr(after);
  const size_t open = rest.find('<');
  if (open == std::string_view::npos || open + 1 >= rest.size() || rest[open + 1] != '>') return;
  const std::string_view run = rest.substr(0, open);
  if (run.find('>') != std::string_view::npos) return;
  AppendLink(run, run, {});
  // The reader goes on after the "<>", which the link used up.
  read_pos_ = after + open + 2;
}

int ChatDisplay::ParseObjectTag(std::string_view token) {
  if (token.find('#') == std::string_view::npos) return RichTextBox::ParseObjectTag(token);
  if (token.size() < kEmoticonToken) return 0;
  const std::string code(token.substr(1, kEmoticonToken - 1));
  const std::string name = kEmoticonPrefix + code;
  if (FindPicture(name, 0).record == nullptr) return 0;
  auto* emoticon = new engine::InlineObject();
  AddToScene(emoticon);
  if (!emoticon->SetAnimation(name.c_str(), 0, 0)) {
    DeleteObject(emoticon, false);
    return 0;
  }
  emoticon->SetPlainText(("#" + code).c_str());
  AppendItem(InsertObject(emoticon));
  return 1;
}

void ChatDisplay::AppendMarkup(const char* text) { ScanMarkup(text); }

void ChatDisplay::OpenUrl(const char* target) {
  if (target == nullptr || target[0] == '\0') return;
  const std::string_view wanted(target);
  if (engine::IsLocalPath(wanted) && engine::OpenLocalFolder(wanted)) return;
  engine::OpenWebPage(wanted);
}

void ChatDisplay::OnFocusLost() {
  EndInput();
  RefreshAll();
  if ((style_ & rich_text::kViewHideOnFocusLoss) != 0) {
    Hide();
    Invalidate();
  }
}

void ChatDisplay::ResetStyle() {
  SetTextColor(0);
  engine::LOGFONTA font = GetFont();
  const std::string_view face(font.lfFaceName, strnlen(font.lfFaceName, sizeof font.lfFaceName));
  if (font.lfHeight == kStyleSize && font.lfWeight == kStyleWeight && font.lfItalic == 0 && font.lfUnderline == 0 &&
      face == engine::kDefaultFaceName) {
    return;
  }
  font.lfHeight = kStyleSize;
  font.lfWeight = kStyleWeight;
  font.lfItalic = 0;
  font.lfUnderline = 0;
  engine::SetFaceName(font, engine::kDefaultFaceName);
  SetFont(font);
}

}  // namespace frame
