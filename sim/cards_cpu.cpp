#include "sim/cards_cpu.h"

#include <algorithm>

#include "sim/cards_memory.h"

namespace sim {

namespace {
constexpr int kMasterFile = 0x3F00, kFile1 = 0x0001, kFile2 = 0x0002, kFile3 = 0x0003;
Bytes status(std::uint8_t sw1, std::uint8_t sw2) { return {sw1, sw2}; }

// EF 0003: fixed, never saved.
const Bytes& longFile() {
  static const Bytes file = [] {
    Bytes b(1024);
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i);
    return b;
  }();
  return file;
}
}  // namespace

CpuCard::CpuCard(Offer offer)
    : Card(offer == Offer::T1 ? "cpu-t1" : offer == Offer::Both ? "cpu-t01" : "cpu-t0"),
      offer_(offer),
      protocol_(offer == Offer::T1 ? 1 : 0) {
  const char text[] = "PELOX SIMULATED CPU CARD";
  file1_.assign(text, text + sizeof text - 1);
  file2_.assign(16, 0x5A);
}

void CpuCard::powerOff() {
  powered_ = false;
  current_ = 0;
  pending_.clear();
}

void CpuCard::setRawMemory(std::size_t address, const Bytes& bytes) { copyInto(file1_, address, bytes); }

bool CpuCard::offers(int protocol) const {
  if (protocol == 0) return offer_ != Offer::T1;
  return protocol == 1 && offer_ != Offer::T0;
}

Bytes CpuCard::reset(int wanted) {
  powerOff();
  if (wanted >= 0 && !offers(wanted)) return {};
  protocol_ = wanted >= 0 ? wanted : offer_ == Offer::T1 ? 1 : 0;
  powered_ = true;
  current_ = kMasterFile;
  // T=0: no interface bytes, two historical bytes. T=1: TD1 announces T=1,
  // so the check byte (XOR of T0 onward) follows. Both: TD1 = 80 (T=0, TD2
  // follows), TD2 = 01 (T=1), check byte 80 ^ 80 ^ 01.
  switch (offer_) {
    case Offer::T0:
      return {0x3B, 0x02, 0x14, 0x50};
    case Offer::T1:
      return {0x3B, 0x80, 0x01, 0x81};
    case Offer::Both:
      break;
  }
  return {0x3B, 0x80, 0x80, 0x01, 0x01};
}

Bytes CpuCard::respond(const Bytes& data, std::uint8_t sw1, std::uint8_t sw2) {
  Bytes r = data;
  r.push_back(sw1);
  r.push_back(sw2);
  return r;
}

Bytes CpuCard::exchange(const Bytes& c) {
  if (c.size() < 4) return status(0x67, 0x00);
  std::uint8_t cla = c[0], ins = c[1], p1 = c[2], p2 = c[3];
  if (cla != 0x00) return status(0x6E, 0x00);
  // Case 1 (4 bytes), case 2 (5: Le), case 3/4 (Lc, data, optional Le).
  std::size_t lc = 0;
  int le = -1;
  if (c.size() == 7 && c[4] == 0x00) {  // case 2 with an extended Le
    le = c[5] << 8 | c[6];
    if (le == 0) le = 65536;
  } else if (c.size() == 5) {
    le = c[4] == 0 ? 256 : c[4];
  } else if (c.size() > 5) {
    lc = c[4];
    if (c.size() == 5 + lc + 1)
      le = c.back() == 0 ? 256 : c.back();
    else if (c.size() != 5 + lc)
      return status(0x67, 0x00);
  }
  Bytes data(c.begin() + (lc ? 5 : 4), c.begin() + static_cast<long>(lc ? 5 + lc : 4));
  if (ins != 0xC0) pending_.clear();
  switch (ins) {
    case 0xA4: {  // SELECT by file identifier
      if (p1 != 0x00 || (p2 != 0x00 && p2 != 0x0C)) return status(0x6A, 0x86);
      if (data.size() != 2) return status(0x67, 0x00);
      int fid = data[0] << 8 | data[1];
      const Bytes* file = fid == kFile1   ? &file1_
                          : fid == kFile2 ? &file2_
                          : fid == kFile3 ? &longFile()
                                          : nullptr;
      if (fid != kMasterFile && file == nullptr) return status(0x6A, 0x82);
      current_ = fid;
      if (p2 == 0x0C) return status(0x90, 0x00);
      std::size_t size = file ? file->size() : 0;
      Bytes fci = {0x6F, 0x08, 0x83, 0x02, data[0], data[1], 0x80, 0x02, static_cast<std::uint8_t>(size >> 8),
                   static_cast<std::uint8_t>(size)};
      if (protocol_ == 1) return respond(fci, 0x90, 0x00);
      pending_ = fci;  // T=0: the data waits for GET RESPONSE
      return status(0x61, static_cast<std::uint8_t>(fci.size()));
    }
    case 0xC0: {  // GET RESPONSE
      if (pending_.empty()) return status(0x69, 0x85);
      if (le != static_cast<int>(pending_.size())) return status(0x6C, static_cast<std::uint8_t>(pending_.size()));
      Bytes out = pending_;
      pending_.clear();
      return respond(out, 0x90, 0x00);
    }
    case 0x84: {  // GET CHALLENGE
      if (p1 != 0 || p2 != 0) return status(0x6A, 0x86);
      if (le != 4 && le != 8) return status(0x6C, 0x08);
      Bytes random;
      for (int i = 0; i < le; ++i) {
        seed_ = seed_ * 1103515245u + 12345u;
        random.push_back(static_cast<std::uint8_t>(seed_ >> 16));
      }
      return respond(random, 0x90, 0x00);
    }
    case 0xB0:  // READ BINARY of the selected file
      return readBinary(p1, p2, le);
    default:
      return status(0x6D, 0x00);
  }
}

Bytes CpuCard::readBinary(std::uint8_t p1, std::uint8_t p2, int le) const {
  if (p1 & 0x80) return status(0x6A, 0x86);
  if (current_ == kFile2) return status(0x69, 0x82);
  if (current_ != kFile1 && current_ != kFile3) return status(0x69, 0x86);
  const Bytes& file = current_ == kFile3 ? longFile() : file1_;
  std::size_t offset = static_cast<std::size_t>(p1 << 8 | p2);
  if (offset > file.size()) return status(0x6B, 0x00);
  std::size_t available = file.size() - offset;
  if (le < 0) return status(0x67, 0x00);
  auto from = file.begin() + static_cast<long>(offset);
  if (static_cast<std::size_t>(le) <= available) return respond(Bytes(from, from + le), 0x90, 0x00);
  // Fewer bytes than asked for: the right Le when one byte can say it,
  // else what there is and "end of file reached".
  if (available <= 0xFF) return status(0x6C, static_cast<std::uint8_t>(available));
  return respond(Bytes(from, file.end()), 0x62, 0x82);
}

}  // namespace sim
