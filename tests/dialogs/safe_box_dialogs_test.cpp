// ctest-labels: silver tsan
// The safe-box dialogs against the scripted game server: the safe box's balance and its refresh,
// saving and taking through the amount dialogs (with and without a protection code), refusals
// and time-outs that change nothing shown, the presets dialog writing the per-user file, and the
// protection code dialog answering the input bar.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "dialogs/fix_deposit.h"
#include "dialogs/key_result_dlg.h"
#include "dialogs/safe_box_amount_dlg.h"
#include "dialogs/safe_box_dlg.h"
#include "dialogs/safe_box_requests.h"
#include "dialogs/set_deposit_dlg.h"
#include "engine/core/canvas_object.h"
#include "engine/ui/input_box.h"
#include "engine/ui/number_edit_box.h"
#include "engine/ui/quick_input_bar.h"
#include "net/request_ids.h"
#include "tests/support/silver_fixture.h"

namespace {

namespace fs = std::filesystem;
using dialogs::CKeyResultDlg;
using dialogs::CSafeBoxAmountDlg;
using dialogs::CSafeBoxDlg;
using dialogs::CSetDepositDlg;
using engine::MakeMessage;
using test::Words;

constexpr uint32_t kOpen = net::request::kSafeBoxOpen;
constexpr uint32_t kSave = net::request::kSafeBoxSave;
constexpr uint32_t kTake = net::request::kSafeBoxTake;

class SafeBoxDialogsTest : public test::SilverFixture {
 protected:
  void SetUp() override {
    SilverFixture::SetUp();
    SeatWithSilver(5000);
  }
  template <class Dialog, class... Args>
  Dialog* Make(Args... args) {
    auto* dialog = new Dialog();
    root_->AddToScene(dialog);
    EXPECT_TRUE(dialog->Create(args...));
    return dialog;
  }
  void Click(engine::EngineObject* dialog, uint32_t id) {
    const engine::ObjectMessage m = MakeMessage(dialog->GetKey(), id, 0, 0);
    dialog->SendMessage(&m);
  }
  CSafeBoxDlg* ShownSafeBox(int32_t state, int32_t balance) {
    CSafeBoxDlg* box = Make<CSafeBoxDlg>(state, balance);
    box->CentreInWindow();
    box->Show();
    return box;
  }
};

TEST_F(SafeBoxDialogsTest, TheSafeBoxStartsHiddenAndShowsItsPictureCentred) {
  CSafeBoxDlg* box = Make<CSafeBoxDlg>(0, 8000);
  EXPECT_FALSE(box->IsVisible());
  EXPECT_DOUBLE_EQ(box->GetWidth(), 300.0);
  EXPECT_DOUBLE_EQ(box->GetHeight(), 190.0);
  EXPECT_DOUBLE_EQ(box->GetDepth(), 89900.0);
  box->CentreInWindow();
  box->Show();
  EXPECT_DOUBLE_EQ(box->GetX(), 400.0);
  EXPECT_DOUBLE_EQ(box->GetY(), 300.0);
  EXPECT_NE(box->GetPanel()->GetPixelAlpha(150, 100), 0);
  EXPECT_EQ(box->GetBalance(), 8000);
}

TEST_F(SafeBoxDialogsTest, ARefreshShowsTheServersBalanceAndAFailedOneChangesNothing) {
  CSafeBoxDlg* box = ShownSafeBox(0, 8000);
  server().AnswerOnce(kOpen, 0, Words({1, 12345}));
  EXPECT_TRUE(box->RefreshBalance());
  EXPECT_EQ(box->GetBalance(), 12345);
  EXPECT_EQ(box->GetState(), 1);
  EXPECT_EQ(app_->events, (std::vector<std::string>{"wait " + std::string(dialogs::kWaitOpenSafeBox), "done"}));

  server().AnswerOnce(kOpen, 60003);
  EXPECT_FALSE(box->RefreshBalance());
  server().StaySilent(kOpen);
  EXPECT_FALSE(box->RefreshBalance());
  EXPECT_EQ(box->GetBalance(), 12345);
  EXPECT_EQ(box->GetState(), 1);
  EXPECT_EQ(app_->boxes, (std::vector<std::string>{"保险箱打开失败。", "保险箱打开失败。"}));
  EXPECT_EQ(app_->last_buttons, 10);
  EXPECT_EQ(app_->last_style, 48);
  EXPECT_EQ(app_->last_icon, "qzf打牌");
}

TEST_F(SafeBoxDialogsTest, ASaveSendsTheTypedAmountThenRefreshesTheBalance) {
  CSafeBoxDlg* box = ShownSafeBox(0, 8000);
  Click(box, CSafeBoxDlg::kMsgSave);
  CSafeBoxAmountDlg* save = box->GetSaveDlg();
  ASSERT_NE(save, nullptr);
  EXPECT_TRUE(save->IsVisible());
  EXPECT_FALSE(save->GetAnswerBox()->IsVisible());
  save->GetAmountBox()->SetText("300");
  server().Answer(kOpen, 0, Words({0, 8300}));
  Click(save, CSafeBoxAmountDlg::kMsgOk);
  ASSERT_NE(server().Last(kSave), nullptr);
  EXPECT_EQ(server().Last(kSave)->body, SeatHeadAnd({300}));
  EXPECT_EQ(box->GetBalance(), 8300);
  EXPECT_FALSE(save->IsVisible());
  EXPECT_EQ(LastBox(), "已经存入保险箱 300 两。");
  EXPECT_EQ(save->GetAmountBox()->GetValues().back(), "300");
  EXPECT_EQ(app_->events.front(), "wait " + std::string(dialogs::kWaitSaveSilver));
}

TEST_F(SafeBoxDialogsTest, ARefusedSaveShowsTheAnswerAndChangesNothing) {
  CSafeBoxDlg* box = ShownSafeBox(0, 8000);
  Click(box, CSafeBoxDlg::kMsgSave);
  CSafeBoxAmountDlg* save = box->GetSaveDlg();
  save->GetAmountBox()->SetText("300");
  server().AnswerOnce(kSave, 60005);
  Click(save, CSafeBoxAmountDlg::kMsgOk);
  EXPECT_EQ(LastBox(), "保险箱操作失败(错误60005)。");
  EXPECT_EQ(server().CountOf(kOpen), 0u);
  EXPECT_EQ(box->GetBalance(), 8000);
  EXPECT_TRUE(save->IsVisible());
  EXPECT_EQ(save->GetAmountBox()->GetText(), "300");
  EXPECT_TRUE(save->GetAmountBox()->GetValues().empty());
}

TEST_F(SafeBoxDialogsTest, ATimedOutSaveSaysSoAndHidesTheWaitText) {
  CSafeBoxDlg* box = ShownSafeBox(0, 8000);
  Click(box, CSafeBoxDlg::kMsgSave);
  box->GetSaveDlg()->GetAmountBox()->SetText("300");
  server().StaySilent(kSave);
  Click(box->GetSaveDlg(), CSafeBoxAmountDlg::kMsgOk);
  EXPECT_EQ(app_->events, (std::vector<std::string>{"wait " + std::string(dialogs::kWaitSaveSilver), "done",
                                                    "box 请求超时，请稍后再试。"}));
  EXPECT_FALSE(app_->IsWaitTextShown());
  EXPECT_EQ(box->GetBalance(), 8000);
}

TEST_F(SafeBoxDialogsTest, AmountsThatAreNoAmountAreRefusedBeforeAnythingIsSent) {
  CSafeBoxDlg* box = ShownSafeBox(0, 8000);
  Click(box, CSafeBoxDlg::kMsgSave);
  CSafeBoxAmountDlg* save = box->GetSaveDlg();
  for (const char* typed : {"", "0", "2147483648", "9999999999"}) {
    save->GetAmountBox()->Clear();
    save->GetAmountBox()->SetText(typed);
    Click(save, CSafeBoxAmountDlg::kMsgOk);
    EXPECT_EQ(LastBox(), CSafeBoxAmountDlg::kBadAmount) << typed;
  }
  // Eleven digits do not fit the box at all.
  save->GetAmountBox()->Clear();
  save->GetAmountBox()->SetText("12345678901");
  EXPECT_EQ(save->GetAmountBox()->GetText(), "1234567890");
  EXPECT_TRUE(server().Requests().empty());
}

TEST_F(SafeBoxDialogsTest, ATakeFromAProtectedSafeBoxSendsTheAnswerToTheCode) {
  CSafeBoxDlg* box = ShownSafeBox(CSafeBoxDlg::kStateProtected, 8000);
  Click(box, CSafeBoxDlg::kMsgTake);
  CSafeBoxAmountDlg* take = box->GetTakeDlg();
  ASSERT_NE(take, nullptr);
  EXPECT_TRUE(take->GetAnswerBox()->IsVisible());
  take->GetAmountBox()->SetText("500");
  Click(take, CSafeBoxAmountDlg::kMsgOk);
  EXPECT_EQ(LastBox(), CSafeBoxAmountDlg::kNoAnswer);
  EXPECT_TRUE(server().Requests().empty());
  take->GetAnswerBox()->SetText("4321");
  server().AnswerOnce(kOpen, 0, Words({1, 7500}));
  Click(take, CSafeBoxAmountDlg::kMsgOk);
  ASSERT_NE(server().Last(kTake), nullptr);
  EXPECT_EQ(server().Last(kTake)->body, SeatHeadAnd({500, 4321}));
  EXPECT_EQ(LastBox(), "已经从保险箱中取出 500 两。");
  EXPECT_EQ(box->GetBalance(), 7500);
}

TEST_F(SafeBoxDialogsTest, ATakeWithoutAProtectionCodeSendsNoAnswer) {
  CSafeBoxDlg* box = ShownSafeBox(0, 8000);
  Click(box, CSafeBoxDlg::kMsgTake);
  CSafeBoxAmountDlg* take = box->GetTakeDlg();
  EXPECT_FALSE(take->GetAnswerBox()->IsVisible());
  take->GetAmountBox()->SetText("20");
  server().AnswerOnce(kTake, 60007);
  Click(take, CSafeBoxAmountDlg::kMsgOk);
  EXPECT_EQ(server().Last(kTake)->body, SeatHeadAnd({20, 0}));
  EXPECT_EQ(LastBox(), "保险箱操作失败(错误60007)。");
  EXPECT_TRUE(take->IsVisible());
  // Opening the save dialog closes the take dialog; closing the safe box closes both.
  Click(box, CSafeBoxDlg::kMsgSave);
  EXPECT_FALSE(take->IsVisible());
  Click(box, CSafeBoxDlg::kMsgClose);
  EXPECT_FALSE(box->GetSaveDlg()->IsVisible());
  EXPECT_FALSE(box->IsVisible());
}

TEST_F(SafeBoxDialogsTest, ThePresetsDialogWritesAllSixIntoTheUsersFile) {
  CSetDepositDlg* dialog = Make<CSetDepositDlg>();
  dialog->SetAmounts(dialogs::kDefaultPresets);
  dialog->Show();
  EXPECT_EQ(dialog->GetBox(5)->GetText(), "30000");
  dialog->GetBox(2)->Clear();
  dialog->GetBox(2)->SetText("2500");
  Click(dialog, CSetDepositDlg::kMsgOk);
  EXPECT_FALSE(dialog->IsVisible());
  EXPECT_TRUE(app_->boxes.empty());
  const std::string path = app_->GetUserDataPath();
  EXPECT_EQ(dialogs::LoadFixDeposit(path), (dialogs::PresetAmounts{100, 200, 2500, 1000, 10000, 30000}));
}

TEST_F(SafeBoxDialogsTest, ThePresetsDialogWritesNothingForABadAmountOrWhenTheFileCannotBeWritten) {
  const std::string path = app_->GetUserDataPath();
  ASSERT_TRUE(dialogs::SaveFixDeposit(path, dialogs::PresetAmounts{1, 2, 3, 4, 5, 6}));
  CSetDepositDlg* dialog = Make<CSetDepositDlg>();
  dialog->SetAmounts(dialogs::PresetAmounts{7, 8, 9, 10, 11, 12});
  dialog->Show();
  dialog->GetBox(4)->Clear();
  Click(dialog, CSetDepositDlg::kMsgOk);
  EXPECT_EQ(LastBox(), CSetDepositDlg::kBadAmount);
  EXPECT_TRUE(dialog->IsVisible());
  EXPECT_EQ(dialogs::LoadFixDeposit(path), (dialogs::PresetAmounts{1, 2, 3, 4, 5, 6}));

  dialog->GetBox(4)->SetText("11");
  std::ofstream(fs::path("blocked"), std::ios::binary) << "a file";
  dialog->SetFilePath("blocked\\1001.ini");
  Click(dialog, CSetDepositDlg::kMsgOk);
  EXPECT_EQ(LastBox(), CSetDepositDlg::kSaveFailed);
  EXPECT_TRUE(dialog->IsVisible());
  dialog->SetFilePath(path);
  Click(dialog, CSetDepositDlg::kMsgOk);
  EXPECT_EQ(dialogs::LoadFixDeposit(path), (dialogs::PresetAmounts{7, 8, 9, 10, 11, 12}));
}

TEST_F(SafeBoxDialogsTest, TheCodeDialogSendsItsAnswerToTheInputBar) {
  test::TestObject* bar = AddNamedProbe("InputBar");
  CKeyResultDlg* dialog = Make<CKeyResultDlg>(17);
  EXPECT_EQ(dialog->GetCode(), 17);
  EXPECT_DOUBLE_EQ(dialog->GetDepth(), 89980.0);
  dialog->SetPurpose(CKeyResultDlg::kPurposeQuickSilver);
  dialog->Reset();
  dialog->Show();
  Click(dialog, CKeyResultDlg::kMsgOk);
  EXPECT_EQ(LastBox(), "请输入保护密码。");
  EXPECT_TRUE(bar->received.empty());
  dialog->GetBox()->SetText("0042");
  Click(dialog, CKeyResultDlg::kMsgOk);
  EXPECT_FALSE(dialog->IsVisible());
  EXPECT_EQ(dialog->GetResult(), 42);
  ASSERT_EQ(bar->received.size(), 1u);
  EXPECT_EQ(bar->received[0].id, CKeyResultDlg::kMsgConfirmed);
  EXPECT_EQ(bar->received[0].p1, 42u);
  EXPECT_EQ(bar->received[0].p2, 1u);
  dialog->Reset();
  EXPECT_EQ(dialog->GetResult(), 0);
  EXPECT_EQ(dialog->GetBox()->GetText(), "");
  dialog->Show();
  dialog->GetBox()->SetText("7");
  Click(dialog, CKeyResultDlg::kMsgCancel);
  EXPECT_FALSE(dialog->IsVisible());
  EXPECT_EQ(bar->received.size(), 1u);
}

TEST_F(SafeBoxDialogsTest, TheSilverAtTheTableIsTheOwnChairsAndAWatcherHasNone) {
  int32_t silver = 0;
  EXPECT_TRUE(dialogs::GetOwnSilver(&silver));
  EXPECT_EQ(silver, 5000);
  // The same user watching chair 0 (the look-on field of the command line set).
  SeatWithSilver(5000, "9|zipai|127.0.0.1|0|4242|1001|5|0|0x1000000|0|1");
  EXPECT_FALSE(dialogs::GetOwnSilver(&silver));
}

}  // namespace
