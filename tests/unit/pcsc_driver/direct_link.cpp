#include "pcsc_driver/direct_link.h"

#include "sim/cards_cpu.h"

namespace pcsctest {

namespace {
class DirectLink : public pcsc::Link {
 public:
  explicit DirectLink(DirectReader& r) : r_(r) {}
  std::optional<std::string> attach(const std::string& wanted) override {
    if (r_.gone || r_.name.find(wanted) == std::string::npos) return std::nullopt;
    return r_.name;
  }
  void detach() override { connected_ = false; }
  pcsc::Presence presence() override {
    if (r_.gone) return pcsc::Presence::Gone;
    return r_.card ? pcsc::Presence::Card : pcsc::Presence::Empty;
  }
  bool connect() override {
    if (r_.gone || !r_.card) {
      fail(r_.gone ? pcsc::Failure::Gone : pcsc::Failure::NoCard);
      return false;
    }
    if (!r_.powered) {  // the service powers a card up once, at its first connection
      r_.card->powerOn();
      r_.card->atr();
      r_.powered = true;
    }
    connected_ = true;
    card_ = r_.card.get();
    resets_ = r_.resets;
    sim::CpuCard* cpu = cpuCard();
    protocol_ = cpu ? cpu->protocol() : 0;
    return succeed();
  }
  std::optional<pcsc::Bytes> reset(int protocol) override {
    if (!connected_ && !connect()) return std::nullopt;
    if (!usable()) return lost();  // a reset clears one by another application
    r_.card->powerOn();
    pcsc::Bytes atr = r_.card->atr();
    resets_ = r_.resets;
    sim::CpuCard* cpu = cpuCard();
    // The service's protocol choice: the card's first, or the one asked for.
    if (protocol >= 0 && (cpu ? cpu->reset(protocol).empty() : protocol != 0))
      return fail(pcsc::Failure::NoProtocol);
    protocol_ = cpu ? cpu->protocol() : 0;
    if (r_.shortAtr) atr.resize(1);
    succeed();
    return atr;
  }
  int protocol() const override { return connected_ && r_.card ? protocol_ : -1; }
  void disconnect(bool powerOff) override {
    if (powerOff && usable()) {
      r_.card->powerOff();
      r_.powered = false;
    }
    connected_ = false;
  }
  std::optional<pcsc::Bytes> transmit(const pcsc::Bytes& apdu) override {
    if (!usable() || resets_ != r_.resets) return lost();
    r_.sent.push_back(apdu);
    pcsc::Bytes answer = r_.card->answer(apdu);
    for (const std::string& v : r_.card->violations()) r_.violations.push_back(v);
    r_.card->clearViolations();
    if (answer.size() > pcsc::kLongestAnswer) return fail(pcsc::Failure::TooLong);
    succeed();
    return answer;
  }
  pcsc::Failure lastFailure() const override { return failure_; }

 private:
  // Why a connection made before no longer reaches its card.
  std::nullopt_t lost() {
    if (!connected_) return fail(pcsc::Failure::Other);
    if (r_.gone) return fail(pcsc::Failure::Gone);
    if (!r_.card) return fail(pcsc::Failure::NoCard);
    if (r_.card.get() != card_) return fail(pcsc::Failure::Removed);
    return fail(pcsc::Failure::Reset);
  }
  std::nullopt_t fail(pcsc::Failure why) {
    failure_ = why;
    return std::nullopt;
  }
  bool succeed() {
    failure_ = pcsc::Failure::None;
    return true;
  }
  // A card swapped since the connection was made does not answer it.
  bool usable() const { return connected_ && !r_.gone && r_.card && r_.card.get() == card_; }
  sim::CpuCard* cpuCard() { return dynamic_cast<sim::CpuCard*>(&r_.card->card()); }

  DirectReader& r_;
  bool connected_ = false;
  vreader::PseudoCard* card_ = nullptr;
  int resets_ = 0;
  int protocol_ = -1;
  pcsc::Failure failure_ = pcsc::Failure::None;
};
}  // namespace

void DirectReader::insert(const std::string& type, vreader::Generation generation) {
  std::unique_ptr<sim::Card> c = sim::makeCard(type);
  card = c ? std::make_unique<vreader::PseudoCard>(std::move(c), generation) : nullptr;
  powered = false;
}

void DirectReader::resetByAnother() {
  card->powerOn();
  card->atr();
  ++resets;
}

int DirectReader::count(std::uint8_t ins) const {
  int n = 0;
  for (const pcsc::Bytes& a : sent) n += a.size() > 1 && a[0] == 0xFF && a[1] == ins;
  return n;
}

std::unique_ptr<pcsc::Link> makeDirectLink(DirectReader& reader) {
  return std::make_unique<DirectLink>(reader);
}

}  // namespace pcsctest
