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

}  // namespace frame
