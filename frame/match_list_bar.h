// The side panel's bar in match (tournament) mode ("MatchListBar"): the match's name as a title,
// the match clock with the overall game number (or the sign-up count before the match), the
// user's portrait, the user's rank over the players still in the match as rolling digits, and
// the ranking table (MatchPlayerList of MatchRankRow rows). Its values come from the
// application's match data.
//
// How the side panel uses it: construct, add to the scene (creation runs then: it names itself
// and builds its parts from the picture "SystemMatchListBar"; without that picture the engine's
// monitor hears of it and the bar stays empty), then at every layout move it to its place,
// Resize it to the panel's width and the picture's height, Show and Layout (PlaceIn does all of
// that for a rectangle). The panel calls
// RefreshRanking (80000022), StartClock (80000025), StopClock (80000026), ShowSignUpCount
// (80000028, p1), ResumeClock (the match table state), DrawAvatar and DrawTitle (entering the
// game).
//
// Messages it handles: 80000001, its own clock tick (a 1000 ms repeating self-message while the
// clock runs), and kPortraitPressed, which its portrait sends it on a click or when the pointer
// rests on it; the bar then sends the side panel ("SubSystem") {panel, 19840401, own user id, 0}.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/widget_base.h"

namespace engine {
class CanvasObject;
class NumberDisplay;
class SpriteObject;
}  // namespace engine

namespace frame {

class MatchPlayerList;

class MatchListBar : public engine::WidgetBase {
 public:
  static constexpr const char* kObjectName = "MatchListBar";
  static constexpr const char* kSkinPicture = "SystemMatchListBar";
  static constexpr const char* kRowPicture = "MatchListBlock";
  static constexpr const char* kRankDigits = "digitUserRank";
  static constexpr const char* kRestDigits = "digitUserRest";
  static constexpr const char* kDivisionPicture = "bitDivision";
  static constexpr const char* kPanelName = "SubSystem";
  static constexpr int32_t kRankDigitCount = 4;
  static constexpr int32_t kRestDigitCount = 1;

  // The clock's own tick, and the portrait's press.
  static constexpr uint32_t kClockTick = 80000001;
  static constexpr uint32_t kPortraitPressed = 1061;
  // What the side panel hears: ask the server for the user in p1.
  static constexpr uint32_t kQueryUser = 19840401;
  static constexpr uint32_t kClockInterval = 1000;

  static constexpr int32_t kAvatarSize = 48;
  static constexpr int32_t kTitleHeight = 40;
  static constexpr int32_t kClockWidth = 230;
  static constexpr int32_t kClockHeight = 20;
  static constexpr engine::COLORREF kClockColour = 0xFFFF;
  static constexpr engine::COLORREF kTitleColour = 9822835;  // rgb 115, 226, 149
  static constexpr int32_t kTitleCharWidth = 16;
  static constexpr int32_t kTitleWeight = 700;
  // Longest match name drawn, in bytes.
  static constexpr size_t kMaxTitleBytes = 64;
  static constexpr engine::COLORREF kGrooveDark = 0x426E11;
  static constexpr engine::COLORREF kGrooveLight = 0x2C4D09;
  static constexpr int32_t kListHeight = 168;
  static constexpr double kListDepthStep = 10.0;

  MatchListBar() = default;
  ~MatchListBar() override;

  // Creation.
  void OnAddedToScene() override;
  int OnMessage(const engine::ObjectMessage* message) override;

  // Places the title, the clock, the portrait, the digits and the ranking list in the bar.
  virtual void Layout();
  // What the side panel does at each layout: the bar centred in the rectangle and sized to it,
  // shown, redrawn and laid out.
  void PlaceIn(const engine::RECT& rect);
  // Rebuilds the ranking rows from the application's match data and rolls the digits.
  virtual void RefreshRanking();
  // Shows and places the rank and rest digits and the division by the rank status.
  virtual void PlaceRankDigits();
  // The match's name (the room's name when the match data hold none), in a font that fits the title.
  virtual void DrawTitle();
  // The user's portrait, 48 x 48.
  virtual void DrawAvatar();
  // Starts the clock at 0 seconds (a running clock starts over).
  virtual void StartClock();
  virtual void StopClock();
  // Starts the clock from the application's clock value when it is negative (running).
  virtual void ResumeClock();
  // One second more, and the clock line drawn.
  virtual void Tick();
  // The sign-up count in the clock's place (not in a match of the second kind).
  virtual void ShowSignUpCount(int32_t count);

  // Whether creation found the bar's picture.
  bool IsBuilt() const { return built_; }
  MatchPlayerList* GetRankList() const { return rank_list_; }
  engine::NumberDisplay* GetRankDigits() const { return rank_digits_; }
  engine::NumberDisplay* GetRestDigits() const { return rest_digits_; }
  engine::SpriteObject* GetDivision() const { return division_; }
  engine::CanvasObject* GetAvatar() const { return avatar_; }
  engine::CanvasObject* GetTitle() const { return title_; }
  engine::CanvasObject* GetClock() const { return clock_; }
  uint32_t GetSeconds() const { return seconds_; }
  bool IsClockRunning() const { return timer_ != 0; }
  // The markup last drawn into the clock line.
  const std::string& GetClockText() const { return clock_text_; }
  // The character width the title was last drawn with.
  int32_t GetTitleCharWidth() const { return title_char_width_; }

  // The clock line for an elapsed time: with the overall game number (0-based) when the user's
  // table record exists (game_number >= 0), else without it.
  static std::string FormatClockText(uint32_t seconds, int64_t game_number);
  static std::string FormatSignUpText(int32_t count);
  // The title's character width for a name of name_bytes bytes on a canvas this wide (1 at least).
  static int32_t TitleCharWidth(size_t name_bytes, int32_t canvas_width);
  // The row kind of ranking row index: 5 for the first, 1 and 2 alternating for rows that qualify
  // (below the qualifying count, when the qualifying flag is set), else 3 and 4.
  static int32_t RowKind(int32_t index, int32_t qualifying_count, bool qualifying_flag);
  // The roll step from the shown value to the new one: a fifth of the way, 1 at least.
  static int32_t RollStep(int32_t shown, int32_t target);

 private:
  void DrawClockLine(const std::string& text, bool groove);
  void StartTimer();
  void SendPortraitQuery();

  MatchPlayerList* rank_list_ = nullptr;
  engine::NumberDisplay* rank_digits_ = nullptr;
  engine::NumberDisplay* rest_digits_ = nullptr;
  engine::SpriteObject* division_ = nullptr;
  engine::CanvasObject* avatar_ = nullptr;
  engine::CanvasObject* title_ = nullptr;
  engine::CanvasObject* clock_ = nullptr;
  uint64_t timer_ = 0;
  uint32_t seconds_ = 0;
  bool built_ = false;
  std::string clock_text_;
  int32_t title_char_width_ = 0;
};

}  // namespace frame
