// ctest-labels: richtext
#include "engine/ui/rich_text_box.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/canvas_object.h"
#include "engine/core/input_module.h"
#include "engine/ui/inline_object.h"
#include "engine/ui/rich_text_scroll_bar.h"
#include "engine/ui/text_markup.h"
#include "tests/support/rich_text_fixture.h"

namespace {

using engine::InlineObject;
using engine::RichTextBox;
namespace rt = engine::rich_text;

constexpr uint32_t kBars = rt::kViewScrollBars | rt::kViewVerticalBar;

// A row that records the 1050 it is sent and takes the width it is given.
class RowObject : public InlineObject {
 public:
  int OnMessage(const engine::ObjectMessage* message) override {
    if (message != nullptr && message->id == rt::kMsgObjectTooWide) {
      told.push_back(static_cast<int32_t>(message->p1));
      GetCanvas()->ResizeSurface(static_cast<int32_t>(message->p1), 20);
      GetCanvas()->SetSize(static_cast<double>(message->p1), 20);
      return 1;
    }
    return InlineObject::OnMessage(message);
  }
  void Build(int32_t width) {
    engine::CanvasObject* canvas = CreateCanvas(width, 20, 0xFF00FF);
    SetSkin(canvas, 0x1BC0EB);
  }
  engine::CanvasObject* GetCanvas() { return dynamic_cast<engine::CanvasObject*>(CurrentSkin()); }
  std::vector<int32_t> told;
};

// A view that records what its load hook was asked.
class LoadingView : public RichTextBox {
 public:
  int LoadUrl(const char* text, const char* target, int flag, const char* extra) override {
    loads.push_back(std::string(text) + "|" + target + "|" + std::to_string(flag) + "|" + (extra ? extra : "-"));
    return 1;
  }
  std::vector<std::string> loads;
};

class RichTextBoxTest : public test::RichTextFixture {
 protected:
  // Width of one character in the default style, as the view measured it.
  int32_t WidthOf(const char* character) {
    RichTextBox* probe = MakeView<RichTextBox>(100, 50, 0);
    probe->AppendText(character);
    const int32_t width = probe->ItemAt(0).width;
    services_->DeleteObject(probe, false);
    return width;
  }
};

TEST_F(RichTextBoxTest, ChineseTextBreaksBeforeTheCharacterThatWouldPassTheEdge) {
  const int32_t w = WidthOf("一");
  ASSERT_GT(w, 0);
  RichTextBox* view = MakeView<RichTextBox>(200, 100, 0);
  view->Layout(5 * w + w / 2, 100);
  view->AppendText("一二三四五六七八九十一二");
  ASSERT_EQ(view->LineCount(), 3u);
  EXPECT_EQ(view->LineAt(0).end, 5u);
  EXPECT_EQ(view->LineAt(1).end, 10u);
  EXPECT_EQ(view->LineAt(2).end, 12u);
  for (size_t i = 0; i < 12; ++i) EXPECT_EQ(view->ItemAt(i).x, static_cast<int32_t>(i % 5) * w) << i;
  EXPECT_EQ(view->ItemAt(5).y, view->LineAt(0).height);
  EXPECT_EQ(view->LineAt(2).top, 2 * view->LineAt(0).height);
}

TEST_F(RichTextBoxTest, ALatinWordMovesToTheNextLineWholeUnlessItIsAloneOnItsLine) {
  RichTextBox* view = MakeView<RichTextBox>(400, 100, 0);
  view->AppendText("aaa bbbb");
  const int32_t fits = view->ItemAt(5).x + view->ItemAt(5).width + 1;  // "aaa bb" and a pixel
  view->Layout(fits, 100);
  ASSERT_EQ(view->LineCount(), 2u);
  EXPECT_EQ(view->LineAt(0).end, 4u);  // the blank stays at the end of the first line
  EXPECT_EQ(view->ItemAt(4).x, 0);
  // A word longer than the line is broken where it must be.
  view->Clear();
  view->AppendText("bbbbbbbbbb");
  ASSERT_GE(view->LineCount(), 2u);
  const engine::RichTextLine& first = view->LineAt(0);
  EXPECT_LE(first.width, fits);
  EXPECT_GT(first.width + view->ItemAt(first.end).width, fits);
}

TEST_F(RichTextBoxTest, LineFeedsEndLinesAndTheSpacingSeparatesThem) {
  RichTextBox* view = MakeView<RichTextBox>(200, 100, 0);
  view->SetAbsDouble(-5);
  EXPECT_EQ(view->GetLineSpacing(), 5);
  view->AppendText("a\nb\n\nc");
  ASSERT_EQ(view->LineCount(), 4u);
  const int32_t h = view->LineAt(0).height;
  EXPECT_EQ(view->LineAt(1).top, h + 5);
  EXPECT_EQ(view->LineAt(2).height, h);  // an empty line keeps the font's height
  EXPECT_EQ(view->LineAt(3).top, 3 * (h + 5));
  EXPECT_EQ(view->GetContentHeight(), 4 * h + 15);
}

TEST_F(RichTextBoxTest, AppendingScrollsToTheEndAndTheRangeIsTheHiddenPart) {
  RichTextBox* view = MakeView<RichTextBox>(200, 100, kBars);
  for (int i = 0; i < 20; ++i) view->AppendText("line\n");
  const int32_t content = view->GetContentHeight();
  ASSERT_GT(content, 100);
  EXPECT_EQ(view->GetScrollRange(), content - view->GetTextHeight());
  EXPECT_EQ(view->GetScrollPos(), view->GetScrollRange());
  engine::RichTextScrollBar* bar = view->GetScrollBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->GetTotal(), content);
  EXPECT_EQ(bar->GetPage(), view->GetTextHeight());
  EXPECT_EQ(bar->GetPosition(), view->GetScrollRange());
  EXPECT_EQ(view->GetTextWidth(), 200 - bar->GetBarWidth());

  RichTextBox* still = MakeView<RichTextBox>(200, 100, kBars | rt::kViewNoAutoScroll);
  for (int i = 0; i < 20; ++i) still->AppendText("line\n");
  EXPECT_EQ(still->GetScrollPos(), 0);
  still->ScrollToEnd();
  EXPECT_EQ(still->GetScrollPos(), 0);
}

TEST_F(RichTextBoxTest, TheBarAndTheWheelMoveThePage) {
  RichTextBox* view = MakeView<RichTextBox>(200, 100, kBars);
  for (int i = 0; i < 30; ++i) view->AppendText("line\n");
  view->SetScrollPos(0);
  engine::RichTextScrollBar* bar = view->GetScrollBar();
  engine::InputSnapshot snapshot;
  snapshot.x = static_cast<int32_t>(bar->GetLeft()) + 2;
  snapshot.y = static_cast<int32_t>(bar->GetBottom()) - 2;  // the down button
  engine::ObjectMessage press = engine::MakeMessage(bar->GetKey(), engine::QUILLARON_EVENT_LBUTTON_DOWN, 0,
                                                    reinterpret_cast<uintptr_t>(&snapshot));
  bar->OnMessage(&press);
  EXPECT_EQ(view->GetScrollPos(), engine::RichTextScrollBar::kStep);
  // Dragging the thumb to the bottom reaches the end.
  snapshot.y = static_cast<int32_t>(bar->GetTop()) + bar->ThumbTop() + 1;
  bar->OnMessage(&press);
  snapshot.y = static_cast<int32_t>(bar->GetBottom()) + 50;
  engine::ObjectMessage drag =
      engine::MakeMessage(bar->GetKey(), engine::QUILLARON_EVENT_DRAG, 0, reinterpret_cast<uintptr_t>(&snapshot));
  bar->OnMessage(&drag);
  EXPECT_EQ(view->GetScrollPos(), view->GetScrollRange());
  const engine::ObjectMessage wheel = engine::MakeMessage(view->GetKey(), engine::QUILLARON_EVENT_WHEEL_UP, 0, 0);
  view->OnMessage(&wheel);
  EXPECT_EQ(view->GetScrollPos(), view->GetScrollRange() - 48);
}

TEST_F(RichTextBoxTest, AnObjectWiderThanTheTextIsToldTheWidth) {
  RichTextBox* view = MakeView<RichTextBox>(120, 100, 0);
  auto* wide = new RowObject();
  services_->AddToScene(wide);
  wide->Build(300);
  auto* narrow = new RowObject();
  services_->AddToScene(narrow);
  narrow->Build(50);
  view->AppendObject(wide);
  view->AppendObject(narrow);
  EXPECT_EQ(wide->told, std::vector<int32_t>{120});
  EXPECT_TRUE(narrow->told.empty());
  ASSERT_EQ(view->LineCount(), 2u);
  EXPECT_EQ(view->ItemAt(0).width, 120);
  EXPECT_EQ(view->ItemAt(1).y, 20);
}

TEST_F(RichTextBoxTest, ObjectsShowOnlyWhileTheirLineIsInSight) {
  AddPicture("anim", 10, 10, 3, 0xFF0000FF, 100);
  RichTextBox* view = MakeView<RichTextBox>(200, 60, kBars);
  view->AppendText("<m=anim>top\n");
  for (int i = 0; i < 20; ++i) view->AppendText("line\n");
  InlineObject* object = view->ObjectOf(view->ItemAt(0));
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->IsVisible(), 0u);
  EXPECT_FALSE(object->IsShownInView());
  view->SetScrollPos(0);
  EXPECT_NE(object->IsVisible(), 0u);
  EXPECT_TRUE(object->IsShownInView());
  // Placed on its item, clipped to the text area.
  const engine::CanvasObject* canvas = view->GetCanvas();
  EXPECT_EQ(object->GetLeft(), canvas->GetLeft());
  EXPECT_EQ(object->GetTop(), canvas->GetTop() + view->ItemAt(0).y);
  engine::RECT clip{};
  object->GetLimitRect(&clip);
  EXPECT_EQ(clip.bottom, static_cast<int32_t>(canvas->GetTop()) + 60);
  // It follows the view.
  view->MoveTo(view->GetX() + 7, view->GetY());
  EXPECT_EQ(object->GetLeft(), view->GetCanvas()->GetLeft());
  view->Hide();
  EXPECT_EQ(object->IsVisible(), 0u);
  view->Show();
  EXPECT_NE(object->IsVisible(), 0u);
  // Cleared: the object leaves the scene.
  const uint32_t key = object->GetKey();
  view->Clear();
  EXPECT_EQ(objects_->FindObjectByKey(key), nullptr);
}

TEST_F(RichTextBoxTest, TextIsDrawnInsideTheTextAreaOverTheBackground) {
  RichTextBox* view = MakeView<RichTextBox>(100, 40, 0);
  view->SetBackColour(0xFFFFFF);
  view->SetScrollTarget(10, 10);
  view->Layout(60, 20);
  view->SetTextSize(16);
  view->SetTextColor(0x0000FF);
  view->AppendText("一一一一一一一一一一");
  view->Redraw();
  const engine::CanvasObject* canvas = view->GetCanvas();
  int red = 0;
  int outside = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 100; ++x) {
      const uint32_t pixel = canvas->GetPixel(x, y);
      if (pixel == 0xFFFFFF) continue;
      const bool inside = x >= 10 && x < 70 && y >= 10 && y < 30;
      (inside ? red : outside) += 1;
    }
  }
  EXPECT_GT(red, 20);
  EXPECT_EQ(outside, 0);
}

TEST_F(RichTextBoxTest, ThePlainViewReadsItsOwnTagsAndLoadsOnlyWhenAllowed) {
  RichTextBox* view = MakeView<RichTextBox>(300, 100, rt::kViewLinksLive);
  view->SetMaxTextSize(20);
  view->AppendText("<size=14,c=255>a<>#gb<url_text=http://a.cn,go>");
  EXPECT_EQ(test::DescribeItems(*view),
            "\"a\"{c=0000FF,h=14} \"b\"{c=00FF00,h=12} \"go\"{c=FF0000,h=12,u,->http://a.cn}");
  // "s=" and bold's extra pixel are the chat display's.
  view->Clear();
  view->AppendText("<e=b,s=240>x");
  EXPECT_EQ(test::DescribeItems(*view), "\"x\"{c=000000,h=12,b}");

  auto* loading = MakeView<LoadingView>(300, 100, 0);
  loading->AppendText("<url_load=a,b,TRUE,d>x");
  EXPECT_TRUE(loading->loads.empty());
  EXPECT_EQ(test::DescribeItems(*loading), "\"<url_load=a,b,TRUE,d>x\"{c=000000,h=12}");
  auto* allowed = MakeView<LoadingView>(300, 100, rt::kViewLoadAllowed);
  allowed->AppendText("<url_load=a,b,TRUE,d>x<url_load=only>");
  EXPECT_EQ(allowed->loads, std::vector<std::string>{"b|a|1|d"});
}

TEST_F(RichTextBoxTest, SelectionCopiesGlyphsAndTheObjectsPlainText) {
  AddPicture("pic", 8, 8);
  RichTextBox* view = MakeView<RichTextBox>(300, 100, rt::kViewSelection);
  view->AppendText("ab<z=pic>中");
  view->SetSelected(true);
  EXPECT_EQ(view->GetSelectedText(), "ab[图片]中");
  view->RefreshAll();
  EXPECT_EQ(view->GetSelectedText(), "");
}

TEST_F(RichTextBoxTest, ALinkClickMessageOpensOnlyWebPagesHere) {
  RichTextBox* view = MakeView<RichTextBox>(300, 100, rt::kViewLinksLive);
  const char* web = "https://example.com/a?b=1";
  const char* folder = "/tmp";
  for (const char* target : {web, folder}) {
    const engine::ObjectMessage open =
        engine::MakeMessage(view->GetKey(), rt::kMsgOpenLink, reinterpret_cast<uintptr_t>(target), 0);
    view->SendMessage(&open);
  }
  ASSERT_EQ(test::OpenedTargets().size(), 1u);
  EXPECT_EQ(test::OpenedTargets()[0].second, web);
}

TEST(LinkOpenerTest, WebAddressesMustBeHttpOrHttpsOfPlainCharacters) {
  EXPECT_TRUE(engine::IsSafeWebAddress("http://a.cn/x?y=1&z=%20#top"));
  EXPECT_TRUE(engine::IsSafeWebAddress("HTTPS://a.cn"));
  EXPECT_FALSE(engine::IsSafeWebAddress("http://"));
  EXPECT_FALSE(engine::IsSafeWebAddress("file:///etc/passwd"));
  EXPECT_FALSE(engine::IsSafeWebAddress("http://a.cn/ x"));
  EXPECT_FALSE(engine::IsSafeWebAddress("http://a.cn/\"x"));
  EXPECT_FALSE(engine::IsSafeWebAddress("http://a.cn/中"));
  EXPECT_FALSE(engine::IsSafeWebAddress(std::string("http://a.cn/\n")));
  EXPECT_TRUE(engine::IsLocalPath("/home/x"));
  EXPECT_TRUE(engine::IsLocalPath("C:\\game\\temp\\"));
  EXPECT_FALSE(engine::IsLocalPath("temp\\"));
}

TEST(TextMarkupTest, AttributesAreFoundOnlyWhereACharacterStarts) {
  // "\x81" "c" is one double-byte character: its trail byte is no "c=".
  EXPECT_EQ(engine::FindMarkupAttribute("\x81"
                                        "c=5",
                                        "c="),
            std::string_view::npos);
  EXPECT_EQ(engine::FindMarkupAttribute("a,c=5", "c="), 2u);
  EXPECT_EQ(engine::MarkupValueAt("face=黑体;size=14", 5), "黑体");
  EXPECT_EQ(engine::ReadMarkupNumber(" -12x"), -12);
  EXPECT_EQ(engine::ReadMarkupNumber("99999999999"), INT32_MAX);
  EXPECT_EQ(engine::ReadMarkupNumber("x"), 0);
  EXPECT_EQ(engine::ReadMarkupHexColour("123456"), 0x563412u);
  EXPECT_EQ(engine::TwipsToPixels(240), 16);
}

TEST(TextMarkupTest, EscapedTextShowsAsItStands) {
  EXPECT_EQ(engine::EscapeMarkupText("a<c=255>#r"), "a#<c=255#>##r");
  EXPECT_EQ(engine::EscapeMarkupText("名字"), "名字");
  // A lead byte without its trail byte would take the next byte of the markup with it.
  EXPECT_EQ(engine::EscapeMarkupText("ab\xB0"), "ab");
  EXPECT_EQ(engine::EscapeMarkupText("\xB0<x"), "#<x");
  // Control characters only where asked for (an edit box's own lines).
  EXPECT_EQ(engine::EscapeMarkupText("a\r\n\tb"), "ab");
  EXPECT_EQ(engine::EscapeMarkupText("a\nb", engine::kKeepControls), "a\nb");
}

TEST(TextMarkupTest, AFolderIsLinkedOnlyWhenItsNameCanStandInTheTag) {
  EXPECT_EQ(engine::FolderLinkMarkup("/srv/zp/temp/", "临时目录"), "<url_text=/srv/zp/temp/,临时目录>");
  for (const char* folder : {"/a;b/", "/a,b/", "/a=b/", "/a#r/", "/notify/"}) {
    EXPECT_EQ(engine::FolderLinkMarkup(folder, "x"), engine::EscapeMarkupText(folder)) << folder;
  }
}

}  // namespace
