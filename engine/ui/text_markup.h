// The markup of the engine's texts: a tag in angle brackets changes the style of the text after it.
//
// Two readers share these pieces.
//
// The text renderer's markup (ApplyMarkupTag): a tag holds one or more "name=value" (or
// "name:value") pairs separated by commas:
//   size=N    character height in pixels        s=N      height given in twips (N * 96 / 1440)
//   c=N       colour, a decimal COLORREF        color=RRGGBB  colour in hexadecimal
//   rgb=R,G,B colour by its red, green and blue (0-255 each; the commas belong to the value)
//   e=b|u|i   bold, underlined, italic          face=NAME     face name
//   alpha=N   text opacity 0-255
// "<>" restores the style the text started with. A run between '<' and '>' that holds none of
// these is not a tag and is drawn as it stands.
//
// The rich-text views' markup (RichTextBox and the chat display) looks its attributes up as
// substrings anywhere in a tag ("c=", "e=b", "url_text=", ...), reads numbers as atoi does and
// values up to the next ';'. The helpers below are those readings; every one stays inside the
// text it is given and steps over double-byte characters, so that a GBK trail byte is never
// taken for a letter of an attribute.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/ui/font_record.h"
#include "platform/win_types.h"

namespace engine {

// Largest character height a renderer tag may ask for.
inline constexpr int kMaxMarkupHeight = 200;
// A renderer tag is looked for no further than this many bytes after its '<'.
inline constexpr int kMaxTagLength = 255;

// Applies the content of one tag (the bytes between '<' and '>') to record. True when at least
// one pair was understood; the pairs that were not change nothing.
bool ApplyMarkupTag(std::string_view content, FontRecord& record);

// Bytes of the character at text[i]: 2 for a lead byte followed by a trail byte, else 1. Every
// reader of rich-text markup steps through text with it, so all of them agree on where
// characters begin.
size_t MarkupCharBytes(std::string_view text, size_t i);
// Where name first occurs in tag, counting only places that start a character (a match that
// would begin on the trail byte of a double-byte character is skipped); npos when nowhere.
size_t FindMarkupAttribute(std::string_view tag, std::string_view name);
// The value that starts at from: up to the first ';' after it, or to the end of the tag.
std::string_view MarkupValueAt(std::string_view tag, size_t from);
// The value of the first occurrence of name ("url=" ...), or nothing when the tag lacks it.
std::optional<std::string_view> FindMarkupValue(std::string_view tag, std::string_view name);
// atoi: leading blanks, an optional sign, then digits up to the first other byte; 0 when there
// are none. A number beyond the 32-bit range is held to it.
int32_t ReadMarkupNumber(std::string_view text);
// Six characters RRGGBB in hexadecimal, either case; a character that is not a hex digit, or is
// missing, counts 0. The result is the COLORREF 0x00BBGGRR.
COLORREF ReadMarkupHexColour(std::string_view text);
// A size given in twips as whole pixels (n * 96 / 1440), without overflow.
int32_t TwipsToPixels(int32_t twips);
// The colour of a one-letter colour code: w white, b blue, k black, r red, g green, y yellow,
// either case; nothing for any other byte.
std::optional<COLORREF> MarkupColourLetter(char letter);

// Text from outside (names, paths, other players' lines) as its characters. Both escapers below
// read it alike: the text ends at its first NUL, a double-byte character is kept whole, and a byte
// that is no character where it stands (a lead byte without its trail byte, 0xFF) is left out, so
// it neither shows as a stray glyph nor pairs with a '<' or '#' after it. Control characters
// (bytes 0x01-0x1F and 0x7F: line feeds, carriage returns, tabs...) are left out as well unless
// kept, so a name or a line is drawn as one run where it is put and never starts a row of its own.
inline constexpr uint32_t kKeepControls = 0x1;
// '#' and two double-byte characters (an emoticon code, "#加油") are kept as they stand, so the
// emoticon shows; any other '#' is escaped.
inline constexpr uint32_t kKeepEmoticons = 0x2;

// Text that shows exactly as its characters when pasted into rich-text markup: '#', '<' and '>'
// are written with their '#' escape. For text from outside put into running markup text (not into
// a tag's value: tags are read without escapes). keep: kKeepControls, kKeepEmoticons.
std::string EscapeMarkupText(std::string_view text, uint32_t keep = 0);

// Text from outside for a canvas, whose text drawing reads the renderer's tags: each '<' becomes
// the full-width "＜", so nothing in it changes the colour, size or face. Control characters are
// left out.
std::string InertCanvasText(std::string_view text);

// A link to a local folder for a chat line: "<url_text=FOLDER,CAPTION>" when the folder's name can
// stand inside the tag as it is, read as nothing but the link's target; otherwise the folder's name
// as plain text (EscapeMarkupText), without a link. The caption is the program's own text.
std::string FolderLinkMarkup(std::string_view folder, std::string_view caption);

}  // namespace engine
