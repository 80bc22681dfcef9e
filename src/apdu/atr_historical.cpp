// The historical bytes: the category indicator and, for categories 00 and
// 80, the COMPACT-TLV data objects (ISO/IEC 7816-4) with the status
// indicator.
#include "apdu/atr_parts.h"

namespace apdu::atr {
namespace {

const char* tagName(int tag) {
  switch (tag) {
    case 0x1:
      return "国家代码";
    case 0x2:
      return "发卡机构标识号";
    case 0x3:
      return "卡片服务数据";
    case 0x4:
      return "初始访问数据";
    case 0x5:
      return "发卡机构数据";
    case 0x6:
      return "预发行数据";
    case 0x7:
      return "卡片能力";
    case 0x8:
      return "状态指示";
    case 0xF:
      return "应用标识符（AID）";
    default:
      return "保留的标签";
  }
}

std::string lifeCycle(std::uint8_t lcs) {
  std::string s = "生命周期状态LCS=" + byteHex(lcs);
  if (lcs == 0x00) return s + "（无信息）";
  if (lcs == 0x01) return s + "（创建）";
  if (lcs == 0x03) return s + "（初始化）";
  if ((lcs & 0xFD) == 0x05) return s + "（使用中，已激活）";
  if ((lcs & 0xFD) == 0x04) return s + "（使用中，已停用）";
  if ((lcs & 0xFC) == 0x0C) return s + "（终止）";
  return s + "（专有或保留）";
}

std::string statusIndicator(const Bytes& v) {
  if (v.size() == 1) return lifeCycle(v[0]);
  if (v.size() == 2) return "状态字" + hex(v);
  if (v.size() == 3) return lifeCycle(v[0]) + "，状态字" + hex(Bytes(v.begin() + 1, v.end()));
  return "长度应为1到3";
}

void add(AtrDecoding& d, std::size_t offset, Bytes bytes, std::string meaning) {
  d.items.push_back({"", offset, std::move(bytes), std::move(meaning), 1});
}

// COMPACT-TLV objects in bytes [from, to) of the historical bytes.
void compactTlv(const Bytes& h, std::size_t from, std::size_t to, std::size_t offset, AtrDecoding& d) {
  std::size_t i = from;
  while (i < to) {
    const int tag = h[i] >> 4;
    const std::size_t length = h[i] & 0x0F;
    if (i + 1 + length > to) {
      add(d, offset + i, Bytes(h.begin() + static_cast<long>(i), h.begin() + static_cast<long>(to)),
          "标签" + std::string(1, "0123456789ABCDEF"[tag]) + "的数据对象不完整：应有" +
              std::to_string(length) + "字节，只有" + std::to_string(to - i - 1) + "字节");
      d.errors.push_back("历史字节中的COMPACT-TLV数据对象不完整");
      return;
    }
    const Bytes value(h.begin() + static_cast<long>(i + 1), h.begin() + static_cast<long>(i + 1 + length));
    std::string meaning = "标签" + std::string(1, "0123456789ABCDEF"[tag]) + " " + tagName(tag) + "（" +
                          std::to_string(length) + "字节）";
    if (tag == 0x8)
      meaning += "：" + statusIndicator(value);
    else if (!value.empty())
      meaning += "：" + hex(value);
    add(d, offset + i, Bytes(h.begin() + static_cast<long>(i), h.begin() + static_cast<long>(i + 1 + length)),
        meaning);
    i += 1 + length;
  }
}

}  // namespace

void decodeHistorical(const Bytes& h, std::size_t offset, std::size_t expected, AtrDecoding& d) {
  if (expected == 0) return;
  std::string meaning = std::to_string(expected) + "个";
  if (h.size() < expected) meaning += "，只收到" + std::to_string(h.size()) + "个";
  d.items.push_back({"历史字节", offset, h, meaning, 0});
  if (h.empty()) return;
  const std::uint8_t category = h[0];
  const Bytes indicator{category};
  if (category == 0x80) {
    add(d, offset, indicator, "类别指示80：其后为COMPACT-TLV数据对象");
    compactTlv(h, 1, h.size(), offset, d);
  } else if (category == 0x00) {
    add(d, offset, indicator, "类别指示00：其后为COMPACT-TLV数据对象，最后三字节为状态指示");
    if (h.size() < expected) {
      // The answer ended inside the historical bytes: no status indicator.
      compactTlv(h, 1, h.size(), offset, d);
      return;
    }
    if (h.size() < 4) {
      d.errors.push_back("类别指示00之后应有三字节状态指示");
      return;
    }
    compactTlv(h, 1, h.size() - 3, offset, d);
    const Bytes status(h.end() - 3, h.end());
    add(d, offset + h.size() - 3, status, "状态指示：" + statusIndicator(status));
  } else if (category == 0x10) {
    add(d, offset, indicator, "类别指示10：其后一字节为DIR数据引用");
    if (h.size() > 1) add(d, offset + 1, Bytes(h.begin() + 1, h.end()), "DIR数据引用");
  } else if (category >= 0x81 && category <= 0x8F) {
    add(d, offset, indicator, "类别指示" + byteHex(category) + "：保留值");
  } else {
    add(d, offset, indicator, "类别指示" + byteHex(category) + "：专有格式（发卡方自定义）");
  }
}

}  // namespace apdu::atr
