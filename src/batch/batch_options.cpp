#include "batch/batch_options.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "batch/card_steps.h"
#include "cards/card_names.h"

namespace batch {

namespace {

constexpr FieldLabels kLabels{"序号", "固定字段"};

// The items of a list typed with blanks, commas or semicolons between them.
std::vector<std::string> items(const std::string& text) {
  std::vector<std::string> out;
  std::string item;
  for (char c : text + " ") {
    if (c == ' ' || c == ',' || c == ';' || c == '\t') {
      if (!item.empty()) out.push_back(item);
      item.clear();
    } else {
      item += c;
    }
  }
  return out;
}

PlanRefusal refuse(std::string message, Option option) { return {std::move(message), option}; }

}  // namespace

PlanRefusal makePlan(const BatchOptions& o, CardType type, int zoneIndex, port::FileDialogs& files,
                     CardCatalogue& catalogue, BatchPlan& plan) {
  plan = BatchPlan{};
  plan.type = type;
  plan.zoneIndex = type == CardType::At88sc1608 ? zoneIndex : 0;
  if (o.image.empty()) return refuse("请选择映像文件", Option::Image);
  const auto expected = static_cast<std::size_t>(byteCountFor(type, plan.zoneIndex, 0));
  const auto read = files.readFile(o.image, expected);
  if (read.status == port::FileDialogs::ReadStatus::Failed) return refuse("无法读取文件：" + o.image, Option::Image);
  if (read.status == port::FileDialogs::ReadStatus::TooLarge || read.bytes.size() != expected)
    return refuse("文件大小为 " + std::to_string(read.size) + " 字节，与 " + nameOf(type) + " 的 " +
                      std::to_string(expected) + " 字节不符",
                  Option::Image);
  plan.image = read.bytes;
  if (!o.untilStopped) {
    const char* end = o.count.data() + o.count.size();
    const auto [at, ec] = std::from_chars(o.count.data(), end, plan.count);
    if (ec != std::errc() || at != end || plan.count < 1)
      return refuse("张数应为 1 或更大的整数（或选“直到停止”）", Option::Count);
  }
  if (!o.serial.empty()) {
    plan.serial.emplace();
    if (std::string why = parseSerial(o.serial, o.bcd, *plan.serial, kLabels); !why.empty())
      return refuse(why, Option::Serial);
  } else if (o.bcd) {
    return refuse("“十进制BCD”只和序号一起用", Option::Serial);
  }
  for (const std::string& text : items(o.fields)) {
    plan.fields.emplace_back();
    if (std::string why = parseField(text, plan.fields.back(), kLabels); !why.empty())
      return refuse(why, Option::Fields);
  }
  if (std::string why = checkFields(plan, catalogue, kLabels); !why.empty())
    return refuse(why, why.rfind(kLabels.serial, 0) == 0 ? Option::Serial : Option::Fields);
  if (const int digits = codeDigits(type); digits > 0) {
    const bool hex = std::all_of(o.code.begin(), o.code.end(), [](unsigned char c) { return std::isxdigit(c); });
    if (static_cast<int>(o.code.size()) != digits || !hex)
      return refuse(nameOf(type) + " 写卡前要核对密码：请输入 " + std::to_string(digits) + " 位十六进制密码",
                    Option::Code);
  }
  if (const auto ranges = items(o.protect); !ranges.empty()) {
    if (!protectsBytes(type)) return refuse("写保护只用于 sle4442 和 sle4428", Option::Protect);
    if (std::string why = parseRanges(ranges, lastProtectable(type), plan.protect); !why.empty())
      return refuse(why, Option::Protect);
  }
  if (o.log.empty()) return refuse("请给出记录文件：每张卡的结果都记在里面", Option::Log);
  plan.stopOnFailure = o.stopOnFailure;
  return {};
}

}  // namespace batch
