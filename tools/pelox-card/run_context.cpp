#include "run_context.h"

#include <filesystem>
#include <fstream>
#include <random>

#include "cards/card_names.h"
#include "memview/card_read.h"
#include "platform/wait_cursor.h"
#include "reader/connection.h"
#include "reader/driver_fallback.h"
#include "reader/driver_trace.h"

namespace cli {

namespace fs = std::filesystem;

Run::Run(Options& options, Environment& environment, std::ostream& errStream)
    : o(options), env(environment), err(errStream), report(options.command), shell(errStream) {
  shell.acceptLastAttempt = options.lastAttempt;
}

Run::~Run() {
  if (st.readerHandle > 0 && drv.IC_ExitComm) drv.IC_ExitComm(st.readerHandle);
  if (traced) removeDriverTrace(drv);
  if (!readerIni.empty()) {
    std::error_code ec;
    fs::remove(pathOf(readerIni), ec);
  }
}

namespace {

bool portNamed(const std::string& name, ReaderPort& port) {
  static const std::pair<const char*, ReaderPort> kPorts[] = {{"usb", ReaderPort::Usb},
                                                              {"com1", ReaderPort::Com1},
                                                              {"com2", ReaderPort::Com2},
                                                              {"com3", ReaderPort::Com3},
                                                              {"com4", ReaderPort::Com4}};
  for (const auto& [n, p] : kPorts) {
    if (name == n) {
      port = p;
      return true;
    }
  }
  return false;
}

}  // namespace

Outcome Run::openReader() {
  ReaderPort port = ReaderPort::None;
  if (!portNamed(o.port, port)) return fail(kUsage, "未知端口“" + o.port + "”：可用 usb、com1、com2、com3、com4");
  if (!o.simIni.empty()) env.setenv("PELOX_SIM_INI", o.simIni);
  if (!o.reader.empty()) {
    // The PC/SC driver takes its reader from its INI file: one of our own
    // for this run.
    if (o.reader.find_first_of("\r\n;#") != std::string::npos) return fail(kUsage, "读写器名称不能含有换行、; 或 #");
    readerIni = (fs::temp_directory_path() / ("pelox-card-" + std::to_string(std::random_device{}()) + ".ini")).string();
    std::ofstream ini(pathOf(readerIni));
    ini << "[reader]\nname = " << o.reader << "\n";
    if (!ini.flush()) return fail(kFailed, "无法写临时文件 " + readerIni);
    env.setenv("PELOX_PCSC_INI", readerIni);
  }
  const std::string driver = !o.driverDll.empty() ? o.driverDll : !o.driver.empty() ? o.driver : env.defaultDriver;
  std::string why;
  if (!env.bindDriver(driver, drv, why)) return fail(kFailed, why);
  const auto missing = driver_fallback::fillMissing(drv);
  if (!missing.empty()) err << driver_fallback::missingFunctionsMessage(driver, missing) << "\n";
  if (!o.trace.empty()) {
    if (!installDriverTrace(drv, o.trace)) return fail(kFailed, "无法打开跟踪文件 " + o.trace);
    traced = true;
  }
  const int handle = drv.IC_InitComm(codeOf(port));
  if (handle <= 0) {
    return fail(kFailed, std::string(kNoReaderMessage) + "\n（端口 " + o.port +
                             "；PC/SC 读写器请用 readers 查看，--reader 选择）");
  }
  st.readerHandle = handle;
  st.port = port;
  return done();
}

Outcome Run::requiredType(CardType& type) {
  if (o.type.empty()) return fail(kUsage, "请用 --type 指定卡型：" + cardTypeNames());
  const auto named = cardTypeNamed(o.type);
  if (!named) return fail(kUsage, "未知卡型“" + o.type + "”，可用：" + cardTypeNames());
  type = *named;
  return done();
}

Outcome Run::selectCardType(CardType type) {
  struct Part {
    const std::optional<int>& value;
    const char* option;
    CardType owner;
    int last;
  };
  const Part parts[] = {{o.zone, "--zone", CardType::At88sc1608, kAt88sc1608ConfigZone},
                        {o.page, "--page", CardType::At45d041, 2047},
                        {o.block, "--block", CardType::Ssf1101, 511}};
  for (const Part& p : parts) {
    if (!p.value) continue;
    if (type != p.owner) return fail(kUsage, std::string(p.option) + " 只用于 " + nameOf(p.owner));
    if (*p.value > p.last)
      return fail(kUsage, std::string(p.option) + " 的范围是 0 到 " + std::to_string(p.last));
  }
  st.cardType = type;
  st.zoneIndex = type == CardType::At88sc1608 ? o.zone.value_or(0) : o.page.value_or(0);
  st.blockIndex = o.block.value_or(0);
  st.byteCount = byteCountFor(type, st.zoneIndex, 0);
  st.pageCount = pageCountFor(st.byteCount);
  const int h = st.readerHandle;
  if (drv.IC_InitType(h, pelox::codeOf(driverTypeFor(type))) != 0)
    return fail(kFailed, "设卡失败：读写器不接受卡型 " + nameOf(type) + "（卡没有插好，或不是这种卡？可先运行 detect）");
  if (type == CardType::At88sc1608 && st.zoneIndex < kAt88sc1608ConfigZone &&
      drv.IC_SetUserZone(h, static_cast<short>(st.zoneIndex)) != 0)
    return fail(kFailed, "选择用户区 " + std::to_string(st.zoneIndex) + " 失败");
  return done();
}

Outcome Run::readCard() {
  WaitCursor cursor(shell);
  memview::readImage(cardContext(), cursor, st.cardType);
  switch (st.viewState) {
    case ViewState::CardData:
      st.gridShown = 1;
      return done();
    case ViewState::NoCard:
      return fail(kFailed, "读卡失败：未插入卡");
    case ViewState::StatusError:
      return fail(kFailed, "读卡失败：读写器没有应答，请检查连接");
    default:
      return fail(kFailed, "读卡失败：卡片不接受 " + nameOf(st.cardType) + " 的读命令（卡型对吗？可先运行 detect）");
  }
}

}  // namespace cli
