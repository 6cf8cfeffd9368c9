// One card on the table: a widget with one picture sprite that shows the card's face or its
// back, at one of three sizes that follow the table's width, in one of four places: the deck,
// a player's hand, the cards played in this trick, or hidden.
//
// The table view makes one per card id and moves a card by setting its public fields (owner,
// place, index, row length, face, selection) and calling Refresh, which picks the picture,
// computes the place inside the table's rectangle, moves the card there, sets its depth and
// shows or hides it.
//
// What it sends: its six mouse events go to "MainGame" (p1 = the card, p2 = the input
// snapshot): left down 80000107, left up 80000108, right down 80000109, moves with the button
// held 80000110, pointer enters 80000112, pointer leaves 80000113. Its own message 80000114 ends
// a flight: the card takes its computed place again.
#pragma once

#include <cstdint>

#include "engine/core/colour_key.h"
#include "engine/core/widget_base.h"
#include "platform/win_types.h"

namespace engine {
class SpriteObject;
}  // namespace engine

namespace table {

// Card places (CCardView::place).
namespace card_place {
inline constexpr int32_t kDeck = 0;
inline constexpr int32_t kHand = 1;
inline constexpr int32_t kPlayed = 2;         // played in the current trick
inline constexpr int32_t kPlayedEarlier = 3;  // hidden
inline constexpr int32_t kOutOfPlay = 7;      // hidden
}  // namespace card_place

// The faces of the default skin's card pictures. A card shows frame id mod 54 of a face picture
// (CCardView::GetFaceFrame), and frame f names the value the default card rules give those ids:
// the zipai numerals 1 to 10, in the small form (一 to 十) for suits 0 and 1 and the big form (壹
// to 拾) for suits 2 and 3, so that the 80 ids of two 54-card decks that hold the numerals show
// each of the 20 faces four times. The values past 10 (court cards and jokers) are no zipai
// card: their frames show no numeral.
inline constexpr int32_t kFaceKinds = 20;
// The face kind frame f shows: value - 1 in the small form, value + 9 in the big one; -1 for none.
int32_t FaceKindOfFrame(int32_t frame);
// The first frame that shows kind k, or -1.
int32_t FrameOfFaceKind(int32_t kind);

class CCardView : public engine::WidgetBase {
 public:
  // Card ids with a face: 0 .. kMaxCardId.
  static constexpr int32_t kMaxCardId = 215;
  static constexpr int32_t kFaceFrames = 54;
  // Table widths up to these give size classes 1 and 2; wider tables class 3.
  static constexpr int32_t kClassOneWidth = 1000;
  static constexpr int32_t kClassTwoWidth = 1400;
  static constexpr uint32_t kNoTint = engine::kColourKey;
  static constexpr uint32_t kTint = 0x50FF0000;
  static constexpr double kSweptAlpha = 0.7;
  static constexpr double kHoverAlpha = 0.9;
  static constexpr int32_t kRaise = 10;    // a selected own card stands this much higher
  static constexpr int32_t kHandGap = 48;  // between a hand card's centre and the table's edge, beyond half its height
  // A flight's steps: a card flies its distance in this many moves, each at least one pixel.
  static constexpr int32_t kFlightSteps = 4;
  // Link flags of the sprite: it follows everything the card does.
  static constexpr uint32_t kSkinLinks = engine::link_flag::kFollowAll;
  static constexpr double kUnplaced = -10000;

  CCardView() = default;
  ~CCardView() override = default;

  void OnAddedToScene() override;
  int OnMessage(const engine::ObjectMessage* message) override;

  // The frame of the face picture that shows the card: id mod 54 (-1 for a negative id).
  virtual int32_t GetFaceFrame(int32_t id);
  // Chooses the size class from the table's width and loads the pictures' sizes.
  virtual void LoadBackImage();
  // Picture, place, depth and visibility from the fields.
  virtual void Refresh();
  // No owner, hidden: chair, position, index and card id -1, place 3, the flags 0.
  virtual void Reset();
  virtual platform::POINT GetDeckPlace();
  virtual platform::POINT GetHandPlace();
  virtual platform::POINT GetTablePlace();
  // Distance between neighbouring large cards: 16, 20 or 22 by size class.
  virtual int32_t GetOwnSpacing();
  // Distance between neighbouring small face-up cards: 16 in size class 3, else 13.
  virtual int32_t GetFaceUpSpacing();
  virtual int32_t GetLargeHeight() { return large_height; }
  // A place in a row centred across the table, a quarter down (for the game's own use).
  virtual platform::POINT GetRowPlace();
  virtual void Select();
  // Selected, stamped with the engine's time (the hover look waits a moment after a raise).
  virtual void SelectTimed();
  virtual void Unselect();

  // The card's picture sprite (null before the card is in a scene).
  engine::SpriteObject* GetSprite() const { return sprite_; }
  // The picture the sprite shows now, and whether it is a face.
  const char* GetShownPicture() const { return shown_picture_; }
  bool IsShowingFace() const { return showing_face_; }

  // Flies the card from where it stands to (x, y), starting delay_ms from now, in
  // kFlightSteps moves of at least one pixel, and sends itself 80000114 when it arrives. The
  // caller sets `moving` first. Returns the move's action id (0 when it was refused).
  uint64_t FlyTo(int32_t x, int32_t y, uint32_t delay_ms);

  // The fields the table view sets before a refresh.
  int32_t size_class = 0;  // 1, 2 or 3
  int32_t large_width = 0;
  int32_t large_height = 0;
  int32_t small_width = 0;
  int32_t small_height = 0;
  int32_t index = -1;       // order in its group (hand, played cards, deck)
  int32_t group_count = 0;  // cards in its group
  platform::POINT target{static_cast<int32_t>(kUnplaced), static_cast<int32_t>(kUnplaced)};
  int32_t card_id = -1;  // -1: face not known
  int32_t place = card_place::kDeck;
  int32_t chair = -1;     // owner
  int32_t position = -1;  // the owner's view position; 0 is the own seat
  int32_t moving = 0;     // 1 while a flight carries it: a refresh leaves its position alone
  int32_t selected = 0;   // raised in the own hand
  int32_t swept = 0;      // inside the current mouse sweep
  int32_t face_up = 0;
  int32_t hover = 0;
  uint32_t raise_time = 0;  // engine ms of the last SelectTimed

 protected:
  // Shows frame `frame` of the picture on the sprite at the picture's size.
  void ShowPicture(const char* name, int32_t frame, bool face);
  // The size classes' pictures.
  static const char* LargeBack(int32_t size_class);
  static const char* LargeFace(int32_t size_class);
  static const char* SmallBack(int32_t size_class);
  static const char* SmallFace(int32_t size_class);

 private:
  engine::SpriteObject* sprite_ = nullptr;
  const char* shown_picture_ = nullptr;
  bool showing_face_ = false;
};

}  // namespace table
