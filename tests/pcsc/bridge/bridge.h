// The native side of the test-only winscard.dll: one client connection's
// smart-card calls made on pcsc-lite, with Windows' types and values on the
// wire (wire.h) and pcsc-lite's in the calls.
#pragma once

#include <PCSC/winscard.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "wire.h"

namespace bridge {

class Bridge {
 public:
  Bridge() = default;
  ~Bridge();  // leaves the cards and releases the contexts still open
  Bridge(const Bridge&) = delete;
  Bridge& operator=(const Bridge&) = delete;

  // The answer body to one request body. Nothing for a request that is
  // refused (an unknown operation, a field missing or out of bounds, bytes
  // left over); `why` then says what was wrong. Unknown contexts and card
  // handles are answered as pcsc-lite would: SCARD_E_INVALID_HANDLE.
  std::optional<Bytes> answer(const Bytes& request, std::string& why);

 private:
  struct Card {
    SCARDHANDLE handle;
    std::uint32_t context;
  };
  std::optional<Bytes> establish(Reader& in);
  std::optional<Bytes> release(Reader& in);
  std::optional<Bytes> listReaders(Reader& in);
  std::optional<Bytes> getStatusChange(Reader& in, std::string& why);
  std::optional<Bytes> connect(Reader& in);
  std::optional<Bytes> reconnect(Reader& in);
  std::optional<Bytes> disconnect(Reader& in);
  std::optional<Bytes> status(Reader& in);
  std::optional<Bytes> transmit(Reader& in);

  std::map<std::uint32_t, SCARDCONTEXT> contexts_;
  std::map<std::uint32_t, Card> cards_;
  std::uint32_t next_ = 1;
};

// Windows' values for pcsc-lite's and back: the protocols (RAW differs)
// and the card state of SCardStatus (a bit mask in pcsc-lite, the highest
// state reached as a number on Windows).
std::uint32_t windowsProtocols(unsigned long pcscLite);
unsigned long pcscLiteProtocols(std::uint32_t windows);
std::uint32_t windowsCardState(unsigned long pcscLite);

}  // namespace bridge
