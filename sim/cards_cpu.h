// Microprocessor cards (DriverType::Cpu): answer to reset and a small
// ISO 7816-4 responder.
#pragma once

#include "sim/card.h"

namespace sim {

class CpuCard : public Card {
 public:
  explicit CpuCard(int protocol);  // 0 = T=0, 1 = T=1
  bool speaks(pelox::DriverType driverType) const override { return driverType == pelox::DriverType::Cpu; }
  std::vector<Field> fields() override { return {{"file_0001", &file1_, nullptr}, {"file_0002", &file2_, nullptr}}; }
  void powerOff() override;
  std::size_t size() const override { return 0; }
  std::uint8_t look(std::size_t) const override { return 0xFF; }
  Bytes rawMemory() const override { return file1_; }
  void setRawMemory(std::size_t address, const Bytes& bytes) override;

  int protocol() const { return protocol_; }
  bool powered() const { return powered_; }
  Bytes reset();
  // One command APDU in, the response (data and status word) out.
  Bytes exchange(const Bytes& command);

 private:
  Bytes respond(const Bytes& data, std::uint8_t sw1, std::uint8_t sw2);
  int protocol_;
  bool powered_ = false;
  int current_ = 0;  // selected file id, 0 = none
  Bytes pending_;    // data waiting for GET RESPONSE
  Bytes file1_;      // EF 0001: free to read
  Bytes file2_;      // EF 0002: security status not satisfied
  unsigned seed_ = 0x2545F491u;
};

}  // namespace sim
