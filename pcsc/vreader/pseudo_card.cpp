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

Bytes PseudoCard::answer(const Bytes& apdu) {
  if (apdu.size() < 4) return {0x67, 0x00};
  if (apdu[0] != 0xFF) {
    auto* cpu = dynamic_cast<sim::CpuCard*>(card_.get());
    if (cpu == nullptr || !cpu->powered()) return {0x6E, 0x00};
    return cpu->exchange(apdu);
  }
  const std::uint8_t ins = apdu[1];
  const std::size_t lc = apdu.size() > 4 ? apdu[4] : 0;
  if (ins == kSelect) {
    if (apdu.size() != 6 || lc != 1) return {0x67, 0x00};
    return select(apdu[5]);
  }
  if (type_ == 0) return {0x69, 0x85};  // no card type selected since power-on
  if (ins == kPageSize) {
    if (type_ != 1 && type_ != 2) return {0x6D, 0x00};
    if (apdu.size() != 6 || apdu[5] < 3 || apdu[5] > 7) return {0x6A, 0x80};
    pageSize_ = 8 << (apdu[5] - 3);
    return {0x90, 0x00};
  }
  if (type_ == 3 || type_ == 4) return crypto(apdu);
  if (ins == 0xB0 || ins == 0xD0) return memory(apdu);
  return codes(apdu);
}

Bytes PseudoCard::select(std::uint8_t type) {
  if (type < 1 || type > 9) return {0x6A, 0x81};
  // The reader powers the card down and up, then resets it.
  powerOff();
  type_ = type;
  if (generation_ == Generation::Newer || type < 3 || type > 7) return {0x90, 0x00};
  Bytes a = atr();
  return withStatus(Bytes(a.begin() + 2, a.end()), 0x90, 0x00);
}

Bytes statusFor(short simResult) {
  switch (simResult) {
    case sim::err::kOk:
      return {0x90, 0x00};
    case sim::err::kAddress:
      return {0x6B, 0x00};
    case sim::err::kCompare:
    case sim::err::kSequence:
      return {0x69, 0x85};
    case sim::err::kBlocked:
      return {0x69, 0x83};
    case sim::err::kPassword:
      return {0x63, 0x00};
    case sim::err::kParam:
      return {0x67, 0x00};
    case sim::err::kProtocol:
    case sim::err::kNoFunction:
      return {0x6A, 0x81};
    default:
      return {0x69, 0x82};
  }
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

}  // namespace vreader
