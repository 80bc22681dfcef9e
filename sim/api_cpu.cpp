// Microprocessor cards under DriverType::Cpu.
#include <cstring>

#include "sim/api_support.h"
#include "sim/cards_cpu.h"

namespace sim::api {

short PELOX_API IC_CpuReset(int handle, unsigned char* length, unsigned char* answer) {
  return cardCall("IC_CpuReset", handle, [&](Reader& r, Card& card) -> short {
    if (length == nullptr || answer == nullptr) return err::kParam;
    auto* cpu = dynamic_cast<CpuCard*>(&card);
    // Only a microprocessor card answers a reset, and only under the CPU driver type.
    if (r.driverType() != pelox::DriverType::Cpu || cpu == nullptr) return err::kProtocol;
    Bytes atr = cpu->reset(r.cpuProtocol());
    if (atr.empty()) return err::kNoProtocol;
    *length = static_cast<unsigned char>(atr.size());
    std::memcpy(answer, atr.data(), atr.size());
    return err::kOk;
  });
}

short PELOX_API IC_CpuApdu(int handle, short length, const unsigned char* command, unsigned char* responseLength, unsigned char* response) {
  return cardCall("IC_CpuApdu", handle, [&](Reader&, Card& card) -> short {
    if (length < 0 || length > 261 || (length > 0 && command == nullptr) || responseLength == nullptr || response == nullptr)
      return err::kParam;
    auto* cpu = dynamic_cast<CpuCard*>(&card);
    if (cpu == nullptr) return err::kProtocol;
    if (!cpu->powered()) return err::kSequence;  // reset the card first
    Bytes reply = cpu->exchange(Bytes(command, command + length));
    if (reply.size() > 255) return err::kTooLong;  // the length is one byte
    *responseLength = static_cast<unsigned char>(reply.size());
    std::memcpy(response, reply.data(), reply.size());
    return err::kOk;
  });
}

short PELOX_API IC_CpuGetProtocol(int handle) {
  return cardCall("IC_CpuGetProtocol", handle, [&](Reader&, Card& card) -> short {
    auto* cpu = dynamic_cast<CpuCard*>(&card);
    if (cpu == nullptr) return err::kProtocol;
    if (!cpu->powered()) return err::kSequence;
    return static_cast<short>(cpu->protocol());
  });
}

short PELOX_API IC_SetCpuPara(int handle, unsigned char slotType, unsigned char protocol, unsigned char timeParam) {
  return readerCall("IC_SetCpuPara", handle, [&](Reader& r) -> short {
    (void)timeParam;
    if (slotType >= 13 && slotType <= 15) return err::kNoFunction;  // no SAM fitted
    if (slotType != 12 || protocol > 1) return err::kParam;
    r.setCpuProtocol(protocol);  // taken at the next reset
    return err::kOk;
  });
}

}  // namespace sim::api
