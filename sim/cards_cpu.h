// Microprocessor cards (DriverType::Cpu): answer to reset and a small
// ISO 7816-4 responder. EF 0003 is a long fixed file (bytes counting 00 to
// FF) for answers up to the longest a short APDU gets and beyond it, with
// an extended Le.
#pragma once

#include "sim/card.h"

namespace sim {

class CpuCard : public Card {
 public:
  // The protocols the card offers in its answer to reset.
  enum class Offer { T0, T1, Both };  // Both: T=0 first, so T=0 unless T=1 is asked for
  explicit CpuCard(Offer offer);
  bool speaks(pelox::DriverType driverType) const override { return driverType == pelox::DriverType::Cpu; }
  std::vector<Field> fields() override { return {{"file_0001", &file1_, nullptr}, {"file_0002", &file2_, nullptr}}; }
  void powerOff() override;
  std::size_t size() const override { return 0; }
  std::uint8_t look(std::size_t) const override { return 0xFF; }
  Bytes rawMemory() const override { return file1_; }
  void setRawMemory(std::size_t address, const Bytes& bytes) override;

  bool offers(int protocol) const;
  int protocol() const { return protocol_; }
  bool powered() const { return powered_; }
  // Resets the card in `wanted` protocol (-1: the first it offers). Its
  // answer to reset; empty (the card left unpowered) when it does not offer
  // the protocol.
  Bytes reset(int wanted = -1);
  // One command APDU in, the response (data and status word) out.
  Bytes exchange(const Bytes& command);

 private:
  static Bytes respond(const Bytes& data, std::uint8_t sw1, std::uint8_t sw2);
  Bytes readBinary(std::uint8_t p1, std::uint8_t p2, int le) const;
  Offer offer_;
  int protocol_;
  bool powered_ = false;
  int current_ = 0;  // selected file id, 0 = none
  Bytes pending_;    // data waiting for GET RESPONSE
  Bytes file1_;      // EF 0001: free to read
  Bytes file2_;      // EF 0002: security status not satisfied
  unsigned seed_ = 0x2545F491u;
};

}  // namespace sim
