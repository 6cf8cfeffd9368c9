// ctest-labels: ui silver
// The number boxes: digit keys only (main keyboard and keypad, and only when they give a digit),
// text kept to its digits and shown bold, the length limit, the boxes' background drawn to their
// width, and the quick bar's list of recent values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/canvas_object.h"
#include "engine/core/input_module.h"
#include "engine/ui/image_button.h"
#include "engine/ui/input_box.h"
#include "engine/ui/menu_item.h"
#include "engine/ui/named_child_list.h"
#include "engine/ui/number_edit_box.h"
#include "engine/ui/quick_input_bar.h"
#include "platform/clipboard.h"
#include "platform/win_messages.h"
#include "tests/support/rich_text_fixture.h"
#include "tests/support/solid_pictures.h"

namespace {

using engine::InputBox;
using engine::NamedChildList;
using engine::NumberEditBox;
using engine::QuickInputBar;

// Column c of the 20 x 26 box picture has red c * 10 + 5.
constexpr int kPictureWidth = 20;
constexpr int kPictureHeight = 26;
int SourceColumn(engine::COLORREF pixel) { return static_cast<int>((pixel & 0xFF) - 5) / 10; }

class NumberInputsTest : public test::RichTextFixture {
 protected:
  void SetUp() override {
    RichTextFixture::SetUp();
    std::vector<uint32_t> pixels;
    for (int y = 0; y < kPictureHeight; ++y) {
      for (int x = 0; x < kPictureWidth; ++x) pixels.push_back(static_cast<uint32_t>(x * 10 + 5) << 16 | 0x30);
    }
    test::AddPixelPicture(paint_, "InputBoxBkg", kPictureWidth, kPictureHeight, pixels);
    test::AddSolidFrames(paint_, "btnQuickChat", 12, 12, {0x808080, 0x909090, 0xA0A0A0, 0x606060});
  }

  NumberEditBox* MakeField() {
    auto* box = new NumberEditBox();
    services_->AddToScene(box);
    EXPECT_TRUE(box->Create(120, 20, InputBox::kFieldStyle));
    box->MoveTo(300, 200);
    box->Show();
    return box;
  }
  template <class Box>
  Box* Make() {
    auto* box = new Box();
    services_->AddToScene(box);
    box->MoveTo(300, 200);
    box->Layout();
    return box;
  }
  // A key as the input module delivers it: the key's code and the character it gave.
  void Type(engine::EditBox* box, uint32_t key_code, const char* character) {
    engine::InputSnapshot snapshot;
    snapshot.key_down = key_code;
    snapshot.character[0] = static_cast<uint8_t>(character[0]);
    snapshot.character[1] = static_cast<uint8_t>(character[0] != 0 ? character[1] : 0);
    const engine::ObjectMessage m =
        engine::MakeMessage(box->GetKey(), engine::QUILLARON_EVENT_CHAR, 0, reinterpret_cast<uintptr_t>(&snapshot));
    box->OnMessage(&m);
  }
  std::vector<int> BackgroundColumns(engine::CanvasObject* background) {
    std::vector<int> columns;
    for (int x = 0; x < background->GetSurfaceWidth(); ++x) {
      columns.push_back(SourceColumn(background->GetPixel(x, kPictureHeight / 2)));
    }
    return columns;
  }
};

TEST_F(NumberInputsTest, OnlyDigitKeysThatGiveADigitAreTyped) {
  NumberEditBox* box = MakeField();
  Type(box, 'A', "a");
  EXPECT_EQ(box->GetText(), "");
  Type(box, '7', "7");
  Type(box, 96 + 7, "7");  // the keypad's 7
  EXPECT_EQ(box->GetText(), "77");
  Type(box, '1', "!");  // Shift+1
  Type(box, 96 + 1, "a");
  Type(box, 'Z', "5");         // a digit from another key
  Type(box, '3', "\xA3\xB3");  // a full-width digit from the IME
  EXPECT_EQ(box->GetText(), "77");
}

TEST_F(NumberInputsTest, TextPutInKeepsItsDigitsOnlyAndShowsBold) {
  NumberEditBox* box = MakeField();
  box->AppendText("1 2,中文3");
  EXPECT_EQ(box->GetText(), "123");
  EXPECT_EQ(test::DescribeItems(*box).find("b") != std::string::npos, true);
  for (size_t i = 0; i < box->ItemCount(); ++i) {
    EXPECT_NE(box->StyleOf(box->ItemAt(i)).text_style & engine::rich_text::kTextBold, 0u) << i;
  }
  box->AppendText("abc");
  EXPECT_EQ(box->GetText(), "123");
  platform::SetClipboardText("4x5\xB0\xA1");
  box->InsertPlainText(platform::GetClipboardText());
  EXPECT_EQ(box->GetText(), "12345");
  // Markup is text here: a tag's digits are digits like any others.
  box->AppendText("<c=6>");
  EXPECT_EQ(box->GetText(), "123456");
}

TEST_F(NumberInputsTest, AtTheLimitAFurtherDigitIsRefusedAndAnOvershootIsCut) {
  NumberEditBox* box = MakeField();
  box->SetMaxLength(3);
  box->AppendText("123");
  Type(box, '4', "4");
  EXPECT_EQ(box->GetText(), "123");
  box->Clear();
  box->AppendText("98765");
  EXPECT_EQ(box->GetText(), "987");
}

TEST_F(NumberInputsTest, TakingTheFocusLeavesTheBoxWhereItStands) {
  NumberEditBox* box = MakeField();
  services_->AddToScene(new test::TestObject());
  const double depth = box->GetDepth();
  box->TakeFocus();
  EXPECT_DOUBLE_EQ(box->GetDepth(), depth);
}

TEST_F(NumberInputsTest, AnInputBoxDrawsItsPictureToItsWidth) {
  InputBox* box = Make<InputBox>();
  EXPECT_DOUBLE_EQ(box->GetWidth(), kPictureWidth);
  EXPECT_DOUBLE_EQ(box->GetHeight(), kPictureHeight);
  box->SetWidth(100);
  std::vector<int> columns = BackgroundColumns(box->GetBackground());
  ASSERT_EQ(columns.size(), 100u);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(columns[x], x);
  for (int x = 10; x < 90; ++x) EXPECT_TRUE(columns[x] == 10 || columns[x] == 11) << x;
  for (int x = 90; x < 100; ++x) EXPECT_EQ(columns[x], x - 80);
  box->SetWidth(11);
  EXPECT_EQ(BackgroundColumns(box->GetBackground()), (std::vector<int>{0, 1, 2, 3, 4, 5, 15, 16, 17, 18, 19}));
  EXPECT_DOUBLE_EQ(box->GetField()->GetWidth(), 7.0);
  // Placed from the left edge by whole pixels: half a pixel left of an odd box's centre.
  EXPECT_DOUBLE_EQ(box->GetBackground()->GetX(), box->GetLeft() + 5);
}

TEST_F(NumberInputsTest, AnInputBoxSetsGetsAndClearsItsDigits) {
  InputBox* box = Make<InputBox>();
  box->SetMaxLength(4);
  box->SetText("12a345");
  EXPECT_EQ(box->GetText(), "1234");
  box->Clear();
  EXPECT_EQ(box->GetText(), "");
  box->SetWidth(80);
  EXPECT_DOUBLE_EQ(box->GetField()->GetX(), box->GetX());
  EXPECT_DOUBLE_EQ(box->GetField()->GetWidth(), 76.0);
}

TEST_F(NumberInputsTest, TheQuickBarsButtonStandsAtTheRightEndOfItsBackground) {
  QuickInputBar* bar = Make<QuickInputBar>();
  bar->SetWidth(120);
  engine::ImageButton* button = bar->GetButton();
  ASSERT_NE(button, nullptr);
  EXPECT_DOUBLE_EQ(button->GetX(), bar->GetBackground()->GetRight() - 6 + 1);
  EXPECT_DOUBLE_EQ(bar->GetField()->GetWidth(), 108.0);
  EXPECT_DOUBLE_EQ(bar->GetField()->GetX(), bar->GetBackground()->GetX() - 6 + 3);
}

TEST_F(NumberInputsTest, TheSeventhValueDropsTheOldestFromTheList) {
  QuickInputBar* bar = Make<QuickInputBar>();
  EXPECT_EQ(bar->GetList(), nullptr);
  for (const char* value : {"100", "200", "300", "400", "500", "600"}) bar->AddValue(value);
  NamedChildList* list = bar->GetList();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetItemCount(), 6u);
  bar->AddValue("700");
  EXPECT_EQ(list->GetItemCount(), 6u);
  EXPECT_STREQ(list->GetItem(0)->GetText(), "200");
  EXPECT_STREQ(list->GetItem(5)->GetText(), "700");
  EXPECT_EQ(bar->GetValues().front(), "200");
  EXPECT_EQ(list->GetDepth(), QuickInputBar::kListDepth);
}

TEST_F(NumberInputsTest, PickingAValuePutsItIntoTheBoxAndClosesTheList) {
  QuickInputBar* bar = Make<QuickInputBar>();
  bar->AddValue("2500");
  bar->AddValue("300");
  bar->SetText("9");
  const engine::ObjectMessage toggle = engine::MakeMessage(bar->GetKey(), QuickInputBar::kMsgToggleList, 0, 0);
  bar->SendMessage(&toggle);
  NamedChildList* list = bar->GetList();
  EXPECT_TRUE(list->IsVisible());
  EXPECT_DOUBLE_EQ(list->GetRight(), bar->GetButton()->GetRight());
  EXPECT_DOUBLE_EQ(list->GetTop(), bar->GetButton()->GetBottom());
  FireInput(list->GetItem(0), engine::QUILLARON_EVENT_CLICK);
  EXPECT_EQ(bar->GetText(), "2500");
  EXPECT_FALSE(list->IsVisible());
  bar->SendMessage(&toggle);
  bar->SendMessage(&toggle);
  EXPECT_FALSE(list->IsVisible());
}

TEST_F(NumberInputsTest, RemovingByTextTakesOnlyTheFirstEqualRow) {
  auto* list = new NamedChildList();
  services_->AddToScene(list);
  ASSERT_TRUE(list->Create(100, 20, 12, 0x2E7412));
  for (const char* text : {"5", "6", "5"}) list->AddItem(text, nullptr, 0, 0);
  EXPECT_TRUE(list->RemoveByText("5"));
  ASSERT_EQ(list->GetItemCount(), 2u);
  EXPECT_STREQ(list->GetItem(0)->GetText(), "6");
  EXPECT_STREQ(list->GetItem(1)->GetText(), "5");
  EXPECT_FALSE(list->RemoveByText("7"));
  EXPECT_EQ(list->GetItemCount(), 2u);
}

TEST_F(NumberInputsTest, CallsBeforeTheFieldExistsDoNothing) {
  InputBox box;
  box.SetText("5");
  box.Clear();
  box.Focus();
  box.SetMaxLength(3);
  EXPECT_EQ(box.GetText(), "");
}

}  // namespace
