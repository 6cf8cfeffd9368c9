// ctest-labels: frame tsan
// The message boxes and boards over the game window: each box's buttons send their records and
// close it, a box given no seconds never answers by itself, the icon follows the style bits, the
// link opens through the checked opener, the frame stacks boxes and sliding boards by its count,
// and a player's exit request slides in with its two replies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "dialogs/exit_request_box.h"
#include "dialogs/input_msg_box.h"
#include "dialogs/look_on_request_box.h"
#include "dialogs/system_msg_box.h"
#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/ui/edit_box.h"
#include "engine/core/colour_key.h"
#include "engine/ui/edit_box.h"
#include "engine/ui/image_button.h"
#include "frame/frame_messages.h"
#include "frame/game_frame.h"
#include "net/request_ids.h"
#include "platform/desktop.h"
#include "shell/chat_text.h"
#include "tests/support/engine_doubles.h"
#include "tests/support/frame_fixture.h"

namespace {

class MessageBoxes : public test::FrameFixture {
 protected:
  void SetUp() override {
    FrameFixture::SetUp();
    Start();
    target_ = new test::TestObject();
    target_->drawable = false;
    frame().AddToScene(target_);
    // Heap texts handed over with a message are the receiver's to free.
    target_->on_message = [](test::TestObject&, const engine::ObjectMessage& m) {
      if (m.id == kWithText) {
        texts_.push_back(reinterpret_cast<const char*>(m.p1));
        shell::FreeHeapText(m.p1);
      }
    };
    texts_.clear();
  }
  template <class Box>
  Box* Add() {
    auto* box = new Box();
    frame().AddToScene(box);
    return box;
  }
  engine::ObjectMessage To(uint32_t id, uintptr_t p1 = 0, uintptr_t p2 = 0) {
    return engine::MakeMessage(target_->GetKey(), id, p1, p2);
  }
  std::vector<uint32_t> ReceivedIds() {
    std::vector<uint32_t> ids;
    for (const engine::ObjectMessage& m : target_->received) ids.push_back(m.id);
    return ids;
  }
  // Gone from the scene once the object module took the removal.
  bool Gone(uint32_t key) {
    Frames(10);
    return frame().FindObjectByKey(key) == nullptr;
  }

  static constexpr uint32_t kWithText = 70000001;
  static inline std::vector<std::string> texts_;
  test::TestObject* target_ = nullptr;
};

TEST_F(MessageBoxes, AConfirmationBoxSendsItsOkRecordAndCloses) {
  auto* box = Add<dialogs::CSystemMsgBox>();
  const engine::ObjectMessage ok = To(70000010, 5, 6);
  ASSERT_TRUE(box->Build("确定退出吗？", &ok, nullptr, 0, 53, "qzf疑问"));
  EXPECT_TRUE(box->HasOkButton());
  EXPECT_TRUE(box->HasCancelButton());
  EXPECT_EQ(box->ButtonCount(), 2u);
  // The skin's buttons, side by side on the board.
  auto* ok_button = dynamic_cast<engine::ImageButton*>(box->GetButton(0));
  ASSERT_NE(ok_button, nullptr);
  EXPECT_LT(ok_button->GetX(), box->GetButton(1)->GetX());
  const uint32_t key = box->GetKey();
  box->PressOk();
  ASSERT_EQ(target_->received.size(), 1u);
  EXPECT_EQ(target_->received[0].id, 70000010u);
  EXPECT_EQ(target_->received[0].p1, 5u);
  EXPECT_EQ(target_->received[0].p2, 6u);
  EXPECT_TRUE(box->IsClosing());
  EXPECT_FALSE(box->IsVisible());
  EXPECT_TRUE(Gone(key));
}

TEST_F(MessageBoxes, CancelSendsTheCancelRecordAndAClickOnTheButtonDoesTheSame) {
  auto* box = Add<dialogs::CSystemMsgBox>();
  const engine::ObjectMessage ok = To(70000010);
  const engine::ObjectMessage cancel = To(70000011);
  ASSERT_TRUE(box->Build("text", &ok, &cancel, 0, 0x35, ""));
  box->Show();
  // The button's own click message reaches the box.
  const engine::ObjectMessage click = dynamic_cast<engine::ImageButton*>(box->GetButton(1))->GetMessage();
  frame().SendMessage(&click);
  EXPECT_EQ(ReceivedIds(), std::vector<uint32_t>{70000011u});
  box->PressOk();  // closed already: nothing more
  EXPECT_EQ(ReceivedIds(), std::vector<uint32_t>{70000011u});
}

TEST_F(MessageBoxes, ANoticeWithoutRecordsHasOneOkButtonThatOnlyCloses) {
  auto* box = Add<dialogs::CSystemMsgBox>();
  ASSERT_TRUE(box->Build("生命不息，战斗不止，请继续游戏。", nullptr, nullptr, 5, 49, "qzf打牌"));
  EXPECT_TRUE(box->HasOkButton());
  EXPECT_FALSE(box->HasCancelButton());
  box->PressOk();
  EXPECT_TRUE(box->IsClosing());
  EXPECT_TRUE(target_->received.empty());
}

TEST_F(MessageBoxes, TheExitBoxShowsBothOfItsAnswers) {
  auto* box = Add<dialogs::CSystemMsgBox>();
  const engine::ObjectMessage leave = To(70000010);
  const engine::ObjectMessage close = To(70000011);
  ASSERT_TRUE(box->Build("由于您长时间没有开始游戏，系统请您离开游戏", &leave, &close, 10, 0x30, "qzf抱歉"));
  EXPECT_TRUE(box->HasOkButton());
  EXPECT_TRUE(box->HasCancelButton());
}

// The boxes that count down and those that stay are checked where the frame opens them.
TEST_F(MessageBoxes, ABoxGivenNoSecondsNeverAnswersByItself) {
  auto* box = Add<dialogs::CSystemMsgBox>();
  const engine::ObjectMessage ok = To(70000010);
  ASSERT_TRUE(box->Build("c", &ok, nullptr, 0, 0x31, ""));
  box->AnswerWhenTimeUp(To(70000013));
  EXPECT_EQ(box->GetCountdown(), 0);
  Frames(2000);  // 10 s
  EXPECT_TRUE(target_->received.empty());
  EXPECT_FALSE(box->IsClosing());
}

TEST_F(MessageBoxes, TheIconFollowsTheStyleBits) {
  using Icon = dialogs::CSystemMsgBox::Icon;
  struct Case {
    int32_t style;
    const char* icon;
    Icon shown;
  };
  for (const Case& c : {Case{0x30, "qzf疑问", Icon::kNamed}, Case{0x31, "", Icon::kNone},
                        Case{0x01, "qzf疑问", Icon::kNone}, Case{0x40, "", Icon::kInformation},
                        Case{0x40, "qzf打牌", Icon::kInformation}, Case{0, nullptr, Icon::kNone}}) {
    auto* box = Add<dialogs::CSystemMsgBox>();
    ASSERT_TRUE(box->Build("text", nullptr, nullptr, 0, c.style, c.icon));
    EXPECT_EQ(box->GetIcon(), c.shown) << c.style;
  }
}

TEST_F(MessageBoxes, TheLinkOpensOnlyCheckedAddresses) {
  auto* box = Add<dialogs::CSystemMsgBox>();
  ASSERT_TRUE(box->Build("领奖", nullptr, nullptr, 0, 0x31, ""));
  box->SetLink("file:///etc/passwd", 0);
  box->ClickLink();
  EXPECT_TRUE(platform::GetHeadlessDesktop().opened.empty());
  EXPECT_FALSE(box->IsClosing());
  box->SetLink("http://localhost/award?id=3", 1);
  box->ClickLink();
  ASSERT_EQ(platform::GetHeadlessDesktop().opened.size(), 1u);
  EXPECT_EQ(platform::GetHeadlessDesktop().opened[0], "http://localhost/award?id=3");
  EXPECT_TRUE(box->IsClosing());
}

TEST_F(MessageBoxes, TheFramesBoxesStackByTheOpenBoxCountAndPlayTheirSound) {
  const int32_t n = frame().GetIntSetting(frame::frame_setting::kOpenBoxCount);
  frame().ShowMessageBox("one", nullptr, nullptr, 0, 0x31, "");
  engine::EngineObject* first = frame().GetLastMessageBox();
  frame().ShowMessageBox("two", nullptr, nullptr, 0, 0x31, "");
  engine::EngineObject* second = frame().GetLastMessageBox();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->GetDepth(), 90000.0 + 2 * (n + 1));
  EXPECT_EQ(second->GetDepth(), 90000.0 + 2 * (n + 2));
  EXPECT_EQ(frame().GetIntSetting(frame::frame_setting::kOpenBoxCount), n + 2);
  EXPECT_EQ(second->GetX(), 512);
  EXPECT_EQ(second->GetY(), 384);
  EXPECT_TRUE(second->IsVisible());
  Frames(30);
  EXPECT_EQ(std::count(music_->asked.begin(), music_->asked.end(), "Snd_msg"), 2);
}

TEST_F(MessageBoxes, TheExitBoxOfTheFrameLeavesOrClosesTheWindow) {
  frame().ShowExitBox("由于您长时间没有开始游戏，系统请您离开游戏", 10, 0x30, "qzf抱歉");
  auto* box = dynamic_cast<dialogs::CSystemMsgBox*>(frame().GetLastMessageBox());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->GetAnswer(0).id, frame::frame_msg::kConfirmExit);
  EXPECT_EQ(box->GetAnswer(1).id, frame::frame_msg::kCloseNow);
  EXPECT_EQ(box->GetAnswer(0).target, frame().GetKey());
  EXPECT_EQ(box->GetCountdown(), 10);
}

TEST_F(MessageBoxes, SlidingBoardsStackByTensAndSlideUpIntoTheCorner) {
  const int32_t n = frame().GetIntSetting(frame::frame_setting::kOpenBoxCount);
  engine::CanvasObject* a = frame().CreateCanvas(200, 100, engine::kColourKey);
  engine::CanvasObject* b = frame().CreateCanvas(200, 100, engine::kColourKey);
  frame().SlideInBoard(a);
  EXPECT_EQ(a->GetY(), 768 + 50);  // starts just below the window
  frame().SlideInBoard(b);
  EXPECT_EQ(a->GetDepth(), 90000.0 + 10 * (n + 1));
  EXPECT_EQ(b->GetDepth(), 90000.0 + 10 * (n + 2));
  Frames(200);
  EXPECT_EQ(a->GetX(), 1024 - 100 - 4);
  EXPECT_EQ(a->GetY(), 768 - 50 - 4);
}

TEST_F(MessageBoxes, APlayersExitRequestSlidesInWithItsTwoReplies) {
  std::vector<uint8_t> record(20, 0);
  record[0] = 0xEA;  // user 1002
  record[1] = 0x03;
  const std::string reason = "家里有事<c=255>";
  record.insert(record.end(), reason.begin(), reason.end());  // no terminator: the record ends it
  frame().ShowExitRequest(record.data(), record.size());
  ASSERT_EQ(frame().slid.size(), 1u);
  auto* box = dynamic_cast<dialogs::CExitRequestBox*>(frame().slid[0]);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->GetName(), "bob");
  EXPECT_EQ(box->GetText(), reason);
  EXPECT_EQ(box->GetAvatar(), "Character0Type1");
  EXPECT_EQ(box->GetCountdown(), 30);
  const engine::ObjectMessage agree = box->GetAnswer(0);
  const engine::ObjectMessage refuse = box->GetAnswer(1);
  EXPECT_EQ(agree.target, frame().GetKey());
  EXPECT_EQ(agree.id, frame::frame_msg::kForceExitAnswer);
  EXPECT_EQ(agree.p1, 1002u);
  EXPECT_EQ(agree.p2, 1u);
  EXPECT_EQ(refuse.id, frame::frame_msg::kForceExitAnswer);
  EXPECT_EQ(refuse.p1, 1002u);
  EXPECT_EQ(refuse.p2, 0u);
  Frames(30);
  EXPECT_NE(std::find(music_->asked.begin(), music_->asked.end(), "SndHi"), music_->asked.end());
  // Pressing "拒绝" sends the refusal to the server through the frame.
  box->Press(1);
  const auto* answer = server().Last(net::request::kAnswerForceExit);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(test::HexWords(answer->body), test::HexWords(test::Words({1001, 77, 5, 0, 1002, 0})));
}

TEST_F(MessageBoxes, AnExitRequestFromAStrangerIsIgnored) {
  std::vector<uint8_t> record(24, 0);
  record[0] = 0x39;  // user 57
  frame().ShowExitRequest(record.data(), record.size());
  frame().ShowExitRequest(record.data(), 3);
  EXPECT_TRUE(frame().slid.empty());
}

TEST_F(MessageBoxes, AnUnansweredExitRequestAgreesWhenItsSecondsAreUp) {
  auto* box = Add<dialogs::CExitRequestBox>();
  const engine::ObjectMessage agree = To(70000010);
  const engine::ObjectMessage refuse = To(70000011);
  ASSERT_TRUE(box->Set("bob", "reason", "", &agree, &refuse, 2));
  const uint32_t key = box->GetKey();
  Frames(390);
  EXPECT_TRUE(target_->received.empty());
  Frames(110);
  EXPECT_EQ(frame().FindObjectByKey(key), nullptr);
  EXPECT_EQ(ReceivedIds(), std::vector<uint32_t>{70000010u});
}

TEST_F(MessageBoxes, TheLookOnRequestAcceptsOrRefusesAndShowsTheNameAsPlainText) {
  auto* box = Add<dialogs::CLookOnRequestBox>();
  const engine::ObjectMessage accept = To(70000020);
  const engine::ObjectMessage refuse = To(70000021);
  ASSERT_TRUE(box->Setup("fan<size=90>", "Character1Type1", &accept, &refuse));
  EXPECT_EQ(box->GetText(), "<c=255>fan＜size=90><c=0> 请求看牌!");
  box->Accept();
  EXPECT_EQ(ReceivedIds(), std::vector<uint32_t>{70000020u});
  auto* other = Add<dialogs::CLookOnRequestBox>();
  ASSERT_TRUE(other->Setup("fan", "", &accept, &refuse));
  other->Refuse();
  EXPECT_EQ(ReceivedIds(), (std::vector<uint32_t>{70000020u, 70000021u}));
}

TEST_F(MessageBoxes, TheInputBoxHandsItsTextToTheOkReceiverAndCancelSendsItsRecord) {
  auto* box = Add<dialogs::CInputMsgBox>();
  const engine::ObjectMessage ok = To(kWithText);
  const engine::ObjectMessage cancel = To(70000031);
  ASSERT_TRUE(box->Setup("输入理由", &ok, &cancel, 3));
  box->SetMaxInput(60);
  box->SetTitle("请求强退");
  ASSERT_NE(box->GetEntry(), nullptr);
  box->TypeText("家里有事");
  EXPECT_EQ(box->GetInput(), "家里有事");
  box->PressOk();
  ASSERT_EQ(texts_.size(), 1u);
  EXPECT_EQ(texts_[0], "家里有事");
  auto* second = Add<dialogs::CInputMsgBox>();
  ASSERT_TRUE(second->Setup("输入理由", &ok, &cancel, 3));
  second->PressCancel();
  EXPECT_EQ(ReceivedIds(), (std::vector<uint32_t>{kWithText, 70000031u}));
}

TEST_F(MessageBoxes, TheInputBoxTakesSixtyBytesWithoutCuttingACharacter) {
  auto* box = Add<dialogs::CInputMsgBox>();
  const engine::ObjectMessage ok = To(kWithText);
  ASSERT_TRUE(box->Setup("输入理由", &ok, nullptr, 3));
  box->SetMaxInput(60);
  box->TypeText(std::string(59, 'a'));
  box->TypeText("家");  // two more bytes: over the limit, and not cut in half
  EXPECT_EQ(box->GetInput(), std::string(59, 'a'));
  box->TypeText("b");
  EXPECT_EQ(box->GetInput(), std::string(59, 'a') + "b");
  // Enter in the entry answers as OK.
  const engine::ObjectMessage enter = engine::MakeMessage(box->GetKey(), dialogs::CInputMsgBox::kEntrySubmitted, 0, 0);
  box->OnMessage(&enter);
  ASSERT_EQ(texts_.size(), 1u);
  EXPECT_EQ(texts_[0].size(), 60u);
}

TEST_F(MessageBoxes, TheForceExitBoxTakesTheInputFocusWhenItShows) {
  frame().ShowForceExitRequest();
  auto* box = dynamic_cast<dialogs::CInputMsgBox*>(frame().GetForceExitBox());
  ASSERT_NE(box, nullptr);
  ASSERT_NE(box->GetEntry(), nullptr);
  Frames(3);
  EXPECT_NE(box->GetEntry()->GetEditFlag(), 0u);
}

}  // namespace
