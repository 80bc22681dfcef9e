#include "pcsc/vreader/pseudo_card.h"

#include "sim/cards_cpu.h"

namespace vreader {

namespace {
constexpr std::uint8_t kSelect = 0xA4, kPageSize = 0x01;
}  // namespace

PseudoCard::PseudoCard(std::unique_ptr<sim::Card> card, Generation generation)
    : card_(std::move(card)), generation_(generation) {}

void PseudoCard::powerOn() { powerOff(); }

void PseudoCard::powerOff() {
  card_->powerOff();
  type_ = 0;
  pageSize_ = 8;
}

Bytes PseudoCard::atr() {
  if (auto* cpu = dynamic_cast<sim::CpuCard*>(card_.get())) return cpu->reset();
  // A memory card is reported with its synchronous header (ISO 7816-10) as
  // four historical bytes: the SLE cards' own first bytes; for cards without
  // one, a header of protocol type 8 (our choice).
  Bytes a{0x3B, 0x04};
  const bool sle = card_->speaks(pelox::DriverType::Sle4442) || card_->speaks(pelox::DriverType::Sle4428);
  for (std::size_t i = 0; i < 4; ++i) a.push_back(sle ? card_->look(i) : (i == 0 ? 0x80 : 0x00));
  return a;
}

void PseudoCard::violation(const Bytes& apdu, const std::string& why) {
  violations_.push_back(hexText(apdu) + ": " + why);
}

Bytes PseudoCard::answer(const Bytes& apdu) {
  if (log_ != nullptr) log_->push_back(apdu);
  if (apdu.size() < 4) return {0x67, 0x00};
  if (apdu[0] != 0xFF) {
    auto* cpu = dynamic_cast<sim::CpuCard*>(card_.get());
    if (cpu == nullptr || !cpu->powered()) {
      violation(apdu, "an APDU for a microprocessor card sent to a memory card");
      return {0x6E, 0x00};
    }
    return cpu->exchange(apdu);
  }
  Grammar::Match m = Grammar::acs().match(type_, generation_, apdu);
  if (m.row == nullptr) {
    violation(apdu, m.why);
    return m.refusal;
  }
  Bytes out;
  chipSilent_ = false;
  const std::uint8_t ins = apdu[1];
  if (ins == kSelect) {
    out = select(apdu[5]);
  } else if (ins == kPageSize) {
    pageSize_ = 8 << (apdu[5] - 3);
    out = {0x90, 0x00};
  } else if (type_ == 3 || type_ == 4) {
    out = crypto(apdu);
  } else if (type_ == 9) {
    out = at102(apdu);
  } else if (ins == 0xB0 || ins == 0xD0) {
    out = memory(apdu);
  } else {
    out = codes(apdu);
  }
  // A chip that does not speak the selected type answers nothing a manual
  // describes; everything else must be documented.
  const bool foreign = !card_->speaks(driverTypeOf(type_));
  if (!foreign && !chipSilent_ && out.size() >= 2 && !Grammar::documents(*m.row, out[out.size() - 2], out.back()))
    violation(apdu, "the virtual reader's answer " + hexText(out) + " is not documented for " + m.row->name);
  return out;
}

Bytes PseudoCard::select(std::uint8_t type) {
  // The reader powers the card down and up, then resets it.
  powerOff();
  type_ = type;
  if (generation_ == Generation::Newer || type < 3 || type > 7) return {0x90, 0x00};
  Bytes a = atr();
  return withStatus(Bytes(a.begin() + 2, a.end()), 0x90, 0x00);
}

Bytes withStatus(Bytes data, std::uint8_t sw1, std::uint8_t sw2) {
  data.push_back(sw1);
  data.push_back(sw2);
  return data;
}

pelox::DriverType driverTypeOf(std::uint8_t readerType) {
  using pelox::DriverType;
  switch (readerType) {
    case 1:
      return DriverType::I2c;
    case 2:
      return DriverType::I2cTwoByteAddress;
    case 3:
      return DriverType::At88sc153;
    case 4:
      return DriverType::At88sc1608;
    case 5:
      return DriverType::Sle4428;
    case 6:
      return DriverType::Sle4442;
    case 7:
      return DriverType::Sle4406;
    case 8:
      return DriverType::Sle4404;
    case 9:
      return DriverType::At88sc102;
    default:
      return DriverType::None;
  }
}

BitPlace bitPlace(int bitAddress, BitOrder order) {
  const int bit = bitAddress % 8;
  return {static_cast<std::size_t>(bitAddress / 8),
          static_cast<std::uint8_t>(order == BitOrder::MsbFirst ? 0x80 >> bit : 1 << bit)};
}

}  // namespace vreader
