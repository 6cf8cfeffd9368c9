// A widget scene for rich-text tests: pictures made on the spot, views made and created in one
// call, an item list written out as text, and a recording link opener installed for each test.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/ui/link_opener.h"
#include "engine/ui/rich_text_box.h"
#include "tests/support/widget_scene_fixture.h"

namespace test {

// What the recording opener was asked to show, in order.
std::vector<std::pair<engine::LinkTargetKind, std::string>>& OpenedTargets();
bool RecordOpenedTarget(engine::LinkTargetKind kind, const std::string& target);

// The items of a view as text: runs of glyphs in one style as "text"{attributes}, with
// attributes c=BBGGRR (the COLORREF), h=height, b, i, u, f=face (unless 宋体) and ->target for a
// link; an object as [obj plain-text WxH]. Runs are separated by a blank.
std::string DescribeItems(const engine::RichTextBox& view);

class RichTextFixture : public WidgetSceneFixture {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Caches a w x h picture of `frames` frames of one colour (0xAARRGGBB) under name.
  void AddPicture(const std::string& name, int w, int h, int frames = 1, uint32_t argb = 0xFF00FF00,
                  uint32_t delay = 0);
  // A view of type View added to the scene, created w x h with the style, centred at (x, y).
  template <class View>
  View* MakeView(int w, int h, uint32_t style, uint32_t creation_value = 0x200, double x = 300, double y = 200) {
    auto* view = new View();
    services_->AddToScene(view);
    view->Create(w, h, style, creation_value);
    view->MoveTo(x, y);
    view->Show();
    return view;
  }

  engine::ScopedLinkOpener* opener_ = nullptr;
};

}  // namespace test
