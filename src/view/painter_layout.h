// The painter's fixed drawing points on the view.
#pragma once

#include "platform/ports.h"

namespace layout {
inline constexpr port::Point hexOrigin{33, 32};
inline constexpr port::Point asciiOrigin{475, 32};
inline constexpr port::Point cardNamePos{218, 301};
inline constexpr port::Point decimalAddressPos{425, 301};
inline constexpr port::Point hexAddressPos{533, 301};
inline constexpr port::Point portNamePos{220, 332};
inline constexpr port::Point zoneNamePos{425, 332};
inline constexpr port::Point pageNumberPos{565, 332};
inline constexpr port::Point pageTotalPos{589, 332};
inline constexpr port::Point pageSlashPos{583, 332};
inline constexpr port::Point statusLine1Pos{12, 296};
inline constexpr port::Point statusLine2Pos{12, 316};
inline constexpr port::Point statusLine3Pos{12, 336};
// The quit button of the background picture: left/top inclusive,
// right/bottom exclusive.
inline constexpr port::Point exitHotspotTopLeft{478, 381};
inline constexpr port::Point exitHotspotBottomRight{630, 425};
}  // namespace layout
