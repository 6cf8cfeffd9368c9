// The chat display: the read-only rich-text view in which the side panel's chat box shows every
// chat, system and notice line (and the key-result dialog its text). Lines from other players
// arrive here as markup, so this reader is the program's main door for untrusted text.
//
// Compared with the plain view it reads:
//   "s=N"          a size in twips (N * 96 / 1440 pixels)
//   bold           every tag read under bold (also a "#" + letter token) makes the text one pixel
//                  larger, up to the size bound
//   "e=l", "url=l" a self-link: with live links the text up to the next "<>" becomes a link to
//                  itself, and that "<>" is used up
//   "#" + 4 bytes  an emoticon: the looping animation "qzf" + code, copied as "#" + code; a code
//                  without its picture stays text
// It draws a background picture narrower than its place in three slices (half, a stretched
// two-column middle, half), keeps its scroll bar 5 pixels right of the text, opens local folders
// that links name (only existing folders; web pages only over http and https), and forgets its
// selection when it loses the focus.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/ui/rich_text_box.h"

namespace frame {

class ChatDisplay : public engine::RichTextBox {
 public:
  static constexpr int32_t kScrollBarGap = 5;
  static constexpr int32_t kStyleSize = 12;
  static constexpr int32_t kStyleWeight = 400;

  ChatDisplay() = default;
  ~ChatDisplay() override = default;

  void Layout(int32_t width, int32_t height) override;  // 1
  void DrawBackImage(const engine::PictureInfo* picture, int32_t x, int32_t y, int32_t width,
                     int32_t height) override;          // 2
  int ParseTag(std::string_view tag) override;          // 3
  int ParseObjectTag(std::string_view token) override;  // 4
  void AppendMarkup(const char* text) override;         // 5
  // A local folder through the desktop's file viewer, anything else as a web page.
  void OpenUrl(const char* target) override;  // 6
  void OnFocusLost() override;                // 7
  // Black, 宋体 12 pixels, weight 400, neither italic nor underlined.
  virtual void ResetStyle();  // 8

 private:
  void AppendSelfLink(std::string_view tag);
};

}  // namespace frame
