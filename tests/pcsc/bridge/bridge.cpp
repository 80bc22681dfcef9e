#include "bridge.h"

#include <PCSC/wintypes.h>

#include <vector>

namespace bridge {

namespace {

// Windows' SCARD_PROTOCOL_RAW and its card states of SCardStatus.
constexpr std::uint32_t kWindowsRaw = 0x10000;
enum WindowsState : std::uint32_t { Unknown, Absent, Present, Swallowed, Powered, Negotiable, Specific };

// pcsc-lite's LONG results are Windows' 32-bit codes widened.
std::uint32_t narrow(LONG rc) { return static_cast<std::uint32_t>(rc); }

Bytes result(LONG rc) { return Writer().u32(narrow(rc)).body(); }

}  // namespace

std::uint32_t windowsProtocols(unsigned long p) {
  std::uint32_t w =
      static_cast<std::uint32_t>(p & (SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1 | SCARD_PROTOCOL_T15));
  if (p & SCARD_PROTOCOL_RAW) w |= kWindowsRaw;
  return w;
}

unsigned long pcscLiteProtocols(std::uint32_t w) {
  unsigned long p = w & (SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1 | SCARD_PROTOCOL_T15);
  if (w & kWindowsRaw) p |= SCARD_PROTOCOL_RAW;
  return p;
}

std::uint32_t windowsCardState(unsigned long s) {
  if (s & SCARD_SPECIFIC) return Specific;
  if (s & SCARD_NEGOTIABLE) return Negotiable;
  if (s & SCARD_POWERED) return Powered;
  if (s & SCARD_SWALLOWED) return Swallowed;
  if (s & SCARD_PRESENT) return Present;
  if (s & SCARD_ABSENT) return Absent;
  return Unknown;
}

Bridge::~Bridge() {
  for (const auto& [id, card] : cards_) SCardDisconnect(card.handle, SCARD_LEAVE_CARD);
  for (const auto& [id, context] : contexts_) SCardReleaseContext(context);
}

std::optional<Bytes> Bridge::answer(const Bytes& request, std::string& why) {
  Reader in(request);
  Op op{};
  if (!in.op(op)) {
    why = request.empty() ? "an empty request" : "an unknown operation " + std::to_string(request[0]);
    return std::nullopt;
  }
  std::optional<Bytes> out;
  switch (op) {
    case Op::Establish:
      out = establish(in);
      break;
    case Op::Release:
      out = release(in);
      break;
    case Op::ListReaders:
      out = listReaders(in);
      break;
    case Op::GetStatusChange:
      out = getStatusChange(in, why);
      break;
    case Op::Connect:
      out = connect(in);
      break;
    case Op::Reconnect:
      out = reconnect(in);
      break;
    case Op::Disconnect:
      out = disconnect(in);
      break;
    case Op::Status:
      out = status(in);
      break;
    case Op::Transmit:
      out = transmit(in);
      break;
  }
  if (out && in.complete()) return out;
  if (why.empty())
    why =
        "operation " + std::to_string(static_cast<int>(op)) + ": fields missing, out of bounds or left over";
  return std::nullopt;
}

// Each handler reads all its fields first and makes no call unless the
// request is complete: a refused request changes nothing.

std::optional<Bytes> Bridge::establish(Reader& in) {
  std::uint32_t scope = 0;
  if (!in.u32(scope) || !in.complete()) return std::nullopt;
  SCARDCONTEXT context = 0;
  const LONG rc = SCardEstablishContext(scope, nullptr, nullptr, &context);
  std::uint32_t id = 0;
  if (rc == SCARD_S_SUCCESS) contexts_[id = next_++] = context;
  return Writer().u32(narrow(rc)).u32(id).body();
}

std::optional<Bytes> Bridge::release(Reader& in) {
  std::uint32_t id = 0;
  if (!in.u32(id) || !in.complete()) return std::nullopt;
  auto it = contexts_.find(id);
  if (it == contexts_.end()) return result(SCARD_E_INVALID_HANDLE);
  for (auto c = cards_.begin(); c != cards_.end();) {
    if (c->second.context != id) {
      ++c;
      continue;
    }
    SCardDisconnect(c->second.handle, SCARD_LEAVE_CARD);
    c = cards_.erase(c);
  }
  const LONG rc = SCardReleaseContext(it->second);
  contexts_.erase(it);
  return result(rc);
}

std::optional<Bytes> Bridge::listReaders(Reader& in) {
  std::uint32_t id = 0;
  if (!in.u32(id) || !in.complete()) return std::nullopt;
  auto it = contexts_.find(id);
  if (it == contexts_.end()) return Writer().u32(narrow(SCARD_E_INVALID_HANDLE)).bytes(Bytes{}).body();
  DWORD length = 0;
  LONG rc = SCardListReaders(it->second, nullptr, nullptr, &length);
  std::vector<char> names(length);
  if (rc == SCARD_S_SUCCESS) rc = SCardListReaders(it->second, nullptr, names.data(), &length);
  if (rc != SCARD_S_SUCCESS || length > names.size() || length > kMaxNames) length = 0;
  if (rc == SCARD_S_SUCCESS && length == 0) rc = SCARD_E_INSUFFICIENT_BUFFER;
  return Writer().u32(narrow(rc)).bytes(reinterpret_cast<const std::uint8_t*>(names.data()), length).body();
}

std::optional<Bytes> Bridge::getStatusChange(Reader& in, std::string& why) {
  std::uint32_t id = 0, timeout = 0, count = 0;
  if (!in.u32(id) || !in.u32(timeout) || !in.u32(count)) return std::nullopt;
  if (count > kMaxStates) {
    why = "GetStatusChange for " + std::to_string(count) + " readers (at most " + std::to_string(kMaxStates) +
          ")";
    return std::nullopt;
  }
  std::vector<std::string> names(count);
  std::vector<SCARD_READERSTATE> states(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t current = 0;
    if (!in.text(names[i], kMaxName) || !in.u32(current)) return std::nullopt;
    states[i] = SCARD_READERSTATE{};
    states[i].dwCurrentState = current;
  }
  if (!in.complete()) return std::nullopt;
  for (std::uint32_t i = 0; i < count; ++i) states[i].szReader = names[i].c_str();
  auto it = contexts_.find(id);
  const LONG rc = it == contexts_.end() ? SCARD_E_INVALID_HANDLE
                                        : SCardGetStatusChange(it->second, timeout, states.data(), count);
  Writer out;
  out.u32(narrow(rc));
  for (const SCARD_READERSTATE& s : states) {
    const std::size_t atr = s.cbAtr <= sizeof(s.rgbAtr) ? s.cbAtr : 0;
    out.u32(static_cast<std::uint32_t>(s.dwEventState)).bytes(s.rgbAtr, atr);
  }
  return out.body();
}

std::optional<Bytes> Bridge::connect(Reader& in) {
  std::uint32_t id = 0, share = 0, protocols = 0;
  std::string reader;
  if (!in.u32(id) || !in.text(reader, kMaxName) || !in.u32(share) || !in.u32(protocols) || !in.complete())
    return std::nullopt;
  auto it = contexts_.find(id);
  if (it == contexts_.end()) return Writer().u32(narrow(SCARD_E_INVALID_HANDLE)).u32(0).u32(0).body();
  SCARDHANDLE handle = 0;
  DWORD active = 0;
  const LONG rc =
      SCardConnect(it->second, reader.c_str(), share, pcscLiteProtocols(protocols), &handle, &active);
  std::uint32_t card = 0;
  if (rc == SCARD_S_SUCCESS) cards_[card = next_++] = Card{handle, id};
  return Writer().u32(narrow(rc)).u32(card).u32(windowsProtocols(active)).body();
}

std::optional<Bytes> Bridge::reconnect(Reader& in) {
  std::uint32_t id = 0, share = 0, protocols = 0, initialisation = 0;
  if (!in.u32(id) || !in.u32(share) || !in.u32(protocols) || !in.u32(initialisation) || !in.complete())
    return std::nullopt;
  auto it = cards_.find(id);
  if (it == cards_.end()) return Writer().u32(narrow(SCARD_E_INVALID_HANDLE)).u32(0).body();
  DWORD active = 0;
  const LONG rc =
      SCardReconnect(it->second.handle, share, pcscLiteProtocols(protocols), initialisation, &active);
  return Writer().u32(narrow(rc)).u32(windowsProtocols(active)).body();
}

std::optional<Bytes> Bridge::disconnect(Reader& in) {
  std::uint32_t id = 0, disposition = 0;
  if (!in.u32(id) || !in.u32(disposition) || !in.complete()) return std::nullopt;
  auto it = cards_.find(id);
  if (it == cards_.end()) return result(SCARD_E_INVALID_HANDLE);
  const LONG rc = SCardDisconnect(it->second.handle, disposition);
  if (rc == SCARD_S_SUCCESS) cards_.erase(it);
  return result(rc);
}

std::optional<Bytes> Bridge::status(Reader& in) {
  std::uint32_t id = 0;
  if (!in.u32(id) || !in.complete()) return std::nullopt;
  auto it = cards_.find(id);
  char name[kMaxName + 1] = {};
  DWORD nameLength = sizeof(name), state = 0, protocol = 0;
  std::uint8_t atr[MAX_ATR_SIZE] = {};
  DWORD atrLength = sizeof(atr);
  const LONG rc = it == cards_.end()
                      ? SCARD_E_INVALID_HANDLE
                      : SCardStatus(it->second.handle, name, &nameLength, &state, &protocol, atr, &atrLength);
  if (rc != SCARD_S_SUCCESS) {
    name[0] = 0;
    atrLength = 0;
  }
  name[kMaxName] = 0;
  return Writer()
      .u32(narrow(rc))
      .text(name)
      .u32(rc == SCARD_S_SUCCESS ? windowsCardState(state) : 0)
      .u32(windowsProtocols(protocol))
      .bytes(atr, atrLength <= sizeof(atr) ? atrLength : 0)
      .body();
}

std::optional<Bytes> Bridge::transmit(Reader& in) {
  std::uint32_t id = 0, protocol = 0, capacity = 0;
  Bytes apdu;
  if (!in.u32(id) || !in.u32(protocol) || !in.bytes(apdu, kMaxApdu) || !in.u32(capacity) || !in.complete())
    return std::nullopt;
  auto it = cards_.find(id);
  if (it == cards_.end()) return Writer().u32(narrow(SCARD_E_INVALID_HANDLE)).bytes(Bytes{}).body();
  const SCARD_IO_REQUEST pci{pcscLiteProtocols(protocol), sizeof(SCARD_IO_REQUEST)};
  Bytes response(capacity < kMaxApdu ? capacity : kMaxApdu);
  DWORD length = response.size();
  const LONG rc =
      SCardTransmit(it->second.handle, &pci, apdu.data(), apdu.size(), nullptr, response.data(), &length);
  response.resize(rc == SCARD_S_SUCCESS && length <= response.size() ? length : 0);
  return Writer().u32(narrow(rc)).bytes(response).body();
}

}  // namespace bridge
