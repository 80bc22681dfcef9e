// The winscard bridge of the end-to-end test through pcscd: the calls the
// PC/SC driver makes, asked in Windows' terms, on a CPU card in the virtual
// reader; handles are gone once disconnected or released.
#include "bridge.h"
#include "stack_fixture.h"

namespace stacktest {
namespace {

using bridge::Bytes;
using bridge::Op;
using bridge::Writer;

class StackBridge : public StackTest {
 protected:
  // The bridge's answer to `request`: its result first, then its fields.
  struct Answer {
    Bytes body;
    std::unique_ptr<bridge::Reader> in;
    std::uint32_t rc = 0xFFFFFFFF;
  };
  std::unique_ptr<Answer> ask(const Writer& request) {
    auto a = std::make_unique<Answer>();
    std::string why;
    std::optional<Bytes> body = bridge_.answer(request.body(), why);
    EXPECT_TRUE(body) << why;
    a->body = body.value_or(Bytes{});
    a->in = std::make_unique<bridge::Reader>(a->body);
    a->in->u32(a->rc);
    return a;
  }
  bridge::Bridge bridge_;
};

constexpr std::uint32_t kT0 = 1, kT1 = 2, kNegotiable = 5;

TEST_F(StackBridge, DriverCallsOnACpuCard) {
  start("cpu-t0");
  std::uint32_t context = 0, card = 0, active = 0, event = 0, state = 0;
  Bytes names, atr, response;
  std::string name;

  auto a = ask(Writer().op(Op::Establish).u32(SCARD_SCOPE_USER));
  ASSERT_TRUE(a->in->u32(context) && a->in->complete());
  ASSERT_EQ(a->rc, 0u);

  a = ask(Writer().op(Op::ListReaders).u32(context));
  ASSERT_TRUE(a->in->bytes(names, bridge::kMaxNames) && a->rc == 0);
  const std::string multi(names.begin(), names.end());
  EXPECT_NE(multi.find(std::string("Virtual PCD 00 00\0", 18)), std::string::npos);
  EXPECT_EQ(multi.substr(multi.size() - 2), std::string(2, '\0'));

  a = ask(Writer().op(Op::GetStatusChange).u32(context).u32(0).u32(1).text("Virtual PCD 00 00").u32(0));
  ASSERT_TRUE(a->in->u32(event) && a->in->bytes(atr, bridge::kMaxAtr) && a->in->complete());
  EXPECT_TRUE(event & SCARD_STATE_PRESENT) << event;
  EXPECT_EQ(atr, (Bytes{0x3B, 0x02, 0x14, 0x50}));

  a = ask(
      Writer().op(Op::Connect).u32(context).text("Virtual PCD 00 00").u32(SCARD_SHARE_SHARED).u32(kT0 | kT1));
  ASSERT_TRUE(a->in->u32(card) && a->in->u32(active) && a->rc == 0);
  EXPECT_EQ(active, kT0);

  a = ask(Writer().op(Op::Status).u32(card));
  ASSERT_TRUE(a->in->text(name, bridge::kMaxName) && a->in->u32(state) && a->in->u32(active) &&
              a->in->bytes(atr, bridge::kMaxAtr) && a->rc == 0);
  EXPECT_EQ(name, "Virtual PCD 00 00");
  // pcsc-lite's present, powered and negotiable bits (0x34) as Windows' number.
  EXPECT_EQ(state, kNegotiable);
  EXPECT_EQ(active, kT0);
  EXPECT_EQ(atr, (Bytes{0x3B, 0x02, 0x14, 0x50}));

  const Bytes challenge{0x00, 0x84, 0x00, 0x00, 0x08};
  a = ask(Writer().op(Op::Transmit).u32(card).u32(kT0).bytes(challenge).u32(258));
  ASSERT_TRUE(a->in->bytes(response, bridge::kMaxApdu) && a->rc == 0);
  ASSERT_EQ(response.size(), 10u);
  EXPECT_EQ(response[8], 0x90);
  a = ask(Writer().op(Op::Transmit).u32(card).u32(kT0).bytes(challenge).u32(4));
  ASSERT_TRUE(a->in->bytes(response, bridge::kMaxApdu));
  EXPECT_EQ(a->rc, static_cast<std::uint32_t>(SCARD_E_INSUFFICIENT_BUFFER));
  EXPECT_TRUE(response.empty());

  a = ask(Writer().op(Op::Reconnect).u32(card).u32(SCARD_SHARE_SHARED).u32(kT0 | kT1).u32(SCARD_RESET_CARD));
  ASSERT_TRUE(a->in->u32(active) && a->rc == 0);
  EXPECT_EQ(active, kT0);

  EXPECT_EQ(ask(Writer().op(Op::Disconnect).u32(card).u32(SCARD_LEAVE_CARD))->rc, 0u);
  EXPECT_EQ(ask(Writer().op(Op::Status).u32(card))->rc, static_cast<std::uint32_t>(SCARD_E_INVALID_HANDLE));
  // A card connected again is left when its context is released.
  a = ask(Writer().op(Op::Connect).u32(context).text("Virtual PCD 00 00").u32(SCARD_SHARE_SHARED).u32(kT0));
  ASSERT_TRUE(a->in->u32(card) && a->rc == 0);
  EXPECT_EQ(ask(Writer().op(Op::Release).u32(context))->rc, 0u);
  EXPECT_EQ(ask(Writer().op(Op::Status).u32(card))->rc, static_cast<std::uint32_t>(SCARD_E_INVALID_HANDLE));
  EXPECT_EQ(ask(Writer().op(Op::ListReaders).u32(context))->rc,
            static_cast<std::uint32_t>(SCARD_E_INVALID_HANDLE));
}

}  // namespace
}  // namespace stacktest
