// The winscard bridge's wire protocol and the bridge's answers to bad
// requests, without pcscd: every malformed request is refused before any
// smart-card call, and unknown handles are answered as pcsc-lite does.
#include <PCSC/winscard.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "bridge.h"
#include "wire.h"

namespace {

using bridge::Bytes;
using bridge::Op;
using bridge::Reader;
using bridge::Writer;

// A stream over a byte buffer, moving at most `step` bytes per transfer.
struct Stream {
  Bytes data;
  std::size_t at = 0;
  std::size_t step = 3;
  bridge::Transfer receive() {
    return [this](std::uint8_t* out, std::size_t n) -> long {
      const std::size_t k = std::min({n, step, data.size() - at});
      std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(at), k, out);
      at += k;
      return static_cast<long>(k);
    };
  }
  bridge::Transfer send() {
    return [this](std::uint8_t* in, std::size_t n) -> long {
      const std::size_t k = std::min(n, step);
      data.insert(data.end(), in, in + k);
      return static_cast<long>(k);
    };
  }
};

TEST(BridgeWire, FieldsRoundTripInPieces) {
  const Bytes apdu{0x00, 0x84, 0x00, 0x00, 0x08};
  const Bytes body = Writer().op(Op::Transmit).u32(0xFEDCBA98).bytes(apdu).text("Virtual PCD 00 01").body();
  Stream stream;
  ASSERT_TRUE(bridge::sendFrame(stream.send(), body));
  Bytes got;
  std::string why;
  ASSERT_TRUE(bridge::readFrame(stream.receive(), got, why));
  Reader in(got);
  Op op{};
  std::uint32_t number = 0;
  Bytes bytes;
  std::string text;
  ASSERT_TRUE(in.op(op) && in.u32(number) && in.bytes(bytes, 5) && in.text(text, 17));
  EXPECT_TRUE(in.complete());
  EXPECT_EQ(op, Op::Transmit);
  EXPECT_EQ(number, 0xFEDCBA98u);
  EXPECT_EQ(bytes, apdu);
  EXPECT_EQ(text, "Virtual PCD 00 01");
}

TEST(BridgeWire, MalformedFieldsAreRefusedAndStayRefused) {
  std::uint32_t n = 0;
  Bytes b;
  std::string s;
  const Bytes shortNumber{1, 2, 3};
  EXPECT_FALSE(Reader(shortNumber).u32(n));
  const Bytes longer = Writer().bytes(Bytes(6, 0xAA)).body();
  Reader overLimit(longer);
  EXPECT_FALSE(overLimit.bytes(b, 5));
  EXPECT_FALSE(overLimit.u32(n)) << "a failed reader reads nothing more";
  Bytes claimsMore = Writer().u32(1000).body();  // a length past the body's end
  claimsMore.push_back(1);
  EXPECT_FALSE(Reader(claimsMore).bytes(b, bridge::kMaxApdu));
  const Bytes withNul = Writer().text(std::string("Virtual\0PCD", 11)).body();
  EXPECT_FALSE(Reader(withNul).text(s, bridge::kMaxName));
  const Bytes leftOver = Writer().u32(7).u32(8).body();
  Reader partly(leftOver);
  EXPECT_TRUE(partly.u32(n));
  EXPECT_FALSE(partly.complete());
  Op op{};
  for (std::uint8_t v : {std::uint8_t{0}, std::uint8_t{10}, std::uint8_t{255}}) {
    const Bytes unknown{v};
    EXPECT_FALSE(Reader(unknown).op(op)) << int{v};
  }
}

TEST(BridgeWire, FramesTooLongOrCutShort) {
  Stream tooLong{Writer().u32(bridge::kMaxFrame + 1).body()};
  tooLong.data.resize(tooLong.data.size() + 64);
  Bytes body;
  std::string why;
  EXPECT_FALSE(bridge::readFrame(tooLong.receive(), body, why));
  EXPECT_NE(why.find("131073"), std::string::npos) << why;
  EXPECT_EQ(tooLong.at, 4u) << "nothing of the body is read";

  Stream cut{Writer().u32(10).u32(1).body()};
  why.clear();
  EXPECT_FALSE(bridge::readFrame(cut.receive(), body, why));
  EXPECT_TRUE(why.empty()) << "a closed stream is no protocol error";
  Stream sink;
  EXPECT_FALSE(bridge::sendFrame(sink.send(), Bytes(bridge::kMaxFrame + 1)));
  EXPECT_TRUE(sink.data.empty());
}

// Requests that the bridge refuses, and what is wrong with them.
struct Refusal {
  const char* name;
  Bytes request;
};

TEST(BridgeRequests, MalformedRequestsAreRefused) {
  std::string tooLongName(bridge::kMaxName + 1, 'x');
  const Refusal cases[] = {
      {"empty", {}},
      {"unknown operation", {0x42}},
      {"Establish without its scope", Writer().op(Op::Establish).body()},
      {"Release with bytes left over", Writer().op(Op::Release).u32(1).u32(2).body()},
      {"Connect with a name past the limit",
       Writer().op(Op::Connect).u32(1).text(tooLongName).u32(2).u32(3).body()},
      {"GetStatusChange for too many readers", Writer().op(Op::GetStatusChange).u32(1).u32(0).u32(17).body()},
      {"GetStatusChange with fewer readers than counted",
       Writer().op(Op::GetStatusChange).u32(1).u32(0).u32(2).text("a").u32(0).body()},
      {"Transmit with an APDU past the limit",
       Writer().op(Op::Transmit).u32(1).u32(1).bytes(Bytes(bridge::kMaxApdu + 1)).u32(258).body()},
      {"Transmit without its capacity", Writer().op(Op::Transmit).u32(1).u32(1).bytes(Bytes{0, 0x84}).body()},
  };
  for (const Refusal& c : cases) {
    bridge::Bridge b;
    std::string why;
    EXPECT_FALSE(b.answer(c.request, why)) << c.name;
    EXPECT_FALSE(why.empty()) << c.name;
  }
}

TEST(BridgeRequests, UnknownHandlesAnswerInvalidHandleWithEveryField) {
  const std::uint32_t invalid = static_cast<std::uint32_t>(SCARD_E_INVALID_HANDLE);
  const struct {
    Bytes request;
    int fields;  // numbers after the result (byte strings and texts count one each)
  } cases[] = {
      {Writer().op(Op::Release).u32(9).body(), 0},
      {Writer().op(Op::ListReaders).u32(9).body(), 1},
      {Writer().op(Op::GetStatusChange).u32(9).u32(0).u32(1).text("r").u32(0).body(), 2},
      {Writer().op(Op::Connect).u32(9).text("r").u32(2).u32(3).body(), 2},
      {Writer().op(Op::Reconnect).u32(9).u32(2).u32(3).u32(1).body(), 1},
      {Writer().op(Op::Disconnect).u32(9).u32(0).body(), 0},
      {Writer().op(Op::Status).u32(9).body(), 4},
      {Writer().op(Op::Transmit).u32(9).u32(1).bytes(Bytes{0, 0x84, 0, 0, 8}).u32(258).body(), 1},
  };
  for (const auto& c : cases) {
    bridge::Bridge b;
    std::string why;
    const std::optional<Bytes> answer = b.answer(c.request, why);
    ASSERT_TRUE(answer) << "operation " << int{c.request[0]} << ": " << why;
    Reader in(*answer);
    std::uint32_t rc = 0;
    ASSERT_TRUE(in.u32(rc));
    EXPECT_EQ(rc, invalid) << "operation " << int{c.request[0]};
    // Every field is there, as the DLL reads it: numbers or empty strings.
    for (int i = 0; i < c.fields; ++i) {
      std::uint32_t v = 0;
      ASSERT_TRUE(in.u32(v)) << "operation " << int{c.request[0]} << " field " << i;
    }
    EXPECT_TRUE(in.complete()) << "operation " << int{c.request[0]};
  }
}

TEST(BridgeValues, ProtocolsAndCardStatesInWindowsTerms) {
  EXPECT_EQ(bridge::windowsProtocols(SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1), 3u);
  EXPECT_EQ(bridge::windowsProtocols(SCARD_PROTOCOL_RAW), 0x10000u);
  EXPECT_EQ(bridge::pcscLiteProtocols(0x10000), static_cast<unsigned long>(SCARD_PROTOCOL_RAW));
  EXPECT_EQ(bridge::pcscLiteProtocols(2), static_cast<unsigned long>(SCARD_PROTOCOL_T1));
  const struct {
    unsigned long pcscLite;
    std::uint32_t windows;
  } states[] = {
      {0, 0},
      {SCARD_ABSENT, 1},
      {SCARD_PRESENT, 2},
      {SCARD_PRESENT | SCARD_SWALLOWED, 3},
      {SCARD_PRESENT | SCARD_SWALLOWED | SCARD_POWERED, 4},
      {SCARD_PRESENT | SCARD_POWERED | SCARD_NEGOTIABLE, 5},
      {SCARD_PRESENT | SCARD_SWALLOWED | SCARD_POWERED | SCARD_SPECIFIC, 6},
  };
  for (const auto& s : states) EXPECT_EQ(bridge::windowsCardState(s.pcscLite), s.windows) << s.pcscLite;
}

}  // namespace
