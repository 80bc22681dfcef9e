#include "batch/batch_plan.h"

#include <charconv>
#include <map>

#include "apdu/hex_bytes.h"
#include "platform/hex_text.h"

namespace batch {

namespace {

bool parseNumber(std::string_view text, unsigned long long& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

bool parseAddress(std::string_view text, int& value) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return ec == std::errc() && end == text.data() + text.size() && value >= 0;
}

std::string hexAddress(int value) { return hexText(value, 4); }

std::string parseSerial(const std::string& text, bool bcd, SerialField& serial, const FieldLabels& labels) {
  const auto first = text.find(':');
  const auto second = first == std::string::npos ? first : text.find(':', first + 1);
  unsigned long long length = 0;
  const std::string_view t(text);
  if (second == std::string::npos || !parseAddress(t.substr(0, first), serial.address) ||
      !parseNumber(t.substr(first + 1, second - first - 1), length) || length < 1 || length > 8 ||
      !parseNumber(t.substr(second + 1), serial.start))
    return std::string(labels.serial) + " “" + text + "”无效：写作 地址:字节数(1-8):起始号，例如 0x40:4:1";
  serial.length = static_cast<int>(length);
  serial.bcd = bcd;
  if (!serialBytes(serial, serial.start))
    return std::string(labels.serial) + " 的起始号 " + std::to_string(serial.start) + " 放不进 " +
           std::to_string(length) + " 个字节";
  return {};
}

std::string parseField(const std::string& text, FixedField& field, const FieldLabels& labels) {
  const auto eq = text.find('=');
  const apdu::HexParse hex = apdu::parseHex(eq == std::string::npos ? "" : text.substr(eq + 1));
  field.bytes = hex.bytes;
  if (eq == std::string::npos || !parseAddress(std::string_view(text).substr(0, eq), field.address) || !hex.ok() ||
      field.bytes.empty())
    return std::string(labels.field) + " “" + text + "”无效：写作 地址=十六进制字节，例如 0x50=A1B2";
  return {};
}

std::string parseRanges(const std::vector<std::string>& ranges, int last, std::set<int>& addresses) {
  for (const std::string& r : ranges) {
    const auto dash = r.find('-');
    int first = 0, end = 0;
    const bool ok = dash == std::string::npos
                        ? parseAddress(r, first) && (end = first, true)
                        : parseAddress(std::string_view(r).substr(0, dash), first) &&
                              parseAddress(std::string_view(r).substr(dash + 1), end);
    if (!ok || end < first) return "地址范围“" + r + "”无效：写作 5、0-15 或 0x10-0x1F";
    if (end > last) return "地址范围“" + r + "”超出可写保护的 0 到 " + std::to_string(last);
    for (int a = first; a <= end; ++a) addresses.insert(a);
  }
  return {};
}

std::optional<std::vector<std::uint8_t>> serialBytes(const SerialField& serial, unsigned long long n) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(serial.length));
  for (auto i = out.size(); i-- > 0;) {
    if (serial.bcd) {
      out[i] = static_cast<std::uint8_t>(n % 10 | (n / 10 % 10) << 4);
      n /= 100;
    } else {
      out[i] = static_cast<std::uint8_t>(n & 0xFF);
      n >>= 8;
    }
  }
  if (n != 0) return std::nullopt;
  return out;
}

std::optional<unsigned long long> serialValue(const SerialField& serial, const std::vector<std::uint8_t>& card) {
  unsigned long long n = 0;
  for (int i = 0; i < serial.length; ++i) {
    const std::uint8_t b = card[static_cast<std::size_t>(serial.address + i)];
    if (serial.bcd && ((b >> 4) > 9 || (b & 0x0F) > 9)) return std::nullopt;
    n = serial.bcd ? n * 100 + (b >> 4) * 10 + (b & 0x0F) : n << 8 | b;
  }
  return n;
}

std::vector<std::uint8_t> cardImage(const BatchPlan& plan, unsigned long long n) {
  std::vector<std::uint8_t> image = plan.image;
  for (const FixedField& f : plan.fields)
    std::copy(f.bytes.begin(), f.bytes.end(), image.begin() + f.address);
  if (plan.serial) {
    if (const auto bytes = serialBytes(*plan.serial, n))
      std::copy(bytes->begin(), bytes->end(), image.begin() + plan.serial->address);
  }
  return image;
}

std::string checkFields(const BatchPlan& plan, CardCatalogue& catalogue, const FieldLabels& labels) {
  std::map<int, std::string> owner;  // address -> the option that writes it
  auto claim = [&](int address, int length, const std::string& option) -> std::string {
    const int size = static_cast<int>(plan.image.size());
    if (address + length > size) return option + " 超出卡片的 " + std::to_string(size) + " 个字节";
    for (int a = address; a < address + length; ++a) {
      if (holdsCodeOrCounter(catalogue, plan.type, plan.zoneIndex, a))
        return option + " 落在密码、密钥或计数字节 " + hexAddress(a) + " 上：这些字节不写";
      if (const auto it = owner.find(a); it != owner.end())
        return option + " 与 " + it->second + " 在 " + hexAddress(a) + " 重叠";
      owner[a] = option;
    }
    return {};
  };
  if (plan.serial) {
    if (std::string why = claim(plan.serial->address, plan.serial->length, labels.serial); !why.empty()) return why;
  }
  for (const FixedField& f : plan.fields) {
    if (std::string why = claim(f.address, static_cast<int>(f.bytes.size()),
                                std::string(labels.field) + " " + hexAddress(f.address));
        !why.empty())
      return why;
  }
  return {};
}

bool protectsBytes(CardType type) { return type == CardType::Sle4442 || type == CardType::Sle4428; }

int lastProtectable(CardType type) { return type == CardType::Sle4442 ? 31 : 1020; }

}  // namespace batch
