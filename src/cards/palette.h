// The named colours of the memory maps' zones, which the view's painter
// draws with too.
#pragma once

#include "platform/ports.h"

namespace colour {
inline constexpr port::Colour panelGrey = port::rgb(192, 192, 192);
inline constexpr port::Colour navy = port::rgb(0, 0, 128);
inline constexpr port::Colour red = port::rgb(255, 0, 0);
inline constexpr port::Colour black = port::rgb(0, 0, 0);
inline constexpr port::Colour white = port::rgb(255, 255, 255);
inline constexpr port::Colour yellow = port::rgb(255, 255, 0);
inline constexpr port::Colour green = port::rgb(0, 255, 0);
inline constexpr port::Colour cyan = port::rgb(0, 255, 255);
inline constexpr port::Colour blue = port::rgb(0, 0, 255);
inline constexpr port::Colour magenta = port::rgb(255, 0, 255);
inline constexpr port::Colour maroon = port::rgb(128, 0, 0);
// Bytes typed or loaded that are not on the card yet: no zone is drawn in it.
inline constexpr port::Colour pendingOrange = port::rgb(255, 160, 0);
}  // namespace colour
