// The meaning of a card's status word SW1 SW2 (ISO/IEC 7816-4), in the
// program's language.
#pragma once

#include <cstdint>
#include <string>

#include "apdu/hex_bytes.h"

namespace apdu {

// "检查出错：文件或应用未找到" for 6A 82: the kind of outcome (正常, 警告,
// 执行出错, 检查出错, 专有) and what the status word says.
std::string statusWordText(std::uint8_t sw1, std::uint8_t sw2);

// The meaning of the last two bytes of an answer; an answer of fewer than
// two bytes has no status word, and says so.
std::string answerStatusText(const Bytes& answer);

}  // namespace apdu
