// The virtual card's side of vsmartcard's vpcd: a TCP client of the vpcd
// reader driver inside pcscd. Each message is a two-byte big-endian length
// and a payload; a one-byte payload is a control message (0 power off,
// 1 power on, 2 reset, 4 answer to reset wanted), anything longer an APDU.
// While connected the card is in the reader; closing the connection pulls it.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "pcsc/vreader/pseudo_card.h"

namespace vreader {

// vpcd's first reader listens here ("Virtual PCD 00 00"); the second on
// the next port.
inline constexpr int kVpcdPort = 35963;

class VirtualReader {
 public:
  // `afterAnswer` runs after every APDU, under the card's lock (to save
  // the card's state).
  VirtualReader(PseudoCard& card, int port = kVpcdPort, std::function<void()> afterAnswer = {});
  ~VirtualReader();
  VirtualReader(const VirtualReader&) = delete;
  VirtualReader& operator=(const VirtualReader&) = delete;

  // Puts the card in: connects to vpcd on 127.0.0.1. False (and a reason on
  // standard error) when vpcd does not answer.
  bool insert();
  // Takes the card out: closes the connection.
  void pull();
  bool inserted() const { return socket_ >= 0; }

  // Runs `f` on the card while no APDU is being answered.
  template <class F>
  auto withCard(F&& f) {
    std::lock_guard<std::mutex> guard(lock_);
    return f(card_);
  }
  // APDUs answered since the start.
  long apdus() const { return apdus_; }

 private:
  void serve();
  bool message(const Bytes& payload);

  PseudoCard& card_;
  int port_;
  std::function<void()> afterAnswer_;
  std::mutex lock_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<long> apdus_{0};
  int socket_ = -1;
};

}  // namespace vreader
