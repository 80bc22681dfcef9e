// The fault sweep: every operation of the program is run once cleanly, to
// count its driver calls, and then once for every call N with each fault:
// call N answers an error, the card is pulled at call N, the reader stops
// answering from call N. Each run must leave the operator knowing: either
// the screen and boxes say what the clean run said and the result is the
// clean result, or they differ. Edits not written are named by the write's
// question; detection leaves the card as it was, or names the probe bytes
// it could not put back.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <string>
#include <tuple>
#include <vector>

#include "reader/detection.h"
#include "reliability/fault_rig.h"
#include "security/mutual_auth_dlg.h"
#include "security/password_dlg.h"
#include "security/secret_code_dlg.h"
#include "sim/sim_api.h"
#include "view/zone_select_dlg.h"
#include "resources/resource.h"

namespace reliability {
namespace {

constexpr const char* kNotWritten = "操作提示|写入没有成功，要重新读卡吗？";

enum class Fault { Fail, Pull, Drop };
constexpr Fault kFaults[] = {Fault::Fail, Fault::Pull, Fault::Drop};
const char* faultName(Fault f) { return f == Fault::Fail ? "fail" : f == Fault::Pull ? "pull" : "drop"; }

struct Edit {
  int address;
  std::uint8_t value;
};

struct Op {
  std::string name;
  const char* card;
  std::function<void(Rig&)> setup;  // run without faults
  std::function<void(Rig&)> run;    // run under the fault
  std::vector<Edit> edits;          // bytes typed in the setup
  bool detection = false;
};

// ---- the operations ----

void detect(Rig& r) { r.command(ID_CARDTYPE_AUTODETECT); }

// The page, block or zone number the Read command asks for, or -1.
int readNumber(const char* card) {
  if (std::strcmp(card, "at45d041") == 0) return 1000;
  if (std::strcmp(card, "ssf1101") == 0) return 17;
  if (std::strcmp(card, "at88sc1608") == 0) return 3;
  return -1;
}

void read(Rig& r, const char* card) {
  if (int n = readNumber(card); n >= 0)
    r.ui.dialogs.scripts.push_back(fake::typeAndOk(IDC_ZONE_PAGE, std::to_string(n)));
  r.command(ID_CARD_READ);
  r.ui.dialogs.scripts.clear();
}

const char* const kDetectable[] = {"cpu-t0",  "cpu-t1",  "ssf1101", "at45d041",    "at88sc153",  "at88sc1608",
                                   "sle4404", "sle4442", "sle4428", "24c16",       "24c08",      "24c04",
                                   "24c02",   "24c01a",  "24c64",   "at88sc1604b", "at88sc1604", "at88sc102"};

std::vector<Op> detectionOps() {
  std::vector<Op> ops;
  for (const char* card : kDetectable)
    ops.push_back({std::string("detect ") + card, card, [](Rig&) {}, detect, {}, true});
  return ops;
}

std::vector<Op> readOps() {
  std::vector<Op> ops;
  for (const char* card : kDetectable) {
    if (std::strncmp(card, "cpu", 3) == 0) continue;  // a CPU card has no memory to read
    ops.push_back({std::string("read ") + card, card, detect, [card](Rig& r) { read(r, card); }, {}});
  }
  return ops;
}

// A write of edited rows: the card detected, its code presented where
// writes need one, read, edited (and bytes marked), then F5 under the fault.
Op writeOp(const char* card, const std::string& code, std::vector<Edit> edits, std::vector<int> marks = {}) {
  auto setup = [card, code, edits, marks](Rig& r) {
    detect(r);
    if (!code.empty()) r.dialogCommand(ID_VERIFY_USER_PASSWORD, IDC_PASSWORD, code);
    read(r, card);
    r.command(ID_CARD_WRITE);
    for (const Edit& e : edits) r.typeAt(e.address, e.value);
    for (int a : marks) r.markAt(a);
  };
  return {std::string("write ") + card, card, setup, [](Rig& r) { r.key(port::vk::kF5); }, edits};
}

std::vector<Op> writeOps() {
  return {
      writeOp("sle4442", "FFFFFF", {{40, 0xA1}, {41, 0xB2}, {255, 0x77}, {20, 0x3C}}, {20}),
      writeOp("sle4428", "FFFF", {{16, 0xA1}, {500, 0xB2}, {1000, 0x77}, {9, 0x5A}}, {9, 300}),
      writeOp("24c16", "", {{16, 0xA1}, {17, 0xB2}, {300, 0xC3}, {2047, 0x77}}),
      writeOp("at88sc1608", "", {{16, 0xA1}, {17, 0xB2}, {255, 0x77}}),
      writeOp("at88sc153", "", {{16, 0xA1}, {17, 0xB2}, {100, 0xC3}, {191, 0x77}, {200, 0x12}}),
      writeOp("at45d041", "", {{16, 0xA1}, {263, 0x77}}),
      writeOp("ssf1101", "", {{16, 0xA1}, {1023, 0x77}}),
  };
}

// A memory-card password or fuse command; `userCode`, when given, is presented
// first (the commands that change or erase need it).
Op memoryCommand(const char* card, int id, const std::string& text, const std::string& userCode) {
  auto setup = [userCode](Rig& r) {
    detect(r);
    if (!userCode.empty()) r.dialogCommand(ID_VERIFY_USER_PASSWORD, IDC_PASSWORD, userCode);
  };
  auto run = [id, text](Rig& r) {
    if (text.empty()) {
      r.command(id);
    } else {
      r.dialogCommand(id, IDC_PASSWORD, text);
    }
  };
  return {std::string(card) + " command " + std::to_string(id), card, setup, run, {}};
}

// A crypto-memory command: set and password typed into the secret code
// dialog; the security code presented first for the fuse and change commands.
Op cryptoCommand(const char* card, int id, const std::string& set, const std::string& password,
                 bool securityFirst) {
  auto enter = [](Rig& r, int command, const std::string& s, const std::string& pw) {
    r.ui.dialogs.scripts.push_back([s, pw](fake::FakeControls& c) {
      if (!s.empty()) c.type(IDC_SECRET_SET, s);
      c.type(IDC_SECRET_PASSWORD, pw);
      c.click(port::mb::kIdOk);
    });
    r.command(command);
    r.ui.dialogs.scripts.clear();
  };
  auto setup = [enter, securityFirst](Rig& r) {
    detect(r);
    if (securityFirst) enter(r, ID_VERIFY_SECURITY_CODE, "", "FFFFFF");
  };
  auto run = [enter, id, set, password](Rig& r) {
    if (password.empty()) {
      r.command(id);
    } else {
      enter(r, id, set, password);
    }
  };
  return {std::string(card) + " command " + std::to_string(id), card, setup, run, {}};
}

Op mutualAuthentication(const char* card) {
  auto run = [](Rig& r) {
    r.ui.dialogs.scripts.push_back([](fake::FakeControls& c) {
      c.type(IDC_AUTH_RANDOM, "1234567812345678");
      c.click(IDC_AUTH_INIT);
      c.type(IDC_AUTH_SEED, "FFFFFFFFFFFFFFFF");
      c.click(IDC_AUTH_CARD);
      c.click(IDC_AUTH_HOST);
    });
    r.command(ID_MUTUAL_AUTHENTICATION);
    r.ui.dialogs.scripts.clear();
  };
  return {std::string(card) + " authentication", card, detect, run, {}};
}

std::vector<Op> securityOps() {
  std::vector<Op> ops;
  for (auto [card, code, next] :
       {std::tuple{"sle4442", "FFFFFF", "123456"}, std::tuple{"sle4428", "FFFF", "1234"}}) {
    ops.push_back(memoryCommand(card, ID_VERIFY_USER_PASSWORD, code, ""));
    ops.push_back(memoryCommand(card, ID_CHANGE_USER_PASSWORD, next, code));
  }
  for (auto [id, text] :
       {std::pair{ID_VERIFY_USER_PASSWORD, "F0F0"}, std::pair{ID_VERIFY_ZONE1_ERASE_PASSWORD, "FFFFFFFFFFFF"}, std::pair{ID_VERIFY_ZONE2_ERASE_PASSWORD, "FFFFFFFF"},
        std::pair{ID_CHANGE_USER_PASSWORD, "1234"}, std::pair{ID_CHANGE_ZONE1_ERASE_PASSWORD, "112233445566"}, std::pair{ID_CHANGE_ZONE2_ERASE_PASSWORD, "11223344"},
        std::pair{ID_FUSE_PERSONALISATION, ""}}) {
    ops.push_back(memoryCommand("at88sc102", id, text, id == ID_VERIFY_USER_PASSWORD ? "" : "F0F0"));
  }
  for (const char* card : {"at88sc1604", "at88sc1604b"}) {
    ops.push_back(memoryCommand(card, ID_VERIFY_USER_PASSWORD, "FFFF", ""));
    for (int id : {ID_VERIFY_ZONE1_PASSWORD, ID_VERIFY_ZONE2_PASSWORD, ID_VERIFY_ZONE3_PASSWORD, ID_VERIFY_ZONE4_PASSWORD, ID_VERIFY_ZONE1_ERASE_PASSWORD, ID_VERIFY_ZONE2_ERASE_PASSWORD, ID_VERIFY_ZONE3_ERASE_PASSWORD, ID_VERIFY_ZONE4_ERASE_PASSWORD})
      ops.push_back(memoryCommand(card, id, "FFFF", "FFFF"));
    for (int id = ID_CHANGE_ZONE1_PASSWORD; id <= ID_CHANGE_ZONE4_ERASE_PASSWORD; ++id) ops.push_back(memoryCommand(card, id, "1234", "FFFF"));
    ops.push_back(memoryCommand(card, ID_CHANGE_USER_PASSWORD, "1234", "FFFF"));
    ops.push_back(memoryCommand(card, ID_FUSE_PERSONALISATION, "", "FFFF"));
  }
  for (const char* card : {"at88sc1608", "at88sc153"}) {
    ops.push_back(cryptoCommand(card, ID_VERIFY_READ_PASSWORD, "1", "FFFFFF", false));
    ops.push_back(cryptoCommand(card, ID_VERIFY_WRITE_PASSWORD, "1", "FFFFFF", false));
    ops.push_back(cryptoCommand(card, ID_VERIFY_SECURITY_CODE, "", "FFFFFF", false));
    ops.push_back(cryptoCommand(card, ID_CHANGE_READ_PASSWORD, "1", "123456", true));
    ops.push_back(cryptoCommand(card, ID_CHANGE_WRITE_PASSWORD, "1", "123456", true));
    ops.push_back(cryptoCommand(card, ID_CHANGE_SECURITY_CODE, "", "123456", true));
    ops.push_back(cryptoCommand(card, ID_FUSE_STATE, "", "", false));
    ops.push_back(cryptoCommand(card, ID_FUSE_BLOW, "", "", true));
    ops.push_back(mutualAuthentication(card));
  }
  return ops;
}

// ---- the sweep ----

// The byte of the simulated card behind image address `a` after the read
// of readNumber(card).
int cardByte(const char* card, int a) {
  const std::vector<std::uint8_t> m = sim::TestReader::memory();
  std::size_t at = static_cast<std::size_t>(a);
  if (std::strcmp(card, "at45d041") == 0) at += 1000u * 264u;
  if (std::strcmp(card, "ssf1101") == 0) at += 17u * 1024u;
  if (std::strcmp(card, "at88sc1608") == 0) at += 3u * 256u;
  if (std::strcmp(card, "at88sc153") == 0 && a >= 192) return sim::TestReader::configZone().at(at - 192);
  return at < m.size() ? m[at] : -1;
}

struct Result {
  std::string signature;
  std::string card;  // the card's state text; "" when no card
  CardType cardType{};
  int rowsLeft = 0;  // edited rows not yet written
  std::vector<std::uint8_t> image;
  std::vector<const char*> calls;
  bool asked = false;  // the write's question naming unwritten rows
};

// One run of the operation under `faults`. The card's state text (slow for
// the big cards) is taken only when the judge will look at it: for
// detection, and when the run ended as `clean` did (nullptr: always).
Result runOnce(const Op& op, const sim::Faults& faults, const Result* clean, std::string* before = nullptr) {
  Rig r(op.card);
  op.setup(r);
  r.ui.log.clear();
  if (before) *before = sim::TestReader::stateText();
  sim::TestReader::setFaults(faults);
  calls().clear();
  op.run(r);
  Result out;
  out.calls = calls();
  sim::TestReader::setFaults({});
  out.signature = r.signature();
  if (!clean || op.detection || out.signature == clean->signature) out.card = sim::TestReader::stateText();
  out.cardType = r.st.cardType;
  out.rowsLeft = r.doc.editedRowCount;
  out.image = r.image();
  if (!clean) {
    for (const Edit& e : op.edits) {
      if (cardByte(op.card, e.address) != e.value)
        out.signature += " NOT-ON-CARD@" + std::to_string(e.address);
    }
  }
  for (const std::string& b : r.ui.log.boxes()) out.asked = out.asked || b == kNotWritten;
  for (const Edit& e : op.edits) {
    if (r.doc.byteAt(e.address) != e.value && !out.asked) {
      out.signature += " LOST-EDIT@" + std::to_string(e.address);
    }
  }
  return out;
}

struct Tally {
  long runs = 0;
  long faults = 0;  // distinct (operation, call, fault) combinations
  long problems = 0;
};

// Why a faulted run is wrong, or "" when it is fine.
std::string judge(const Op& op, Fault kind, const Result& clean, const std::string& before, const Result& got) {
  if (got.signature.find("LOST-EDIT") != std::string::npos)
    return "an edit vanished without the question: " + got.signature;
  const bool cardLeft = kind != Fault::Pull;
  // A single failed call is made good by the probe's second write; a card
  // left changed by a reader gone away must have been named to the operator.
  if (op.detection && cardLeft && got.card != before) {
    if (kind == Fault::Fail) return "detection changed the card";
    if (got.signature.find(kProbeNotRestored) == std::string::npos)
      return "detection changed the card and did not say so";
  }
  if (got.signature == clean.signature) {
    if (got.cardType != clean.cardType) return "a different card type reported as the clean outcome";
    if (got.image != clean.image) return "a different card image with the clean outcome";
    if (cardLeft && got.card != clean.card) return "a different card with the clean outcome";
  }
  return "";
}

void sweep(const std::vector<Op>& ops, Tally& tally) {
  for (const Op& op : ops) {
    std::string before;
    const Result clean = runOnce(op, {}, nullptr, &before);
    ASSERT_FALSE(clean.calls.empty()) << op.name << ": the clean run made no driver call";
    if (!op.edits.empty()) {
      ASSERT_FALSE(clean.asked) << op.name << ": the clean write failed: " << clean.signature;
      ASSERT_EQ(clean.rowsLeft, 0) << op.name << ": the clean write left rows";
      ASSERT_EQ(clean.signature.find("NOT-ON-CARD"), std::string::npos) << op.name << ": " << clean.signature;
    }
    if (std::getenv("FAULT_SWEEP_VERBOSE"))
      std::cout << op.name << ": " << clean.calls.size() << " calls, " << clean.signature << "\n";
    ++tally.runs;
    int shown = 0;
    for (long n = 1; n <= static_cast<long>(clean.calls.size()); ++n) {
      for (Fault kind : kFaults) {
        sim::Faults f;
        if (kind == Fault::Fail) f.failCall = n;
        if (kind == Fault::Pull) f.pullAtCall = n;
        if (kind == Fault::Drop) f.dropReaderAtCall = n;
        const Result got = runOnce(op, f, &clean);
        ++tally.runs;
        ++tally.faults;
        const std::string why = judge(op, kind, clean, before, got);
        if (why.empty()) continue;
        ++tally.problems;
        if (++shown <= 4) {
          ADD_FAILURE() << op.name << ", " << faultName(kind) << " at call " << n << " ("
                        << clean.calls[static_cast<std::size_t>(n - 1)] << "): " << why
                        << "\n  clean: " << clean.signature << "\n  got:   " << got.signature;
        }
      }
    }
  }
}

void report(const char* what, const Tally& t, std::chrono::steady_clock::time_point start) {
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  std::cout << "[ sweep    ] " << what << ": " << t.runs << " runs, " << t.faults << " faults, " << t.problems
            << " problems, " << ms << " ms\n";
  ::testing::Test::RecordProperty("runs", static_cast<int>(t.runs));
  ::testing::Test::RecordProperty("faults", static_cast<int>(t.faults));
}

#define SWEEP_TEST(Name, opsFn)                          \
  TEST(FaultSweep, Name) {                               \
    const auto start = std::chrono::steady_clock::now(); \
    Tally t;                                             \
    sweep(opsFn(), t);                                   \
    report(#Name, t, start);                             \
  }

SWEEP_TEST(Detection, detectionOps)
SWEEP_TEST(Read, readOps)
SWEEP_TEST(WriteEditedRows, writeOps)
SWEEP_TEST(PasswordAndFuseCommands, securityOps)

}  // namespace
}  // namespace reliability
