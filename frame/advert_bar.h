// The side panel's advert bar ("AdvertBar"): two tabs, the advert (a web page in the browser
// control) and the score history of the table (one row per seated player with the total and the
// results of the last 30 games, newest first, on a picture that scrolls sideways under a panel
// scroll bar). Each time the score tab is entered it goes back to the advert by itself after
// "AdvertACSencond" seconds (game ini, "GAMESET", default 10), unless the pointer rests on the
// bar, at most "AdvertACMaxCount" times (default 3); a click into the table stops that. A player
// at a random-seating table gets the advert tab alone.
//
// There is no browser engine here: the browser control (shell::CAdvertHtmlCtrl) writes down where
// it was sent and the page area stays empty. Addresses longer than 255 bytes are refused.
//
// How the side panel uses it: construct and add to the scene (creation runs then and names it
// "AdvertBar"); after each layout of the panel Resize to the bar's rectangle, MoveTo its centre
// and call Layout. It reads the frame's metrics (engine integer settings 50007 top margin,
// 50008 head height, 50009 row height, 50010 column width, 50011 extra height; defaults 28, 22,
// 26, 70 and the height of the horizontal scroll bar picture when they are not set).
//
// Messages it handles: panel_msg::kScrollChanged, kScrollRight, kScrollLeft (its scroll bar),
// kShowAdvertTab, kShowScoreTab, kAdvertBackTimer, kScoreTableClicked, and 80000054 (the scores
// changed: redraw and scroll back to the start). The side panel forwards its 80000060 (an
// address) to Navigate.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/widget_base.h"
#include "shell/html_view.h"

namespace engine {
class CanvasObject;
class ImageButton;
}  // namespace engine

namespace frame {

class PanelScrollBar;
struct ScrollPos;

class AdvertBar : public engine::WidgetBase {
 public:
  static constexpr const char* kObjectName = "AdvertBar";
  static constexpr int32_t kDefaultBackSeconds = 10;
  static constexpr int32_t kDefaultBackCount = 3;
  // The longest address the browser is sent to.
  static constexpr size_t kMaxAddress = 255;
  // The score table: the name column's width, the most game columns, the rows it has at least.
  static constexpr int32_t kNameColumn = 110;
  // Where a player's name starts in its row, and how far before the next column it ends at most.
  static constexpr int32_t kNameX = 9;
  static constexpr int32_t kNameGap = 2;
  static constexpr int32_t kMaxColumns = 31;
  static constexpr int32_t kMinRows = 4;
  static constexpr uint32_t kBarLinks = engine::link_flag::kOwnedShowWithParent;

  AdvertBar() = default;
  ~AdvertBar() override = default;

  // Creation: the browser control, the tabs, the scroll bar and the score table; then the score
  // tab is shown.
  void OnAddedToScene() override;
  int OnMessage(const engine::ObjectMessage* message) override;

  // Sends the browser to the advert page (offline: the platform's shop page).
  virtual void LoadAdvert();
  virtual void Layout();
  // Calls a function of the page's script ("刷新排名").
  virtual void RunScript(const char* function);
  virtual void Reload();
  virtual void Navigate(const char* address);
  virtual void DrawScoreTable();
  // What the score table shows in a cell: row 0 is the head, row k the k-th seated player (in
  // chair order, empty chairs leave no row); column 0 the names, 1 the totals, 1 + i the result
  // of the i-th newest game. "" outside the table.
  std::string GetScoreCell(int32_t row, int32_t column);
  virtual void RefreshScores();
  virtual void ScrollTo(const ScrollPos* pos);
  virtual void ScrollBack();
  virtual void ScrollOn();
  virtual void ShowAdvertTab();
  virtual void ShowScoreTab();
  virtual void OnBackTimer();
  virtual bool IsAdvertShown();
  // While a dialog covers the bar.
  virtual void HideBrowser();
  virtual void RestoreBrowser();

  bool IsScoreShown() const { return score_shown_; }
  int32_t GetBackSeconds() const { return back_seconds_; }
  int32_t GetBackCount() const { return back_count_; }
  engine::ImageButton* GetAdvertTab() const { return advert_tab_; }
  engine::ImageButton* GetScoreTab() const { return score_tab_; }
  engine::CanvasObject* GetScoreCanvas() const { return score_canvas_; }
  PanelScrollBar* GetScrollBar() const { return scroll_bar_; }
  shell::CAdvertHtmlCtrl& GetBrowser() { return browser_; }

 private:
  // An engine integer setting, or the default when it is not set.
  int32_t Metric(uint32_t key, int32_t fallback);
  int32_t RowCount();
  // The chair of the k-th seated player (k from 1), or -1.
  int32_t ChairOfRow(int32_t row);
  void ScrollBarRange(double position);
  void PostBackTimer();

  engine::ImageButton* score_tab_ = nullptr;
  engine::ImageButton* advert_tab_ = nullptr;
  int32_t back_seconds_ = kDefaultBackSeconds;
  int32_t back_count_ = kDefaultBackCount;
  bool score_shown_ = false;
  shell::CAdvertHtmlCtrl browser_;
  engine::CanvasObject* score_canvas_ = nullptr;
  PanelScrollBar* scroll_bar_ = nullptr;
  // The pending return to the advert (0: none).
  uint64_t back_timer_ = 0;
};

}  // namespace frame
