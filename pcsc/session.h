// The PC/SC driver's state: the open reader, the card connection, the card
// type selected in the reader and what the driver learned about the reader
// (which generation of the memory-card commands it speaks).
//
// One process-wide instance behind one lock, like the program's other
// driver; every exported function takes the lock for the whole call.
#pragma once

#include <array>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "pcsc/link.h"
#include "cards/card_types.h"
#include "driverlib/cipher.h"
#include "driverlib/errors.h"

namespace pcsc {

namespace err = driverlib::err;  // the drivers' result codes

// A response APDU split into its data and status word.
struct Response {
  Bytes data;
  std::uint8_t sw1 = 0, sw2 = 0;
  bool ok() const { return sw1 == 0x90 && sw2 == 0x00; }
};

// The memory-card commands exist in two generations of the readers'
// manuals: older readers append protection bits to SLE reads and answer a
// presentation with the counter and the code; newer ones do neither.
enum class Generation { Unknown, Older, Newer };

class Session {
 public:
  using LinkFactory = std::function<std::unique_ptr<Link>()>;

  static Session& get();
  static std::mutex& lock();
  // Replaces the link maker (tests); null restores the PC/SC link.
  void useLinkFactory(LinkFactory factory);

  // The reader.
  int open(int port);
  void close();
  short checkHandle(int handle) const;
  short status();
  const std::string& readerName() const { return readerName_; }
  void powerDown();

  // The card type: the select command is sent when the type changes, never
  // again for the same type, so a presented code survives re-reads.
  short select(pelox::DriverType type);
  pelox::DriverType type() const { return type_; }
  bool is(pelox::DriverType t) const { return type_ == t; }

  // One APDU; nothing when the card or reader did not answer (then
  // `lostResult()` tells why).
  std::optional<Response> exchange(const Bytes& command);
  // The result for the failed connection, reset or APDU. An answer too
  // long keeps the card connected, a protocol the card does not offer
  // keeps the card type; anything else drops the card: no card, the reader
  // gone, or the card reset or swapped behind the driver's back (then the
  // card type must be chosen again).
  short lostResult();
  // The result of a card command while no card type is selected: no card,
  // the reader gone, or a command out of order.
  short unselectedResult();

  Generation generation = Generation::Unknown;
  int zone = -1;                                  // CryptoMemory user zone, -1 = none
  std::array<std::optional<Bytes>, 2> eraseKeys;  // AT88SC102 zones 1 and 2
  bool cpuReset = false;
  bool pscPresented = false;  // a code accepted since the card type was selected
  int cpuProtocol = -1;  // IC_SetCpuPara's protocol for the next CPU reset, -1 = either
  struct HostAuth {
    bool loaded = false;
    driverlib::Block8 ci{}, gc{}, q0{};
  } host;
  Link* link() { return link_.get(); }

 private:
  Session();
  void dropCard();
  LinkFactory factory_;
  std::unique_ptr<Link> link_;
  std::string readerName_;
  int handle_ = 0;
  bool connected_ = false;
  pelox::DriverType type_ = pelox::DriverType::None;
};

// The select command's card-type byte for a driver type, 0 when the readers
// have no such type (the driver then takes the type without telling the
// reader, and that type's functions fail cleanly).
std::uint8_t readerCardType(pelox::DriverType type);

// Command APDUs of the reader's CLA FF family.
Bytes command(std::uint8_t ins, std::uint8_t p1, std::uint8_t p2, const Bytes& data);
Bytes command(std::uint8_t ins, std::uint8_t p1, std::uint8_t p2, const std::uint8_t* data,
              std::size_t length);
Bytes expect(std::uint8_t ins, std::uint8_t p1, std::uint8_t p2, std::uint8_t le);

}  // namespace pcsc
