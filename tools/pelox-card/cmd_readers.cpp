// readers: the smart-card service's reader list (the driver functions
// have none).
#include "apdu/hex_bytes.h"
#include "commands.h"

namespace cli {

Outcome readersCommand(Run& run) {
  std::vector<ReaderEntry> readers;
  std::string why;
  if (!run.env.listReaders || !run.env.listReaders(readers, why))
    return fail(kFailed, "无法列出 PC/SC 读写器：" + (why.empty() ? std::string("本版本不支持") : why) +
                             "（智能卡服务 pcscd 是否在运行？）");
  std::vector<std::string> items;
  for (const ReaderEntry& r : readers) {
    const std::string atr = upperHex(r.atr.data(), r.atr.size());
    items.push_back("{\"name\":" + jsonString(r.name) + ",\"card\":" + (r.cardPresent ? "true" : "false") +
                    ",\"atr\":" + jsonString(atr) + "}");
    run.report.line(r.name + (r.cardPresent ? "：有卡，ATR " + apdu::spacedHex(r.atr) : "：无卡"));
  }
  if (readers.empty()) run.report.line("没有 PC/SC 读写器");
  run.report.raw("readers", jsonArray(items));
  return done();
}

}  // namespace cli
