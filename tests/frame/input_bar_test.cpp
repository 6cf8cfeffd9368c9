// ctest-labels: silver tsan
// The input bar on its own, placed as the side panel places it: its layout, the chat line sent
// through a stand-in panel with the flood gap, the quick phrases, and quick silver against the
// scripted game server (save, take, the protection code, refusals and time-outs), with the
// presets read from a temporary per-user file.
#include "frame/input_bar.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "dialogs/key_result_dlg.h"
#include "dialogs/safe_box_amount_dlg.h"
#include "dialogs/safe_box_dlg.h"
#include "dialogs/safe_box_requests.h"
#include "dialogs/set_deposit_dlg.h"
#include "engine/core/canvas_object.h"
#include "engine/core/input_module.h"
#include "engine/core/rect_object.h"
#include "engine/ui/edit_box.h"
#include "engine/ui/image_button.h"
#include "engine/ui/input_box.h"
#include "engine/ui/menu_item.h"
#include "engine/ui/menu_list.h"
#include "frame/chat_flood_gap.h"
#include "frame/popup_menu.h"
#include "net/request_ids.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/win_messages.h"
#include "tests/support/silver_fixture.h"

namespace {

using dialogs::CKeyResultDlg;
using engine::MakeMessage;
using frame::InputBar;
using test::Words;

constexpr uint32_t kOpen = net::request::kSafeBoxOpen;
constexpr uint32_t kSave = net::request::kSafeBoxSave;
constexpr uint32_t kTake = net::request::kSafeBoxTake;
constexpr uint32_t kQueryCode = net::request::kSafeBoxQueryCode;
constexpr uint32_t kChat = net::request::kChat;

// The side panel as far as the input bar needs it: named "SubSystem", with a rectangle, sending
// the typed lines with the flood gap and answering the bar's buttons.
class PanelStandIn : public engine::RectObject {
 public:
  int OnMessage(const engine::ObjectMessage* message) override {
    if (message != nullptr && message->target == GetKey()) {
      received.push_back(*message);
      switch (message->id) {
        case InputBar::kMsgLineEntered: {
          const std::string line = reinterpret_cast<const char*>(message->p1);
          if (line.empty() || !gap.Admit(platform::GetTickCount(), false)) return 1;
          if (bar != nullptr) bar->ClearText();
          shell::GetApp()->GetSession()->SendChat(line.c_str());
          return 1;
        }
        case InputBar::kMsgSendClicked:
          if (bar != nullptr) bar->SubmitText();
          return 1;
        case InputBar::kMsgPhraseButton:
          if (bar != nullptr) bar->ToggleQuickPhrases();
          return 1;
        default:
          return 1;
      }
    }
    return RectObject::OnMessage(message);
  }
  int Count(uint32_t id) const {
    int n = 0;
    for (const engine::ObjectMessage& m : received) n += m.id == id ? 1 : 0;
    return n;
  }

  InputBar* bar = nullptr;
  frame::ChatFloodGap gap;
  std::vector<engine::ObjectMessage> received;
};

class InputBarTest : public test::SilverFixture {
 protected:
  // The panel's rectangle: the right 250 pixels of the 800 x 600 window.
  static constexpr int kPanelLeft = 550;
  static constexpr int kPanelRight = 800;
  static constexpr int kPanelBottom = 600;
  static constexpr int kBarHeight = 62;  // "SystemInputBar"

  void SetUp() override {
    SilverFixture::SetUp();
    SeatWithSilver(5000);
    panel_ = new PanelStandIn();
    objects_->AddObject(panel_, nullptr);
    panel_->SetName("SubSystem");
    const engine::RECT r{kPanelLeft, 0, kPanelRight, kPanelBottom};
    panel_->SetRect(&r);
    bar_ = new InputBar();
    panel_->AddToScene(bar_);
    panel_->bar = bar_;
    Place(kPanelRight - kPanelLeft);
  }
  // As the side panel places it: W + 1 wide, the picture's height, at the panel's bottom.
  void Place(int panel_width) {
    bar_->Resize(panel_width + 1, kBarHeight);
    bar_->MoveTo(kPanelLeft + panel_width / 2.0, kPanelBottom - kBarHeight / 2.0);
    bar_->Layout();
  }
  void Send(engine::EngineObject* to, uint32_t id, uintptr_t p1 = 0, uintptr_t p2 = 0) {
    const engine::ObjectMessage m = MakeMessage(to->GetKey(), id, p1, p2);
    to->SendMessage(&m);
  }
  void Type(const char* text) {
    for (const char* c = text; *c != '\0'; ++c) {
      engine::InputSnapshot snapshot;
      snapshot.character[0] = static_cast<uint8_t>(*c);
      const engine::ObjectMessage m = MakeMessage(bar_->GetEdit()->GetKey(), engine::QUILLARON_EVENT_CHAR, 0,
                                                  reinterpret_cast<uintptr_t>(&snapshot));
      bar_->GetEdit()->OnMessage(&m);
    }
  }
  void PressEnter() {
    engine::InputSnapshot snapshot;
    snapshot.key_down = platform::VK_RETURN;
    const engine::ObjectMessage m = MakeMessage(bar_->GetEdit()->GetKey(), engine::QUILLARON_EVENT_KEY_DOWN, 0,
                                                reinterpret_cast<uintptr_t>(&snapshot));
    bar_->GetEdit()->OnMessage(&m);
  }
  // The chat texts the server received, in order.
  std::vector<std::string> ChatLines() const {
    std::vector<std::string> lines;
    for (const auto& r : server_->server().Requests()) {
      if (r.request_id != kChat) continue;
      const char* text = reinterpret_cast<const char*>(r.body.data()) + 16 + 50;
      lines.emplace_back(text);
    }
    return lines;
  }
  void WritePresets(const std::string& text) {
    platform::CreateDirectories(platform::ExecutableDirectory() + "userdata");
    std::ofstream(platform::NativePath(app_->GetUserDataPath()), std::ios::binary) << text;
  }
  void ChoosePreset(int index) { Send(bar_, InputBar::kMsgPresetChosen, static_cast<uintptr_t>(index)); }
  void SetSilverTo(int32_t target) { Send(bar_, InputBar::kMsgSetSilver, static_cast<uintptr_t>(target)); }

  PanelStandIn* panel_ = nullptr;
  InputBar* bar_ = nullptr;
};

// ---- built and laid out on its own ----

TEST_F(InputBarTest, ItNamesItselfAndLaysItsRowOutForThePanelsWidth) {
  EXPECT_EQ(root_->FindObjectByName("InputBar"), bar_);
  EXPECT_EQ(bar_->GetPanelKey(), panel_->GetKey());
  EXPECT_DOUBLE_EQ(bar_->GetWidth(), 251.0);
  EXPECT_DOUBLE_EQ(bar_->GetHeight(), 62.0);
  const double left = bar_->GetLeft();
  const double top = bar_->GetTop();
  // Input background: 251 - 2 x 10 - 8 - 52 (the send button) = 171 wide, 26 high.
  engine::CanvasObject* background = bar_->GetInputBackground();
  EXPECT_EQ(background->GetSurfaceWidth(), 171);
  EXPECT_EQ(background->GetSurfaceHeight(), 26);
  EXPECT_DOUBLE_EQ(background->GetX(), left + 10 + 85);
  EXPECT_DOUBLE_EQ(background->GetY(), top + 32 + 13);
  // The edit box: 171 - 22 (the quick button) - 8 wide, left of the quick button.
  EXPECT_DOUBLE_EQ(bar_->GetEdit()->GetWidth(), 141.0);
  EXPECT_DOUBLE_EQ(bar_->GetEdit()->GetX(), background->GetX() - 11 + 3);
  EXPECT_DOUBLE_EQ(bar_->GetQuickButton()->GetX(), background->GetRight() - 11 + 1);
  EXPECT_DOUBLE_EQ(bar_->GetQuickButton()->GetY(), bar_->GetEdit()->GetY());
  EXPECT_DOUBLE_EQ(bar_->GetSendButton()->GetX(), bar_->GetRight() - 26 - 10);
  EXPECT_DOUBLE_EQ(bar_->GetSendButton()->GetY(), bar_->GetEdit()->GetY());
  // Parts stand in front of the bar.
  EXPECT_GT(bar_->GetEdit()->GetDepth(), background->GetDepth());
  EXPECT_GT(background->GetDepth(), bar_->GetDepth());
}

TEST_F(InputBarTest, ExtraObjectsLineUpAlongTheTopAndATwentyFirstIsNotKept) {
  std::vector<engine::ImageButton*> buttons;
  for (int i = 0; i < 21; ++i) {
    auto* button = new engine::ImageButton();
    panel_->AddToScene(button);
    const engine::PictureInfo picture = button->GetPictureInfo("qm清屏按钮", 0);
    button->Create(&picture, nullptr);
    buttons.push_back(button);
    EXPECT_EQ(bar_->AddChild(button), i < 20) << i;
  }
  const double left = bar_->GetLeft();
  const double top = bar_->GetTop();
  EXPECT_DOUBLE_EQ(buttons[0]->GetX(), left + 20);
  EXPECT_DOUBLE_EQ(buttons[0]->GetY(), top + 6 + 11);
  EXPECT_DOUBLE_EQ(buttons[1]->GetX(), left + 20 + 24 + 10);
  EXPECT_DOUBLE_EQ(buttons[3]->GetX(), left + 20 + 3 * 34);
  EXPECT_EQ(bar_->GetChild(19), buttons[19]);
  buttons[20]->MoveTo(5, 5);
  bar_->Layout();
  EXPECT_DOUBLE_EQ(buttons[20]->GetX(), 5.0);
}

TEST_F(InputBarTest, ANarrowerBarShowsItsPictureUncutFromTheLeft) {
  Place(199);  // 200 wide, narrower than the 250 of "SystemInputBar"
  engine::CanvasObject* skin = dynamic_cast<engine::CanvasObject*>(bar_->CurrentSkin());
  ASSERT_NE(skin, nullptr);
  EXPECT_EQ(skin->GetSurfaceWidth(), 200);
  engine::CanvasObject* reference = root_->CreateCanvas(250, 62, engine::kColourKey);
  const engine::PictureInfo picture = root_->GetPictureInfo("SystemInputBar", 0);
  reference->DrawImage(&picture, 0, 0, -1, -1, 0.0, 1.0);
  for (int x : {0, 60, 125, 199}) EXPECT_EQ(skin->GetPixel(x, 30), reference->GetPixel(x, 30)) << x;
  // A wider bar keeps both ends of the picture.
  Place(399);
  EXPECT_EQ(skin->GetSurfaceWidth(), 400);
  EXPECT_EQ(skin->GetPixel(399, 30), reference->GetPixel(249, 30));
  EXPECT_EQ(skin->GetPixel(3, 30), reference->GetPixel(3, 30));
}

// ---- the chat line ----

TEST_F(InputBarTest, AnEnteredLineGoesToThePanelWhichSendsItAndClearsTheLine) {
  Type("hello");
  PressEnter();
  EXPECT_EQ(panel_->Count(InputBar::kMsgLineEntered), 1);
  EXPECT_EQ(ChatLines(), (std::vector<std::string>{"hello"}));
  EXPECT_EQ(bar_->GetEdit()->GetText(), "");
}

TEST_F(InputBarTest, ALineWithinTheFloodGapIsDroppedAndStaysInTheLine) {
  Type("one");
  PressEnter();
  clock_->Advance(1999);
  Type("two");
  PressEnter();
  EXPECT_EQ(ChatLines(), (std::vector<std::string>{"one"}));
  EXPECT_EQ(bar_->GetEdit()->GetText(), "two");
  clock_->Advance(1);
  Send(bar_->GetSendButton(), engine::QUILLARON_EVENT_CLICK);
  EXPECT_EQ(panel_->Count(InputBar::kMsgSendClicked), 1);
  EXPECT_EQ(ChatLines(), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(bar_->GetEdit()->GetText(), "");
}

TEST_F(InputBarTest, TheFloodGapLetsExemptUsersThroughAndCountsFromTheLastLineLetThrough) {
  frame::ChatFloodGap gap;
  EXPECT_TRUE(gap.Admit(100, false));  // the first line, however early
  EXPECT_FALSE(gap.Admit(2099, false));
  EXPECT_TRUE(gap.Admit(2099, true));
  EXPECT_FALSE(gap.Admit(2099, false));
  EXPECT_TRUE(gap.Admit(2100, false));
  EXPECT_EQ(gap.GetLastSendTime(), 2100u);
  EXPECT_TRUE(gap.Admit(UINT32_MAX, false));
  EXPECT_FALSE(gap.Admit(1998, false));  // the tick count wrapped: 1999 ms later
  EXPECT_TRUE(gap.Admit(1999, false));
}

TEST_F(InputBarTest, InsertedTextJoinsTheLineAndTheLineTakesTheFocus) {
  Type("a");
  bar_->InsertText("bc");
  EXPECT_EQ(bar_->GetEdit()->GetText(), "abc");
  Frames(3);
  EXPECT_EQ(bar_->GetEditFlag(), 1u);
  bar_->ClearText();
  EXPECT_EQ(bar_->GetEdit()->GetText(), "");
}

TEST_F(InputBarTest, QuickPhrasesOpenAboveTheButtonAndAPickedPhraseGoesToThePanel) {
  EXPECT_EQ(bar_->GetPhraseMenu(), nullptr);
  bar_->ToggleQuickPhrases();  // no menu yet: nothing
  bar_->AddQuickPhrase("快点吧，我等到花儿也谢了!");
  bar_->AddQuickPhrase("下次再玩，我要走了。");
  engine::MenuList* menu = bar_->GetPhraseMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->GetItemCount(), 2u);
  Send(bar_->GetQuickButton(), engine::QUILLARON_EVENT_LBUTTON_DOWN);
  EXPECT_EQ(panel_->Count(InputBar::kMsgPhraseButton), 1);
  EXPECT_TRUE(menu->IsVisible());
  EXPECT_DOUBLE_EQ(menu->GetRight(), bar_->GetQuickButton()->GetRight());
  EXPECT_DOUBLE_EQ(menu->GetBottom(), bar_->GetQuickButton()->GetTop());
  Send(menu->GetItem(1), engine::QUILLARON_EVENT_CLICK);
  ASSERT_EQ(panel_->Count(InputBar::kMsgPhrasePicked), 1);
  const engine::ObjectMessage& picked = panel_->received.back();
  EXPECT_STREQ(reinterpret_cast<const char*>(picked.p1), "下次再玩，我要走了。");
  EXPECT_EQ(picked.p2, reinterpret_cast<uintptr_t>(menu));
  bar_->ToggleQuickPhrases();
  EXPECT_FALSE(menu->IsVisible());
}

// ---- the silver menu ----

TEST_F(InputBarTest, TheSilverMenuHoldsThePresetsFromTheUsersFile) {
  WritePresets("[FIXDEPOSIT]\r\nFix0=50\r\nFix1=150\r\nFix2=250\r\nFix3=350\r\nFix4=450\r\nFix5=99999\r\n");
  bar_->LoadFixDeposit();
  bar_->BuildQuickSilverMenu(100, 20);
  frame::PopupMenu* menu = bar_->GetSilverMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->GetItemCount(), 8);
  EXPECT_EQ(menu->GetEntryWidth(), 102);
  EXPECT_STREQ(menu->GetItem(0)->GetText(), "50 两");
  EXPECT_STREQ(menu->GetItem(5)->GetText(), "99999 两");
  EXPECT_STREQ(menu->GetItem(6)->GetText(), "快速设银");
  EXPECT_STREQ(menu->GetItem(7)->GetText(), "保 险 箱");
  EXPECT_TRUE(menu->GetItem(5)->HasSeparator());
  EXPECT_FALSE(menu->GetItem(7)->HasSeparator());
  EXPECT_GT(menu->GetItem(6)->GetIcon().height, 0);
  // A damaged file: the defaults.
  WritePresets("[FIXDEPOSIT]\r\nFix0=50\r\nFix1=lots\r\nFix2=250\r\nFix3=350\r\nFix4=450\r\nFix5=99999\r\n");
  bar_->LoadFixDeposit();
  bar_->FillQuickSilverMenu();
  EXPECT_STREQ(menu->GetItem(1)->GetText(), "200 两");
  EXPECT_STREQ(menu->GetItem(5)->GetText(), "30000 两");
  EXPECT_NE(menu->GetItem(0)->TakesInput(), 0);
}

TEST_F(InputBarTest, WithoutTheSafeBoxThePresetsAreBoldAndDisabled) {
  SeatWithSilver(5000, "9|zipai|127.0.0.1|0|4242|1001|5|0|0");
  bar_->LoadFixDeposit();
  bar_->BuildQuickSilverMenu(100, 20);
  bar_->FillQuickSilverMenu();
  frame::PopupMenu* menu = bar_->GetSilverMenu();
  for (int i = 0; i < 6; ++i) {
    EXPECT_TRUE(menu->GetItem(i)->IsBold()) << i;
    EXPECT_EQ(menu->GetItem(i)->TakesInput(), 0) << i;
  }
  EXPECT_NE(menu->GetItem(7)->TakesInput(), 0);
  // A preset chosen all the same moves nothing.
  ChoosePreset(0);
  EXPECT_EQ(LastBox(), InputBar::kCannotUseSafeBox);
  EXPECT_TRUE(server().Requests().empty());
}

TEST_F(InputBarTest, TheSilverMenuOpensWithTheSystemBarButtonAboveTheInputBar) {
  auto* button = new engine::ImageButton();
  panel_->AddToScene(button);
  const engine::PictureInfo picture = button->GetPictureInfo("qm保险箱按钮", 0);
  button->Create(&picture, nullptr);
  button->SetName(InputBar::kSilverButtonName);
  button->MoveTo(20, 20);
  bar_->BuildQuickSilverMenu(100, 20);
  frame::PopupMenu* menu = bar_->GetSilverMenu();
  bar_->ShowQuickSilverMenu(true);
  EXPECT_TRUE(button->IsDown());
  EXPECT_TRUE(menu->IsVisible());
  EXPECT_DOUBLE_EQ(menu->GetX(), kPanelRight - menu->GetWidth() / 2 - 50);
  EXPECT_DOUBLE_EQ(menu->GetY(), kPanelBottom - kBarHeight - menu->GetHeight() / 2);
  // It is drawn: its first entry's colour (0xBEDCD2) shows on the window.
  Frames(3);
  const auto entry = menu->GetItem(0);
  const uint32_t pixel =
      window_->PresentedFrame()[static_cast<size_t>(entry->GetY()) * 800 + static_cast<size_t>(entry->GetLeft()) + 4];
  for (int shift : {0, 8, 16}) {
    // The window's display may drop a channel's lowest bits.
    EXPECT_NEAR(static_cast<int>(pixel >> shift & 0xFF), static_cast<int>(0xD2DCBEu >> shift & 0xFF), 7) << shift;
  }
  bar_->ShowQuickSilverMenu(true);
  EXPECT_FALSE(button->IsDown());
  EXPECT_FALSE(menu->IsVisible());
  // Losing the focus elsewhere sets the button up.
  bar_->ShowQuickSilverMenu(true);
  Mouse(platform::WM_MOUSEMOVE, 400, 300);
  Frames(3);
  Send(bar_, InputBar::kMsgSilverMenuFocusLost);
  EXPECT_FALSE(button->IsDown());
}

// ---- quick silver ----

TEST_F(InputBarTest, APresetEqualToTheSilverSaysSoAndSendsNothing) {
  SeatWithSilver(1000);
  ChoosePreset(3);  // 1000
  EXPECT_EQ(bar_->GetPreset(), 3);
  EXPECT_EQ(app_->boxes, (std::vector<std::string>{"当前银子等于设定值。"}));
  EXPECT_EQ(app_->last_buttons, 10);
  EXPECT_EQ(app_->last_style, 48);
  EXPECT_EQ(app_->last_icon, "qzf打牌");
  EXPECT_TRUE(server().Requests().empty());
}

TEST_F(InputBarTest, APresetBelowTheSilverSavesTheSurplus) {
  ChoosePreset(3);  // 1000 of 5000
  ASSERT_NE(server().Last(kSave), nullptr);
  EXPECT_EQ(server().Last(kSave)->body, SeatHeadAnd({4000}));
  EXPECT_EQ(app_->events,
            (std::vector<std::string>{"wait 正在存银子，请您稍候......", "done",
                                      "box 设定成功。\r\n\r\n(已经存入保险箱 4000 两，zipai当前有银子 1000 两)"}));
}

TEST_F(InputBarTest, ARefusedOrTimedOutSaveShowsTheAnswerAndRefreshesNothing) {
  server().Answer(kOpen, 0, Words({0, 700}));
  Send(bar_, InputBar::kMsgOpenSafeBox);
  dialogs::CSafeBoxDlg* box = bar_->GetSafeBoxDlg();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->GetBalance(), 700);
  server().ClearRecord();
  server().Answer(kOpen, 0, Words({0, 99999}));
  server().AnswerOnce(kSave, 60002);
  ChoosePreset(0);
  EXPECT_EQ(LastBox(), "保险箱操作失败(错误60002)。");
  server().StaySilent(kSave);
  ChoosePreset(1);
  EXPECT_EQ(LastBox(), "请求超时，请稍后再试。");
  EXPECT_EQ(server().CountOf(kSave), 2u);
  EXPECT_EQ(server().CountOf(kOpen), 0u);
  EXPECT_EQ(box->GetBalance(), 700);
  EXPECT_FALSE(app_->IsWaitTextShown());
}

TEST_F(InputBarTest, ATakeWithoutAProtectionCodeGoesOutAtOnce) {
  server().AnswerOnce(kQueryCode, 60020);  // no code set
  ChoosePreset(4);                         // 10000 of 5000
  ASSERT_NE(server().Last(kQueryCode), nullptr);
  EXPECT_EQ(server().Last(kQueryCode)->body, Words({1001, 77, 5, 0}));
  ASSERT_NE(server().Last(kTake), nullptr);
  EXPECT_EQ(server().Last(kTake)->body, SeatHeadAnd({5000, 0}));
  EXPECT_EQ(app_->events, (std::vector<std::string>{
                              "wait 正在查询保护密码，请稍等......", "done", "wait 正在取银子，请您稍等......", "done",
                              "box 设定成功。\r\n\r\n(已经从保险箱中取出 5000 两，zipai当前有银子 10000 两)"}));
}

TEST_F(InputBarTest, WithAProtectionCodeTheTakeWaitsForTheAnswerAndTakesTheAmountAskedFor) {
  server().AnswerOnce(kQueryCode, 0, Words({77}));
  SetSilverTo(12345);
  EXPECT_EQ(server().CountOf(kTake), 0u);
  CKeyResultDlg* dialog = bar_->GetKeyResultDlg();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->IsVisible());
  EXPECT_EQ(dialog->GetCode(), 77);
  EXPECT_EQ(dialog->GetPurpose(), CKeyResultDlg::kPurposeQuickSilver);
  EXPECT_DOUBLE_EQ(dialog->GetX(), 400.0);
  // Meanwhile a game moved the user's silver; the last preset chosen is another amount.
  SeatWithSilver(6000);
  dialog->GetBox()->SetText("999");
  Send(dialog, CKeyResultDlg::kMsgOk);
  ASSERT_NE(server().Last(kTake), nullptr);
  EXPECT_EQ(server().Last(kTake)->body, SeatHeadAnd({6345, 999}));
  EXPECT_EQ(LastBox(), "设定成功。\r\n\r\n(已经从保险箱中取出 6345 两，zipai当前有银子 12345 两)");
  EXPECT_EQ(bar_->GetKeyResult(), 999);
  // A second answer without a new question takes the last preset (100), not the old amount again.
  Send(bar_, dialogs::CKeyResultDlg::kMsgConfirmed, 999, 1);
  EXPECT_EQ(server().CountOf(kTake), 1u);
}

TEST_F(InputBarTest, ARefusedOrTimedOutTakeSaysSo) {
  server().Answer(kQueryCode, 60020);
  server().AnswerOnce(kTake, 60009);
  ChoosePreset(5);
  EXPECT_EQ(LastBox(), "保险箱操作失败(错误60009)。");
  server().StaySilent(kTake);
  ChoosePreset(5);
  EXPECT_EQ(LastBox(), "请求超时，请稍后再试。");
  server().SetConnected(false);
  ChoosePreset(5);
  EXPECT_EQ(app_->boxes.size(), 3u);
  EXPECT_FALSE(app_->IsWaitTextShown());
}

TEST_F(InputBarTest, AWatcherMovesNoSilver) {
  SeatWithSilver(5000, "9|zipai|127.0.0.1|0|4242|1001|5|0|0x1000000|0|1");
  SetSilverTo(100);
  EXPECT_EQ(LastBox(), InputBar::kCannotUseSafeBox);
  bar_->TakeSilver(9000, 1);
  EXPECT_TRUE(server().Requests().empty());
}

TEST_F(InputBarTest, NothingIsTakenForATargetNotAboveTheSilver) {
  bar_->TakeSilver(5000, 0);
  bar_->TakeSilver(10, 0);
  SetSilverTo(0);
  SetSilverTo(-5);
  EXPECT_TRUE(server().Requests().empty());
  EXPECT_TRUE(app_->boxes.empty());
}

// ---- the dialogs ----

TEST_F(InputBarTest, TheSafeBoxOpensCentredWithTheServersBalanceOrSaysItCouldNot) {
  server().AnswerOnce(kOpen, 60001);
  Send(bar_, InputBar::kMsgOpenSafeBox);
  EXPECT_EQ(LastBox(), "保险箱打开失败。");
  EXPECT_EQ(bar_->GetSafeBoxDlg(), nullptr);
  server().AnswerOnce(kOpen, 0, Words({1, 2500}));
  Send(bar_, InputBar::kMsgOpenSafeBox);
  dialogs::CSafeBoxDlg* box = bar_->GetSafeBoxDlg();
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->IsVisible());
  EXPECT_EQ(box->GetBalance(), 2500);
  EXPECT_EQ(box->GetState(), 1);
  EXPECT_DOUBLE_EQ(box->GetDepth(), 89900.0);
  EXPECT_DOUBLE_EQ(box->GetX(), 400.0);
  EXPECT_DOUBLE_EQ(box->GetY(), 300.0);
  // A quick save while it is open refreshes it.
  server().AnswerOnce(kOpen, 0, Words({1, 6500}));
  ChoosePreset(3);
  EXPECT_EQ(box->GetBalance(), 6500);
  // Laying the bar out again closes the safe box's own dialogs.
  const engine::ObjectMessage save = MakeMessage(box->GetKey(), dialogs::CSafeBoxDlg::kMsgSave, 0, 0);
  box->SendMessage(&save);
  EXPECT_TRUE(box->GetSaveDlg()->IsVisible());
  box->MoveTo(100, 100);
  bar_->Layout();
  EXPECT_FALSE(box->GetSaveDlg()->IsVisible());
  EXPECT_DOUBLE_EQ(box->GetX(), 400.0);
}

TEST_F(InputBarTest, ThePresetsDialogOpensWithTheCurrentPresets) {
  WritePresets("[FIXDEPOSIT]\r\nFix0=1\r\nFix1=2\r\nFix2=3\r\nFix3=4\r\nFix4=5\r\nFix5=6\r\n");
  bar_->LoadFixDeposit();
  Send(bar_, InputBar::kMsgOpenSetDeposit);
  dialogs::CSetDepositDlg* dialog = bar_->GetSetDepositDlg();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->IsVisible());
  EXPECT_DOUBLE_EQ(dialog->GetDepth(), 89990.0);
  EXPECT_EQ(dialog->GetBox(0)->GetText(), "1");
  EXPECT_EQ(dialog->GetBox(5)->GetText(), "6");
  bar_->ShowKeyResultDlg(true, 5, 1);
  EXPECT_TRUE(bar_->GetKeyResultDlg()->IsVisible());
  bar_->ShowKeyResultDlg(false, 0, 0);
  EXPECT_FALSE(bar_->GetKeyResultDlg()->IsVisible());
}

}  // namespace
