// ctest-labels: richtext
#include "engine/ui/edit_box.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/input_module.h"
#include "platform/clipboard.h"
#include "platform/win_messages.h"
#include "tests/support/rich_text_fixture.h"

namespace {

using engine::EditBox;
namespace rt = engine::rich_text;

constexpr uint32_t kOneLine = 0x42000;
constexpr uint32_t kEnter = 80000068;

class FullCountingBox : public EditBox {
 public:
  void OnFull() override { ++full; }
  int full = 0;
};

class EditBoxTest : public test::RichTextFixture {
 protected:
  template <class Box = EditBox>
  Box* MakeBox(uint32_t style = kOneLine, int32_t width = 168, int32_t height = 18) {
    auto* box = new Box();
    services_->AddToScene(box);
    EXPECT_TRUE(box->Create(width, height, style));
    box->MoveTo(300, 200);
    box->Show();
    return box;
  }
  void Send(EditBox* box, uint32_t id, const engine::InputSnapshot& snapshot) {
    const engine::ObjectMessage message =
        engine::MakeMessage(box->GetKey(), id, 0, reinterpret_cast<uintptr_t>(&snapshot));
    box->OnMessage(&message);
  }
  // A character as the input module delivers it: the lead and trail byte of a GBK character.
  void Type(EditBox* box, const char* character) {
    engine::InputSnapshot snapshot;
    snapshot.character[0] = static_cast<uint8_t>(character[0]);
    snapshot.character[1] = static_cast<uint8_t>(character[0] != 0 ? character[1] : 0);
    Send(box, engine::QUILLARON_EVENT_CHAR, snapshot);
  }
  void Key(EditBox* box, uint32_t code, uint32_t event = engine::QUILLARON_EVENT_KEY_DOWN) {
    engine::InputSnapshot snapshot;
    if (event == engine::QUILLARON_EVENT_KEY_DOWN) {
      snapshot.key_down = code;
    } else {
      snapshot.key_up = code;
    }
    Send(box, event, snapshot);
  }
};

TEST_F(EditBoxTest, CreateAddsTheEditStyleAndSizesTheText) {
  EditBox* box = MakeBox();
  EXPECT_EQ(box->GetStyle(), kOneLine | EditBox::kEditStyle);
  EXPECT_EQ(box->GetFont().lfHeight, 16);
  EXPECT_NE(box->TakesInput(), 0);
}

TEST_F(EditBoxTest, TheLengthRuleNeverSplitsADoubleByteCharacter) {
  auto* box = MakeBox<FullCountingBox>();
  box->SetMaxLength(5);
  box->AppendText("abcd");
  EXPECT_EQ(box->GetLength(), 4);
  box->AppendText("一");  // 2 more would make 6: cut back whole
  EXPECT_EQ(box->GetText(), "abcd");
  box->AppendText("e一");  // "e" fits, "一" is cut
  EXPECT_EQ(box->GetText(), "abcde");
  EXPECT_EQ(box->full, 0);
  box->AppendText("f");  // full: refused
  EXPECT_EQ(box->full, 1);
  EXPECT_EQ(box->GetText(), "abcde");
  Type(box, "中");  // typed at the limit: refused the same way
  EXPECT_EQ(box->full, 2);
  EXPECT_EQ(box->GetText(), "abcde");

  box->Clear();
  box->AppendText("一二三");
  EXPECT_EQ(box->GetText(), "一二");
  EXPECT_EQ(box->GetLength(), 4);
}

TEST_F(EditBoxTest, AnObjectCountsSixAndIsTakenWholeOrNotAtAll) {
  AddPicture("anim", 12, 12, 2, 0xFF00FF00, 100);
  EditBox* box = MakeBox();
  const uint32_t objects_before = objects_->GetObjectCount();
  box->SetMaxLength(8);
  box->AppendText("ab<m=anim>");
  EXPECT_EQ(box->GetLength(), 8);
  EXPECT_EQ(box->GetText(), "ab[图片]");
  box->AppendText("<m=anim>");  // at the limit: refused, and no object is left behind
  EXPECT_EQ(box->ItemCount(), 3u);
  box->Clear();
  box->SetMaxLength(7);
  box->AppendText("ab<m=anim>c");
  EXPECT_EQ(box->GetText(), "ab");
  EXPECT_EQ(box->ItemCount(), 2u);
  // The object cut back left the scene with its item.
  Pass();
  EXPECT_EQ(objects_->GetObjectCount(), objects_before);
}

TEST_F(EditBoxTest, TypedCharactersGoInAtTheCaretAsTheyStand) {
  EditBox* box = MakeBox();
  for (const char* c : {"<", "c", "=", "2", "5", "5", ">", "中", "#", "r"}) Type(box, c);
  EXPECT_EQ(box->GetText(), "<c=255>中#r");
  EXPECT_EQ(test::DescribeItems(*box), "\"<c=255>中#r\"{c=000000,h=16}");
  EXPECT_EQ(box->GetCaret(), 10u);
  Key(box, platform::VK_LEFT);
  Key(box, platform::VK_LEFT);
  Key(box, platform::VK_BACK);  // the whole of 中
  EXPECT_EQ(box->GetText(), "<c=255>#r");
  Type(box, "x");
  EXPECT_EQ(box->GetText(), "<c=255>x#r");
  Key(box, platform::VK_HOME);
  Key(box, platform::VK_DELETE);
  EXPECT_EQ(box->GetText(), "c=255>x#r");
  // A lead byte without a trail byte is not typed.
  Type(box, "\xB0");
  EXPECT_EQ(box->GetText(), "c=255>x#r");
}

TEST_F(EditBoxTest, EnterSendsTheTextToTheEnterTarget) {
  EditBox* box = MakeBox();
  std::vector<std::string> sent;
  listener_->on_message = [&](test::TestObject&, const engine::ObjectMessage& m) {
    if (m.id == kEnter) sent.emplace_back(reinterpret_cast<const char*>(m.p1));
  };
  box->SetEnterMessage(listener_->GetKey(), kEnter, false);
  box->AppendText("你好");
  Key(box, platform::VK_RETURN);
  EXPECT_EQ(sent, std::vector<std::string>{"你好"});
  EXPECT_NE(box->IsVisible(), 0u);
  box->SetEnterMessage(listener_->GetKey(), kEnter, true);
  box->Submit();
  EXPECT_EQ(box->IsVisible(), 0u);
}

TEST_F(EditBoxTest, OneLineHoldsNoLineFeedAndScrollsToTheCaret) {
  EditBox* box = MakeBox(kOneLine, 60, 18);
  box->AppendText("a\nb");
  EXPECT_EQ(box->GetText(), "ab");
  for (int i = 0; i < 30; ++i) Type(box, "w");
  EXPECT_EQ(box->LineCount(), 1u);
  EXPECT_GT(box->GetScrollX(), 0);
  const engine::RichTextItem& last = box->ItemAt(box->ItemCount() - 1);
  EXPECT_LE(last.x + last.width - box->GetScrollX(), box->GetTextWidth());
  Key(box, platform::VK_HOME);
  EXPECT_EQ(box->GetScrollX(), 0);
}

TEST_F(EditBoxTest, TheStateWordFollowsTheFocus) {
  EditBox* box = MakeBox();
  EXPECT_EQ(box->GetEditFlag(), 0u);
  Send(box, engine::QUILLARON_EVENT_FOCUS_GAINED, engine::InputSnapshot{});
  EXPECT_EQ(box->GetEditFlag(), 1u);
  Send(box, engine::QUILLARON_EVENT_FOCUS_LOST, engine::InputSnapshot{});
  EXPECT_EQ(box->GetEditFlag(), 0u);
}

TEST_F(EditBoxTest, CopyCutAndPasteGoThroughTheClipboardAsPlainText) {
  EditBox* box = MakeBox();
  platform::SetClipboardText("<c=255>粘");
  Key(box, platform::VK_CONTROL);
  Key(box, 'V');
  EXPECT_EQ(box->GetText(), "<c=255>粘");
  Key(box, 'A');
  Key(box, 'X');
  Key(box, platform::VK_CONTROL, engine::QUILLARON_EVENT_KEY_UP);
  EXPECT_EQ(box->GetText(), "");
  EXPECT_EQ(platform::GetClipboardText(), "<c=255>粘");
}

TEST_F(EditBoxTest, APendingClearRunsWhenTheBoxTakesTheFocus) {
  EditBox* box = MakeBox();
  box->AppendText("old");
  box->ClearOnNextFocus();
  EXPECT_EQ(box->GetText(), "old");
  box->TakeFocus();
  EXPECT_EQ(box->GetText(), "");
}

}  // namespace
