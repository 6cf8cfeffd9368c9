// ctest-labels: chat tsan
// The chat box in the client's headless window: its display on the box's rectangle with the skin
// painted behind the text, lines and notices appended and scrolled to, and the emoticon picker
// opened, closed and picked from with the mouse, in step with the system bar's emoticon button.
#include "frame/chat_box.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/skin-gen/skin_inventory.h"
#include "engine/core/canvas_object.h"
#include "engine/core/input_module.h"
#include "engine/core/sprite_object.h"
#include "engine/media/paint_module.h"
#include "engine/media/resource_module.h"
#include "engine/ui/image_button.h"
#include "engine/ui/rich_text_box.h"
#include "engine/ui/rich_text_scroll_bar.h"
#include "frame/chat_display.h"
#include "frame/emoticon_picker.h"
#include "platform/gbk.h"
#include "platform/win_messages.h"
#include "tests/support/colour_match.h"
#include "tests/support/hosted_engine.h"
#include "tests/support/solid_pictures.h"

namespace {

using engine::ImageButton;
using engine::ObjectMessage;
using frame::ChatBox;
using frame::ChatDisplay;
using frame::EmoticonPicker;

constexpr uint32_t kHeadColour = 0x204060;  // 0x00RRGGBB
constexpr uint32_t kBodyColour = 0x608040;
constexpr int kHeadHeight = 24;
constexpr int kBodyHeight = 32;
constexpr int kInputBarHeight = 62;
constexpr uint32_t kToggleEmoticons = 19840396;

// COLORREF of a 0x00RRGGBB picture colour.
uint32_t ColourRef(uint32_t rgb) { return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF); }

// A stand-in side panel: a rectangle, the emoticon button's click toggles the picker, and what
// the picker sends is kept.
class TestPanel : public engine::RectObject {
 public:
  int OnMessage(const ObjectMessage* message) override {
    if (message->id == kToggleEmoticons) {
      ++toggles;
      if (auto* box = dynamic_cast<ChatBox*>(FindObjectByName("ChatBox"))) box->ToggleEmoticonPicker();
      return 1;
    }
    if (message->id == EmoticonPicker::kMsgPickEmoticon || message->id == EmoticonPicker::kMsgInsertEmoticon) {
      picks.push_back(reinterpret_cast<const char*>(message->p1));
      return 1;
    }
    return RectObject::OnMessage(message);
  }
  int toggles = 0;
  std::vector<std::string> picks;
};

class ChatBoxTest : public test::HostedEngine {
 protected:
  void SetUp() override {
    HostedEngine::SetUp();
    engine::GameCore* core = window_->GetCore();
    paint_ = dynamic_cast<engine::PaintModule*>(core->FindModule(engine::module_id::kPaint));
    resources_ = dynamic_cast<engine::ResourceModule*>(core->FindModule(engine::module_id::kResource));
    ASSERT_NE(paint_, nullptr);
    ASSERT_NE(resources_, nullptr);
    test::AddSolidFrames(paint_, "SystemChatBox1", 250, kHeadHeight, {kHeadColour});
    test::AddSolidFrames(paint_, "SystemChatBox2", 250, kBodyHeight, {kBodyColour});
    test::AddSolidFrames(paint_, "SystemInputBar", 250, kInputBarHeight, {0x808080});
    test::AddSolidFrames(paint_, "btnFace", 24, 22, {0x102030, 0x203040, 0x304050, 0x405060});
    test::AddSolidFrames(paint_, "qzf向前翻页", 30, 30, {0x101010, 0x202020, 0x303030, 0x404040});
    test::AddSolidFrames(paint_, "qzf向后翻页", 30, 30, {0x505050, 0x606060, 0x707070, 0x808080});
    for (const char* name : {"微笑", "大笑", "得意"}) {
      test::AddSolidFrames(paint_, std::string("qzfs") + name, 32, 32, {0xC08030});
      test::AddSolidFrames(paint_, std::string("qzf") + name, 32, 32, {0xC08030, 0x3080C0});
    }

    panel_ = new TestPanel();
    objects_->AddObject(panel_, nullptr);
    panel_->SetName("SubSystem");
    const engine::RECT panel{550, 0, 800, 600};
    panel_->SetRect(&panel);
  }

  void SetIndex(const std::string& text) {
    auto* bytes = new uint8_t[text.size() + 1]();
    std::memcpy(bytes, text.data(), text.size());
    resources_->RegisterMemory("表情索引.text", bytes, static_cast<uint32_t>(text.size()));
  }

  // A box as the side panel makes it: added, then placed and sized, shown and laid out.
  ChatBox* MakeBox(int width = 250, int height = 300, double x = 675, double y = 300) {
    auto* box = new ChatBox();
    panel_->AddToScene(box);
    box->MoveTo(x, y);
    box->Resize(width, height);
    box->Show();
    box->Invalidate();
    box->Layout();
    Deliver();
    return box;
  }

  // The emoticon button of the system bar, at (600, 560), clicked through to the panel.
  ImageButton* MakeEmoticonButton() {
    auto* button = new ImageButton();
    objects_->AddObject(button, nullptr);
    const engine::PictureInfo picture = button->GetPictureInfo("btnFace", 0);
    const ObjectMessage click = engine::MakeMessage(panel_->GetKey(), kToggleEmoticons, 0, 0);
    button->Create(&picture, &click, 0, 4);
    button->SetName(ChatBox::kEmoticonButtonName);
    button->MoveTo(600, 560);
    button->Show();
    button->Invalidate();
    Deliver();
    return button;
  }

  void Click(int x, int y) {
    Mouse(platform::WM_MOUSEMOVE, x, y);
    Mouse(platform::WM_LBUTTONDOWN, x, y, platform::MK_LBUTTON);
    Mouse(platform::WM_LBUTTONUP, x, y);
    Deliver();
  }
  uint32_t Focus() const {
    engine::InputSnapshot snapshot;
    input_->GetSnapshot(&snapshot);
    return snapshot.focus;
  }
  static const engine::RichTextItem* LastGlyph(const ChatDisplay& display) {
    for (size_t i = display.ItemCount(); i-- > 0;) {
      const engine::RichTextItem& item = display.ItemAt(i);
      if (item.kind == engine::RichTextItem::kGlyph && !item.IsLineFeed()) return &item;
    }
    return nullptr;
  }

  engine::PaintModule* paint_ = nullptr;
  engine::ResourceModule* resources_ = nullptr;
  TestPanel* panel_ = nullptr;
};

TEST_F(ChatBoxTest, TheBoxNamesItselfAndBuildsItsDisplay) {
  ChatBox* box = MakeBox();
  EXPECT_EQ(objects_->FindObjectByName("ChatBox"), box);
  ChatDisplay* display = box->GetDisplay();
  ASSERT_NE(display, nullptr);
  EXPECT_EQ(display->GetStyle() & 0x40F, 0x40Fu);
  EXPECT_NE(display->GetStyle() & engine::rich_text::kViewBackColour, 0u);
  EXPECT_EQ(display->GetMaxTextSize(), 30);
  EXPECT_EQ(display->GetLineSpacing(), 5);
  EXPECT_TRUE(display->IsVisible());
  EXPECT_EQ(box->GetPicker(), nullptr);
}

TEST_F(ChatBoxTest, TheDisplayCoversTheBoxWithItsTextInsetFromTheEdges) {
  ChatBox* box = MakeBox(250, 300, 675, 290);
  ChatDisplay* display = box->GetDisplay();
  EXPECT_DOUBLE_EQ(display->GetX(), 675);
  EXPECT_DOUBLE_EQ(display->GetY(), 290);
  EXPECT_DOUBLE_EQ(display->GetWidth(), 250);
  EXPECT_DOUBLE_EQ(display->GetHeight(), 300);
  EXPECT_EQ(display->GetTextLeft(), 0);
  EXPECT_EQ(display->GetTextTop(), 3);
  EXPECT_EQ(display->GetTextHeight(), 300 - 7);
  const int32_t bar = display->GetScrollBar() != nullptr ? display->GetScrollBar()->GetBarWidth() : 0;
  EXPECT_EQ(display->GetTextWidth(), 250 - 12 - bar);
  // Resized by the panel: laid out again.
  box->Resize(200, 150);
  box->Layout();
  EXPECT_DOUBLE_EQ(display->GetWidth(), 200);
  EXPECT_EQ(display->GetTextHeight(), 150 - 7);
}

TEST_F(ChatBoxTest, AWrappedLineGoesOnClearOfTheBordersAndTheNextLineStartsAtTheEdge) {
  ChatBox* box = MakeBox(250, 300);
  ChatDisplay* display = box->GetDisplay();
  std::string long_line = " ";
  for (int i = 0; i < 30; ++i) long_line += "、张三";
  // All in one text, and one line per text as the chat adds them: the second is laid out from
  // the long line's last rows on.
  for (const bool per_line : {false, true}) {
    display->Clear();
    if (per_line) {
      box->AppendText((long_line + "\n").c_str());
      box->AppendText(" next\n");
    } else {
      box->AppendText((long_line + "\n next\n").c_str());
    }
    const size_t last = display->LineCount() - 1;
    ASSERT_GE(last, 3u);
    for (size_t l = 1; l < last; ++l) {
      EXPECT_EQ(display->ItemAt(display->LineAt(l).first).x, ChatBox::kWrapIndent) << per_line << " row " << l;
    }
    EXPECT_EQ(display->ItemAt(display->LineAt(last).first).x, 0) << per_line;
  }
}

TEST_F(ChatBoxTest, ADragOverTheTextSelectsItAndTheBoxStaysWhereItIs) {
  ChatBox* box = MakeBox(250, 300, 675, 300);  // x 550..800, y 150..450
  for (const char* line : {" one\n", " two\n", " three\n", " four\n"}) box->AppendText(line);
  // Pressed right of the first line's text, moved 8 times by (5, 5), let go.
  Mouse(platform::WM_MOUSEMOVE, 700, 158);
  Mouse(platform::WM_LBUTTONDOWN, 700, 158, platform::MK_LBUTTON);
  for (int i = 1; i <= 8; ++i) Mouse(platform::WM_MOUSEMOVE, 700 + 5 * i, 158 + 5 * i, platform::MK_LBUTTON);
  Mouse(platform::WM_LBUTTONUP, 740, 198);
  Deliver();
  EXPECT_EQ(box->GetDisplay()->GetSelectedText(), "\n two\n three");
  EXPECT_DOUBLE_EQ(box->GetDisplay()->GetX(), 675);
  EXPECT_DOUBLE_EQ(box->GetDisplay()->GetY(), 300);
}

TEST_F(ChatBoxTest, AHeadPieceAloneFillsABoxOfItsHeight) {
  ChatBox* box = MakeBox(250, kHeadHeight);
  engine::CanvasObject* back = box->GetDisplay()->GetBackground();
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->GetPixel(10, 0), ColourRef(kHeadColour));
  EXPECT_EQ(back->GetPixel(240, kHeadHeight - 1), ColourRef(kHeadColour));
}

TEST_F(ChatBoxTest, TheBodyIsTiledBelowTheHeadAndTheLastPieceIsCutByTheEdge) {
  const int height = kHeadHeight + kBodyHeight * 5 / 2;  // h1 + 2.5 h2: three body pieces
  ChatBox* box = MakeBox(250, height);
  engine::CanvasObject* back = box->GetDisplay()->GetBackground();
  EXPECT_EQ(back->GetPixel(10, kHeadHeight - 1), ColourRef(kHeadColour));
  EXPECT_EQ(back->GetPixel(10, kHeadHeight), ColourRef(kBodyColour));
  EXPECT_EQ(back->GetPixel(10, kHeadHeight + 2 * kBodyHeight + 5), ColourRef(kBodyColour));
  EXPECT_EQ(back->GetPixel(10, height - 1), ColourRef(kBodyColour));
}

TEST_F(ChatBoxTest, WithoutABodyPictureOnlyTheHeadIsDrawn) {
  paint_->RemovePicture("SystemChatBox2");
  ChatBox* box = MakeBox(250, 100);
  engine::CanvasObject* back = box->GetDisplay()->GetBackground();
  EXPECT_EQ(back->GetPixel(10, 5), ColourRef(kHeadColour));
  EXPECT_NE(back->GetPixel(10, 50), ColourRef(kBodyColour));
}

TEST_F(ChatBoxTest, LinesAreAppendedInTheDefaultStyleAndScrolledTo) {
  ChatBox* box = MakeBox(250, 100);
  ChatDisplay* display = box->GetDisplay();
  box->AppendText("<c=255,e=b>红色");
  // The display's state after a tag or a change does not reach the next line.
  display->SetTextSize(20);
  display->SetTextColor(0xFF);
  box->AppendText(" 平常\r\n");
  const engine::RichTextItem* last = LastGlyph(*display);
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->Text(), "常");
  EXPECT_EQ(display->StyleOf(*last).colour, 0u);
  EXPECT_EQ(display->StyleOf(*last).font.lfHeight, 12);
  for (int i = 0; i < 40; ++i) box->AppendText(("第" + std::to_string(i) + "行\r\n").c_str());
  EXPECT_GT(display->GetScrollRange(), 0);
  EXPECT_EQ(display->GetScrollPos(), display->GetScrollRange());
  EXPECT_NE(display->GetPlainText(0, display->ItemCount()).find("第39行"), std::string::npos);
}

TEST_F(ChatBoxTest, ANoticeMayBeLargeButTheNextChatLineIsBoundAsBefore) {
  ChatBox* box = MakeBox();
  ChatDisplay* display = box->GetDisplay();
  box->AppendNotice("<size=200>通知");
  EXPECT_EQ(display->StyleOf(*LastGlyph(*display)).font.lfHeight, 200);
  EXPECT_EQ(display->GetMaxTextSize(), 30);
  box->AppendText("<size=200>x");
  EXPECT_EQ(display->StyleOf(*LastGlyph(*display)).font.lfHeight, 30);
  EXPECT_EQ(display->GetScrollPos(), display->GetScrollRange());
}

TEST_F(ChatBoxTest, ANoticesLinksAreLiveAndTheDisplaysOwnSettingComesBack) {
  ChatBox* box = MakeBox();
  ChatDisplay* display = box->GetDisplay();
  display->SetReadOnly(false);
  box->AppendNotice("<url_text=http://example.com/,公告>");
  bool linked = false;
  for (size_t i = 0; i < display->ItemCount(); ++i) linked |= display->ItemAt(i).link != 0;
  EXPECT_TRUE(linked);
  EXPECT_EQ(display->GetStyle() & engine::rich_text::kViewLinksLive, 0u);
  display->SetReadOnly(true);
  box->AppendNotice("x");
  EXPECT_NE(display->GetStyle() & engine::rich_text::kViewLinksLive, 0u);
}

TEST_F(ChatBoxTest, ClearEmptiesTheDisplay) {
  ChatBox* box = MakeBox();
  box->AppendText("一行\r\n");
  ASSERT_GT(box->GetDisplay()->ItemCount(), 0u);
  box->Clear();
  EXPECT_EQ(box->GetDisplay()->ItemCount(), 0u);
  box->AppendText(nullptr);
  box->AppendNotice(nullptr);
  EXPECT_EQ(box->GetDisplay()->ItemCount(), 0u);
}

TEST_F(ChatBoxTest, TheDisplayHidesAndShowsWithTheBox) {
  ChatBox* box = MakeBox();
  box->Hide();
  EXPECT_FALSE(box->GetDisplay()->IsVisible());
  box->Show();
  EXPECT_TRUE(box->GetDisplay()->IsVisible());
}

TEST_F(ChatBoxTest, TheFirstToggleMakesThePickerOnTheInputBarWithTheIndexLoaded) {
  SetIndex("微笑=1|大笑=2|得意=3|");
  ImageButton* button = MakeEmoticonButton();
  ChatBox* box = MakeBox();
  box->ToggleEmoticonPicker();
  Deliver();
  EmoticonPicker* picker = box->GetPicker();
  ASSERT_NE(picker, nullptr);
  EXPECT_TRUE(picker->IsVisible());
  EXPECT_TRUE(button->IsDown());
  EXPECT_EQ(Focus(), picker->GetKey());
  // Right edge 50 pixels inside the panel's, bottom edge on the input bar.
  EXPECT_DOUBLE_EQ(picker->GetRight(), 800 - 50);
  EXPECT_DOUBLE_EQ(picker->GetBottom(), 600 - kInputBarHeight);
  EXPECT_DOUBLE_EQ(picker->GetDepth(), 10000.0);
  ASSERT_EQ(picker->GetEntryCount(), 3u);
  EXPECT_EQ(picker->GetEntry(1).name, "大笑");
  EXPECT_EQ(picker->GetEntry(1).code, "#大笑");
  EXPECT_EQ(picker->GetEntry(1).number, 2);
  EXPECT_EQ(picker->GetPageCount(), 1);
}

TEST_F(ChatBoxTest, TogglingAgainHidesThePickerAndAThirdTimeShowsIt) {
  SetIndex("微笑=1");
  ImageButton* button = MakeEmoticonButton();
  ChatBox* box = MakeBox();
  box->ToggleEmoticonPicker();
  EmoticonPicker* picker = box->GetPicker();
  box->ToggleEmoticonPicker();
  Deliver();
  EXPECT_FALSE(picker->IsVisible());
  EXPECT_FALSE(button->IsDown());
  EXPECT_EQ(Focus(), 0u);
  box->ToggleEmoticonPicker();
  Deliver();
  EXPECT_TRUE(picker->IsVisible());
  EXPECT_TRUE(button->IsDown());
  EXPECT_EQ(Focus(), picker->GetKey());
  // The index is read once for the life of the box.
  EXPECT_EQ(picker->GetEntryCount(), 1u);
}

TEST_F(ChatBoxTest, WithoutAnIndexThePickerShowsAnEmptyPage) {
  MakeEmoticonButton();
  ChatBox* box = MakeBox();
  box->ToggleEmoticonPicker();
  EmoticonPicker* picker = box->GetPicker();
  ASSERT_NE(picker, nullptr);
  EXPECT_TRUE(picker->IsVisible());
  EXPECT_EQ(picker->GetEntryCount(), 0u);
  EXPECT_EQ(picker->GetPageCount(), 1);
}

TEST_F(ChatBoxTest, ADamagedIndexGivesThePickerItsGoodEntriesOnly) {
  SetIndex("微笑=1|坏|\xB0=2||=3|得意=x");
  MakeEmoticonButton();
  ChatBox* box = MakeBox();
  box->ToggleEmoticonPicker();
  EmoticonPicker* picker = box->GetPicker();
  ASSERT_EQ(picker->GetEntryCount(), 2u);
  EXPECT_EQ(picker->GetEntry(0).code, "#微笑");
  EXPECT_EQ(picker->GetEntry(1).code, "#得意");
  EXPECT_EQ(picker->GetEntry(1).number, 0);
}

TEST_F(ChatBoxTest, ClickingElsewhereClosesThePickerAndRaisesTheButton) {
  SetIndex("微笑=1");
  ImageButton* button = MakeEmoticonButton();
  ChatBox* box = MakeBox();
  Click(600, 560);
  EmoticonPicker* picker = box->GetPicker();
  ASSERT_NE(picker, nullptr);
  ASSERT_TRUE(picker->IsVisible());
  Click(100, 100);
  EXPECT_FALSE(picker->IsVisible());
  EXPECT_FALSE(button->IsDown());
  EXPECT_EQ(panel_->toggles, 1);
}

TEST_F(ChatBoxTest, ClickingTheButtonWhileThePickerIsShownHidesItOnce) {
  SetIndex("微笑=1");
  ImageButton* button = MakeEmoticonButton();
  ChatBox* box = MakeBox();
  Click(600, 560);
  EmoticonPicker* picker = box->GetPicker();
  ASSERT_TRUE(picker->IsVisible());
  ASSERT_TRUE(button->IsDown());
  Click(600, 560);
  EXPECT_EQ(panel_->toggles, 2);
  EXPECT_FALSE(picker->IsVisible());
  EXPECT_FALSE(button->IsDown());
  Click(600, 560);
  EXPECT_TRUE(picker->IsVisible());
  EXPECT_TRUE(button->IsDown());
}

TEST_F(ChatBoxTest, PickingAnEmoticonSendsItsCodeAndTheNextClickRaisesTheButton) {
  SetIndex("微笑=1|大笑=2");
  ImageButton* button = MakeEmoticonButton();
  ChatBox* box = MakeBox();
  Click(600, 560);
  EmoticonPicker* picker = box->GetPicker();
  ASSERT_TRUE(picker->IsVisible());
  // The second icon's cell.
  Click(static_cast<int>(picker->GetLeft()) + 36 + 18, static_cast<int>(picker->GetTop()) + 18);
  ASSERT_EQ(panel_->picks.size(), 1u);
  EXPECT_EQ(panel_->picks[0], "#大笑");
  EXPECT_FALSE(picker->IsVisible());
  // The picker is closed but the button is still down until the focus moves.
  Click(100, 100);
  EXPECT_FALSE(button->IsDown());
  Click(600, 560);
  EXPECT_TRUE(picker->IsVisible());
  EXPECT_TRUE(button->IsDown());
}

TEST_F(ChatBoxTest, AnEmoticonPickedUnderThePointerLeavesNoPreviewBehind) {
  SetIndex("微笑=1|大笑=2");
  MakeEmoticonButton();
  ChatBox* box = MakeBox();
  Click(600, 560);
  EmoticonPicker* picker = box->GetPicker();
  ASSERT_TRUE(picker->IsVisible());
  // The pointer comes to rest on the second icon: its preview plays in the grid's far corner.
  const int x = static_cast<int>(picker->GetLeft()) + 36 + 18;
  const int y = static_cast<int>(picker->GetTop()) + 18;
  Mouse(platform::WM_MOUSEMOVE, x - 4, y);
  Deliver();
  ASSERT_NE(picker->GetPreview(), nullptr);
  ASSERT_TRUE(picker->GetPreview()->IsVisible());
  const int px = static_cast<int>(picker->GetPreview()->GetX());
  const int py = static_cast<int>(picker->GetPreview()->GetY());
  // Picked: the preview goes with the grid, stays gone where the pointer rests and moves on; the
  // chat box shows where it was.
  Click(x, y);
  ASSERT_EQ(panel_->picks.size(), 1u);
  Mouse(platform::WM_MOUSEMOVE, x + 4, y);
  Deliver();
  EXPECT_FALSE(picker->IsVisible());
  EXPECT_FALSE(picker->GetPreview()->IsVisible());
  EXPECT_FALSE(picker->GetHoverFrame()->IsVisible());
  EXPECT_TRUE(test::ColoursWithin(Pixel(px, py), kBodyColour, 1)) << "the chat box shows where the preview was";
}

TEST_F(ChatBoxTest, WithoutASidePanelThePickerStandsOnTheFramesOrTheWindowsEdge) {
  panel_->SetName("Other");
  ChatBox* box = MakeBox();
  box->ToggleEmoticonPicker();
  EmoticonPicker* picker = box->GetPicker();
  ASSERT_NE(picker, nullptr);
  // Without a button the picker's own state decides.
  EXPECT_DOUBLE_EQ(picker->GetRight(), 800 - 50);
  EXPECT_DOUBLE_EQ(picker->GetBottom(), 600 - kInputBarHeight);
  box->ToggleEmoticonPicker();
  EXPECT_FALSE(picker->IsVisible());
  box->ToggleEmoticonPicker();
  EXPECT_TRUE(picker->IsVisible());
}

}  // namespace

// The box with the default skin the build draws: the index and the pictures the client ships.
class ChatBoxWithSkin : public test::HostedEngine {
 protected:
  void SetUp() override {
    HostedEngine::SetUp();
    const std::string path =
        std::string(ZP_BINARY_DIR) + "/app/" + skin::kPackageFiles[static_cast<int>(skin::Package::kFrame)];
    ASSERT_TRUE(root_->OpenResourcePackage(platform::Utf8ToGbk(path).c_str())) << path;
  }
};

TEST_F(ChatBoxWithSkin, ThePickerOffersEveryEmoticonOfTheSkinWithItsIcon) {
  auto* box = new ChatBox();
  root_->AddToScene(box);
  box->MoveTo(675, 300);
  box->Resize(250, 300);
  box->Show();
  box->Layout();
  box->ToggleEmoticonPicker();
  Deliver();
  EmoticonPicker* picker = box->GetPicker();
  ASSERT_NE(picker, nullptr);
  ASSERT_EQ(picker->GetEntryCount(), std::size(skin::kEmoticons));
  EXPECT_EQ(picker->GetPageCount(), 1);
  for (size_t i = 0; i < picker->GetEntryCount(); ++i) {
    const frame::EmoticonEntry& entry = picker->GetEntry(i);
    EXPECT_EQ(entry.name, skin::kEmoticons[i]);
    EXPECT_EQ(entry.code, std::string("#") + skin::kEmoticons[i]);
    EXPECT_EQ(entry.number, static_cast<int32_t>(i) + 1);
    EXPECT_NE(root_->GetPictureInfo(("qzfs" + entry.name).c_str(), 0).record, nullptr);
  }
  // The icons are drawn: the middle of the first cell is not the grid's paper.
  EXPECT_NE(picker->GetGrid()->GetPixel(18, 18), 0xFFFFFFu);
  // The preview plays the emoticon's animation.
  picker->OnHover(18, 18);
  ASSERT_NE(picker->GetPreviewAnimation(), nullptr);
  EXPECT_EQ(picker->GetPreviewAnimation()->ForwardImageCall2(), skin::kEmoticonFrames);
}
