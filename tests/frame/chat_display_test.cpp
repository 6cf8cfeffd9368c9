// ctest-labels: richtext
#include "frame/chat_display.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/core/canvas_object.h"
#include "engine/core/input_module.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/inline_object.h"
#include "engine/ui/link_object.h"
#include "engine/ui/rich_text_scroll_bar.h"
#include "tests/support/rich_text_fixture.h"

namespace {

using engine::LinkTargetKind;
using frame::ChatDisplay;

// The chat box's view: links live, scroll bars, pointer and selection.
constexpr uint32_t kChatStyle = 0x40F;

class ChatDisplayTest : public test::RichTextFixture {
 protected:
  void SetUp() override {
    RichTextFixture::SetUp();
    view_ = MakeView<ChatDisplay>(300, 200, kChatStyle);
    view_->SetMaxTextSize(30);
    view_->SetTextSize(12);
    view_->SetTextColor(0);
  }
  // Appends one text as the chat box does and describes the whole item list.
  std::string Read(const char* text) {
    view_->Clear();
    view_->ResetStyle();
    view_->AppendText(text);
    return test::DescribeItems(*view_);
  }
  // The view's message for a pointer event at the centre of item index.
  void PointAt(size_t index, uint32_t event) {
    const engine::RichTextItem& item = view_->ItemAt(index);
    engine::CanvasObject* canvas = view_->GetCanvas();
    engine::InputSnapshot snapshot;
    snapshot.x = static_cast<int32_t>(canvas->GetLeft()) + view_->GetTextLeft() + item.x + item.width / 2;
    snapshot.y =
        static_cast<int32_t>(canvas->GetTop()) + view_->GetTextTop() + item.y + item.height / 2 - view_->GetScrollPos();
    const engine::ObjectMessage message =
        engine::MakeMessage(view_->GetKey(), event, 0, reinterpret_cast<uintptr_t>(&snapshot));
    view_->OnMessage(&message);
  }

  ChatDisplay* view_ = nullptr;
};

TEST_F(ChatDisplayTest, TagsSetColourSizeAndBoldUntilTheEmptyTagRestoresTheStart) {
  EXPECT_EQ(Read("<c=255,e=b,s=240>text<>more"), "\"text\"{c=0000FF,h=17,b} \"more\"{c=000000,h=12}");
  EXPECT_EQ(Read("<s=180>a<size=14>b"), "\"a\"{c=000000,h=12} \"b\"{c=000000,h=14}");
  EXPECT_EQ(Read("<e=u>u<e=i>i"), "\"u\"{c=000000,h=12,u} \"i\"{c=000000,h=12,i,u}");
}

TEST_F(ChatDisplayTest, EveryTagReadUnderBoldAddsAPixelUpToTheBound) {
  EXPECT_EQ(Read("<e=b><c=0><c=0>x"), "\"x\"{c=000000,h=15,b}");
  EXPECT_EQ(Read("<e=b>a#rb"), "\"a\"{c=000000,h=13,b} \"b\"{c=0000FF,h=14,b}");
  view_->SetMaxTextSize(14);
  EXPECT_EQ(Read("<e=b><c=0><c=0><c=0><c=0>x"), "\"x\"{c=000000,h=14,b}");
}

TEST_F(ChatDisplayTest, SizesFromOtherPlayersAreHeldBetweenOneAndTheBound) {
  EXPECT_EQ(Read("<size=0>a"), "\"a\"{c=000000,h=1}");
  EXPECT_EQ(Read("<size=-5>a"), "\"a\"{c=000000,h=1}");
  EXPECT_EQ(Read("<s=10>a"), "\"a\"{c=000000,h=1}");
  EXPECT_EQ(Read("<size=99999999999>a"), "\"a\"{c=000000,h=30}");
  EXPECT_EQ(Read("<s=2147483647>a"), "\"a\"{c=000000,h=30}");
}

TEST_F(ChatDisplayTest, HashEscapesDigitsAndColourLetters) {
  EXPECT_EQ(Read("##a#<b#>c#/d"), "\"#a<b>c/d\"{c=000000,h=12}");
  EXPECT_EQ(Read("#12"), "\"#12\"{c=000000,h=12}");
  EXPECT_EQ(Read("#rred"), "\"red\"{c=0000FF,h=12}");
  EXPECT_EQ(Read("#Bblue#kblack"), "\"blue\"{c=FF0000,h=12} \"black\"{c=000000,h=12}");
  EXPECT_EQ(Read("#xq"), "\"#xq\"{c=000000,h=12}");
  EXPECT_EQ(Read("a#"), "\"a#\"{c=000000,h=12}");
}

TEST_F(ChatDisplayTest, ColoursInHexAndFacesWithTheirSize) {
  EXPECT_EQ(Read("<color=00FF00>g"), "\"g\"{c=00FF00,h=12}");
  EXPECT_EQ(Read("<color=12>r"), "\"r\"{c=000012,h=12}");
  EXPECT_EQ(Read("<color=zz00ff>x"), "\"x\"{c=FF0000,h=12}");
  EXPECT_EQ(Read("<face=黑体;size=14>x"), "\"x\"{c=000000,h=14,f=黑体}");
  // An empty face: drawn in the default face.
  EXPECT_EQ(Read("<face=>x"), "\"x\"{c=000000,h=12,f=}");
  // A face name longer than its field is cut to 31 bytes, between characters.
  EXPECT_EQ(Read("<face=一二三四五六七八九十一二三四五六七八>x"),
            "\"x\"{c=000000,h=12,f=一二三四五六七八九十一二三四五}");
}

TEST_F(ChatDisplayTest, NotifyUnknownAndUnclosedTagsChangeNothing) {
  EXPECT_EQ(Read("<notify>"), "");
  EXPECT_EQ(Read("<foo>x"), "\"<foo>x\"{c=000000,h=12}");
  EXPECT_EQ(Read("a<c=255 b"), "\"a<c=255 b\"{c=000000,h=12}");
  EXPECT_EQ(Read("<"), "\"<\"{c=000000,h=12}");
  EXPECT_EQ(Read("a\r\nb"), "\"a\nb\"{c=000000,h=12}");
}

TEST_F(ChatDisplayTest, NoStateSurvivesFromOneAppendToTheNext) {
  view_->ResetStyle();
  view_->AppendText("<c=255,e=b>red");
  view_->ResetStyle();
  view_->AppendText("plain");
  EXPECT_EQ(test::DescribeItems(*view_), "\"red\"{c=0000FF,h=13,b} \"plain\"{c=000000,h=12}");
}

TEST_F(ChatDisplayTest, ALoneLeadByteAtTheEndIsOneCharacter) {
  EXPECT_EQ(Read("ab\xB0"), "\"ab\xB0\"{c=000000,h=12}");
  ASSERT_EQ(view_->ItemCount(), 3u);
  EXPECT_EQ(view_->ItemAt(2).length, 1);
  // A lead byte before a byte that cannot follow it does not swallow that byte.
  EXPECT_EQ(Read("\xB0<c=255>x"), "\"\xB0\"{c=000000,h=12} \"x\"{c=0000FF,h=12}");
  EXPECT_EQ(Read("一二"), "\"一二\"{c=000000,h=12}");
  EXPECT_EQ(view_->ItemCount(), 2u);
}

TEST_F(ChatDisplayTest, LiveLinksAreBlueUnderlinedAndShowTheirText) {
  EXPECT_EQ(Read("<url_text=/tmp/rec,录像目录>"), "\"录像目录\"{c=FF0000,h=12,u,->/tmp/rec}");
  EXPECT_EQ(view_->ItemAt(0).flags, engine::rich_text::kItemLinkFirst);
  EXPECT_EQ(view_->ItemAt(3).flags, engine::rich_text::kItemLinkLast);
  EXPECT_EQ(Read("<url=http://a.cn/x>"), "\"http://a.cn/x\"{c=FF0000,h=12,u,->http://a.cn/x}");
  // Fewer than two values: nothing.
  EXPECT_EQ(Read("<url_text=http://a.cn>x"), "\"x\"{c=000000,h=12}");
  view_->SetReadOnly(false);
  EXPECT_EQ(Read("<url_text=http://a.cn,site>"), "\"site\"{c=000000,h=12}");
  EXPECT_EQ(Read("<c=255><url=http://a.cn>"), "\"http://a.cn\"{c=0000FF,h=12}");
}

TEST_F(ChatDisplayTest, ASelfLinkTakesTheTextUpToTheEmptyTagAndUsesItUp) {
  EXPECT_EQ(Read("<e=l>abc<>def"), "\"abc\"{c=FF0000,h=12,u,->abc} \"def\"{c=000000,h=12}");
  // The "<>" that closed the link does not restore: def keeps the red from before.
  EXPECT_EQ(Read("<c=255><e=l>abc<>def"), "\"abc\"{c=FF0000,h=12,u,->abc} \"def\"{c=0000FF,h=12}");
  // No run: a '>' before the '<', or no "<>" at all.
  EXPECT_EQ(Read("<e=l>a>b<>c"), "\"a>bc\"{c=000000,h=12}");
  EXPECT_EQ(Read("<e=l>abc"), "\"abc\"{c=000000,h=12}");
  view_->SetReadOnly(false);
  EXPECT_EQ(Read("<c=255><e=l>abc<>def"), "\"abc\"{c=0000FF,h=12} \"def\"{c=000000,h=12}");
}

TEST_F(ChatDisplayTest, EmoticonsAreLoopingAnimationsOnlyWhenTheirPictureExists) {
  AddPicture("qzf加油", 24, 20, 3, 0xFF00FF00, 100);
  EXPECT_EQ(Read("a#加油b"), "\"a\"{c=000000,h=12} [obj #加油 24x20] \"b\"{c=000000,h=12}");
  engine::InlineObject* emoticon = view_->ObjectOf(view_->ItemAt(1));
  ASSERT_NE(emoticon, nullptr);
  EXPECT_TRUE(emoticon->IsAnimated());
  EXPECT_TRUE(emoticon->IsShownInView());
  EXPECT_EQ(view_->GetPlainText(0, view_->ItemCount()), "a#加油b");
  EXPECT_EQ(Read("<#加油>"), "[obj #加油 24x20]");
  EXPECT_EQ(Read("#哈哈"), "\"#哈哈\"{c=000000,h=12}");
  // A token too short for a code is read as text, never past its tag.
  EXPECT_EQ(Read("<#ab>"), "\"<#ab>\"{c=000000,h=12}");
  EXPECT_EQ(Read("#加"), "\"#加\"{c=000000,h=12}");
}

TEST_F(ChatDisplayTest, PictureAndAnimationTags) {
  AddPicture("qm系统通知", 16, 16);
  AddPicture("bit_Duan", 10, 12, 4);
  EXPECT_EQ(Read("<z=qm系统通知>x"), "[obj [图片] 16x16] \"x\"{c=000000,h=12}");
  EXPECT_EQ(Read("<z=bit_Duan,2>"), "[obj [图片] 10x12]");
  EXPECT_EQ(Read("<m=bit_Duan,,20,8>"), "[obj [图片] 20x8]");
  EXPECT_EQ(Read("<z=bit_Duan,0,5000,-3>"), "[obj [图片] 1024x12]");
  // A tag without a value is not one; a missing picture shows nothing.
  EXPECT_EQ(Read("<z=>"), "\"<z=>\"{c=000000,h=12}");
  EXPECT_EQ(Read("<z=nowhere>x"), "\"x\"{c=000000,h=12}");
}

TEST_F(ChatDisplayTest, ClickingALinkOpensOnlyCheckedTargets) {
  const std::string folder = dir_.string();
  const std::string line = "<url_text=" + folder + ",录像目录><url_text=http://example.com/p,web>" +
                           "<url_text=/etc/passwd,file><url_text=javascript:alert(1),js>";
  view_->AppendText(line.c_str());
  ASSERT_EQ(view_->ItemCount(), 4u + 3u + 4u + 2u);
  for (size_t index : {0u, 4u, 7u, 11u}) {
    PointAt(index, engine::QUILLARON_EVENT_CLICK);
    Pass();
  }
  ASSERT_EQ(test::OpenedTargets().size(), 2u);
  EXPECT_EQ(test::OpenedTargets()[0], std::make_pair(LinkTargetKind::kLocalFolder, folder));
  EXPECT_EQ(test::OpenedTargets()[1], std::make_pair(LinkTargetKind::kWebPage, std::string("http://example.com/p")));
  EXPECT_NE(GameLog().find("link target refused (no such folder): /etc/passwd"), std::string::npos);
  EXPECT_NE(GameLog().find("link target refused (not an http or https address): javascript:alert(1)"),
            std::string::npos);
}

TEST_F(ChatDisplayTest, AClickFromALinkThatWasClearedOpensNothing) {
  view_->AppendText("<url=http://example.com/>");
  PointAt(0, engine::QUILLARON_EVENT_CLICK);
  view_->Clear();
  Pass();
  EXPECT_TRUE(test::OpenedTargets().empty());
}

TEST_F(ChatDisplayTest, HoverPictureFollowsThePointerOverALink) {
  AddPicture("tip", 30, 10);
  view_->AppendText("ab<url_text=http://x.cn/,go,tip>");
  PointAt(2, engine::QUILLARON_EVENT_MOUSE_MOVE);
  auto* link = dynamic_cast<engine::LinkObject*>(objects_->FindObjectByKey(view_->ItemAt(2).link));
  ASSERT_NE(link, nullptr);
  EXPECT_TRUE(link->IsHovered());
  ASSERT_NE(link->GetHoverPicture(), nullptr);
  EXPECT_NE(link->GetHoverPicture()->IsVisible(), 0u);
  PointAt(0, engine::QUILLARON_EVENT_MOUSE_MOVE);
  EXPECT_FALSE(link->IsHovered());
  EXPECT_EQ(link->GetHoverPicture()->IsVisible(), 0u);
}

TEST_F(ChatDisplayTest, ANarrowBackgroundPictureIsDrawnInThreeSlices) {
  // Columns 0-9 red, 10-11 green, 12-19 blue: the halves and the two-column middle differ.
  std::vector<uint32_t> pixels(20 * 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 20; ++x) pixels[y * 20 + x] = x < 10 ? 0xFFFF0000 : (x < 12 ? 0xFF00FF00 : 0xFF0000FF);
  }
  engine::ImageRecord record;
  record.width = 20;
  record.height = 4;
  record.pixels = reinterpret_cast<uint8_t*>(pixels.data());
  record.data_size = 20 * 4 * 4;
  record.frame_count = 1;
  record.frame_columns = 1;
  record.flags = engine::kImageFlagAlpha;
  engine::PictureInfo info;
  info.record = &record;
  info.width = 20;
  info.height = 4;
  paint_->AddPicture("strip", &info);
  const engine::PictureInfo strip = services_->GetPictureInfo("strip", 0);
  view_->DrawBackImage(&strip, 0, 0, 100, 4);
  engine::CanvasObject* back = view_->GetBackground();
  EXPECT_EQ(back->GetPixel(0, 1), 0x0000FFu);  // left half: red
  EXPECT_EQ(back->GetPixel(9, 1), 0x0000FFu);
  EXPECT_EQ(back->GetPixel(10, 1), 0x00FF00u);  // the middle: the two columns at 10, stretched
  EXPECT_EQ(back->GetPixel(89, 1), 0x00FF00u);
  EXPECT_EQ(back->GetPixel(90, 1), 0x00FF00u);  // right half: source columns 10-19
  EXPECT_EQ(back->GetPixel(92, 1), 0xFF0000u);
  EXPECT_EQ(back->GetPixel(99, 1), 0xFF0000u);
  EXPECT_EQ(back->GetPixel(100, 1), 0u);  // nothing beyond the width
}

TEST_F(ChatDisplayTest, TheScrollBarStandsFivePixelsRightOfTheText) {
  view_->SetScrollTarget(0, 3);
  view_->Layout(288, 193);
  ASSERT_NE(view_->GetScrollBar(), nullptr);
  const int32_t bar = view_->GetScrollBar()->GetBarWidth();
  EXPECT_EQ(view_->GetTextWidth(), 288 - bar);
  const double text_right = view_->GetCanvas()->GetLeft() + view_->GetTextLeft() + view_->GetTextWidth();
  EXPECT_EQ(view_->GetScrollBar()->GetLeft(), text_right + 5);
}

TEST_F(ChatDisplayTest, LosingTheFocusForgetsTheSelectionAndHidesWhenAsked) {
  view_->AppendText("abcdef");
  view_->SetSelected(true);
  EXPECT_EQ(view_->GetSelectedText(), "abcdef");
  view_->OnFocusLost();
  EXPECT_EQ(view_->GetSelectedText(), "");
  EXPECT_NE(view_->IsVisible(), 0u);
  auto* hiding = MakeView<ChatDisplay>(100, 50, kChatStyle | engine::rich_text::kViewHideOnFocusLoss);
  hiding->OnFocusLost();
  EXPECT_EQ(hiding->IsVisible(), 0u);
}

TEST_F(ChatDisplayTest, ResetStyleSetsOnlyItsFiveFields) {
  engine::LOGFONTA font = view_->GetFont();
  font.lfHeight = 20;
  font.lfWeight = 700;
  font.lfItalic = 1;
  font.lfWidth = 7;
  engine::SetFaceName(font, "黑体");
  view_->SetFont(font);
  view_->SetTextColor(0xFF);
  view_->ResetStyle();
  EXPECT_EQ(view_->GetTextColor(), 0u);
  EXPECT_EQ(view_->GetFont().lfHeight, 12);
  EXPECT_EQ(view_->GetFont().lfWeight, 400);
  EXPECT_EQ(view_->GetFont().lfItalic, 0);
  EXPECT_STREQ(view_->GetFont().lfFaceName, "宋体");
  EXPECT_EQ(view_->GetFont().lfWidth, 7);
}

}  // namespace
