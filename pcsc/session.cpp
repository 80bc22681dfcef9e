#include "pcsc/session.h"

#include "pcsc/settings.h"
#include "driverlib/errors.h"

namespace pcsc {

namespace {
// The handle of the open reader: one reader per process.
constexpr int kHandle = 0x5043;
constexpr int kUsbPort = 100;
}  // namespace

Session& Session::get() {
  static Session session;
  return session;
}

std::mutex& Session::lock() {
  static std::mutex m;
  return m;
}

Session::Session() : factory_(makeScardLink) {}

void Session::useLinkFactory(LinkFactory factory) {
  close();
  factory_ = factory ? std::move(factory) : LinkFactory(makeScardLink);
}

int Session::open(int port) {
  close();
  // A PC/SC reader is reached through the smart-card service, never
  // through a serial port of its own.
  if (port != kUsbPort) return 0;
  link_ = factory_();
  if (!link_) return 0;
  std::optional<std::string> name = link_->attach(loadSettings().readerName);
  if (!name) {
    link_.reset();
    return 0;
  }
  readerName_ = *name;
  handle_ = kHandle;
  return handle_;
}

void Session::close() {
  if (link_) {
    if (connected_) link_->disconnect(false);
    link_->detach();
  }
  link_.reset();
  connected_ = false;
  type_ = pelox::DriverType::None;
  handle_ = 0;
  readerName_.clear();
  generation = Generation::Unknown;
  zone = -1;
  eraseKeys = {};
  cpuReset = false;
  pscPresented = false;
  cpuProtocol = -1;
}

short Session::checkHandle(int handle) const {
  return handle_ != 0 && handle == handle_ && link_ ? err::kOk : err::kLink;
}

void Session::dropCard() {
  if (connected_ && link_) link_->disconnect(false);
  connected_ = false;
  type_ = pelox::DriverType::None;
  zone = -1;
  eraseKeys = {};
  cpuReset = false;
  pscPresented = false;
}

short Session::status() {
  switch (link_->presence()) {
    case Presence::Card:
      return 0;
    case Presence::Empty:
      dropCard();
      return 1;
    case Presence::Gone:
      break;
  }
  dropCard();
  return err::kLink;
}

void Session::powerDown() {
  if (connected_) link_->disconnect(true);
  connected_ = false;
  type_ = pelox::DriverType::None;
  zone = -1;
  cpuReset = false;
  pscPresented = false;
}

short Session::lostResult() {
  const Failure why = link_->lastFailure();
  if (why == Failure::TooLong) return err::kTooLong;
  if (why == Failure::NoProtocol) {
    // The card took no protocol after its reset: the next use connects
    // afresh; the card type stays chosen.
    if (connected_) link_->disconnect(false);
    connected_ = false;
    cpuReset = false;
    return err::kNoProtocol;
  }
  const Presence p = link_->presence();
  dropCard();
  if (p == Presence::Empty) return err::kNoCard;
  if (p == Presence::Gone) return err::kLink;
  // A card is in the reader, but the connection no longer reaches it as
  // it was: the card must be set up again.
  if (why == Failure::Reset || why == Failure::Removed || why == Failure::NoCard) return err::kSequence;
  return err::kLink;
}

short Session::unselectedResult() {
  switch (link_->presence()) {
    case Presence::Card:
      return err::kSequence;
    case Presence::Empty:
      return err::kNoCard;
    case Presence::Gone:
      break;
  }
  return err::kLink;
}

std::optional<Response> Session::exchange(const Bytes& apdu) {
  if (!connected_) {
    if (!link_->connect()) return std::nullopt;
    connected_ = true;
  }
  std::optional<Bytes> raw = link_->transmit(apdu);
  if (!raw || raw->size() < 2) {
    lostResult();
    return std::nullopt;
  }
  Response r;
  r.sw1 = (*raw)[raw->size() - 2];
  r.sw2 = (*raw)[raw->size() - 1];
  r.data.assign(raw->begin(), raw->end() - 2);
  return r;
}

short Session::select(pelox::DriverType type) {
  using pelox::DriverType;
  switch (link_->presence()) {
    case Presence::Card:
      break;
    case Presence::Empty:
      dropCard();
      return err::kNoCard;
    case Presence::Gone:
      dropCard();
      return err::kLink;
  }
  switch (type) {
    case DriverType::Sam:
    case DriverType::Sam1:
    case DriverType::Sam2:
      return err::kNoFunction;  // no SAM slot behind PC/SC
    case DriverType::None:
    case DriverType::I2cPageMode:
      return err::kParam;
    default:
      break;
  }
  if (type == type_) return err::kOk;
  if (!connected_) {
    if (!link_->connect()) return lostResult();
    connected_ = true;
  }
  zone = -1;
  cpuReset = false;
  pscPresented = false;
  std::uint8_t code = readerCardType(type);
  if (code != 0) {
    // The reader powers the card down and up: codes presented before are
    // forgotten, as the card itself forgets them.
    std::optional<Response> r = exchange(command(0xA4, 0, 0, Bytes{code}));
    if (!r) return lostResult();
    if (!r->ok()) return err::kProtocol;
    if (type == DriverType::I2c || type == DriverType::I2cTwoByteAddress) {
      // Page writes of 8 bytes fit every 24C01 to 24C16; the 24C64 takes 32.
      std::uint8_t pageCode = type == DriverType::I2c ? 0x03 : 0x05;
      std::optional<Response> p = exchange(command(0x01, 0, 0, Bytes{pageCode}));
      if (!p) return lostResult();
      if (!p->ok()) return err::kProtocol;
    }
  }
  type_ = type;
  return err::kOk;
}

std::uint8_t readerCardType(pelox::DriverType type) {
  using pelox::DriverType;
  switch (type) {
    case DriverType::I2c:
      return 0x01;
    case DriverType::I2cTwoByteAddress:
      return 0x02;
    case DriverType::At88sc153:
      return 0x03;
    case DriverType::At88sc1608:
      return 0x04;
    case DriverType::Sle4428:
      return 0x05;
    case DriverType::Sle4442:
      return 0x06;
    case DriverType::Sle4404:
      return 0x08;
    case DriverType::At88sc102:
      return 0x09;
    default:
      return 0;
  }
}

Bytes command(std::uint8_t ins, std::uint8_t p1, std::uint8_t p2, const std::uint8_t* data,
              std::size_t length) {
  Bytes b(5 + length);
  b[0] = 0xFF;
  b[1] = ins;
  b[2] = p1;
  b[3] = p2;
  b[4] = static_cast<std::uint8_t>(length);
  for (std::size_t i = 0; i < length; ++i) b[5 + i] = data[i];
  return b;
}

Bytes command(std::uint8_t ins, std::uint8_t p1, std::uint8_t p2, const Bytes& data) {
  return command(ins, p1, p2, data.data(), data.size());
}

Bytes expect(std::uint8_t ins, std::uint8_t p1, std::uint8_t p2, std::uint8_t le) {
  return {0xFF, ins, p1, p2, le};
}

}  // namespace pcsc
