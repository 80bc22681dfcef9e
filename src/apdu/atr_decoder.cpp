#include "apdu/atr_decoder.h"

#include <algorithm>
#include <set>

#include "apdu/atr_parts.h"

namespace apdu {
namespace {

constexpr std::uint8_t kDirect = 0x3B;
constexpr std::uint8_t kInverse = 0x3F;
constexpr char kKinds[] = {'A', 'B', 'C'};

std::string groupList(std::uint8_t y, int group) {
  std::string s;
  for (int k = 0; k < 4; ++k) {
    if ((y & (1 << k)) == 0) continue;
    if (!s.empty()) s += ' ';
    s += 'T';
    s += "ABCD"[k];
    s += std::to_string(group);
  }
  return s;
}

// Texts are appended, not built with "literal" + std::string: GCC 12
// (MinGW i686, -O2) warns falsely about overlapping copies there.
std::string followers(std::uint8_t y, int group) {
  if (y == 0) return "之后没有接口字节";
  std::string s = "后跟";
  return s += groupList(y, group);
}

class Decoder {
 public:
  explicit Decoder(const Bytes& atr) : a_(atr) {}

  AtrDecoding run() {
    decode();
    // Also when the decoding stopped early: the length alone is a fault.
    if (a_.size() > kMaxAtrBytes) d_.errors.push_back("复位应答超过33字节");
    return std::move(d_);
  }

 private:
  void decode() {
    if (!readTs() || !readT0() || !readInterfaceBytes() || !readHistorical()) return;
    readTck();
    if (pos_ < a_.size())
      d_.errors.push_back("复位应答结束后还有" + std::to_string(a_.size() - pos_) + "个多余字节：" +
                          spacedHex(Bytes(a_.begin() + static_cast<long>(pos_), a_.end())));
  }

  void item(std::string name, std::uint8_t value, std::string meaning) {
    d_.items.push_back({std::move(name), pos_, Bytes{value}, std::move(meaning), 0});
    ++pos_;
  }
  // Stops at a byte the answer does not have.
  bool stopIfMissing(const std::string& name) {
    if (pos_ < a_.size()) return false;
    d_.stop = "复位应答在第" + std::to_string(pos_ + 1) + "字节处结束，缺少" + name;
    return true;
  }

  bool readTs() {
    if (a_.empty()) {
      d_.stop = "复位应答为空";
      return false;
    }
    const std::uint8_t ts = a_[0];
    if (ts != kDirect && ts != kInverse) {
      item("TS", ts, "无效：应为3B（正向约定）或3F（反向约定）");
      d_.stop = "TS=" + atr::byteHex(ts) + "不是ISO/IEC 7816-3异步卡的复位应答，解码在第1字节处停止";
      return false;
    }
    d_.inverseConvention = ts == kInverse;
    item("TS", ts, ts == kDirect ? "正向约定" : "反向约定");
    return true;
  }

  bool readT0() {
    if (stopIfMissing("T0")) return false;
    const std::uint8_t t0 = a_[pos_];
    y_ = static_cast<std::uint8_t>(t0 >> 4);
    historicalCount_ = t0 & 0x0F;
    item("T0", t0, followers(y_, 1) + "；历史字节" + std::to_string(historicalCount_) + "个");
    return true;
  }

  bool readInterfaceBytes() {
    int group = 1, protocol = -1;
    for (;;) {
      for (int k = 0; k < 3; ++k) {
        if ((y_ & (1 << k)) == 0) continue;
        std::string name = "T";
        name += kKinds[k];
        name += std::to_string(group);
        if (stopIfMissing(name)) return false;
        atr::Position at{kKinds[k], group, protocol, true};
        if (group > 2) at.first = seen_.insert(protocol * 4 + k).second;
        const std::uint8_t v = a_[pos_];
        item(name, v, atr::interfaceMeaning(at, v, d_));
      }
      if ((y_ & 0x08) == 0) break;
      const std::string name = "TD" + std::to_string(group);
      if (stopIfMissing(name)) return false;
      const std::uint8_t td = a_[pos_];
      protocol = td & 0x0F;
      y_ = static_cast<std::uint8_t>(td >> 4);
      item(name, td, "协议" + atr::protocolName(protocol) + "；" + followers(y_, group + 1));
      // TD1 names a transmission protocol; T=15 (global bytes) may follow from TD2 on.
      if (group == 1 && protocol == 15) {
        std::string e = "TD1=";
        d_.errors.push_back(e += atr::byteHex(td) + "：T=15不能出现在TD1中");
      }
      if (protocol != 15 &&
          std::find(d_.protocols.begin(), d_.protocols.end(), protocol) == d_.protocols.end())
        d_.protocols.push_back(protocol);
      if (protocol != 0) tckRequired_ = true;
      ++group;
    }
    if (d_.protocols.empty()) d_.protocols.push_back(0);
    return true;
  }

  bool readHistorical() {
    const std::size_t available = std::min<std::size_t>(historicalCount_, a_.size() - pos_);
    const Bytes h(a_.begin() + static_cast<long>(pos_), a_.begin() + static_cast<long>(pos_ + available));
    atr::decodeHistorical(h, pos_, historicalCount_, d_);
    pos_ += available;
    if (available < historicalCount_) {
      d_.stop = "复位应答在第" + std::to_string(pos_ + 1) + "字节处结束，历史字节应有" +
                std::to_string(historicalCount_) + "个，只有" + std::to_string(available) + "个";
      return false;
    }
    return true;
  }

  void readTck() {
    if (!tckRequired_) return;
    std::uint8_t x = 0;
    for (std::size_t i = 1; i < pos_; ++i) x ^= a_[i];
    d_.expectedTck = x;
    if (pos_ >= a_.size()) {
      d_.tck = TckStatus::Missing;
      d_.stop =
          "复位应答在第" + std::to_string(pos_ + 1) + "字节处结束，缺少TCK（提供了T=0以外的协议，必须有TCK）";
      return;
    }
    const std::uint8_t tck = a_[pos_];
    if (tck == x) {
      d_.tck = TckStatus::Ok;
      item("TCK", tck, "校验正确（T0到TCK的异或为00）");
    } else {
      d_.tck = TckStatus::Wrong;
      item("TCK", tck, "校验错误：应为" + atr::byteHex(x));
      d_.errors.push_back("TCK错误：收到" + atr::byteHex(tck) + "，按T0到历史字节的异或应为" +
                          atr::byteHex(x));
    }
  }

  const Bytes& a_;
  AtrDecoding d_;
  std::size_t pos_ = 0;
  std::uint8_t y_ = 0;
  std::size_t historicalCount_ = 0;
  bool tckRequired_ = false;
  std::set<int> seen_;  // protocol * 4 + kind of the TA/TB/TC seen after group 2
};

}  // namespace

AtrDecoding decodeAtr(const Bytes& atr) { return Decoder(atr).run(); }

std::string atrReport(const AtrDecoding& d) {
  std::string text;
  for (const AtrItem& it : d.items) {
    text += it.depth == 0 ? it.name : "    ";
    if (it.depth == 0) text += std::string(it.name.size() < 4 ? 4 - it.name.size() : 1, ' ');
    text += spacedHex(it.bytes) + "  " + it.meaning + "\r\n";
  }
  if (!d.protocols.empty()) {
    std::string protocols;
    for (int t : d.protocols) protocols += (protocols.empty() ? "T=" : "、T=") + std::to_string(t);
    text += "提供的协议：" + protocols +
            (d.protocols.size() > 1 ? "（首选T=" + std::to_string(d.protocols[0]) + "）" : "") + "\r\n";
    text += "时钟转换：Fi/Di=" + std::to_string(d.fi) + "/" + std::to_string(d.di) + "\r\n";
  }
  switch (d.tck) {
    case TckStatus::NotRequired:
      if (d.complete()) text += "TCK：只提供T=0，没有校验字节\r\n";
      break;
    case TckStatus::Ok:
      text += "TCK：校验正确\r\n";
      break;
    case TckStatus::Wrong:
      text += "TCK：校验错误\r\n";
      break;
    case TckStatus::Missing:
      text += "TCK：缺少\r\n";
      break;
  }
  for (const std::string& e : d.errors) text += "错误：" + e + "\r\n";
  if (!d.complete()) text += "解码停止：" + d.stop + "\r\n";
  return text;
}

}  // namespace apdu
