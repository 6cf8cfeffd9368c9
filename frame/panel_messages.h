// Message ids the side panel's bars and widgets send each other: what a panel scroll bar sends
// its owner, and the advert bar's tab and timer messages. Ids an object only sends itself live
// with that object.
#pragma once

#include <cstdint>

namespace frame {

namespace panel_msg {
// A panel scroll bar to its owner after every change: p1 points at a ScrollPos copy (valid during
// the call), p2 is the bar's orientation (0 horizontal, 1 vertical).
inline constexpr uint32_t kScrollChanged = 19840362;
// The arrow buttons of a panel scroll bar, to its owner.
inline constexpr uint32_t kScrollRight = 19840363;
inline constexpr uint32_t kScrollLeft = 19840364;
inline constexpr uint32_t kScrollUp = 19840365;
inline constexpr uint32_t kScrollDown = 19840366;
// The advert bar: its advert tab, its score tab (others may send it too), the return timer and a
// click into the score table.
inline constexpr uint32_t kShowAdvertTab = 19840402;
inline constexpr uint32_t kShowScoreTab = 19840403;
inline constexpr uint32_t kAdvertBackTimer = 19840404;
inline constexpr uint32_t kScoreTableClicked = 19840405;
}  // namespace panel_msg

// Sent to the side panel ("SubSystem") by the frame, the application's notification handler and
// the panel's own buttons; the ids the frame, the shell and the bars define are theirs.
namespace sub_msg {
inline constexpr uint32_t kRefreshRanking = 80000022;  // the match list's ranking changed
inline constexpr uint32_t kStopMatchClock = 80000026;
inline constexpr uint32_t kChatLine = 80000058;       // p1: the body of notification 201210
inline constexpr uint32_t kRelayedChat = 80000059;    // p1: the body of notification 211200
inline constexpr uint32_t kAdvertAddress = 80000060;  // p1: a heap text, freed by the panel
inline constexpr uint32_t kAmuletNotice = 80000061;   // p1: the body of notification 211900
// The system-bar buttons.
inline constexpr uint32_t kClearChat = 19840395;
inline constexpr uint32_t kToggleEmoticons = 19840396;
inline constexpr uint32_t kSaveScreenshot = 19840397;
inline constexpr uint32_t kOpenComplaintPage = 19840398;
inline constexpr uint32_t kOpenSafeBox = 19840399;
}  // namespace sub_msg

}  // namespace frame
