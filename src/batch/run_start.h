// Where a personalisation run starts: its log opened for appending, what an
// earlier run logged (with a resume) and the first serial of this run.
#pragma once

#include <string>
#include <vector>

#include "batch/batch_log.h"
#include "batch/batch_plan.h"

namespace batch {

struct RunStart {
  LogHistory history;
  unsigned long long firstSerial = 1;
  // Serials an earlier run started without an outcome: logged as skipped.
  std::vector<unsigned long long> skipped;
};

// Opens `logPath`. With `resume` (the log of an earlier run) the run goes on
// after the highest serial started there; without it a log that already
// holds cards is refused (their serials would be written again), with
// `resumeHint` saying how to go on. Returns why it cannot start (empty:
// it can).
std::string startRun(BatchLog& log, const std::string& logPath, const std::string& resume, const BatchPlan& plan,
                     const std::string& reader, const std::string& resumeHint, RunStart& start);

}  // namespace batch
