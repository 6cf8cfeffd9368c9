#include "tests/support/rich_text_fixture.h"

#include <cstdio>
#include <cstring>

#include "engine/core/object_module.h"
#include "engine/media/image_record.h"
#include "engine/ui/inline_object.h"
#include "engine/ui/link_object.h"

namespace test {

std::vector<std::pair<engine::LinkTargetKind, std::string>>& OpenedTargets() {
  static std::vector<std::pair<engine::LinkTargetKind, std::string>> opened;
  return opened;
}

bool RecordOpenedTarget(engine::LinkTargetKind kind, const std::string& target) {
  OpenedTargets().emplace_back(kind, target);
  return true;
}

std::string DescribeItems(const engine::RichTextBox& view) {
  std::string out;
  size_t i = 0;
  const size_t n = view.ItemCount();
  while (i < n) {
    const engine::RichTextItem& first = view.ItemAt(i);
    if (!out.empty()) out += ' ';
    if (first.kind == engine::RichTextItem::kObject) {
      engine::InlineObject* object = view.ObjectOf(first);
      char size[32];
      std::snprintf(size, sizeof size, " %dx%d", first.width, first.height);
      out += "[obj " + (object != nullptr ? object->GetPlainText() : std::string("?")) + size + "]";
      ++i;
      continue;
    }
    std::string text;
    size_t j = i;
    while (j < n && view.ItemAt(j).kind == engine::RichTextItem::kGlyph && view.ItemAt(j).style == first.style &&
           view.ItemAt(j).link == first.link) {
      text += view.ItemAt(j).Text();
      ++j;
    }
    const engine::RichTextStyle& style = view.StyleOf(first);
    char attributes[64];
    std::snprintf(attributes, sizeof attributes, "{c=%06X,h=%d", style.colour & 0xFFFFFF, style.font.lfHeight);
    out += "\"" + text + "\"" + attributes;
    if ((style.text_style & engine::rich_text::kTextBold) != 0 || style.font.lfWeight >= 600) out += ",b";
    if ((style.text_style & engine::rich_text::kTextItalic) != 0 || style.font.lfItalic != 0) out += ",i";
    if ((style.text_style & engine::rich_text::kTextUnderline) != 0 || style.font.lfUnderline != 0) out += ",u";
    const std::string face(style.font.lfFaceName, strnlen(style.font.lfFaceName, sizeof style.font.lfFaceName));
    if (face != "宋体") out += ",f=" + face;
    if (first.link != 0) {
      engine::ObjectModule* objects = view.EngineObject::GetObjectModule();
      auto* link =
          objects != nullptr ? dynamic_cast<engine::LinkObject*>(objects->FindObjectByKey(first.link)) : nullptr;
      out += ",->" + (link != nullptr ? link->GetTarget() : std::string("?"));
    }
    out += "}";
    i = j;
  }
  return out;
}

void RichTextFixture::SetUp() {
  WidgetSceneFixture::SetUp();
  OpenedTargets().clear();
  opener_ = new engine::ScopedLinkOpener(&RecordOpenedTarget);
}

void RichTextFixture::TearDown() {
  delete opener_;
  opener_ = nullptr;
  WidgetSceneFixture::TearDown();
}

void RichTextFixture::AddPicture(const std::string& name, int w, int h, int frames, uint32_t argb, uint32_t delay) {
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h * frames, argb);
  std::vector<uint32_t> delays(frames, delay);
  engine::ImageRecord record;
  record.width = static_cast<uint16_t>(w);
  record.height = static_cast<uint16_t>(h);
  record.pixels = reinterpret_cast<uint8_t*>(pixels.data());
  record.data_size = static_cast<uint32_t>(pixels.size() * 4);
  record.colour_key = 0xFF00FF;
  record.frame_count = static_cast<uint16_t>(frames);
  record.flags = engine::kImageFlagTransparent | engine::kImageFlagAlpha;
  if (delay != 0) {
    record.flags |= engine::kImageFlagDelays;
    record.delays = delays.data();
  }
  record.frame_columns = 1;
  engine::PictureInfo info;
  info.record = &record;
  info.width = w;
  info.height = h;
  paint_->AddPicture(name, &info);  // the cache keeps its own copy
}

}  // namespace test
