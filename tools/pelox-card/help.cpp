// The texts of --help.
#include <map>

#include "cards/card_names.h"
#include "commands.h"

namespace cli {

namespace {

const char kTool[] =
    "用法：pelox-card [全局选项] 命令 [选项] [参数]\n"
    "\n"
    "IC 卡读写器的命令行工具。每次运行都重新打开读写器、重新设置卡型（卡片随之复位），\n"
    "所以上一次运行核对过的密码不会保留：write、protect、change-code 需要时自己核对密码。\n"
    "\n"
    "命令：\n"
    "  readers       PC/SC 读写器列表：是否有卡、ATR\n"
    "  detect        检测卡型（与窗口程序相同：写入探测字节后恢复）；--read-only 只读检测\n"
    "  read          读出卡片映像（十六进制、二进制或 JSON）\n"
    "  write FILE    把卡片映像文件写入卡片（只写不同的字节，写后回读）\n"
    "  verify-code   核对密码，显示剩余尝试次数\n"
    "  change-code   修改密码\n"
    "  protect RANGE 写保护 SLE4442/SLE4428 的字节（不可恢复，需要 --yes）\n"
    "  atr           CPU 卡复位应答及其解析\n"
    "  apdu HEX...   向 CPU 卡发送 APDU\n"
    "  script FILE   运行 APDU 脚本（与 APDU 工作台相同的格式）\n"
    "  personalise IMAGE  批量写卡：同一映像（加序号、固定字段）逐张写入、校验、记录\n"
    "  help [命令]   显示帮助\n"
    "\n"
    "全局选项：\n"
#ifdef _WIN32
    "  --driver-dll PATH  读写器驱动 pelox.dll（默认：程序旁边的 pelox.dll）\n"
#else
    "  --driver pcsc|sim  驱动：PC/SC 读写器（默认）或模拟读写器\n"
    "  --sim-ini FILE     模拟读写器的 pelox-sim.ini（同 PELOX_SIM_INI）\n"
#endif
    "  --port usb|com1|com2|com3|com4   读写器端口（默认 usb）\n"
    "  --reader NAME      按名称的一部分选择 PC/SC 读写器（同 pelox-pcsc.ini 的 name）\n"
    "  --trace FILE       把每次驱动调用追加到 FILE（同 DEMO_TRACE）\n"
    "  --json             输出一个 JSON 对象（英文字段名），供脚本使用\n"
    "  -h, --help         帮助；pelox-card 命令 --help 显示命令的帮助\n"
    "\n"
    "退出状态：0 完成；1 卡片、读写器或驱动失败；2 命令行错误；3 脚本不符或安全检查拒绝。\n"
    "错误信息写到标准错误。\n";

const char kCodes[] =
    "密码来源（不从命令行读取，以免留在 shell 历史中）：\n"
    "  --code-env VAR     环境变量 VAR 中的密码\n"
    "  --code-file FILE   文件 FILE 第一行的密码\n"
    "  （都没有时在终端提示输入，不回显）\n"
    "  --last-attempt     只剩最后一次尝试时也核对（输错将锁死此卡）\n";

const std::map<std::string, std::string>& commandHelp() {
  static const std::map<std::string, std::string> help{
      {"readers",
       "用法：pelox-card readers [--json]\n\n"
       "列出 PC/SC 读写器（pcsc-lite 或 winscard），每个读写器是否有卡和卡的 ATR。\n"},
      {"detect",
       "用法：pelox-card detect [--read-only]\n\n"
       "检测卡型，与窗口程序的“自动测卡型”相同：部分卡型要写入探测字节再恢复。\n"
       "  --read-only   只复位和读取，不写入任何字节；只能认出 CPU 卡、SLE4404、SLE4442、\n"
       "                SLE4428，其他卡型无法判定时如实说明（退出状态 1）\n"},
      {"read",
       "用法：pelox-card read --type T [--zone Z | --page P | --block B] [-o FILE] [--format hex|bin|json]\n\n"
       "读出卡片映像。hex 格式按存储区划分并标出区名；bin 是窗口程序的卡片映像文件\n"
       "（有 -o 时默认 bin，文件先写到旁边再改名，失败时原文件不变）。\n"
       "  --zone Z   AT88SC1608 的用户区 0-7，8 为配置区\n"
       "  --page P   AT45D041 的页 0-2047\n"
       "  --block B  SSF1101 的块 0-511\n"
       "卡型：" + cardTypeNames() + "\n"},
      {"write",
       "用法：pelox-card write FILE --type T [--zone Z | --page P | --block B] [--dry-run] [密码选项]\n\n"
       "把卡片映像文件写入卡片。映像文件不含卡型，所以必须给出 --type，文件大小和检测到的\n"
       "卡型都必须与之相符。先读卡，只写与卡片不同的字节；密码、密钥、计数器和已写保护的\n"
       "字节不写。写后回读比较，并报告写了什么。SLE4442/SLE4428 需要时先核对密码。\n"
       "  --dry-run  只列出不同之处，不写卡\n\n" +
           std::string(kCodes)},
      {"personalise",
       "用法：pelox-card personalise IMAGE --type T --log FILE [--count N] [--serial ADDR:LEN:START [--bcd]]\n"
       "       [--field ADDR=HEX]... [--protect RANGES --yes] [--resume LOG] [--stop-on-failure] [密码选项]\n\n"
       "逐张等待插卡（每 100 毫秒查询一次），检查卡型，读卡，只写不同的字节，回读校验，\n"
       "写入记录文件（CSV，每张卡追加并立即写盘），然后等待取卡。失败的卡立即报告，不计为完成。\n"
       "  --count N          完成 N 张后结束（默认：直到 Ctrl+C）\n"
       "  --serial A:L:S     在地址 A 写 L 字节的序号（大端），从 S 开始，每张成功的卡加一\n"
       "  --bcd              序号写成十进制 BCD\n"
       "  --field A=HEX      另写固定字节（可多次）；不能落在密码、密钥、计数或已保护的字节上\n"
       "  --protect RANGES   校验后写保护这些字节（如 0-3,8；不可恢复，需要 --yes）\n"
       "  --log FILE         记录文件；--resume LOG 从记录里最大的已开始序号之后接着写\n"
       "  --stop-on-failure  一张卡失败就结束\n"
       "密码错误时立即结束，不再碰下一张卡。已写过映像和记录中序号的卡被拒绝。\n\n" +
           std::string(kCodes)},
      {"verify-code",
       "用法：pelox-card verify-code --type T [--password read|write] [--set N] [密码选项]\n\n"
       "核对密码并显示剩余尝试次数：SLE4442（6 位十六进制）、SLE4428（4 位）、\n"
       "AT88SC102 安全代码（4 位）、AT88SC1608/153 的读写密码（6 位，--set 选密码套，\n"
       "默认 0）。只剩最后一次时不核对，除非给出 --last-attempt。\n\n" +
           std::string(kCodes)},
      {"change-code",
       "用法：pelox-card change-code --type T [--password read|write] [--set N] [密码选项]\n\n"
       "先核对当前密码，再写入新密码（SLE4442、SLE4428、AT88SC1608/153）。\n"
       "AT88SC1608/153 核对的是该密码套的写密码，修改 --password 所选的密码。\n"
       "新密码：--new-code-env VAR、--new-code-file FILE，或在终端输入两次。\n\n" +
           std::string(kCodes)},
      {"protect",
       "用法：pelox-card protect --type sle4442|sle4428 RANGE... --yes [密码选项]\n\n"
       "把字节写保护（不可恢复）。RANGE 为地址或地址范围，十进制或 0x 十六进制：\n"
       "5、0-15、0x10-0x1F。SLE4442 只有 0-31 可写保护，SLE4428 为 0-1020。\n"
       "保护前先核对密码，保护后回读确认。没有 --yes 时只列出将要保护的字节。\n\n" +
           std::string(kCodes)},
      {"atr",
       "用法：pelox-card atr\n\n复位 CPU 卡，按 ISO/IEC 7816-3 解析复位应答。\n"},
      {"apdu",
       "用法：pelox-card apdu [--t0] HEX...\n\n"
       "复位 CPU 卡后依次发送每条命令（十六进制，可含空格），显示应答和状态字的含义。\n"
       "  --t0   用 GET RESPONSE 取回 61xx 的应答，6Cxx 时按正确的 Le 重发\n"},
      {"script",
       "用法：pelox-card script [--t0] [--keep-going] FILE\n\n"
       "复位 CPU 卡后运行 APDU 脚本（UTF-8，每行一条命令，# 注释，= 应答 或 SW=状态字\n"
       "比较，X 为任意数字，RESET 复位）。有一行不符时退出状态为 3。\n"
       "  --keep-going  不符后继续运行\n"},
  };
  return help;
}

}  // namespace

bool helpText(const std::string& command, std::string& text) {
  if (command.empty()) {
    text = kTool;
    return true;
  }
  const auto it = commandHelp().find(command);
  if (it == commandHelp().end()) return false;
  text = it->second;
  return true;
}

}  // namespace cli
