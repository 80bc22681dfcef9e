// personalise: the same image, with a serial number and fixed fields, onto
// one card after another, each verified and logged.
#include <chrono>
#include <cstdio>
#include <ostream>
#include <thread>

#include "batch/batch_engine.h"
#include "batch/run_start.h"
#include "cards/card_names.h"
#include "codes.h"
#include "commands.h"
#include "write_steps.h"

namespace cli {

namespace {

using batch::BatchPlan;

constexpr batch::FieldLabels kLabels{"--serial", "--field"};

Outcome usage(const std::string& why) { return why.empty() ? done() : fail(kUsage, why); }

Outcome buildPlan(Run& run, BatchPlan& plan) {
  if (Outcome r = run.requiredType(plan.type); r.status != kDone) return r;
  if (plan.type == CardType::Cpu) return fail(kUsage, "CPU 卡没有存储映像，不能批量写卡");
  plan.zoneIndex = plan.type == CardType::At88sc1608 ? run.o.zone.value_or(0) : 0;
  if (run.o.bcd && run.o.serial.empty()) return fail(kUsage, "--bcd 只和 --serial 一起用");
  if (!run.o.serial.empty()) {
    plan.serial.emplace();
    if (Outcome r = usage(batch::parseSerial(run.o.serial, run.o.bcd, *plan.serial, kLabels)); r.status != kDone)
      return r;
  }
  for (const std::string& text : run.o.fields) {
    plan.fields.emplace_back();
    if (Outcome r = usage(batch::parseField(text, plan.fields.back(), kLabels)); r.status != kDone) return r;
  }
  if (!run.o.protect.empty()) {
    if (!batch::protectsBytes(plan.type)) return fail(kUsage, "--protect 只用于 sle4442 和 sle4428");
    std::vector<std::string> ranges;
    for (std::size_t from = 0; from <= run.o.protect.size();) {
      const auto comma = std::min(run.o.protect.find(',', from), run.o.protect.size());
      ranges.push_back(run.o.protect.substr(from, comma - from));
      from = comma + 1;
    }
    if (Outcome r = parseRanges(ranges, batch::lastProtectable(plan.type), plan.protect); r.status != kDone) return r;
  }
  if (run.o.count) plan.count = *run.o.count;
  plan.stopOnFailure = run.o.stopOnFailure;
  ImageFile file;
  if (Outcome r = readImageFile(run, plan.type, file); r.status != kDone) return r;
  plan.image = file.bytes;
  if (Outcome r = usage(batch::checkFields(plan, run.catalogue, kLabels)); r.status != kDone) return r;
  if (!plan.protect.empty() && !run.o.yes)
    return fail(kRefused, "--protect 的写保护不可恢复，没有执行：确认地址后加 --yes 再运行");
  return done();
}

std::string readerName(const Run& run) { return run.o.reader.empty() ? run.o.port : run.o.reader; }

// The log's history and the first serial of this run; the serials an
// earlier run started without an outcome are logged as skipped.
Outcome resumePoint(Run& run, const BatchPlan& plan, batch::BatchLog& log, batch::RunStart& start) {
  const std::string& path = run.o.log.empty() ? run.o.resume : run.o.log;
  if (path.empty()) return fail(kUsage, "请用 --log FILE 给出记录文件（或用 --resume LOG 接着写）");
  if (std::string why = batch::startRun(log, path, run.o.resume, plan, readerName(run), "用 --resume " + path + " 接着写",
                                        start);
      !why.empty())
    return fail(why.rfind("无法写", 0) == 0 ? kFailed : kUsage, why);
  for (unsigned long long n : start.skipped)
    run.report.line("跳过序号 " + std::to_string(n) + "：上次开始写后没有结果");
  return done();
}

double systemClock() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

batch::BatchContext personaliseContext(Run& run, std::function<double()> clock) {
  batch::BatchContext ctx{run.cardContext(), {}, std::move(clock), readerName(run), run.o.lastAttempt};
  ctx.code = [&run](CardType, std::string& why) -> std::optional<std::string> {
    std::string code;
    Outcome r = obtainCode(run, false, code);
    if (r.status != kDone) {
      why = r.error;
      return std::nullopt;
    }
    return code;
  };
  return ctx;
}

Outcome personaliseCommand(Run& run, std::ostream& out) {
  BatchPlan plan;
  if (Outcome r = buildPlan(run, plan); r.status != kDone) return r;
  batch::BatchLog log;
  batch::RunStart start;
  if (Outcome r = resumePoint(run, plan, log, start); r.status != kDone) return r;
  if (Outcome r = run.openReader(); r.status != kDone) return r;
  out << run.report.human() << std::flush;
  run.report = Report(run.o.command);
  const int count = plan.count;
  batch::BatchEngine engine(personaliseContext(run, run.env.clock ? run.env.clock : systemClock), std::move(plan), log,
                            std::move(start.history), start.firstSerial);
  engine.onLine = [&out](const std::string& line) { out << line << "\n" << std::flush; };
  out << "等待插卡（" << (count > 0 ? "共 " + std::to_string(count) + " 张" : "Ctrl+C 停止") << "）\n" << std::flush;
  while (!engine.finished()) {
    const int wait = engine.step();
    if (wait <= 0) continue;
    if (run.env.sleep)
      run.env.sleep(wait);
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(wait));
  }
  run.report = Report(run.o.command);
  run.report.number("done", engine.done());
  run.report.number("failed", engine.failed());
  run.report.number("refused", engine.refused());
  run.report.number("nextSerial", static_cast<long long>(engine.nextSerial()));
  run.report.line("共完成 " + std::to_string(engine.done()) + " 张，失败 " + std::to_string(engine.failed()) +
                  " 张，拒绝 " + std::to_string(engine.refused()) + " 张；下一个序号 " +
                  std::to_string(engine.nextSerial()));
  if (!engine.stopReason().empty()) return fail(kFailed, "批量写卡停止：" + engine.stopReason());
  if (engine.failed() > 0) return fail(kFailed, std::to_string(engine.failed()) + " 张卡失败，见记录文件");
  return done();
}

}  // namespace cli
