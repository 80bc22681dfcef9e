// The link on the PC/SC API: winscard on Windows, pcsc-lite elsewhere.
//
// Only calls and values that both agree on: no SCardControl codes, no RAW
// protocol, the card's presence read from SCardGetStatusChange's state
// bits (the same bits on both), never from SCardStatus's state, which is an
// enumeration on Windows and a bit mask in pcsc-lite. The narrow (A) forms
// of the calls, since reader names are compared as bytes.
#include <algorithm>
#include <cstring>

#include "pcsc/link.h"

#ifdef _WIN32
#include <windows.h>
#include <winscard.h>
#define PCSC_A(name) name##A
using ReaderState = SCARD_READERSTATEA;
#else
#include <PCSC/winscard.h>
#include <PCSC/wintypes.h>
#define PCSC_A(name) name
using ReaderState = SCARD_READERSTATE;
#endif

namespace pcsc {

namespace {

// The results that tell why a call on the card failed. pcsc-lite and
// Windows share these values.
Failure failureOf(LONG rc) {
  struct Known {
    LONG rc;
    Failure why;
  };
  static const Known known[] = {
      {static_cast<LONG>(SCARD_S_SUCCESS), Failure::None},
      {static_cast<LONG>(SCARD_E_INSUFFICIENT_BUFFER), Failure::TooLong},
      {static_cast<LONG>(SCARD_E_PROTO_MISMATCH), Failure::NoProtocol},
      {static_cast<LONG>(SCARD_W_RESET_CARD), Failure::Reset},
      {static_cast<LONG>(SCARD_W_UNPOWERED_CARD), Failure::Reset},
      {static_cast<LONG>(SCARD_W_REMOVED_CARD), Failure::Removed},
      {static_cast<LONG>(SCARD_E_NO_SMARTCARD), Failure::NoCard},
      {static_cast<LONG>(SCARD_E_READER_UNAVAILABLE), Failure::Gone},
      {static_cast<LONG>(SCARD_E_UNKNOWN_READER), Failure::Gone},
      {static_cast<LONG>(SCARD_E_NO_READERS_AVAILABLE), Failure::Gone},
      {static_cast<LONG>(SCARD_E_NO_SERVICE), Failure::Gone},
      {static_cast<LONG>(SCARD_E_SERVICE_STOPPED), Failure::Gone},
      {static_cast<LONG>(SCARD_E_INVALID_HANDLE), Failure::Gone},
  };
  for (const Known& k : known)
    if (k.rc == rc) return k.why;
  return Failure::Other;
}

DWORD protocolMask(int protocol) {
  if (protocol == 0) return SCARD_PROTOCOL_T0;
  if (protocol == 1) return SCARD_PROTOCOL_T1;
  return SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1;
}

class ScardLink : public Link {
 public:
  ~ScardLink() override { detach(); }

  std::optional<std::string> attach(const std::string& wanted) override {
    detach();
    if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context_) != SCARD_S_SUCCESS)
      return std::nullopt;
    established_ = true;
    std::vector<std::string> names = readers();
    std::optional<std::string> chosen;
    for (const std::string& n : names) {
      if (!wanted.empty()) {
        if (n.find(wanted) != std::string::npos) {
          chosen = n;
          break;
        }
      } else if (!chosen || (!holdsCard(*chosen) && holdsCard(n))) {
        chosen = n;  // the first reader holding a card, else the first
      }
    }
    if (!chosen) {
      detach();
      return std::nullopt;
    }
    reader_ = *chosen;
    return reader_;
  }

  void detach() override {
    disconnect(false);
    if (established_) SCardReleaseContext(context_);
    established_ = false;
  }

  Presence presence() override {
    if (!established_) return Presence::Gone;
    ReaderState state{};
    state.szReader = reader_.c_str();
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    LONG rc = PCSC_A(SCardGetStatusChange)(context_, 0, &state, 1);
    if (rc != SCARD_S_SUCCESS && rc != static_cast<LONG>(SCARD_E_TIMEOUT)) return Presence::Gone;
    if (state.dwEventState & (SCARD_STATE_UNKNOWN | SCARD_STATE_UNAVAILABLE | SCARD_STATE_IGNORE))
      return Presence::Gone;
    return (state.dwEventState & SCARD_STATE_PRESENT) ? Presence::Card : Presence::Empty;
  }

  bool connect() override {
    disconnect(false);
    DWORD active = 0;
    if (!succeeded(PCSC_A(SCardConnect)(context_, reader_.c_str(), SCARD_SHARE_SHARED,
                                        SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card_, &active)))
      return false;
    connected_ = true;
    protocol_ = active;
    return true;
  }

  std::optional<Bytes> reset(int protocol) override {
    if (!connected_ && !connect()) return std::nullopt;
    DWORD active = 0;
    if (!succeeded(
            SCardReconnect(card_, SCARD_SHARE_SHARED, protocolMask(protocol), SCARD_RESET_CARD, &active)))
      return std::nullopt;
    protocol_ = active;
    char name[256];
    DWORD nameLength = sizeof(name), state = 0, proto = 0;
    BYTE atr[36];
    DWORD atrLength = sizeof(atr);
    if (!succeeded(PCSC_A(SCardStatus)(card_, name, &nameLength, &state, &proto, atr, &atrLength)))
      return std::nullopt;
    return Bytes(atr, atr + std::min<DWORD>(atrLength, sizeof(atr)));
  }

  int protocol() const override {
    if (!connected_) return -1;
    if (protocol_ == SCARD_PROTOCOL_T0) return 0;
    if (protocol_ == SCARD_PROTOCOL_T1) return 1;
    return -1;
  }

  void disconnect(bool powerOff) override {
    if (connected_) SCardDisconnect(card_, powerOff ? SCARD_UNPOWER_CARD : SCARD_LEAVE_CARD);
    connected_ = false;
  }

  std::optional<Bytes> transmit(const Bytes& apdu) override {
    if (!connected_) {
      failure_ = Failure::Other;
      return std::nullopt;
    }
    const SCARD_IO_REQUEST* pci = protocol_ == SCARD_PROTOCOL_T1 ? SCARD_PCI_T1 : SCARD_PCI_T0;
    // A longer answer is SCARD_E_INSUFFICIENT_BUFFER: that one APDU failed,
    // the card handle is still good.
    BYTE answer[kLongestAnswer];
    DWORD length = sizeof(answer);
    if (!succeeded(SCardTransmit(card_, pci, apdu.data(), static_cast<DWORD>(apdu.size()), nullptr, answer,
                                 &length)))
      return std::nullopt;
    if (length > sizeof(answer)) {
      failure_ = Failure::TooLong;
      return std::nullopt;
    }
    return Bytes(answer, answer + length);
  }

  Failure lastFailure() const override { return failure_; }

 private:
  std::vector<std::string> readers() {
    DWORD length = 0;
    if (PCSC_A(SCardListReaders)(context_, nullptr, nullptr, &length) != SCARD_S_SUCCESS || length == 0)
      return {};
    std::vector<char> buffer(length);
    if (PCSC_A(SCardListReaders)(context_, nullptr, buffer.data(), &length) != SCARD_S_SUCCESS) return {};
    std::vector<std::string> names;
    for (const char* p = buffer.data(); p < buffer.data() + length && *p != 0; p += std::strlen(p) + 1)
      names.emplace_back(p);
    return names;
  }

  bool holdsCard(const std::string& name) {
    ReaderState state{};
    state.szReader = name.c_str();
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    if (PCSC_A(SCardGetStatusChange)(context_, 0, &state, 1) != SCARD_S_SUCCESS) return false;
    return (state.dwEventState & SCARD_STATE_PRESENT) != 0;
  }

  bool succeeded(LONG rc) {
    failure_ = failureOf(rc);
    return rc == static_cast<LONG>(SCARD_S_SUCCESS);
  }

  SCARDCONTEXT context_ = 0;
  SCARDHANDLE card_ = 0;
  bool established_ = false;
  bool connected_ = false;
  DWORD protocol_ = 0;
  Failure failure_ = Failure::None;
  std::string reader_;
};

}  // namespace

std::unique_ptr<Link> makeScardLink() { return std::make_unique<ScardLink>(); }

}  // namespace pcsc
