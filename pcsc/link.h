// The driver's one door to a PC/SC reader: the few calls that Windows'
// winscard and pcsc-lite both offer with the same meaning. The driver core
// talks only to this interface, so it runs against a fake in native tests
// and against the real smart-card service in the DLL.
#pragma once

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
  // Resets the connected card; its answer to reset, or nothing.
  virtual std::optional<Bytes> reset() = 0;
  // 0 for T=0, 1 for T=1, -1 when not connected.
  virtual int protocol() const = 0;
  // Leaves the card; `powerOff` asks the reader to power it down.
  virtual void disconnect(bool powerOff) = 0;
  // One command APDU, its response (data and status word), or nothing when
  // the card or the reader did not answer.
  virtual std::optional<Bytes> transmit(const Bytes& command) = 0;
};

// The link the DLL uses: winscard on Windows, pcsc-lite elsewhere.
std::unique_ptr<Link> makeScardLink();

}  // namespace pcsc
