// The AT88SC1604 and AT88SC1604B take the same calls under two names; this
// picks the pair of the card type in the reader.
#pragma once

#include "cards/card_types.h"
#include "reader/driver.h"

namespace security {

struct At88Calls {
  pelox::IC_ReadCount_1604_fn readCount;
  pelox::IC_CheckPass_1604_fn checkPass;
  pelox::IC_ChangePass_1604_fn changePass;
};

// The AT88SC1604B takes the 1604B calls, every other card type the 1604 calls.
inline At88Calls at88CallsFor(const DriverTable& d, CardType cardType) {
  if (cardType == CardType::At88sc1604b)
    return {d.IC_ReadCount_1604B, d.IC_CheckPass_1604B, d.IC_ChangePass_1604B};
  return {d.IC_ReadCount_1604, d.IC_CheckPass_1604, d.IC_ChangePass_1604};
}

// The zone code index of the 1604/1604B calls.
inline constexpr short kUserCodeIndex = 0;
inline constexpr short zoneCodeIndex(int zone) { return static_cast<short>(zone); }
inline constexpr short eraseCodeIndex(int zone) { return static_cast<short>(10 + zone); }

}  // namespace security
