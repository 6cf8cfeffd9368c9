// Comparing colours that a drawing may round: a window showing them at its display's depth, a
// picture blended onto a canvas, a scaled picture, letters drawn on a canvas.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "platform/win_types.h"

namespace engine {
class CanvasObject;
}  // namespace engine

namespace test {

// Two colours (0x00RRGGBB) whose red, green and blue each differ by at most steps.
::testing::AssertionResult ColoursWithin(uint32_t got, uint32_t want, int steps);

// Within 7 steps a channel: what the window shows of a blended or scaled picture.
inline ::testing::AssertionResult Near(uint32_t got, uint32_t want) { return ColoursWithin(got, want, 7); }

// The canvas's pixels within 0x20 of the colour (a COLORREF) in each channel (small letters are
// blended at their edges), inside the rectangle (all of the canvas when it is empty).
size_t PixelsOf(const engine::CanvasObject* canvas, platform::COLORREF colour, platform::RECT r = {});

// How well text of one colour reads on the other (COLORREFs, as a canvas holds them): the ratio
// of their relative luminances, each plus 0.05, the lighter over the darker; 1 for equal colours,
// 21 for black on white. Small text reads well from 4.5 on.
double ContrastRatio(platform::COLORREF a, platform::COLORREF b);

}  // namespace test
