#include "batch/batch_dlg.h"

#include <cstdio>

#include "batch/card_steps.h"
#include "batch/run_start.h"
#include "cards/card_names.h"

namespace {

constexpr const char* kCaption = "批量写卡";
constexpr port::FileDialogs::Filter kImageFilter{"卡片映像文件 (*.bin)", "*.bin", "bin"};

// The shell of a run: a box of the card commands would stop the run until
// someone answers it, so its text goes into the progress list instead and
// gets the safe answer (OK, or No to a question); the rest is the window's.
class ListShell : public port::Shell {
 public:
  ListShell(port::Shell& shell, port::LineList& list) : shell_(shell), list_(list) {}
  int messageBox(std::string_view text, std::string_view caption, unsigned style) override {
    list_.add(std::string(caption) + "：" + std::string(text));
    return (style & 0xF) == port::mb::kYesNo ? port::mb::kIdNo : port::mb::kIdOk;
  }
  void beep(unsigned type) override { shell_.beep(type); }
  void setWaitCursor(bool on) override { shell_.setWaitCursor(on); }
  void postQuit(int exitCode) override { shell_.postQuit(exitCode); }
  bool startProcess(std::string_view commandLine, int show) override { return shell_.startProcess(commandLine, show); }
  void shellExecute(std::string_view file, int show) override { shell_.shellExecute(file, show); }
  void helpEngine(std::string_view file, unsigned command) override { shell_.helpEngine(file, command); }
  std::string programPath() override { return shell_.programPath(); }
  port::Point screenSize() override { return shell_.screenSize(); }

 private:
  port::Shell& shell_;
  port::LineList& list_;
};

constexpr int kOptionControls[] = {IDC_BATCH_IMAGE, IDC_BATCH_BROWSE,  IDC_BATCH_COUNT,           IDC_BATCH_UNTIL_STOPPED,
                                   IDC_BATCH_SERIAL, IDC_BATCH_BCD,    IDC_BATCH_FIELDS,          IDC_BATCH_CODE,
                                   IDC_BATCH_PROTECT, IDC_BATCH_LOG,   IDC_BATCH_STOP_ON_FAILURE, IDC_BATCH_RESUME};

int controlOf(batch::Option option) {
  switch (option) {
    case batch::Option::Image: return IDC_BATCH_IMAGE;
    case batch::Option::Count: return IDC_BATCH_COUNT;
    case batch::Option::Serial: return IDC_BATCH_SERIAL;
    case batch::Option::Fields: return IDC_BATCH_FIELDS;
    case batch::Option::Code: return IDC_BATCH_CODE;
    case batch::Option::Protect: return IDC_BATCH_PROTECT;
    case batch::Option::Log: return IDC_BATCH_LOG;
  }
  return IDC_BATCH_IMAGE;
}

}  // namespace

CBatchDlg::CBatchDlg(Reader reader, CardType type, int zoneIndex, std::function<double()> clock)
    : reader_(std::move(reader)), type_(type), zoneIndex_(zoneIndex), clock_(std::move(clock)) {
  st_.readerHandle = reader_.handle;
  st_.port = reader_.port;
}

CBatchDlg::~CBatchDlg() = default;

bool CBatchDlg::onInit(port::DialogControls& c) {
  c.setText(IDC_BATCH_CARD_TYPE, nameOf(type_) + (type_ == CardType::At88sc1608 ? " 区 " + std::to_string(zoneIndex_) : ""));
  c.setText(IDC_BATCH_COUNT, m_options.count.empty() ? "1" : m_options.count);
  c.setText(IDC_BATCH_LOG, m_options.log.empty() ? m_logDefault : m_options.log);
  if (batch::codeDigits(type_) == 0) c.enable(IDC_BATCH_CODE, false);
  if (!batch::protectsBytes(type_)) c.enable(IDC_BATCH_PROTECT, false);
  c.limitText(IDC_BATCH_CODE, batch::codeDigits(type_));
  c.setText(IDC_BATCH_STEP, "未开始");
  return true;
}

void CBatchDlg::exchange(port::DialogControls& c) {
  m_options.image = c.text(IDC_BATCH_IMAGE);
  m_options.count = c.text(IDC_BATCH_COUNT);
  m_options.untilStopped = c.isChecked(IDC_BATCH_UNTIL_STOPPED);
  m_options.serial = c.text(IDC_BATCH_SERIAL);
  m_options.bcd = c.isChecked(IDC_BATCH_BCD);
  m_options.fields = c.text(IDC_BATCH_FIELDS);
  m_options.code = c.text(IDC_BATCH_CODE);
  m_options.stopOnFailure = c.isChecked(IDC_BATCH_STOP_ON_FAILURE);
  m_options.protect = c.text(IDC_BATCH_PROTECT);
  m_options.log = c.text(IDC_BATCH_LOG);
  m_options.resume = c.isChecked(IDC_BATCH_RESUME);
}

void CBatchDlg::onCommand(port::DialogControls& c, int id, int code) {
  if (code != port::notify::kClicked) return;
  switch (id) {
    case IDC_BATCH_BROWSE: return onBrowse(c);
    case IDC_BATCH_START: return onStart(c);
    case IDC_BATCH_STOP: return onStop(c);
    case IDC_BATCH_UNTIL_STOPPED: return c.enable(IDC_BATCH_COUNT, !c.isChecked(IDC_BATCH_UNTIL_STOPPED));
    default: return Dialog::onCommand(c, id, code);
  }
}

void CBatchDlg::onBrowse(port::DialogControls& c) {
  const std::string path = reader_.files.askOpenPath(kImageFilter);
  if (!path.empty()) c.setText(IDC_BATCH_IMAGE, path);
}

void CBatchDlg::refuse(port::DialogControls& c, int control, const std::string& message) {
  c.messageBox(message, kCaption, port::mb::kOk | port::mb::kIconExclamation);
  c.setFocus(control);
  c.selectAll(control);
}

void CBatchDlg::onStart(port::DialogControls& c) {
  if (running()) return;
  exchange(c);
  batch::BatchPlan plan;
  const batch::PlanRefusal refusal =
      batch::makePlan(m_options, type_, zoneIndex_, reader_.files, reader_.catalogue, plan);
  if (!refusal.message.empty()) return refuse(c, controlOf(refusal.option), refusal.message);
  if (!plan.protect.empty()) {
    const std::string question = "写保护不可恢复：每张卡的 " + std::to_string(plan.protect.size()) +
                                 " 个字节（" + m_options.protect + "）写入并校验后将永远不能再改。确定要写保护吗？";
    if (c.messageBox(question, kCaption, port::mb::kYesNo | port::mb::kIconExclamation) != port::mb::kIdYes) return;
  }
  batch::RunStart start;
  if (std::string why = batch::startRun(log_, m_options.log, m_options.resume ? m_options.log : "", plan,
                                        reader_.name, "选“接着写”", start);
      !why.empty())
    return refuse(c, IDC_BATCH_LOG, why);
  port::LineList& list = c.list(IDC_BATCH_PROGRESS);
  for (unsigned long long n : start.skipped)
    list.add("跳过序号 " + std::to_string(n) + "：上次开始写后没有结果");
  runShell_ = std::make_unique<ListShell>(reader_.shell, list);
  const std::string code = m_options.code;
  batch::BatchContext ctx{{st_, doc_, reader_.drv, *runShell_, reader_.files, reader_.catalogue}, {}, clock_,
                          reader_.name, false};
  ctx.code = [code](CardType, std::string&) -> std::optional<std::string> { return code; };
  const int count = plan.count;
  engine_ = std::make_unique<batch::BatchEngine>(std::move(ctx), std::move(plan), log_, std::move(start.history),
                                                 start.firstSerial);
  engine_->onLine = [&list](const std::string& line) { list.add(line); };
  list.add("开始：" + (count > 0 ? "共 " + std::to_string(count) + " 张" : std::string("直到停止")) + "，第一个序号 " +
           std::to_string(start.firstSerial) + "；请插卡");
  enableOptions(c, false);
  showProgress(c);
  c.timer().arm(0);
}

void CBatchDlg::onStop(port::DialogControls& c) {
  if (!running()) return;
  engine_->stop();
  c.enable(IDC_BATCH_STOP, false);
  c.list(IDC_BATCH_PROGRESS).add("停止：正在写的卡写完后停止");
}

void CBatchDlg::onTimer(port::DialogControls& c) {
  if (!running()) return;
  const int wait = engine_->step();
  showProgress(c);
  if (engine_->finished()) return finishRun(c);
  c.timer().arm(wait);
}

void CBatchDlg::onCancel(port::DialogControls& c) {
  if (running()) {
    // A card being written is finished and logged before the dialog goes.
    engine_->stop();
    c.timer().cancel();
    for (int guard = 0; guard < 1000 && !engine_->finished(); ++guard) engine_->step();
    finishRun(c);
  }
  c.end(port::mb::kIdCancel);
}

void CBatchDlg::showProgress(port::DialogControls& c) {
  char rate[32];
  std::snprintf(rate, sizeof rate, "%.1f 张", engine_->perMinute());
  c.setText(IDC_BATCH_DONE, std::to_string(engine_->done()));
  c.setText(IDC_BATCH_FAILED, std::to_string(engine_->failed()));
  c.setText(IDC_BATCH_RATE, rate);
  c.setText(IDC_BATCH_STEP, batch::phaseText(engine_->phase()));
}

void CBatchDlg::finishRun(port::DialogControls& c) {
  c.timer().cancel();
  const std::string summary = "结束：完成 " + std::to_string(engine_->done()) + " 张，失败 " +
                              std::to_string(engine_->failed()) + " 张，拒绝 " + std::to_string(engine_->refused()) +
                              " 张；下一个序号 " + std::to_string(engine_->nextSerial());
  c.list(IDC_BATCH_PROGRESS).add(summary);
  enableOptions(c, true);
  // The next run goes on from this one's log.
  c.check(IDC_BATCH_RESUME, true);
  const std::string reason = engine_->stopReason();
  if (!reason.empty()) {
    c.list(IDC_BATCH_PROGRESS).add("批量写卡停止：" + reason);
    c.messageBox("批量写卡停止：" + reason, kCaption, port::mb::kOk | port::mb::kIconExclamation);
  }
}

void CBatchDlg::enableOptions(port::DialogControls& c, bool enabled) {
  for (int id : kOptionControls) c.enable(id, enabled);
  if (enabled) {
    c.enable(IDC_BATCH_CODE, batch::codeDigits(type_) > 0);
    c.enable(IDC_BATCH_PROTECT, batch::protectsBytes(type_));
    c.enable(IDC_BATCH_COUNT, !c.isChecked(IDC_BATCH_UNTIL_STOPPED));
  }
  c.enable(IDC_BATCH_START, enabled);
  c.enable(IDC_BATCH_STOP, !enabled);
}
