#include "batch_fields.h"

#include <charconv>
#include <map>

#include "apdu/hex_bytes.h"
#include "card_names.h"
#include "report.h"
#include "write_steps.h"

namespace cli {

namespace {

bool parseNumber(std::string_view text, unsigned long long& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

Outcome parseSerial(const std::string& text, bool bcd, SerialField& serial) {
  const auto first = text.find(':');
  const auto second = first == std::string::npos ? first : text.find(':', first + 1);
  unsigned long long length = 0;
  const std::string_view t(text);
  if (second == std::string::npos || !parseAddress(t.substr(0, first), serial.address) ||
      !parseNumber(t.substr(first + 1, second - first - 1), length) || length < 1 || length > 8 ||
      !parseNumber(t.substr(second + 1), serial.start))
    return fail(kUsage, "--serial “" + text + "”无效：写作 地址:字节数(1-8):起始号，例如 0x40:4:1");
  serial.length = static_cast<int>(length);
  serial.bcd = bcd;
  if (!serialBytes(serial, serial.start))
    return fail(kUsage, "--serial 的起始号 " + std::to_string(serial.start) + " 放不进 " + std::to_string(length) +
                            " 个字节");
  return done();
}

Outcome parseField(const std::string& text, FixedField& field) {
  const auto eq = text.find('=');
  const apdu::HexParse hex = apdu::parseHex(eq == std::string::npos ? "" : text.substr(eq + 1));
  field.bytes = hex.bytes;
  if (eq == std::string::npos || !parseAddress(std::string_view(text).substr(0, eq), field.address) || !hex.ok() ||
      field.bytes.empty())
    return fail(kUsage, "--field “" + text + "”无效：写作 地址=十六进制字节，例如 0x50=A1B2");
  return done();
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

Outcome checkFields(const BatchPlan& plan, CardCatalogue& catalogue) {
  std::map<int, std::string> owner;  // address -> the option that writes it
  auto claim = [&](int address, int length, const std::string& option) -> Outcome {
    const int size = static_cast<int>(plan.image.size());
    if (address + length > size)
      return fail(kUsage, option + " 超出卡片的 " + std::to_string(size) + " 个字节");
    for (int a = address; a < address + length; ++a) {
      if (holdsCodeOrCounter(catalogue, plan.type, plan.zoneIndex, a))
        return fail(kUsage, option + " 落在密码、密钥或计数字节 " + hexAddress(a) + " 上：这些字节不写");
      if (const auto it = owner.find(a); it != owner.end())
        return fail(kUsage, option + " 与 " + it->second + " 在 " + hexAddress(a) + " 重叠");
      owner[a] = option;
    }
    return done();
  };
  if (plan.serial) {
    if (Outcome r = claim(plan.serial->address, plan.serial->length, "--serial"); r.status != kDone) return r;
  }
  for (const FixedField& f : plan.fields) {
    if (Outcome r = claim(f.address, static_cast<int>(f.bytes.size()), "--field " + hexAddress(f.address));
        r.status != kDone)
      return r;
  }
  return done();
}

}  // namespace cli
