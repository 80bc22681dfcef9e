#include "batch/run_start.h"

#include "cards/card_names.h"

namespace batch {

std::string startRun(BatchLog& log, const std::string& logPath, const std::string& resume, const BatchPlan& plan,
                     const std::string& reader, const std::string& resumeHint, RunStart& start) {
  start.firstSerial = plan.serial ? plan.serial->start : 1;
  std::string why;
  if (!resume.empty() && !readLogHistory(resume, start.history, why)) return why;
  LogHistory earlier;
  if (resume.empty() && readLogHistory(logPath, earlier, why) && earlier.highestStarted)
    return "记录文件 " + logPath + " 里已有写过的卡：" + resumeHint + "，或换一个记录文件";
  if (!log.open(logPath, why)) return why;
  const LogHistory& h = start.history;
  if (h.highestStarted && *h.highestStarted + 1 > start.firstSerial) start.firstSerial = *h.highestStarted + 1;
  for (unsigned long long n : h.withoutOutcome) {
    LogRecord r;
    r.reader = reader;
    r.cardType = nameOf(plan.type);
    r.serial = n;
    r.result = batchresult::kSkipped;
    r.message = "上次运行开始写这个序号后没有结果（中断）：卡上可能有它，不再使用";
    if (!log.write(r)) return "无法写记录文件 " + logPath;
    start.skipped.push_back(n);
  }
  return {};
}

}  // namespace batch
