// Codes, passwords, fuses and the mutual authentication. These commands
// name their card family; they work on that family whatever protocol was
// selected last, and fail on any other card.
#include "sim/api_support.h"
#include "sim/cards_atmel.h"
#include "sim/cards_crypto.h"
#include "sim/cards_memory.h"
#include "sim/hex.h"

namespace sim::api {

namespace {

SleCard* sle(Card& card, bool is4428) {
  auto* c = dynamic_cast<SleCard*>(&card);
  return c && c->is4428() == is4428 ? c : nullptr;
}
At1604Card* at1604(Card& card, bool variantB) {
  auto* c = dynamic_cast<At1604Card*>(&card);
  return c && c->variantB() == variantB ? c : nullptr;
}

template <class T, class F>
short onFamily(const char* name, int handle, T* (*pick)(Card&), F&& body, bool mayChange = true) {
  return cardCall(
      name, handle,
      [&](Reader&, Card& card) -> short {
        T* c = pick(card);
        return c ? body(*c) : err::kNoFunction;
      },
      mayChange);
}

SleCard* sle4442(Card& c) { return sle(c, false); }
SleCard* sle4428(Card& c) { return sle(c, true); }
At102Card* at102(Card& c) { return dynamic_cast<At102Card*>(&c); }
At1604Card* at1604a(Card& c) { return at1604(c, false); }
At1604Card* at1604b(Card& c) { return at1604(c, true); }
CryptoCard* crypto(Card& c) { return dynamic_cast<CryptoCard*>(&c); }

// The three bytes of a password text; checked before the card is touched.
std::optional<Bytes> password(const char* hex) { return fromHex(boundedText(hex, 6), 3); }
std::optional<Block8> block(const char* hex) {
  auto b = fromHex(boundedText(hex, 16), 8);
  if (!b) return std::nullopt;
  Block8 out{};
  std::copy(b->begin(), b->end(), out.begin());
  return out;
}

}  // namespace

// ---------------------------------------------------------------- SLE4442 / SLE4428

short PELOX_API IC_CheckPass_SLE4442(int handle, const unsigned char* code) {
  return onFamily("IC_CheckPass_SLE4442", handle, sle4442, [&](SleCard& c) { return c.checkPass(code); });
}
short PELOX_API IC_CheckPass_SLE4428(int handle, const unsigned char* code) {
  return onFamily("IC_CheckPass_SLE4428", handle, sle4428, [&](SleCard& c) { return c.checkPass(code); });
}
short PELOX_API IC_ChangePass_SLE4442(int handle, const unsigned char* code) {
  return onFamily("IC_ChangePass_SLE4442", handle, sle4442, [&](SleCard& c) { return c.changePass(code); });
}
short PELOX_API IC_ChangePass_SLE4428(int handle, const unsigned char* code) {
  return onFamily("IC_ChangePass_SLE4428", handle, sle4428, [&](SleCard& c) { return c.changePass(code); });
}
short PELOX_API IC_ReadCount_SLE4442(int handle) {
  return onFamily("IC_ReadCount_SLE4442", handle, sle4442, [](SleCard& c) { return static_cast<short>(c.attempts()); }, false);
}
short PELOX_API IC_ReadCount_SLE4428(int handle) {
  return onFamily("IC_ReadCount_SLE4428", handle, sle4428, [](SleCard& c) { return static_cast<short>(c.attempts()); }, false);
}

// ---------------------------------------------------------------- AT88SC102

short PELOX_API IC_CheckPass_102(int handle, const unsigned char* code) {
  return onFamily("IC_CheckPass_102", handle, at102, [&](At102Card& c) { return c.checkUser(code); });
}
short PELOX_API IC_ChangePass_102(int handle, const unsigned char* code) {
  return onFamily("IC_ChangePass_102", handle, at102, [&](At102Card& c) { return c.changeUser(code); });
}
short PELOX_API IC_ReadCount_102(int handle) {
  return onFamily("IC_ReadCount_102", handle, at102, [](At102Card& c) { return c.userCount(); }, false);
}
short PELOX_API IC_CheckAZPass_102(int handle, short zone, const unsigned char* code) {
  return onFamily("IC_CheckAZPass_102", handle, at102, [&](At102Card& c) { return c.checkEraseKey(zone, code); });
}
short PELOX_API IC_ChangeAZPass_102(int handle, short zone, const unsigned char* code) {
  return onFamily("IC_ChangeAZPass_102", handle, at102, [&](At102Card& c) { return c.changeEraseKey(zone, code); });
}
short PELOX_API IC_Erase_102(int handle, short address, short length) {
  return writeCall("IC_Erase_102", handle, [&](Reader&, Card& card) -> short {
    At102Card* c = at102(card);
    return c ? c->erase(address, length) : err::kNoFunction;
  });
}
short PELOX_API IC_Fuse_102(int handle) {
  return onFamily("IC_Fuse_102", handle, at102, [](At102Card& c) { return c.blowFuse(); });
}

// ---------------------------------------------------------------- AT88SC1604 / 1604B

short PELOX_API IC_CheckPass_1604(int handle, short index, const unsigned char* code) {
  return onFamily("IC_CheckPass_1604", handle, at1604a, [&](At1604Card& c) { return c.checkCode(index, code); });
}
short PELOX_API IC_CheckPass_1604B(int handle, short index, const unsigned char* code) {
  return onFamily("IC_CheckPass_1604B", handle, at1604b, [&](At1604Card& c) { return c.checkCode(index, code); });
}
short PELOX_API IC_ChangePass_1604(int handle, short index, const unsigned char* code) {
  return onFamily("IC_ChangePass_1604", handle, at1604a, [&](At1604Card& c) { return c.changeCode(index, code); });
}
short PELOX_API IC_ChangePass_1604B(int handle, short index, const unsigned char* code) {
  return onFamily("IC_ChangePass_1604B", handle, at1604b, [&](At1604Card& c) { return c.changeCode(index, code); });
}
short PELOX_API IC_ReadCount_1604(int handle, short index) {
  return onFamily("IC_ReadCount_1604", handle, at1604a, [&](At1604Card& c) { return c.codeCount(index); }, false);
}
short PELOX_API IC_ReadCount_1604B(int handle, short index) {
  return onFamily("IC_ReadCount_1604B", handle, at1604b, [&](At1604Card& c) { return c.codeCount(index); }, false);
}
short PELOX_API IC_Fuse_1604(int handle) {
  return onFamily("IC_Fuse_1604", handle, at1604a, [](At1604Card& c) { return c.blowFuse(); });
}
short PELOX_API IC_Fuse_1604B(int handle) {
  return onFamily("IC_Fuse_1604B", handle, at1604b, [](At1604Card& c) { return c.blowFuse(); });
}

// ---------------------------------------------------------------- CryptoMemory

namespace {
short checkPw(const char* name, int handle, short set, const char* hex, bool write, bool change) {
  auto code = password(hex);
  return readerCall(name, handle, [&](Reader& r) -> short {
    if (!code) return err::kHex;  // refused before the card is touched: no attempt used
    Card* card = r.card();
    if (card == nullptr) return err::kNoCard;
    CryptoCard* c = crypto(*card);
    if (c == nullptr) return err::kNoFunction;
    short result = change ? c->changePassword(set, write, *code) : c->checkPassword(set, write, *code);
    r.persist();
    return result;
  });
}
}  // namespace

short PELOX_API IC_CheckRPassword_Hex(int handle, short set, const char* hex) {
  return checkPw("IC_CheckRPassword_Hex", handle, set, hex, false, false);
}
short PELOX_API IC_CheckWPassword_Hex(int handle, short set, const char* hex) {
  return checkPw("IC_CheckWPassword_Hex", handle, set, hex, true, false);
}
short PELOX_API IC_ChangeRPassword_Hex(int handle, short set, const char* hex) {
  return checkPw("IC_ChangeRPassword_Hex", handle, set, hex, false, true);
}
short PELOX_API IC_ChangeWPassword_Hex(int handle, short set, const char* hex) {
  return checkPw("IC_ChangeWPassword_Hex", handle, set, hex, true, true);
}
short PELOX_API IC_ReadRPasswordCount(int handle, unsigned char set) {
  return onFamily("IC_ReadRPasswordCount", handle, crypto, [&](CryptoCard& c) { return c.passwordCount(set, false); }, false);
}
short PELOX_API IC_ReadWPasswordCount(int handle, unsigned char set) {
  return onFamily("IC_ReadWPasswordCount", handle, crypto, [&](CryptoCard& c) { return c.passwordCount(set, true); }, false);
}
short PELOX_API IC_ReadFuse(int handle) {
  return onFamily("IC_ReadFuse", handle, crypto, [](CryptoCard& c) { return static_cast<short>(c.fuses()); }, false);
}
short PELOX_API IC_WriteFuse(int handle, short which) {
  // The card blows the next fuse in its order; `which` is not consulted.
  (void)which;
  return onFamily("IC_WriteFuse", handle, crypto, [](CryptoCard& c) { return c.blowNextFuse(); });
}
short PELOX_API IC_ReadAuthCount(int handle) {
  return onFamily("IC_ReadAuthCount", handle, crypto, [](CryptoCard& c) { return c.authCount(); }, false);
}
short PELOX_API IC_InitAuth_Hex(int handle, const char* q0) {
  auto q = block(q0);
  return onFamily("IC_InitAuth_Hex", handle, crypto, [&](CryptoCard& c) { return q ? c.initAuth(*q) : err::kHex; });
}
short PELOX_API IC_CheckAuth_Hex(int handle, const char* q1) {
  auto q = block(q1);
  return onFamily("IC_CheckAuth_Hex", handle, crypto, [&](CryptoCard& c) { return q ? c.checkAuth(*q) : err::kHex; });
}

}  // namespace sim::api
