// ctest-labels: shell
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "net/answer_codes.h"
#include "net/card_game_session.h"
#include "net/request_ids.h"
#include "net/text_bounds.h"
#include "tests/support/app_fixture.h"

namespace {

using test::Words;

// The seat head of the test table: user 1001, room record 77, table record 5, chair 0.
std::vector<uint8_t> Head(std::initializer_list<uint32_t> more = {}) {
  std::vector<uint8_t> body = Words({1001, 77, 5, 0});
  const std::vector<uint8_t> rest = Words(more);
  body.insert(body.end(), rest.begin(), rest.end());
  return body;
}

std::vector<uint8_t> Field(const std::string& text, size_t size) {
  std::vector<uint8_t> field(size, 0);
  std::memcpy(field.data(), text.data(), text.size() < size ? text.size() : size);
  return field;
}

std::vector<uint8_t> Join(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct RequestCase {
  const char* name;
  uint32_t id;
  bool waits;
  std::function<void(net::CCardGameSession&)> call;
  std::vector<uint8_t> body;
};

class GameSession : public test::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    Seat();
  }
  net::CCardGameSession& session() { return *app_->GetSession(); }
  test::FakeGameServer& server() { return server_->server(); }
};

TEST_F(GameSession, EveryRequestGoesOutWithItsBodyByteForByte) {
  std::string text;
  int32_t area[31];
  int32_t out = 0;
  net::SafeBoxState box;
  int32_t play[80] = {1001, 77, 5, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0x40, 0x40, 9, 3, 11, 12, 13};
  const int32_t game_data[2] = {7, -1};
  const std::vector<RequestCase> cases = {
      {"game running", 201130, true, [](auto& s) { s.QueryGameRunning(); }, Head()},
      {"leave", 201125, true, [&](auto& s) { s.RequestLeave(&text, 1001, 0); }, Head()},
      {"force exit", 201212, false, [](auto& s) { s.SendForceExit("有事先走"); },
       Join(Head({0}), Field("有事先走", 64))},
      {"answer force exit", 201213, false, [](auto& s) { s.AnswerForceExit(1002, 0); }, Head({1002, 0})},
      {"match begun", 201221, false, [](auto& s) { s.SendMatchBegun(); }, Head()},
      {"round", 201161, false, [](auto& s) { s.SendRoundRequest(); }, Head()},
      {"sign up", 201231, false, [](auto& s) { s.RequestMatchSignUp(); }, Head()},
      {"give up", 201232, false, [](auto& s) { s.RequestMatchGiveUp(); }, Head()},
      {"query user", 201230, true, [](auto& s) { s.QueryUser(2001); }, Words({77, 1001, 2001, 0, 0, 0, 0, 0})},
      {"chat", 201211, true, [](auto& s) { s.SendChat("你好<c=255>"); },
       Join(Join(Head(), Field("machine-7", 50)), Field("你好<c=255>", 62))},
      {"call player", 201200, false, [](auto& s) { s.CallPlayer(1003); }, Head({1003, 2})},
      {"open safe box", 214100, true, [&](auto& s) { s.OpenSafeBox(&box, &text); }, Head()},
      {"save", 214110, true, [&](auto& s) { s.SaveToSafeBox(500, &text); }, Head({500})},
      {"take", 214120, true, [&](auto& s) { s.TakeFromSafeBox(300, 123456, &text); }, Head({300, 123456})},
      {"protection code", 214130, true, [&](auto& s) { s.QueryProtectionCode(1001, &out, &text); }, Head()},
      {"ready", 201302, true, [&](auto& s) { s.RequestReady(3, &text); }, Head({3})},
      {"welfare config", 214010, true, [&](auto& s) { s.RequestWelfareConfig(4, area, &text); }, Head({4})},
      {"welfare claim", 214000, true, [&](auto& s) { s.ClaimWelfare(1, 2, &out, &text); }, Head({1, 2})},
      {"start", 201160, true, [&](auto& s) { s.RequestStart(&text); }, Head()},
      {"start auto", 201165, true, [&](auto& s) { s.RequestStartAuto(&text); }, Head()},
      {"continue", 201300, true, [&](auto& s) { s.RequestContinue(&text); }, Head()},
      {"pass", 223000, false, [](auto& s) { s.SendPass(s.MakePassRecord(2)); },
       Words({1001, 77, 0, 5, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
      {"table choice", 221070, false, [](auto& s) { s.SendTableChoice(6, -1); }, Head({6, 0xFFFFFFFF})},
      {"ask to see cards", 229550, false, [](auto& s) { s.AskToSeeCards(); }, Head()},
      {"look-on permission", 229560, true, [](auto& s) { s.SetLookOnPermission(2001, 1); }, Head({2001, 1})},
      {"table message", 229510, false, [&](auto& s) { s.SendTableRequest1(19840329, 8, game_data); },
       Words({77, 1001, 19840329, 0, 8, 7, 0xFFFFFFFF})},
      {"table message waiting", 229510, true,
       [&](auto& s) {
         int32_t result = 0, length = 8;
         s.SendTableRequest2(19840340, &result, &length, game_data);
       },
       Words({77, 1001, 19840340, 0, 8, 7, 0xFFFFFFFF})},
      {"play", 221080, true, [&](auto& s) { s.SendPlay(&text, play); },
       Words({1001, 77, 5, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0x40, 0x40, 9, 3, 11, 12, 13})},
  };
  for (const RequestCase& c : cases) {
    SCOPED_TRACE(c.name);
    server().ClearRecord();
    c.call(session());
    ASSERT_EQ(server().Requests().size(), 1u);
    const auto& got = server().Requests()[0];
    EXPECT_EQ(got.request_id, c.id);
    EXPECT_EQ(got.wants_answer, c.waits);
    EXPECT_EQ(test::HexWords(got.body), test::HexWords(c.body));
  }
}

TEST_F(GameSession, ChatTextIsCutAtSixtyOneBytesWithoutSplittingACharacter) {
  // 60 ASCII bytes and then a double-byte character: the character would need bytes 61 and 62.
  const std::string text = std::string(60, 'a') + "好" + "b";
  session().SendChat(text.c_str());
  const auto* got = server().Last(net::request::kChat);
  ASSERT_NE(got, nullptr);
  ASSERT_EQ(got->body.size(), 128u);
  const std::string sent(reinterpret_cast<const char*>(got->body.data()) + 66);
  EXPECT_EQ(sent, std::string(60, 'a'));
  EXPECT_EQ(got->body[127], 0);
  // 59 bytes and the character fit in 61 exactly.
  server().ClearRecord();
  session().SendChat((std::string(59, 'a') + "好b").c_str());
  const std::string sent2(reinterpret_cast<const char*>(server().Last(net::request::kChat)->body.data()) + 66);
  EXPECT_EQ(sent2, std::string(59, 'a') + "好");
}

TEST_F(GameSession, WaitingRequestsGiveTheAnswerCodeAndBody) {
  server().Answer(net::request::kQueryGameRunning, net::answer::kGameRunning, Words({42}));
  EXPECT_EQ(session().QueryGameRunning(), 1);
  EXPECT_EQ(app_->GetGameRunningWord(), 42u);
  server().Answer(net::request::kQueryGameRunning, 0, Words({7}));
  EXPECT_EQ(session().QueryGameRunning(), 0);
  EXPECT_EQ(app_->GetGameRunningWord(), 7u);

  std::string text;
  server().Answer(net::request::kLeave, net::answer::kNotAtTable);
  EXPECT_EQ(session().RequestLeave(&text, 1001, 0), 1);
  EXPECT_EQ(text, net::AnswerText(net::answer::kNotAtTable));
  server().Answer(net::request::kLeave, 0);
  EXPECT_EQ(session().RequestLeave(&text, 1001, 0), 0);

  net::SafeBoxState box;
  server().Answer(net::request::kSafeBoxOpen, 0, Words({1, 25000}));
  ASSERT_TRUE(session().OpenSafeBox(&box, &text));
  EXPECT_EQ(box.state, 1);
  EXPECT_EQ(box.balance, 25000);
  // An answer too short for the state record is a failure, not a made-up balance.
  server().Answer(net::request::kSafeBoxOpen, 0, Words({1}));
  EXPECT_FALSE(session().OpenSafeBox(&box, &text));
  server().Answer(net::request::kSafeBoxSave, 60012);
  EXPECT_FALSE(session().SaveToSafeBox(100, &text));
  EXPECT_EQ(text, net::AnswerText(60012));

  int32_t code = 0;
  server().Answer(net::request::kSafeBoxQueryCode, 0, Words({8888}));
  EXPECT_TRUE(session().QueryProtectionCode(1001, &code, &text));
  EXPECT_EQ(code, 8888);

  int32_t area[31];
  std::vector<uint8_t> long_answer;
  for (uint32_t i = 0; i < 40; ++i) {
    const auto w = Words({i + 1});
    long_answer.insert(long_answer.end(), w.begin(), w.end());
  }
  server().Answer(net::request::kWelfareConfig, 0, long_answer);
  EXPECT_EQ(session().RequestWelfareConfig(1, area, &text), 0);
  EXPECT_EQ(area[0], 1);
  EXPECT_EQ(area[30], 31);

  int32_t amount = 0;
  server().Answer(net::request::kWelfareClaim, 0, Words({2000}));
  EXPECT_EQ(session().ClaimWelfare(1, 2, &amount, &text), 0);
  EXPECT_EQ(amount, 2000);

  server().Answer(net::request::kReady, net::answer::kReadyAccepted);
  EXPECT_EQ(session().RequestReady(1, &text), net::answer::kReadyAccepted);
  server().Answer(net::request::kStart, net::answer::kRefused);
  EXPECT_EQ(session().RequestStart(&text), 0);
  EXPECT_EQ(text, net::AnswerText(net::answer::kRefused));
  server().Answer(net::request::kLookOnPermission, 0);
  EXPECT_EQ(session().SetLookOnPermission(2001, 1), 1);
  server().Answer(net::request::kLookOnPermission, net::answer::kRefused);
  EXPECT_EQ(session().SetLookOnPermission(2001, 1), 0);
}

TEST_F(GameSession, ASilentServerTimesOutOnTheClockWithoutSleeping) {
  server().StaySilent(net::request::kChat);
  const uint32_t before = platform::GetTickCount();
  EXPECT_EQ(session().SendChat("hello"), net::answer::kTimedOut);
  EXPECT_EQ(platform::GetTickCount() - before, net::RequestTimeoutMs(net::request::kChat));
  EXPECT_NE(server().TranscriptText().find("<- #1 silent"), std::string::npos);
}

TEST_F(GameSession, AnAnswerJustInsideTheTimeOutArrivesAndOneJustOutsideDoesNot) {
  const uint32_t timeout = net::RequestTimeoutMs(net::request::kQueryUser);
  server().AnswerAfter(net::request::kQueryUser, timeout - 1, 1020);
  uint32_t before = platform::GetTickCount();
  EXPECT_EQ(session().QueryUser(1002), 1020);
  EXPECT_EQ(platform::GetTickCount() - before, timeout - 1);

  server().AnswerAfter(net::request::kQueryUser, timeout, 1020);
  before = platform::GetTickCount();
  EXPECT_EQ(session().QueryUser(1002), net::answer::kTimedOut);
  EXPECT_EQ(platform::GetTickCount() - before, timeout);
  // The late answer to the timed-out request is not taken for the next one's.
  server().Answer(net::request::kQueryUser, 0);
  EXPECT_EQ(session().QueryUser(1002), 0);
}

TEST_F(GameSession, WithoutAServerWaitingRequestsAnswerNotConnectedAtOnceAndPostsAreDropped) {
  server_.reset();  // the client's own transport again
  const uint32_t before = platform::GetTickCount();
  std::string text;
  EXPECT_EQ(session().SendChat("hi"), net::answer::kNotConnected);
  EXPECT_EQ(session().QueryGameRunning(), 0);
  EXPECT_EQ(session().RequestLeave(&text, 1001, 0), 1);
  EXPECT_EQ(text, "没有连接到游戏服务器。");
  EXPECT_EQ(platform::GetTickCount(), before);
  EXPECT_EQ(session().SendMatchBegun(), net::answer::kNotSent);
  EXPECT_EQ(session().SendTableRequest1(19840329, 0, nullptr), net::answer::kNotSent);
  int32_t play[80] = {};
  EXPECT_EQ(session().SendPlay(&text, play), net::answer::kNotSent);
  EXPECT_NE(GameLog().find("request 201221 dropped: not connected"), std::string::npos);
}

TEST_F(GameSession, ADisconnectedServerIsTheSameAsNone) {
  server().SetConnected(false);
  EXPECT_EQ(session().QueryUser(1002), net::answer::kNotConnected);
  EXPECT_EQ(session().AskToSeeCards(), net::answer::kNotSent);
  EXPECT_TRUE(server().Requests().empty());
}

TEST_F(GameSession, TheWaitingTableRequestHandsBackACopyOfTheAnswerBody) {
  server().Answer(net::request::kTableMessage, 0, Words({77, 1001, 19840341, 0, 4, 9}));
  int32_t result = -1, length = 0;
  std::unique_ptr<uint8_t[]> body = session().SendTableRequest2(19840341, &result, &length, nullptr);
  EXPECT_EQ(result, 0);
  ASSERT_EQ(length, 24);
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(test::HexWords(std::vector<uint8_t>(body.get(), body.get() + length)),
            test::HexWords(Words({77, 1001, 19840341, 0, 4, 9})));

  // A refusal, even one with a body, and a time-out are failures: 10100, and nothing handed back.
  server().Answer(net::request::kTableMessage, 1020, Words({77, 1001, 19840341, 0, 4, 9}));
  length = 0;
  body = session().SendTableRequest2(19840341, &result, &length, nullptr);
  EXPECT_EQ(result, net::answer::kNotSent);
  EXPECT_EQ(body, nullptr);
  EXPECT_EQ(length, 0);
  server().StaySilent(net::request::kTableMessage);
  body = session().SendTableRequest2(19840341, &result, &length, nullptr);
  EXPECT_EQ(result, net::answer::kNotSent);
  EXPECT_EQ(body, nullptr);
  EXPECT_EQ(length, 0);

  // A length the request cannot carry is refused before anything goes out.
  server().ClearRecord();
  length = -4;
  body = session().SendTableRequest2(19840341, &result, &length, nullptr);
  EXPECT_EQ(result, net::answer::kNotSent);
  const std::vector<uint8_t> big(5000, 1);
  EXPECT_EQ(session().SendTableRequest1(19840341, 5000, big.data()), net::answer::kNotSent);
  EXPECT_TRUE(server().Requests().empty());
}

TEST_F(GameSession, APlayRecordWithAnImpossibleCardCountIsNotSent) {
  int32_t play[80] = {};
  play[15] = 65;
  std::string text;
  EXPECT_EQ(session().SendPlay(&text, play), net::answer::kNotSent);
  play[15] = -1;
  EXPECT_EQ(session().SendPlay(&text, play), net::answer::kNotSent);
  EXPECT_TRUE(server().Requests().empty());
  // 64 cards: all of words 16..79 go out.
  play[15] = 64;
  for (int i = 0; i < 64; ++i) play[16 + i] = i;
  session().SendPlay(&text, play);
  ASSERT_EQ(server().Requests().size(), 1u);
  EXPECT_EQ(server().Requests()[0].body.size(), 80u * 4);
}

TEST_F(GameSession, TheTranscriptReadsAsTheExchange) {
  server().Answer(net::request::kQueryUser, 0, Words({1}));
  session().QueryUser(1002);
  session().SendRoundRequest();
  server().Push(211300, {});
  EXPECT_EQ(server().TranscriptText(),
            "-> 201230 #1 wait 32: 4d000000 e9030000 ea030000 00000000 00000000 00000000 00000000 00000000\n"
            "<- #1 0 (4)\n"
            "-> 201161 #2 post 16: e9030000 4d000000 05000000 00000000\n"
            "push 211300 (0)\n");
}

TEST(AnswerCodes, EachCodeHasItsFixedText) {
  EXPECT_EQ(net::AnswerText(1030), "请求超时，请稍后再试。");
  EXPECT_EQ(net::AnswerText(1031), "没有连接到游戏服务器。");
  EXPECT_EQ(net::AnswerText(60003), "保险箱操作失败(错误60003)。");
  EXPECT_EQ(net::AnswerText(210031), "游戏服务器拒绝了您的请求(错误210031)。");
  EXPECT_EQ(net::AnswerText(5), "未知错误(错误5)。");
  for (int code : {0, 1000, 1001, 1010, 1011, 1020, 10000, 10100, 210030}) {
    EXPECT_EQ(net::AnswerText(code).find("未知"), std::string::npos) << code;
  }
}

TEST(CopyBounded, ShortTextsAreCopiedAsTheyAre) {
  char out[11];
  net::CopyBounded("abcdefghij", out, 10);
  EXPECT_STREQ(out, "abcdefghij");
  net::CopyBounded("", out, 10);
  EXPECT_STREQ(out, "");
}

TEST(CopyBounded, LongTextsEndInTwoDotsWithinTheLimit) {
  char out[11];
  net::CopyBounded("abcdefghijk", out, 10);
  EXPECT_STREQ(out, "abcdefgh..");
  // "abcdefg" and then a double-byte character across the cut at 8: it is left out whole.
  net::CopyBounded("abcdefg好xyz", out, 10);
  EXPECT_STREQ(out, "abcdefg..");
  net::CopyBounded("张三李四王五", out, 10);  // 12 bytes
  EXPECT_STREQ(out, "张三李四..");
  EXPECT_EQ(net::CopyBounded("abc", 1), "a");
}

TEST(CopyBounded, ALoneLeadByteAtTheEndCountsAsOneByte) {
  const char text[] = {'a', 'b', static_cast<char>(0xB0), '\0'};
  EXPECT_EQ(net::CopyBounded(text, 10), text);
}

}  // namespace
