#include "apdu/cpu_card_link.h"

#include <array>

#include "cards/card_types.h"

namespace apdu {
namespace {

// GET RESPONSE rounds of one command at most: a card that keeps answering
// 61 xx is not followed for ever.
constexpr int kMaxGetResponses = 64;
// The data bytes one GET RESPONSE asks for at most: with SW1 SW2 they make
// the 255 bytes that the driver's one-byte response length can tell.
constexpr std::uint8_t kMaxGetResponseBytes = kMaxAnswerBytes - 2;

// The command with its Le set to `le`: replaced where the command has one
// (case 2 and 4), appended where it has none (case 1 and 3). Empty for a
// command whose Lc does not fit its length.
Bytes withLe(const Bytes& c, std::uint8_t le) {
  Bytes out = c;
  if (c.size() == 4) {
    out.push_back(le);
  } else if (c.size() == 5) {
    out[4] = le;
  } else {
    const std::size_t lc = c[4];
    if (c.size() == 5 + lc)
      out.push_back(le);
    else if (c.size() == 6 + lc)
      out.back() = le;
    else
      return {};
  }
  return out;
}

bool statusIs(const CardReply& r, std::uint8_t sw1) {
  return r.ok() && r.answer.size() >= 2 && r.answer[r.answer.size() - 2] == sw1;
}

}  // namespace

CardReply CpuCardLink::reset() {
  CardReply r;
  r.result = drv_.IC_InitType(reader_, codeOf(pelox::DriverType::Cpu));
  if (r.result != 0) {
    r.initTypeFailed = true;
    return r;
  }
  unsigned char length = 0;
  std::array<std::uint8_t, 256> atr{};
  r.result = drv_.IC_CpuReset(reader_, &length, atr.data());
  if (r.result == 0) r.answer.assign(atr.begin(), atr.begin() + length);
  history_.recordReset(origin_, r.result, r.answer);
  return r;
}

CardReply CpuCardLink::transmit(const Bytes& command) {
  CardReply r;
  unsigned char length = 0;
  std::array<std::uint8_t, 256> answer{};
  r.result =
      drv_.IC_CpuApdu(reader_, static_cast<short>(command.size()), command.data(), &length, answer.data());
  if (r.result == 0) r.answer.assign(answer.begin(), answer.begin() + length);
  history_.recordApdu(origin_, command, r.result, r.answer);
  return r;
}

CardReply exchangeApdu(CpuCardLink& link, const Bytes& command, bool completeT0) {
  CardReply r = link.transmit(command);
  if (!completeT0) return r;
  if (statusIs(r, 0x6C) && r.answer.size() == 2) {
    const Bytes again = withLe(command, r.answer[1]);
    if (again.empty()) return r;
    r = link.transmit(again);
  }
  Bytes data;
  for (int round = 0; round < kMaxGetResponses && statusIs(r, 0x61); ++round) {
    data.insert(data.end(), r.answer.begin(), r.answer.end() - 2);
    const std::uint8_t available = r.answer.back();
    std::uint8_t le = available == 0 || available > kMaxGetResponseBytes ? kMaxGetResponseBytes : available;
    r = link.transmit({0x00, 0xC0, 0x00, 0x00, le});
    // A card with fewer bytes left than asked for says how many.
    if (statusIs(r, 0x6C) && r.answer.size() == 2) {
      le = r.answer[1];
      r = link.transmit({0x00, 0xC0, 0x00, 0x00, le});
    }
  }
  if (r.ok() && !data.empty()) r.answer.insert(r.answer.begin(), data.begin(), data.end());
  return r;
}

}  // namespace apdu
