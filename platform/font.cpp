// Fonts over FreeType and fontconfig. Runs the same with or without a display.
// Limitation: only outline faces are emboldened and slanted; a bitmap-only face is drawn as it is.
#include "platform/font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <utility>

#include "platform/diagnostics.h"
#include "platform/gbk.h"

namespace platform {
namespace {

// The face every Windows name maps to, then the faces tried when it is not installed.
constexpr const char* kDefaultFamily = "WenQuanYi Zen Hei Mono";
constexpr const char* kFallbackFamily = "WenQuanYi Zen Hei";
constexpr const char* kFallbackFile = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";
constexpr int kFallbackIndex = 1;  // the Mono face of that collection

// Face names the program's texts and records use, which no Linux system has. The literals are
// GBK at run time, as the names in font records are.
constexpr std::array kWindowsFaces = {
    "宋体",        "新宋体",        "黑体",         "微软雅黑", "楷体",    "楷体_GB2312", "仿宋",
    "仿宋_GB2312", "隶书",          "幼圆",         "SimSun",   "NSimSun", "SimHei",      "Microsoft YaHei",
    "KaiTi",       "FangSong",      "Tahoma",       "Arial",    "Verdana", "Courier New", "Times New Roman",
    "System",      "MS Sans Serif", "MS Shell Dlg",
};

// Latin names compare without case; a name with GBK characters compares byte for byte (a trail
// byte may look like an ASCII letter).
bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (std::any_of(a.begin(), a.end(), [](char c) { return !IsAsciiByte(static_cast<uint8_t>(c)); })) return a == b;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Asks fontconfig for family (UTF-8). With exact set, only a face of that very family counts.
FontFileRef MatchFamily(const std::string& family, bool bold, bool exact) {
  FontFileRef ref;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return ref;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return ref;

  bool family_ok = !exact;
  FcChar8* name = nullptr;
  for (int i = 0; exact && FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    family_ok |= SameNameIgnoringCase(reinterpret_cast<const char*>(name), family);
  }
  FcChar8* file = nullptr;
  if (family_ok && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    ref.path = reinterpret_cast<const char*>(file);
    int index = 0;
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) ref.index = index;
    // fontconfig reports the weight asked for, and says with "embolden" when the face lacks it.
    int weight = FC_WEIGHT_REGULAR;
    FcBool embolden = FcFalse;
    FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
    if (FcPatternGetInteger(match, FC_WEIGHT, 0, &weight) == FcResultMatch) {
      ref.bold = weight >= FC_WEIGHT_DEMIBOLD && !embolden;
    }
  }
  FcPatternDestroy(match);
  return ref;
}

FontFileRef DefaultFace(bool bold) {
  FontFileRef ref = MatchFamily(kDefaultFamily, bold, true);
  if (ref.path.empty()) ref = MatchFamily(kFallbackFamily, bold, true);
  if (ref.path.empty() && std::filesystem::exists(kFallbackFile)) ref = {kFallbackFile, kFallbackIndex, false};
  // Whatever fontconfig likes best, as the last resort.
  if (ref.path.empty()) ref = MatchFamily("sans-serif", bold, false);
  return ref;
}

std::mutex g_lookup_mutex;
std::map<std::pair<std::string, bool>, FontFileRef> g_lookups;

// FreeType's library object is shared; creating and releasing faces is serialised on it.
std::mutex g_library_mutex;
FT_Library g_library = nullptr;

FT_Library Library() {
  if (!g_library && FT_Init_FreeType(&g_library) != 0) {
    g_library = nullptr;
    ReportProblem("font: FreeType could not be started");
  }
  return g_library;
}

}  // namespace

FontFileRef FindFontFile(std::string_view face_gbk, bool bold) {
  std::lock_guard lock(g_lookup_mutex);
  auto key = std::make_pair(std::string(face_gbk), bold);
  if (auto it = g_lookups.find(key); it != g_lookups.end()) return it->second;

  FontFileRef ref;
  const bool windows_name =
      face_gbk.empty() || std::any_of(kWindowsFaces.begin(), kWindowsFaces.end(),
                                      [&](const char* name) { return SameNameIgnoringCase(name, face_gbk); });
  if (!windows_name) ref = MatchFamily(GbkToUtf8(face_gbk), bold, true);
  if (ref.path.empty()) ref = DefaultFace(bold);
  if (ref.path.empty()) ReportProblem("font: no installed face for \"%s\"", GbkToUtf8(face_gbk).c_str());
  g_lookups.emplace(std::move(key), ref);
  return ref;
}

struct Font::Impl {
  FT_Face face = nullptr;
  bool embolden = false;  // bold asked for and the face is not bold itself

  ~Impl() {
    std::lock_guard lock(g_library_mutex);
    if (face) FT_Done_Face(face);
  }
};

Font::Font(std::unique_ptr<Impl> impl, int pixel_height, int baseline)
    : impl_(std::move(impl)), pixel_height_(pixel_height), baseline_(baseline) {}

Font::~Font() = default;

std::unique_ptr<Font> Font::Open(std::string_view face_gbk, int pixel_height, int weight, bool italic) {
  if (pixel_height <= 0 || pixel_height > 1000) {
    ReportProblem("font: refused character height %d", pixel_height);
    return nullptr;
  }
  const bool bold = weight >= 600;
  const FontFileRef ref = FindFontFile(face_gbk, bold);
  if (ref.path.empty()) return nullptr;

  auto impl = std::make_unique<Impl>();
  {
    std::lock_guard lock(g_library_mutex);
    FT_Library library = Library();
    if (!library || FT_New_Face(library, ref.path.c_str(), ref.index, &impl->face) != 0) {
      impl->face = nullptr;
      ReportProblem("font: cannot open face %d of %s", ref.index, ref.path.c_str());
      return nullptr;
    }
  }
  FT_Face face = impl->face;
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixel_height)) != 0) {
    ReportProblem("font: %s cannot be sized to %d pixels", ref.path.c_str(), pixel_height);
    return nullptr;
  }
  impl->embolden = bold && !ref.bold;
  if (italic) {
    // About 12 degrees of slant, as synthetic italics usually have.
    FT_Matrix shear = {0x10000, 0x3800, 0, 0x10000};
    FT_Set_Transform(face, &shear, nullptr);
  }

  // The baseline divides the character height as the face's ascent and descent divide its em.
  double ascent = face->ascender;
  double descent = -face->descender;
  if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
      os2 && os2->sTypoAscender > 0 && os2->sTypoDescender <= 0) {
    ascent = os2->sTypoAscender;
    descent = -os2->sTypoDescender;
  }
  int baseline = pixel_height;
  if (ascent + descent > 0) baseline = static_cast<int>(std::lround(pixel_height * ascent / (ascent + descent)));
  // CJK faces draw their characters a little above that line; the baseline goes low enough for
  // a few full-height characters (七, 世, 国) to keep their top rows inside the cell.
  for (char32_t tall : {U'\u4E03', U'\u4E16', U'\u56FD'}) {
    const FT_UInt index = FT_Get_Char_Index(face, tall);
    if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0) continue;
    const int top = static_cast<int>((face->glyph->metrics.horiBearingY + 63) >> 6);
    baseline = std::clamp(std::max(baseline, top), 1, pixel_height);
  }
  return std::unique_ptr<Font>(new Font(std::move(impl), pixel_height, baseline));
}

int Font::Advance(char32_t code_point) {
  FT_Face face = impl_->face;
  const FT_UInt index = FT_Get_Char_Index(face, code_point);
  if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0) return 0;
  // Emboldening widens each stroke by a pixel, and the pen moves on by that pixel as well.
  return static_cast<int>((face->glyph->advance.x + 32) >> 6) + (impl_->embolden ? 1 : 0);
}

bool Font::RenderGlyph(char32_t code_point, bool antialias, GlyphImage& out) {
  out = GlyphImage{};
  FT_Face face = impl_->face;
  const FT_UInt index = FT_Get_Char_Index(face, code_point);
  // Without anti-aliasing a stroke thinner than a pixel that falls between pixel centres would
  // vanish (the face's own hints let the top bar of 子 go at 12 pixels): the auto-hinter sets
  // every stroke on whole pixels first.
  const FT_Int32 load =
      antialias ? FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL : FT_LOAD_FORCE_AUTOHINT | FT_LOAD_TARGET_MONO;
  if (FT_Load_Glyph(face, index, load) != 0) return false;
  FT_GlyphSlot slot = face->glyph;
  if (impl_->embolden && slot->format == FT_GLYPH_FORMAT_OUTLINE) FT_Outline_EmboldenXY(&slot->outline, 64, 0);
  if (FT_Render_Glyph(slot, antialias ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) return false;

  const FT_Bitmap& bitmap = slot->bitmap;
  out.left = slot->bitmap_left;
  out.top = slot->bitmap_top;
  out.width = static_cast<int>(bitmap.width);
  out.rows = static_cast<int>(bitmap.rows);
  out.coverage.assign(static_cast<size_t>(out.width) * out.rows, 0);
  for (int y = 0; y < out.rows; ++y) {
    const unsigned char* row = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
    uint8_t* dst = out.coverage.data() + static_cast<size_t>(y) * out.width;
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
      for (int x = 0; x < out.width; ++x) dst[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
    } else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
      const int grays = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
      for (int x = 0; x < out.width; ++x) dst[x] = static_cast<uint8_t>(row[x] * 255 / grays);
    } else {
      ReportProblem("font: glyph U+%04X came in an unexpected pixel mode %d", static_cast<unsigned>(code_point),
                    bitmap.pixel_mode);
      out = GlyphImage{};
      return false;
    }
  }
  return true;
}

}  // namespace platform

// GCC says __SANITIZE_ADDRESS__; clang answers __has_feature.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZP_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(ZP_ADDRESS_SANITIZER)
// fontconfig 2.14 loses a few bytes while it reads its configuration, once per process; the leak
// checker of sanitised builds is told so, rather than failing every program that draws text.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
