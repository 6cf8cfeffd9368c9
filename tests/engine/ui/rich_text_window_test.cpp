// ctest-labels: richtext tsan
// A link in a rich-text view clicked through the headless window: the mouse messages reach the
// view through the input module, the link posts 80000007 to the view, and only an http or https
// target reaches the opener. Inline objects show on the window where their items stand, also
// after scrolling out of sight and back.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "engine/core/canvas_object.h"
#include "engine/media/paint_module.h"
#include "engine/ui/inline_object.h"
#include "engine/ui/link_opener.h"
#include "engine/ui/rich_text_box.h"
#include "platform/win_messages.h"
#include "tests/support/colour_match.h"
#include "tests/support/hosted_engine.h"
#include "tests/support/rich_text_fixture.h"
#include "tests/support/solid_pictures.h"

namespace {

using namespace platform;
namespace rt = engine::rich_text;

class RichTextThroughWindow : public test::HostedEngine {
 protected:
  void SetUp() override {
    HostedEngine::SetUp();
    test::OpenedTargets().clear();
    view_ = new engine::RichTextBox();
    objects_->AddObject(view_, nullptr);
    view_->Create(300, 200, 0x40F, 0x200);
    view_->SetBackColour(0xFFFFFF);
    view_->MoveTo(400, 300);
    view_->Show();
    Deliver();
  }
  // The window point in the middle of item index.
  std::pair<int, int> ItemMiddle(size_t index) const {
    const engine::RichTextItem& item = view_->ItemAt(index);
    const engine::CanvasObject* canvas = view_->GetCanvas();
    const int x = static_cast<int>(canvas->GetLeft()) + view_->GetTextLeft() + item.x + item.width / 2;
    const int y =
        static_cast<int>(canvas->GetTop()) + view_->GetTextTop() + item.y + item.height / 2 - view_->GetScrollPos();
    return {x, y};
  }
  // Clicks the middle of item index.
  void ClickItem(size_t index) {
    const auto [x, y] = ItemMiddle(index);
    Click(x, y);
    // The link's message to the view comes a tick later.
    Deliver();
  }

  engine::ScopedLinkOpener opener_{&test::RecordOpenedTarget};
  engine::RichTextBox* view_ = nullptr;
};

TEST_F(RichTextThroughWindow, AClickedLinkReachesTheOpenerOnlyForWebAddresses) {
  view_->AppendText("<url_text=http://example.com/a,web> <url_text=file:///etc/passwd,file>");
  Deliver();
  ClickItem(0);
  ASSERT_EQ(test::OpenedTargets().size(), 1u);
  EXPECT_EQ(test::OpenedTargets()[0].first, engine::LinkTargetKind::kWebPage);
  EXPECT_EQ(test::OpenedTargets()[0].second, "http://example.com/a");
  ClickItem(4);
  EXPECT_EQ(test::OpenedTargets().size(), 1u);
  EXPECT_NE(GameLog().find("link target refused (not an http or https address): file:///etc/passwd"),
            std::string::npos);
  // A click beside the links opens nothing.
  ClickItem(3);
  EXPECT_EQ(test::OpenedTargets().size(), 1u);
}

TEST_F(RichTextThroughWindow, DraggingOverTheTextSelectsIt) {
  view_->AppendText("abcdef");
  Deliver();
  const engine::CanvasObject* canvas = view_->GetCanvas();
  const int y = static_cast<int>(canvas->GetTop()) + view_->ItemAt(0).height / 2;
  const int left = static_cast<int>(canvas->GetLeft()) + 1;
  const int right = static_cast<int>(canvas->GetLeft()) + view_->ItemAt(3).x + 1;
  Mouse(WM_MOUSEMOVE, left, y);
  Deliver();
  Mouse(WM_LBUTTONDOWN, left, y, MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, right, y, MK_LBUTTON);
  Mouse(WM_LBUTTONUP, right, y);
  Deliver();
  EXPECT_EQ(view_->GetSelectedText(), "abc");
  EXPECT_NE(view_->IsInputActive(), 0u);
}

TEST_F(RichTextThroughWindow, AnInlineButtonIsDrawnAndClickableAlsoAfterScrollingOutAndBack) {
  auto* paint = dynamic_cast<engine::PaintModule*>(window_->GetCore()->FindModule(engine::module_id::kPaint));
  ASSERT_NE(paint, nullptr);
  test::AddSolidFrames(paint, "dot", 20, 20, {0xC00000});
  std::string text = "<url_btn=http://example.com/b,dot>";
  for (int i = 0; i < 30; ++i) text += "\nline";
  view_->AppendText(text.c_str());
  view_->SetScrollPos(0);
  Deliver();
  ASSERT_EQ(view_->ItemAt(0).kind, engine::RichTextItem::kObject);
  const auto [x, y] = ItemMiddle(0);
  EXPECT_TRUE(test::Near(Pixel(x, y), 0xC00000u));

  // Scrolled out of sight the button is gone from the window; back in sight it shows again.
  view_->SetScrollPos(view_->GetContentHeight());
  Deliver();
  EXPECT_EQ(Pixel(x, y), 0xFFFFFFu);
  view_->SetScrollPos(0);
  Deliver();
  EXPECT_TRUE(test::Near(Pixel(x, y), 0xC00000u));

  ClickItem(0);
  ASSERT_EQ(test::OpenedTargets().size(), 1u);
  EXPECT_EQ(test::OpenedTargets()[0].second, "http://example.com/b");
}

}  // namespace
