// ctest-labels: richtext
// A link in a rich-text view clicked through the headless window: the mouse messages reach the
// view through the input module, the link posts 80000007 to the view, and only an http or https
// target reaches the opener.
#include <gtest/gtest.h>

#include <string>

#include "engine/core/canvas_object.h"
#include "engine/ui/link_opener.h"
#include "engine/ui/rich_text_box.h"
#include "platform/win_messages.h"
#include "tests/support/hosted_engine.h"
#include "tests/support/rich_text_fixture.h"

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
  // Clicks the middle of item index.
  void ClickItem(size_t index) {
    const engine::RichTextItem& item = view_->ItemAt(index);
    const engine::CanvasObject* canvas = view_->GetCanvas();
    const int x = static_cast<int>(canvas->GetLeft()) + view_->GetTextLeft() + item.x + item.width / 2;
    const int y =
        static_cast<int>(canvas->GetTop()) + view_->GetTextTop() + item.y + item.height / 2 - view_->GetScrollPos();
    Mouse(WM_MOUSEMOVE, x, y);
    Deliver();
    Mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, x, y);
    Deliver();
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

}  // namespace
