// ctest-labels: shell
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ui/text_markup.h"
#include "shell/server_notify.h"
#include "shell/table_notify_target.h"
#include "tests/support/app_fixture.h"

namespace {

using test::Words;

// A table view that writes down each operation it is given, with the words it would read.
class RecordingView : public shell::TableNotifyTarget {
 public:
  void OnPlayerStarted(int32_t chair) override { Note("started " + std::to_string(chair)); }
  void OnPlayerOffline(uint32_t user) override { Note("offline " + std::to_string(user)); }
  void ClearReadyMarks() override { Note("clear ready"); }
  void OnNextTurnNotify(const shell::NotifyBody& b) override { Note("next turn after " + std::to_string(b.Int(1))); }
  void OnTurnNotify(const shell::NotifyBody&) override { Note("turn"); }
  void OnPlayNotify(const shell::NotifyBody& b) override {
    Note("play " + std::to_string(b.Int(3)) + " cards " + std::to_string(b.WordAt(60)));
  }
  void OnPassNotify(const shell::NotifyBody& b) override {
    Note("pass " + std::to_string(b.Int(2)) + " next " + std::to_string(b.Int(4)));
  }
  void OnGameMessage(const shell::NotifyBody& b) override {
    Note("game message " + std::to_string(b.Word(2)) + " data " + std::to_string(b.Word(4)));
  }
  void ShowLookOnRequestBox(const shell::NotifyBody& b) override {
    Note("look-on request " + std::to_string(b.Word(0)));
  }
  void ShowLookOnAnswer(const shell::NotifyBody& b) override { Note("look-on answer " + std::to_string(b.Word(5))); }
  void OnLookOnNotify(const shell::NotifyBody& b) override { Note("look-on notice " + std::to_string(b.length)); }
  void OnGameStarted(const shell::NotifyBody& b) override { Note("game started " + std::to_string(b.length)); }
  void OnGameEnded(const shell::NotifyBody& b) override { Note("game ended " + std::to_string(b.length)); }
  void Record(uint32_t id, const shell::NotifyBody& b) override {
    recorded.push_back(std::to_string(id) + " (" + std::to_string(b.length) + ")");
  }

  void Note(const std::string& line) { calls.push_back(line); }
  std::vector<std::string> calls;
  std::vector<std::string> recorded;  // what reached the recorder, in order
};

class NotifyDispatch : public test::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    Seat();
    app_->main_game = &view_;
  }
  void Push(uint32_t id, const std::vector<uint8_t>& body) { server_->server().Push(id, body); }
  std::vector<uint8_t> Play(uint32_t chair, uint32_t cards, uint32_t ids_present) {
    std::vector<uint8_t> body = Words({0, 0, 0, chair, 0, 10, 0, 20, 0, 0, 0, 0, 0x40, 0, 3, cards});
    for (uint32_t i = 0; i < ids_present; ++i) {
      const auto w = Words({i});
      body.insert(body.end(), w.begin(), w.end());
    }
    return body;
  }

  RecordingView view_;
};

TEST_F(NotifyDispatch, EveryNotificationOfTheTableReachesItsTableViewOperation) {
  Push(201160, Words({1003, 77, 5, 2}));
  Push(211240, Words({1002}));
  Push(211300, {});
  Push(221165, Words({0, 1}));
  Push(221168, {});
  Push(221170, Play(1, 3, 3));
  Push(223100, Words({0, 0, 2, 0, 1, 0, 0, 0, 20}));
  Push(229500, Words({77, 1002, 19840329, 0, 4, 1}));
  Push(229550, Words({2001}));
  Push(229570, Words({1001, 77, 5, 0, 2001, 1}));
  Push(229580, Words({1, 2}));
  EXPECT_EQ(view_.calls, (std::vector<std::string>{
                             "started 2",
                             "offline 1002",
                             "clear ready",
                             "next turn after 1",
                             "turn",
                             "play 1 cards 3",
                             "pass 2 next 1",
                             "game message 19840329 data 4",
                             "look-on request 2001",
                             "look-on answer 1",
                             "look-on notice 8",
                         }));
  // The look-on request box comes after a sound.
  EXPECT_EQ(app_->sounds, (std::vector<std::string>{"Snd_msg"}));
}

TEST_F(NotifyDispatch, ARoundSetsAndClearsTheGameFlagsAndEveryTableNotificationReachesTheRecorderFirst) {
  Push(211040, Words({5, 1}));
  EXPECT_EQ(app_->IsGameRunning(), 1);
  EXPECT_TRUE(app_->GetGameFlag());
  Push(221170, Play(1, 3, 3));
  Push(211028, {});  // seated at random: the game starts again
  Push(211150, Words({9}));
  Push(211160, Words({2}));
  Push(221170, Play(1, 3, 2));  // refused: never recorded
  Push(211080, Words({5, 1, 7}));
  EXPECT_EQ(app_->IsGameRunning(), 0);
  EXPECT_FALSE(app_->GetGameFlag());
  EXPECT_EQ(view_.recorded, (std::vector<std::string>{"211040 (8)", "221170 (76)", "211028 (0)", "211150 (4)",
                                                      "211160 (4)", "211080 (12)"}));
  EXPECT_EQ(view_.calls, (std::vector<std::string>{"game started 8", "play 1 cards 3", "game ended 12"}));

  // Without a table view the flags follow the round all the same.
  app_->main_game = nullptr;
  Push(211040, {});
  EXPECT_EQ(app_->IsGameRunning(), 1);
  Push(211080, {});
  EXPECT_FALSE(app_->GetGameFlag());
}

TEST_F(NotifyDispatch, BodiesTooShortForWhatTheViewReadsAreRefused) {
  Push(201160, Words({1003, 77, 5}));
  Push(211240, {1, 2, 3});
  Push(221165, Words({0}));
  Push(221170, Play(1, 3, 2));           // one card id missing
  Push(221170, Play(1, 65, 65));         // more cards than a combination holds
  Push(221170, Play(1, 0xFFFFFFFF, 0));  // a negative count
  Push(223100, Words({0, 0, 2, 0, 1, 0, 0, 0}));
  Push(229500, Words({77, 1002, 19840329, 0, 5, 1}));  // data length beyond the body
  Push(229500, Words({77, 1002, 19840329, 0}));
  Push(229550, {});
  Push(229570, Words({1001, 77, 5, 0, 2001}));
  EXPECT_TRUE(view_.calls.empty());
  EXPECT_NE(GameLog().find("notification 221170 (72 bytes) refused: card ids missing"), std::string::npos);
}

TEST_F(NotifyDispatch, ChairsFromTheServerAreCheckedAgainstTheTable) {
  Push(201160, Words({1003, 77, 5, 3}));
  Push(221165, Words({0, 0xFFFFFFFF}));
  Push(221170, Play(8, 1, 1));
  Push(223100, Words({0, 0, 3, 0, 1, 0, 0, 0, 20}));
  Push(223100, Words({0, 0, 1, 0, 5, 0, 0, 0, 20}));
  Push(229570, Words({1001, 77, 5, 7, 2001, 1}));
  EXPECT_TRUE(view_.calls.empty());
  // No one to act next (-1) is a chair the pass may name.
  Push(223100, Words({0, 0, 1, 0, 0xFFFFFFFF, 1, 0, 0, 0}));
  EXPECT_EQ(view_.calls, (std::vector<std::string>{"pass 1 next -1"}));
}

TEST_F(NotifyDispatch, ACardCountOfSixtyFourWithAllItsIdsIsTaken) {
  Push(221170, Play(2, 64, 64));
  EXPECT_EQ(view_.calls, (std::vector<std::string>{"play 2 cards 64"}));
}

TEST_F(NotifyDispatch, WithoutATableViewNotificationsAreDroppedQuietly) {
  app_->main_game = nullptr;  // no window, so no "MainGame" either
  Push(211300, {});
  Push(999999, Words({1}));
  EXPECT_NE(GameLog().find("notification 211300: no table view; dropped"), std::string::npos);
  EXPECT_NE(GameLog().find("notification 999999 (4 bytes) not handled"), std::string::npos);
}

TEST_F(NotifyDispatch, TheDefaultTableViewLeavesEachNotificationToTheGame) {
  shell::TableNotifyTarget plain;
  app_->main_game = &plain;
  Push(221168, {});
  Push(201160, Words({1003, 77, 5, 2}));
  EXPECT_NE(GameLog().find("table view: OnTurnNotify (0 bytes) left to the game"), std::string::npos);
  EXPECT_NE(GameLog().find("table view: OnPlayerStarted (2) left to the game"), std::string::npos);
}

TEST_F(NotifyDispatch, ACallWritesTheCallLineAndRingsForTheOwnUser) {
  // bob calls alice, the own user.
  Push(201200, Words({1002, 77, 5, 1, 1001, 0, 0, 0, 0, 0}));
  ASSERT_EQ(app_->system_texts.size(), 1u);
  EXPECT_EQ(app_->system_texts[0], " bob呼叫 <c=32768>alice\n");
  EXPECT_EQ(app_->sounds, (std::vector<std::string>{"SndAhoo"}));
  // alice calls 张三: a line, no sound here.
  Push(201200, Words({1001, 77, 5, 0, 1003, 2, 0, 0, 0, 0}));
  EXPECT_EQ(app_->system_texts[1], " alice呼叫 <c=32768>张三\n");
  EXPECT_EQ(app_->sounds.size(), 1u);
  // The user list hands the same record over without the server: the same line.
  app_->GetNotifyHandler()->Dispatch(201200, Words({1001, 77, 5, 0, 1002, 1, 0, 0, 0, 0}).data(), 40);
  EXPECT_EQ(app_->system_texts[2], " alice呼叫 <c=32768>bob\n");
}

TEST_F(NotifyDispatch, NamesInTheCallLineCannotOpenMarkup) {
  shell::EnterGameData table = test::MakeTable();
  table.players[1] = test::MakePlayer(1002, 1, "<url_text=x>#qzf1");
  const std::vector<uint8_t> bytes = table.Serialize();
  ASSERT_TRUE(app_->TakeStartData(bytes.data(), bytes.size()));
  Push(201200, Words({1002, 77, 5, 1, 1003, 2}));
  ASSERT_EQ(app_->system_texts.size(), 1u);
  EXPECT_EQ(app_->system_texts[0], " #<url_text=x#>##qzf1呼叫 <c=32768>张三\n");
  // A name that fills its field and ends in half a character loses the half.
  const std::string cut = std::string(31, 'n') + "\xD5";
  EXPECT_EQ(engine::EscapeMarkupText(cut), std::string(31, 'n'));
  EXPECT_EQ(engine::EscapeMarkupText("a#b<c>d张"), "a##b#<c#>d张");
  // A call record shorter than its six words is refused.
  Push(201200, Words({1002, 77, 5, 1, 1003}));
  EXPECT_EQ(app_->system_texts.size(), 1u);
}

}  // namespace
