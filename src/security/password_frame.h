// The opening and the reporting shared by the memory-card password, erase
// and fuse commands.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "security/command_context.h"

namespace security {

// Caption of every error box of these commands.
inline constexpr const char* kErrorCaption = "出错警告";

// The texts the opening blanks status lines 1 and 2 with; they differ by
// command group.
struct BlankingTexts {
  const char* line1;
  const char* line2;
};
// Changing the user, zone and erase passwords.
inline constexpr BlankingTexts kChangeBlanking{"正在读数据..", "  请稍等......"};
// Verifying the user and zone passwords.
inline constexpr BlankingTexts kVerifyBlanking{"正在读数据.", "  请稍等....."};
// Verifying the erase passwords; blowing the personalisation fuse.
inline constexpr BlankingTexts kEraseBlanking{"正在读数据.", "  请稍等......."};

// Blanks status lines 1 and 2 with the group's texts.
void blankStatus(CommandContext& ctx, BlankingTexts texts);

// The whole opening of a password command: blank the status lines and leave
// hexadecimal editing (caret hidden, caret information redrawn).
void openPasswordCommand(CommandContext& ctx, BlankingTexts texts);

// Five beeps in a row.
void beepFive(CommandContext& ctx);
// Five beeps, then the text on status line 2.
void reportStatus(CommandContext& ctx, std::string_view text);
// The "出错警告" box with the exclamation icon.
void errorBox(CommandContext& ctx, std::string_view text);
// Five beeps, then the error box.
void beepThenErrorBox(CommandContext& ctx, std::string_view text);

// Runs a CPasswordDlg; the typed text when the operator confirmed, nothing
// otherwise.
std::optional<std::string> askPassword(CommandContext& ctx);

// The length rule of a code: shows "错误：输入密码个数必须为N个！" and
// returns false when `code` does not have exactly `digits` characters.
bool checkLength(CommandContext& ctx, const std::string& code, int digits);
// A code must be made of hexadecimal digits only: a typo is refused with a
// box before anything reaches the card, so it never costs an attempt.
bool checkHexDigits(CommandContext& ctx, const std::string& code);

// Texts shared by several commands.
namespace text {
inline constexpr const char* kSuccess = "操作成功";
inline constexpr const char* kFailure = "操作失败";
inline constexpr const char* kNoFunctionStatus = "无此功能";
inline constexpr const char* kNoFunction = "错误：无此功能！";
inline constexpr const char* kNotReady = "错误：系统没有准备好！";
inline constexpr const char* kCardLocked = "错误：该卡已经报废！";
inline constexpr const char* kZoneLocked = "错误：该区已经报废！";
inline constexpr const char* kWrongPassword = "错误：密码错误！";
inline constexpr const char* kChangeFailed = "错误：改写密码没有成功！";
inline constexpr const char* kNotHex = "错误：密码只能包含0-9和A-F！";
}  // namespace text

}  // namespace security
