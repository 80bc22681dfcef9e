// Microprocessor cards: reset through the smart-card service (the answer to
// reset comes from it), APDUs passed through unchanged.
#include <cstring>

#include "pcsc/api_support.h"

namespace pcsc::api {

namespace {
using pelox::DriverType;

// How the readers report a memory card: TS 3B, no interface bytes and the
// four bytes of a synchronous card's header (ISO 7816-10: the protocol type
// in the first byte's high nibble, 8, 9 or A) as historical bytes.
bool memoryCardAnswer(const Bytes& atr) {
  if (atr.size() != 6 || atr[0] != 0x3B || atr[1] != 0x04) return false;
  const int type = atr[2] >> 4;
  return type == 0x8 || type == 0x9 || type == 0xA;
}
constexpr short kLongestCommand = 261;
constexpr std::size_t kCallerBuffer = 255;  // the answer's length is one byte

}  // namespace

short PELOX_API IC_CpuReset(int handle, unsigned char* length, unsigned char* answer) {
  return typedCall(handle, {DriverType::Cpu}, [&](Session& s) -> short {
    if (length == nullptr || answer == nullptr) return err::kParam;
    s.cpuReset = false;
    std::optional<Bytes> atr = s.link()->reset(s.cpuProtocol);
    if (!atr) return s.lostResult();
    // TS and T0 at least: an empty answer is no card's.
    if (memoryCardAnswer(*atr) || atr->size() < 2 || atr->size() > 33) return err::kProtocol;
    *length = static_cast<unsigned char>(atr->size());
    std::memcpy(answer, atr->data(), atr->size());
    s.cpuReset = true;
    return err::kOk;
  });
}

short PELOX_API IC_CpuApdu(int handle, short length, const unsigned char* command,
                           unsigned char* responseLength, unsigned char* response) {
  return typedCall(handle, {DriverType::Cpu}, [&](Session& s) -> short {
    if (length < 4 || length > kLongestCommand || command == nullptr || responseLength == nullptr ||
        response == nullptr)
      return err::kParam;
    if (!s.cpuReset) return err::kSequence;  // reset the card first
    std::optional<Response> r = s.exchange(Bytes(command, command + length));
    if (!r) return s.lostResult();
    Bytes reply = r->data;
    reply.push_back(r->sw1);
    reply.push_back(r->sw2);
    if (reply.size() > kCallerBuffer) return err::kTooLong;  // the card stays connected and reset
    *responseLength = static_cast<unsigned char>(reply.size());
    std::memcpy(response, reply.data(), reply.size());
    return err::kOk;
  });
}

short PELOX_API IC_CpuGetProtocol(int handle) {
  return typedCall(handle, {DriverType::Cpu}, [](Session& s) -> short {
    if (!s.cpuReset) return err::kSequence;
    int p = s.link()->protocol();
    return p < 0 ? err::kProtocol : static_cast<short>(p);
  });
}

short PELOX_API IC_SetCpuPara(int handle, unsigned char slotType, unsigned char protocol, unsigned char) {
  return readerCall(handle, [&](Session& s) -> short {
    if (slotType >= 13 && slotType <= 15) return err::kNoFunction;  // no SAM slot behind PC/SC
    if (slotType != 12 || protocol > 1) return err::kParam;
    s.cpuProtocol = protocol;  // the next reset asks the card for this protocol only
    return err::kOk;
  });
}

}  // namespace pcsc::api
