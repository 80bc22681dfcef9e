// A test-only winscard.dll for Wine, whose own winscard is a stub before
// Wine 9: the smart-card calls of the PC/SC driver, forwarded to the native
// winscard-bridge on 127.0.0.1 (port in WINSCARD_BRIDGE_PORT), which makes
// them on pcsc-lite. Never shipped. Loaded with WINEDLLOVERRIDES=winscard=n
// from the program's folder.
//
// Windows' buffer rules are kept here (a null buffer asks for the length,
// a short one answers SCARD_E_INSUFFICIENT_BUFFER); SCARD_AUTOALLOCATE is
// not offered.
#define WINSCARDAPI __declspec(dllexport)
#define WINSCARDDATA __declspec(dllexport)
#include <windows.h>
#include <winscard.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <cstring>
#include <optional>

#include "wire.h"

extern "C" {
const SCARD_IO_REQUEST g_rgSCardT0Pci{SCARD_PROTOCOL_T0, sizeof(SCARD_IO_REQUEST)};
const SCARD_IO_REQUEST g_rgSCardT1Pci{SCARD_PROTOCOL_T1, sizeof(SCARD_IO_REQUEST)};
const SCARD_IO_REQUEST g_rgSCardRawPci{SCARD_PROTOCOL_RAW, sizeof(SCARD_IO_REQUEST)};
}

namespace {

using bridge::Bytes;
using bridge::Op;

SRWLOCK lock = SRWLOCK_INIT;
SOCKET bridgeSocket = INVALID_SOCKET;

bool connectBridge() {
  const char* port = std::getenv("WINSCARD_BRIDGE_PORT");
  const long number = port != nullptr ? std::strtol(port, nullptr, 10) : 0;
  if (number <= 0 || number > 65535) return false;
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return false;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(number));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    closesocket(s);
    return false;
  }
  BOOL one = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof(one));
  bridgeSocket = s;
  return true;
}

// One request and its answer; nothing when the bridge cannot be reached or
// the connection broke (it is then opened again at the next call).
std::optional<Bytes> call(const bridge::Writer& request) {
  AcquireSRWLockExclusive(&lock);
  std::optional<Bytes> answer;
  if (bridgeSocket != INVALID_SOCKET || connectBridge()) {
    const bridge::Transfer send = [](std::uint8_t* data, std::size_t n) -> long {
      return ::send(bridgeSocket, reinterpret_cast<const char*>(data), static_cast<int>(n), 0);
    };
    const bridge::Transfer receive = [](std::uint8_t* data, std::size_t n) -> long {
      return ::recv(bridgeSocket, reinterpret_cast<char*>(data), static_cast<int>(n), 0);
    };
    Bytes body;
    std::string why;
    if (bridge::sendFrame(send, request.body()) && bridge::readFrame(receive, body, why)) {
      answer = std::move(body);
    } else {
      closesocket(bridgeSocket);
      bridgeSocket = INVALID_SOCKET;
    }
  }
  ReleaseSRWLockExclusive(&lock);
  return answer;
}

LONG asLong(std::uint32_t rc) { return static_cast<LONG>(rc); }

// The ids of the bridge are the handles the caller sees.
std::uint32_t id(ULONG_PTR handle) { return static_cast<std::uint32_t>(handle); }

// Answers the call's result after reading its fields with `fields`; a
// malformed answer is a communication error.
template <class Fields>
LONG exchange(const bridge::Writer& request, Fields&& fields) {
  const std::optional<Bytes> answer = call(request);
  if (!answer) return asLong(SCARD_E_NO_SERVICE);
  bridge::Reader in(*answer);
  std::uint32_t rc = 0;
  if (!in.u32(rc) || !fields(in) || !in.complete()) return asLong(SCARD_F_COMM_ERROR);
  return asLong(rc);
}

// Copies `data` into a caller's buffer of *length elements (null: only the
// length is asked for).
template <class T>
LONG giveBack(const Bytes& data, T* buffer, DWORD* length) {
  const DWORD needed = static_cast<DWORD>(data.size());
  if (buffer != nullptr && *length < needed) {
    *length = needed;
    return asLong(SCARD_E_INSUFFICIENT_BUFFER);
  }
  if (buffer != nullptr) std::memcpy(buffer, data.data(), data.size());
  *length = needed;
  return SCARD_S_SUCCESS;
}

}  // namespace

extern "C" {

LONG WINAPI SCardEstablishContext(DWORD scope, LPCVOID, LPCVOID, LPSCARDCONTEXT context) {
  if (context == nullptr) return asLong(SCARD_E_INVALID_PARAMETER);
  std::uint32_t got = 0;
  const LONG rc = exchange(bridge::Writer().op(Op::Establish).u32(scope),
                           [&](bridge::Reader& in) { return in.u32(got); });
  *context = rc == SCARD_S_SUCCESS ? got : 0;
  return rc;
}

LONG WINAPI SCardReleaseContext(SCARDCONTEXT context) {
  return exchange(bridge::Writer().op(Op::Release).u32(id(context)), [](bridge::Reader&) { return true; });
}

LONG WINAPI SCardListReadersA(SCARDCONTEXT context, LPCSTR, LPSTR readers, LPDWORD length) {
  if (length == nullptr || (readers != nullptr && *length == SCARD_AUTOALLOCATE))
    return asLong(SCARD_E_INVALID_PARAMETER);
  Bytes names;
  const LONG rc = exchange(bridge::Writer().op(Op::ListReaders).u32(id(context)),
                           [&](bridge::Reader& in) { return in.bytes(names, bridge::kMaxNames); });
  return rc == SCARD_S_SUCCESS ? giveBack(names, readers, length) : rc;
}

LONG WINAPI SCardGetStatusChangeA(SCARDCONTEXT context, DWORD timeout, LPSCARD_READERSTATEA states,
                                  DWORD count) {
  if (count > bridge::kMaxStates || (count > 0 && states == nullptr))
    return asLong(SCARD_E_INVALID_PARAMETER);
  bridge::Writer request;
  request.op(Op::GetStatusChange).u32(id(context)).u32(timeout).u32(count);
  for (DWORD i = 0; i < count; ++i) {
    const char* name = states[i].szReader != nullptr ? states[i].szReader : "";
    if (std::strlen(name) > bridge::kMaxName) return asLong(SCARD_E_INVALID_PARAMETER);
    request.text(name).u32(states[i].dwCurrentState);
  }
  DWORD events[bridge::kMaxStates] = {};
  Bytes atrs[bridge::kMaxStates];
  const LONG rc = exchange(request, [&](bridge::Reader& in) {
    for (DWORD i = 0; i < count; ++i) {
      std::uint32_t event = 0;
      if (!in.u32(event) || !in.bytes(atrs[i], sizeof(states[i].rgbAtr))) return false;
      events[i] = event;
    }
    return true;
  });
  if (rc == SCARD_S_SUCCESS || rc == asLong(SCARD_E_TIMEOUT)) {
    for (DWORD i = 0; i < count; ++i) {
      states[i].dwEventState = events[i];
      states[i].cbAtr = static_cast<DWORD>(atrs[i].size());
      std::memcpy(states[i].rgbAtr, atrs[i].data(), atrs[i].size());
    }
  }
  return rc;
}

LONG WINAPI SCardConnectA(SCARDCONTEXT context, LPCSTR reader, DWORD share, DWORD protocols,
                          LPSCARDHANDLE card, LPDWORD active) {
  if (reader == nullptr || card == nullptr || active == nullptr || std::strlen(reader) > bridge::kMaxName)
    return asLong(SCARD_E_INVALID_PARAMETER);
  std::uint32_t handle = 0, protocol = 0;
  const LONG rc =
      exchange(bridge::Writer().op(Op::Connect).u32(id(context)).text(reader).u32(share).u32(protocols),
               [&](bridge::Reader& in) { return in.u32(handle) && in.u32(protocol); });
  *card = rc == SCARD_S_SUCCESS ? handle : 0;
  *active = protocol;
  return rc;
}

LONG WINAPI SCardReconnect(SCARDHANDLE card, DWORD share, DWORD protocols, DWORD initialisation,
                           LPDWORD active) {
  std::uint32_t protocol = 0;
  const LONG rc =
      exchange(bridge::Writer().op(Op::Reconnect).u32(id(card)).u32(share).u32(protocols).u32(initialisation),
               [&](bridge::Reader& in) { return in.u32(protocol); });
  if (active != nullptr) *active = protocol;
  return rc;
}

LONG WINAPI SCardDisconnect(SCARDHANDLE card, DWORD disposition) {
  return exchange(bridge::Writer().op(Op::Disconnect).u32(id(card)).u32(disposition),
                  [](bridge::Reader&) { return true; });
}

LONG WINAPI SCardStatusA(SCARDHANDLE card, LPSTR names, LPDWORD namesLength, LPDWORD state, LPDWORD protocol,
                         LPBYTE atr, LPDWORD atrLength) {
  if ((names != nullptr && namesLength == nullptr) || (atr != nullptr && atrLength == nullptr))
    return asLong(SCARD_E_INVALID_PARAMETER);
  std::string name;
  std::uint32_t got = 0, active = 0;
  Bytes answer;
  LONG rc = exchange(bridge::Writer().op(Op::Status).u32(id(card)), [&](bridge::Reader& in) {
    return in.text(name, bridge::kMaxName) && in.u32(got) && in.u32(active) &&
           in.bytes(answer, bridge::kMaxAtr);
  });
  if (rc != SCARD_S_SUCCESS) return rc;
  if (state != nullptr) *state = got;
  if (protocol != nullptr) *protocol = active;
  Bytes multi(name.begin(), name.end());  // the reader's names as a multi-string
  multi.insert(multi.end(), {0, 0});
  if (namesLength != nullptr) rc = giveBack(multi, names, namesLength);
  if (atrLength != nullptr) {
    const LONG atrRc = giveBack(answer, atr, atrLength);
    if (rc == SCARD_S_SUCCESS) rc = atrRc;
  }
  return rc;
}

LONG WINAPI SCardTransmit(SCARDHANDLE card, LPCSCARD_IO_REQUEST sendPci, LPCBYTE command, DWORD commandLength,
                          LPSCARD_IO_REQUEST receivePci, LPBYTE response, LPDWORD responseLength) {
  if (sendPci == nullptr || command == nullptr || response == nullptr || responseLength == nullptr ||
      commandLength > bridge::kMaxApdu)
    return asLong(SCARD_E_INVALID_PARAMETER);
  Bytes answer;
  const LONG rc = exchange(bridge::Writer()
                               .op(Op::Transmit)
                               .u32(id(card))
                               .u32(sendPci->dwProtocol)
                               .bytes(command, commandLength)
                               .u32(*responseLength),
                           [&](bridge::Reader& in) { return in.bytes(answer, bridge::kMaxApdu); });
  if (rc != SCARD_S_SUCCESS) return rc;
  if (answer.size() > *responseLength) return asLong(SCARD_F_COMM_ERROR);  // more than the bridge was allowed
  if (receivePci != nullptr) *receivePci = *sendPci;
  return giveBack(answer, response, responseLength);
}

}  // extern "C"
