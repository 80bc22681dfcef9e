// The driver's one door to a PC/SC reader: the few calls that Windows'
// winscard and pcsc-lite both offer with the same meaning. The driver core
// talks only to this interface, so it runs against a fake in native tests
// and against the real smart-card service in the DLL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pcsc {

using Bytes = std::vector<std::uint8_t>;

enum class Presence {
  Card,   // a card is in the reader
  Empty,  // the reader answers, no card
  Gone,   // the reader or the smart-card service no longer answers
};

// Why the last connect, reset or transmit failed.
enum class Failure {
  None,
  NoCard,      // no card in the reader
  Gone,        // the reader or the smart-card service no longer answers
  Reset,       // another application reset or powered down the card: connect again
  Removed,     // the card was taken out (another one may be in the reader now)
  TooLong,     // the answer did not fit the receive buffer; the connection holds
  NoProtocol,  // the card does not offer the protocol asked for
  Other,       // the card or the reader did not answer, for another reason
};

// The longest answer a link takes: data and status word of a short APDU.
inline constexpr std::size_t kLongestAnswer = 256 + 2;

class Link {
 public:
  virtual ~Link() = default;
  // Opens the smart-card service and chooses the reader whose name holds
  // `wanted` (empty: the first reader holding a card, else the first
  // reader). The reader's name, or nothing when no reader fits.
  virtual std::optional<std::string> attach(const std::string& wanted) = 0;
  virtual void detach() = 0;
  virtual Presence presence() = 0;
  // Connects to the card (shared, T=0 or T=1). False when it does not answer.
  virtual bool connect() = 0;
  // Resets the connected card in `protocol` (0 = T=0, 1 = T=1, -1 =
  // whichever the card and reader agree on); its answer to reset, or
  // nothing (Failure::NoProtocol: the card does not offer that protocol).
  virtual std::optional<Bytes> reset(int protocol) = 0;
  // 0 for T=0, 1 for T=1, -1 when not connected.
  virtual int protocol() const = 0;
  // Leaves the card; `powerOff` asks the reader to power it down.
  virtual void disconnect(bool powerOff) = 0;
  // One command APDU, its response (data and status word), or nothing when
  // the card or the reader did not answer or the response is longer than
  // kLongestAnswer.
  virtual std::optional<Bytes> transmit(const Bytes& command) = 0;
  // Why the last connect(), reset() or transmit() failed; None after one
  // that succeeded.
  virtual Failure lastFailure() const = 0;
};

// The link the DLL uses: winscard on Windows, pcsc-lite elsewhere.
std::unique_ptr<Link> makeScardLink();

}  // namespace pcsc
