// The CPU card through the driver table: reset and command APDUs, each
// exchange written to the history. For T=0 cards, an answer 61 xx can be
// completed with GET RESPONSE and a 6C xx answer resent with the right Le.
#pragma once

#include <cstddef>

#include "apdu/apdu_history.h"
#include "apdu/hex_bytes.h"
#include "reader/driver.h"

namespace apdu {

// What the driver's APDU call takes and gives: a short command (header, Lc,
// 255 data bytes, Le) and an answer of one length byte.
inline constexpr std::size_t kMinCommandBytes = 4;
inline constexpr std::size_t kMaxCommandBytes = 261;
inline constexpr std::size_t kMaxAnswerBytes = 255;

struct CardReply {
  short result = 0;             // the driver's result, 0 for success
  bool initTypeFailed = false;  // a reset whose IC_InitType was refused
  Bytes answer;                 // the answer to reset, or the response with SW1 SW2
  bool ok() const { return result == 0 && !initTypeFailed; }
};

class CpuCardLink {
 public:
  CpuCardLink(DriverTable& drv, int reader, History& history, Origin origin)
      : drv_(drv), reader_(reader), history_(history), origin_(origin) {}

  void setOrigin(Origin origin) { origin_ = origin; }

  // IC_InitType for the CPU card, then IC_CpuReset.
  CardReply reset();
  // IC_CpuApdu. The command must hold kMinCommandBytes to
  // kMaxCommandBytes bytes; the caller refuses others before this.
  CardReply transmit(const Bytes& command);

 private:
  DriverTable& drv_;
  int reader_;
  History& history_;
  Origin origin_;
};

// Sends a command; with `completeT0`, a 6C xx answer is sent again once with
// Le = xx, and 61 xx answers are fetched with GET RESPONSE (00 C0 00 00 xx,
// at most 253 data bytes a time, so that they and SW1 SW2 fit the driver's
// 255: 61 00 and larger counts are fetched in parts), their data joined
// into one answer. Every exchange is in the history.
CardReply exchangeApdu(CpuCardLink& link, const Bytes& command, bool completeT0);

}  // namespace apdu
