#include "pcsc_driver/direct_link.h"

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
    if (r_.gone || !r_.card) return false;
    if (!r_.powered) {  // the service powers a card up once, at its first connection
      r_.card->powerOn();
      r_.card->atr();
      r_.powered = true;
    }
    connected_ = true;
    card_ = r_.card.get();
    return true;
  }
  std::optional<pcsc::Bytes> reset() override {
    if (!usable()) return std::nullopt;
    r_.card->powerOn();
    pcsc::Bytes atr = r_.card->atr();
    if (r_.shortAtr) atr.resize(1);
    return atr;
  }
  int protocol() const override {
    if (!connected_ || !r_.card) return -1;
    pcsc::Bytes atr = r_.card->atr();
    return atr.size() > 2 && (atr[1] & 0x80) && atr.size() > 3 && (atr[2] & 0x0F) == 1 ? 1 : 0;
  }
  void disconnect(bool powerOff) override {
    if (powerOff && usable()) {
      r_.card->powerOff();
      r_.powered = false;
    }
    connected_ = false;
  }
  std::optional<pcsc::Bytes> transmit(const pcsc::Bytes& apdu) override {
    if (!usable()) return std::nullopt;
    r_.sent.push_back(apdu);
    pcsc::Bytes answer = r_.card->answer(apdu);
    for (const std::string& v : r_.card->violations()) r_.violations.push_back(v);
    r_.card->clearViolations();
    return answer;
  }

 private:
  // A card swapped since the connection was made does not answer it.
  bool usable() const { return connected_ && !r_.gone && r_.card && r_.card.get() == card_; }
  DirectReader& r_;
  bool connected_ = false;
  vreader::PseudoCard* card_ = nullptr;
};
}  // namespace

void DirectReader::insert(const std::string& type, vreader::Generation generation) {
  std::unique_ptr<sim::Card> c = sim::makeCard(type);
  card = c ? std::make_unique<vreader::PseudoCard>(std::move(c), generation) : nullptr;
  powered = false;
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
