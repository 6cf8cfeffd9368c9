// A seat's name plate: a skinned plate with the player's avatar and name (in match mode the
// name and "积分:%d"), a status animation beside it (auto-play, offline, a status picture, or
// the match rank badge), a banner above the seat (the ready sign), and a small number display
// with the count of cards left in the player's hand.
//
// The table view builds one per view position (Build), attaches it to a chair when a player
// sits (ShowRankBadge), and detaches it when the player leaves (Clear). While attached, the
// pointer over the plate highlights it, and a left or right press sends the game frame
// 80000047 or 80000048 with the chair's user id (as it was when the board was attached).
//
// The free functions ShortenName and ChineseNumeral are the board's and the round banner's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/core/widget_base.h"
#include "platform/win_types.h"

namespace engine {
class CanvasObject;
class NumberDisplay;
class SpriteObject;
}  // namespace engine

namespace shell {
class CGameAppBase;
}  // namespace shell

namespace table {

// A name as a board shows it: a name shorter than 10 bytes whole, a longer one its first 8
// bytes and "..", cut one byte earlier when the 8th byte would split a double-byte character
// (at most 10 bytes, terminator not counted).
std::string ShortenName(const std::string& name);
// "零" .. "二十" for 0 .. 20, "N" for any other number.
std::string ChineseNumeral(int32_t n);

class CPlayerBoard : public engine::WidgetBase {
 public:
  static constexpr double kPlateDepth = 1000.0;
  static constexpr double kBannerDepth = 10000.0;
  static constexpr double kPartDepth = 0.1;  // the status and the count above the plate
  static constexpr platform::COLORREF kNameColour = 0xFAE5;
  static constexpr platform::COLORREF kScoreColour = 0xC7E0D0;
  static constexpr int32_t kNameFontSize = 14;
  static constexpr int32_t kScoreFontSize = 12;
  static constexpr int32_t kAvatarX = 80;
  static constexpr int32_t kAvatarBottomGap = 33;  // the avatar's top is the plate's height less this
  static constexpr int32_t kNameX = 118;
  // Cards in hand a count display keeps room for.
  static constexpr int32_t kCountDigits = 2;
  // Link flags: the plate follows everything the board does; the status animation follows the
  // plate's turns and redraws and hides with it.
  static constexpr uint32_t kPlateLinks = engine::link_flag::kFollowAll;
  static constexpr uint32_t kStatusLinks =
      engine::link_flag::kHideWithParent | engine::link_flag::kInvalidate | engine::link_flag::kRotate;
  // Anchor kinds of GetCardAnchor for the own seat: 1 the trick is open, 0 following.
  static constexpr int32_t kAnchorLead = 1;
  static constexpr int32_t kAnchorFollow = 0;

  CPlayerBoard() = default;
  // The board's parts are scene objects of their own, which the scene frees.
  ~CPlayerBoard() override = default;

  int OnMessage(const engine::ObjectMessage* message) override;

  // Slots in table order.
  virtual shell::CGameAppBase* GetApp();  // 1
  virtual void Build(int32_t position);   // 2
  // Attaches the board to a chair (nothing for -1) and shows it.
  virtual void ShowRankBadge(int32_t chair);  // 3
  // Detaches the board: chair -1, hidden, its subscriptions gone.
  virtual void Clear();           // 4
  virtual void ClearHighlight();  // 5
  // Redraws the plate (only while attached, and only when the chair has a player).
  virtual void ShowMatchScore();                 // 6
  virtual void PlaceOnTable();                   // 7
  virtual void PositionBanner();                 // 8
  virtual void SetHighlighted(int32_t flag);     // 9
  virtual void ShowReady();                      // 10
  virtual void HideReady();                      // 11
  virtual void ShowBanner(const char* picture);  // 12
  virtual void HideBanner();                     // 13
  // Where the seat's cards (and the clock) stand; kind: see kAnchorLead.
  virtual void GetCardAnchor(platform::POINT* out, int32_t kind);  // 14
  // The played cards of the seat left the table (nothing in the base board).
  virtual void ResetPlayedCards() {}                                    // 15
  virtual std::string ShortenName(const std::string& name);             // 16
  virtual void Refresh(int32_t a, int32_t b);                           // 17
  virtual void ShowAutoPlay(int32_t on);                                // 18
  virtual void ShowOffline(int32_t on);                                 // 19
  virtual int32_t IsOffline() { return offline_; }                      // 20
  virtual void HideStatus();                                            // 21
  virtual void SetRemainingCards(int32_t n);                            // 22
  virtual void MoveRemainingCards(int32_t x, int32_t y);                // 23
  virtual void SetPosition(int32_t position) { position_ = position; }  // 24
  // A picture (the pass mark "不出") as the status, until HideStatus or another status.
  virtual void ShowStatusPicture(const char* picture);  // 25
  // The per-game look back to a new game's: no highlight, ready sign, status picture, card
  // count or offline mark. The board stays attached to its chair.
  virtual void ResetLook();  // 26

  int32_t GetCountX() const;
  int32_t GetCountY() const;

  int32_t GetChair() const { return chair_; }
  int32_t GetPosition() const { return position_; }
  int32_t IsHighlighted() const { return highlighted_; }
  int32_t IsHovered() const { return hover_; }
  int32_t GetNameRight() const { return name_right_; }
  engine::CanvasObject* GetPlate() const { return plate_; }
  engine::SpriteObject* GetStatus() const { return status_; }
  engine::SpriteObject* GetBanner() const { return banner_; }
  engine::NumberDisplay* GetCountDisplay() const { return count_; }
  // What the status animation shows ("" when hidden), and the name last drawn.
  const std::string& GetStatusPicture() const { return status_picture_; }
  const std::string& GetDrawnName() const { return drawn_name_; }

 private:
  // Shows the chair's rank badge on the status animation, or hides it without a rank.
  void ShowBadgeOrHide();
  void SetStatus(const char* picture, int32_t frame);
  void Subscriptions(uint32_t user_id);
  void DropSubscriptions();
  // The table's rectangle and the application's chair count.
  platform::RECT Area();

  int32_t highlighted_ = 0;
  int32_t chair_ = -1;
  int32_t position_ = -1;
  int32_t name_right_ = 0;
  engine::CanvasObject* plate_ = nullptr;
  engine::SpriteObject* status_ = nullptr;
  engine::SpriteObject* banner_ = nullptr;
  engine::NumberDisplay* count_ = nullptr;
  int32_t offline_ = 0;
  int32_t hover_ = 0;
  std::string status_picture_;
  std::string drawn_name_;
};

}  // namespace table
