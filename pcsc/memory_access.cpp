// How the reader addresses each memory card: which instruction, which P1 P2,
// how far one APDU may reach.
#include <algorithm>
#include <cstring>

#include "pcsc/api_support.h"

namespace pcsc {

namespace {
using pelox::DriverType;

// Longest data of one read APDU; 128 also keeps an older reader's SLE4428
// answer (data and protection bytes) under its limit.
constexpr int kReadChunk = 128;
constexpr int kWriteChunk = 255;

struct Place {
  std::uint8_t ins, p1, p2;
  int room;  // bytes one APDU may cover from here
};

std::optional<Place> place(const Session& s, int address, bool write) {
  const auto hi = static_cast<std::uint8_t>(address >> 8), lo = static_cast<std::uint8_t>(address);
  const std::uint8_t ins = write ? 0xD0 : 0xB0;
  const int chunk = write ? kWriteChunk : kReadChunk;
  switch (s.type()) {
    case DriverType::I2c:
      if (address > 0xFFFF) return std::nullopt;
      return Place{ins, hi, lo, write ? 8 - address % 8 : chunk};
    case DriverType::I2cTwoByteAddress:
      if (address > 0xFFFF) return std::nullopt;
      return Place{ins, hi, lo, write ? 32 - address % 32 : chunk};
    case DriverType::Sle4442:
    case DriverType::Sle4404:
    case DriverType::At88sc102:
      if (address > 0xFF) return std::nullopt;
      return Place{ins, 0, lo, std::min(chunk, 256 - address)};
    case DriverType::Sle4428:
      if (address > 0x3FF) return std::nullopt;
      return Place{ins, hi, lo, std::min(chunk, 1024 - address)};
    case DriverType::At88sc1608:  // the user zones one after the other; 16-byte pages
      if (address > 0x7FF) return std::nullopt;
      return Place{ins, hi, lo, write ? 16 - address % 16 : std::min(chunk, 256 - address % 256)};
    case DriverType::At88sc153:  // the zone in the instruction; 8-byte pages
      if (address >= 3 * 64) return std::nullopt;
      return Place{static_cast<std::uint8_t>(ins + address / 64), 0, static_cast<std::uint8_t>(address % 64),
                   write ? 8 - address % 8 : 64 - address % 64};
    default:
      return std::nullopt;
  }
}

// Bit j of protection byte k stands for byte 8k + j: 1 = writable.
void unpack(const std::uint8_t* bits, int count, std::uint8_t* flags) {
  for (int i = 0; i < count; ++i) flags[i] = (bits[i / 8] >> (i % 8)) & 1;
}

// The protection bytes an older reader appends to a read of `n` bytes.
int appended(DriverType t, int n) {
  if (t == DriverType::Sle4442) return 4;
  if (t == DriverType::Sle4428) return 1 + n / 8;
  return 0;
}
}  // namespace

short refused(const Response& r) {
  if ((r.sw1 == 0x6B && r.sw2 == 0x00) || (r.sw1 == 0x6A && r.sw2 == 0x82)) return err::kAddress;
  if (r.sw1 == 0x63 || (r.sw1 == 0x69 && r.sw2 == 0x83)) return err::kBlocked;
  if ((r.sw1 == 0x6A && r.sw2 == 0x81) || r.sw1 == 0x6D || r.sw1 == 0x6E) return err::kProtocol;
  return err::kDenied;
}

short readMemory(Session& s, int address, int length, std::uint8_t* out, std::uint8_t* flags) {
  if (s.is(DriverType::None)) return s.unselectedResult();
  if (address < 0) return err::kAddress;
  for (int done = 0; done < length;) {
    std::optional<Place> p = place(s, address + done, false);
    if (!p) return done == 0 && readerCardType(s.type()) == 0 ? err::kProtocol : err::kAddress;
    int n = std::min(p->room, length - done);
    std::optional<Response> r = s.exchange(expect(p->ins, p->p1, p->p2, static_cast<std::uint8_t>(n)));
    if (!r) return s.lostResult();
    if (!r->ok()) return refused(*r);
    const int extra = static_cast<int>(r->data.size()) - n;
    const int older = appended(s.type(), n);
    if (extra == 0 && (older == 0 || s.generation != Generation::Older)) {
      if (older != 0) s.generation = Generation::Newer;
      if (flags != nullptr && older != 0) return err::kProtocol;  // this reader reads them apart
    } else if (older != 0 && extra == older && s.generation != Generation::Newer) {
      s.generation = Generation::Older;
      if (flags != nullptr) {
        // The SLE4442's four bytes always cover bytes 0-31.
        if (s.is(DriverType::Sle4442)) {
          for (int i = 0; i < n; ++i) {
            int a = address + done + i;
            flags[done + i] = a < 32 ? (r->data[static_cast<std::size_t>(n + a / 8)] >> (a % 8)) & 1 : 1;
          }
        } else {
          unpack(r->data.data() + n, n, flags + done);
        }
      }
    } else {
      return err::kProtocol;  // an answer of a length no manual gives
    }
    std::memcpy(out + done, r->data.data(), static_cast<std::size_t>(n));
    done += n;
  }
  return err::kOk;
}

short writeMemory(Session& s, int address, int length, const std::uint8_t* data, std::uint8_t ins) {
  if (s.is(DriverType::None)) return s.unselectedResult();
  if (address < 0) return err::kAddress;
  for (int done = 0; done < length;) {
    std::optional<Place> p = place(s, address + done, true);
    if (!p) return err::kAddress;
    int n = std::min(p->room, length - done);
    auto i = static_cast<std::uint8_t>(p->ins - 0xD0 + ins);
    std::optional<Response> r =
        s.exchange(command(i, p->p1, p->p2, data + done, static_cast<std::size_t>(n)));
    if (!r) return s.lostResult();
    if (!r->ok()) return refused(*r);
    done += n;
  }
  return err::kOk;
}

short readProtection(Session& s, int address, int length, std::uint8_t* flags) {
  const bool is4442 = s.is(DriverType::Sle4442);
  if (!is4442 && !s.is(DriverType::Sle4428)) return err::kProtocol;
  if (address < 0 || (is4442 && address + length > 32) || address + length > 1024) return err::kAddress;
  if (length == 0) return err::kOk;
  if (s.generation == Generation::Unknown) {
    std::uint8_t probe[1];
    if (short e = readMemory(s, 0, 1, probe); e != err::kOk) return e;
  }
  if (s.generation == Generation::Older) {
    std::vector<std::uint8_t> data(static_cast<std::size_t>(length));
    return readMemory(s, address, length, data.data(), flags);
  }
  if (is4442) {
    std::optional<Response> r = s.exchange(expect(0xB2, 0, 0, 4));
    if (!r) return s.lostResult();
    if (!r->ok() || r->data.size() != 4) return r->ok() ? err::kProtocol : refused(*r);
    std::uint8_t all[32];
    unpack(r->data.data(), 32, all);
    std::memcpy(flags, all + address, static_cast<std::size_t>(length));
    return err::kOk;
  }
  for (int done = 0; done < length;) {
    int bits = std::min(256, length - done), a = address + done;
    auto bytes = static_cast<std::uint8_t>(1 + (bits - 1) / 8);
    std::optional<Response> r =
        s.exchange(expect(0xB2, static_cast<std::uint8_t>(a >> 8), static_cast<std::uint8_t>(a), bytes));
    if (!r) return s.lostResult();
    if (!r->ok()) return refused(*r);
    if (r->data.size() != bytes) return err::kProtocol;
    unpack(r->data.data(), bits, flags + done);
    done += bits;
  }
  return err::kOk;
}

short firstByte(Session& s, const Bytes& apdu) {
  std::optional<Response> r = s.exchange(apdu);
  if (!r) return s.lostResult();
  if (!r->ok()) return refused(*r);
  if (r->data.empty()) return err::kProtocol;
  return r->data[0];
}

}  // namespace pcsc
