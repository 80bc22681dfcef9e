#include "batch/batch_engine.h"

#include <cstdio>

#include "apdu/hex_bytes.h"
#include "batch/card_steps.h"
#include "cards/card_names.h"
#include "memview/card_image_file.h"
#include "memview/image_guard.h"
#include "memview/row_writes.h"

namespace batch {

namespace {

constexpr int kIdentBytes = 4;
// A record that cannot be kept stops the run before another card.
constexpr const char* kLogBroken = "记录文件写不进去，批量写卡停止";

}  // namespace

const char* phaseText(BatchPhase phase) {
  switch (phase) {
    case BatchPhase::WaitCard: return "等待插卡";
    case BatchPhase::CheckCard: return "检查卡片";
    case BatchPhase::WriteCard: return "写卡";
    case BatchPhase::VerifyCard: return "回读校验";
    case BatchPhase::ProtectCard: return "写保护";
    case BatchPhase::WaitRemoval: return "等待取卡";
    case BatchPhase::Finished: return "结束";
  }
  return "";
}

BatchEngine::BatchEngine(BatchContext context, BatchPlan plan, BatchLog& log, LogHistory history,
                         unsigned long long firstSerial)
    : ctx_(std::move(context)),
      plan_(std::move(plan)),
      log_(log),
      history_(std::move(history)),
      serial_(firstSerial) {}

int BatchEngine::step() {
  switch (phase_) {
    case BatchPhase::WaitCard: return waitForCard();
    case BatchPhase::CheckCard: return checkCard();
    case BatchPhase::WriteCard: return writeCard();
    case BatchPhase::VerifyCard: return verifyCard();
    case BatchPhase::ProtectCard: return protectCard();
    case BatchPhase::WaitRemoval: return waitForRemoval();
    case BatchPhase::Finished: return 0;
  }
  return 0;
}

double BatchEngine::perMinute() const {
  if (firstCard_ < 0 || done_ == 0) return 0;
  const double minutes = (ctx_.clock() - firstCard_) / 60.0;
  return minutes > 0 ? done_ / minutes : 0;
}

int BatchEngine::waitForCard() {
  if (stopRequested_) return finish("");
  const short status = ctx_.card.drv.IC_Status(ctx_.card.st.readerHandle);
  if (status == 1) return kPollMs;
  if (status != 0) return finish("读写器没有应答（" + std::to_string(status) + "）");
  if (firstCard_ < 0) firstCard_ = ctx_.clock();
  phase_ = BatchPhase::CheckCard;
  return 0;
}

std::vector<std::uint8_t> BatchEngine::cardBytes() const {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(ctx_.card.st.byteCount));
  for (int a = 0; a < ctx_.card.st.byteCount; ++a) bytes[static_cast<std::size_t>(a)] = ctx_.card.doc.byteAt(a);
  return bytes;
}

bool BatchEngine::holdsTarget(const std::vector<std::uint8_t>& card, const std::vector<std::uint8_t>& target) const {
  for (std::size_t a = 0; a < card.size() && a < target.size(); ++a) {
    if (card[a] != target[a] &&
        !holdsCodeOrCounter(ctx_.card.catalogue, plan_.type, plan_.zoneIndex, static_cast<int>(a)))
      return false;
  }
  return true;
}

bool BatchEngine::alreadyPersonalised(const std::vector<std::uint8_t>& card) const {
  if (!plan_.serial) return holdsTarget(card, cardImage(plan_, 0));
  const auto serial = serialValue(*plan_.serial, card);
  return serial && history_.written.count(*serial) != 0 && holdsTarget(card, cardImage(plan_, *serial));
}

int BatchEngine::checkCard() {
  started_ = false;
  ident_.clear();
  toWrite_ = 0;
  if (std::string why = confirmCardType(ctx_, plan_.type); !why.empty()) {
    // The reader told of a card that is not (or not yet) there: nothing
    // was sent to it, so there is no card to fail; the polling goes on.
    if (why == kNoCard) {
      phase_ = BatchPhase::WaitCard;
      return kPollMs;
    }
    return cardFailed(why);
  }
  if (std::string why = selectCardType(ctx_.card.st, ctx_.card.drv, plan_.type, plan_.zoneIndex, 0); !why.empty())
    return cardFailed(why);
  if (std::string why = readCard(ctx_); !why.empty()) return cardFailed(why);
  const std::vector<std::uint8_t> card = cardBytes();
  ident_ = upperHex(card.data(), std::min<std::size_t>(card.size(), kIdentBytes));
  if (alreadyPersonalised(card)) {
    ++refused_;
    const auto serial = plan_.serial ? serialValue(*plan_.serial, card) : std::nullopt;
    LogRecord r = record(batchresult::kRefused, "已经个人化过（卡上已是映像" +
                                                    (serial ? "和记录中写过的序号 " + std::to_string(*serial) : "") +
                                                    "），没有写");
    r.serial = serial;
    if (!writeLog(r)) return finish(kLogBroken);
    phase_ = BatchPhase::WaitRemoval;
    return 0;
  }
  if (plan_.serial && !serialBytes(*plan_.serial, serial_))
    return finish("序号 " + std::to_string(serial_) + " 放不进 " + std::to_string(plan_.serial->length) + " 个字节");
  target_ = cardImage(plan_, serial_);
  for (int a = 0; a < ctx_.card.st.byteCount; ++a) {
    const auto i = static_cast<std::size_t>(a);
    if (card[i] != target_[i] && protectedOnCard(ctx_.card.st, a) &&
        !holdsCodeOrCounter(ctx_.card.catalogue, plan_.type, plan_.zoneIndex, a))
      return cardFailed("字节 " + hexAddress(a) + " 已写保护，内容与映像不同；没有写");
  }
  toWrite_ = cardimage::loadIntoImage(ctx_.card, target_).changed;
  if (codeDigits(plan_.type) > 0 && (toWrite_ > 0 || !plan_.protect.empty())) {
    if (!code_) {
      std::string why = "没有密码";
      code_ = ctx_.code ? ctx_.code(plan_.type, why) : std::nullopt;
      // Without its code no card of the run can be written.
      if (!code_) return cardFailed(why, true);
    }
    // A wrong code burnt an attempt: no second card may lose one too.
    if (const CodeCheck c = presentCode(ctx_, *code_); !c.error.empty()) return cardFailed(c.error, c.fatal);
  }
  phase_ = BatchPhase::WriteCard;
  return 0;
}

int BatchEngine::writeCard() {
  started_ = true;
  if (!writeLog(record(batchresult::kStarted, "开始写卡"))) return finish(kLogBroken);
  if (afterStarted) afterStarted(serial_);
  std::vector<int> failedRows;
  const std::string stopped = writeEditedRows(ctx_.card, failedRows);
  if (!stopped.empty()) return cardFailed(stopped);
  if (!failedRows.empty())
    return cardFailed("写入没有成功（回读不符或卡片拒绝），起始地址 " + hexAddress(failedRows.front()));
  phase_ = BatchPhase::VerifyCard;
  return 0;
}

int BatchEngine::verifyCard() {
  if (std::string why = readCard(ctx_); !why.empty()) return cardFailed("回读：" + why);
  if (!holdsTarget(cardBytes(), target_)) return cardFailed("回读的内容与要写的映像不同");
  phase_ = plan_.protect.empty() ? BatchPhase::WaitRemoval : BatchPhase::ProtectCard;
  return plan_.protect.empty() ? succeed() : 0;
}

int BatchEngine::protectCard() {
  for (int a : plan_.protect) {
    if (protectedOnCard(ctx_.card.st, a)) continue;
    if (plan_.type == CardType::Sle4442)
      ctx_.card.st.protect4442[static_cast<std::size_t>(a)] = kProtectedFlag;
    else
      flag4428(ctx_.card.st.pages4428, a) = kProtectedFlag;
  }
  memview::RowWriter rows(ctx_.card);
  const bool ok = plan_.type == CardType::Sle4442 ? rows.writeMarks4442() : rows.writeMarks4428();
  for (int a : plan_.protect) {
    if (!ok || !protectedOnCard(ctx_.card.st, a))
      return cardFailed("映像已写入并校验，但写保护没有成功（字节 " + hexAddress(a) + "）");
  }
  return succeed();
}

int BatchEngine::waitForRemoval() {
  if (stopRequested_) return finish("");
  const short status = ctx_.card.drv.IC_Status(ctx_.card.st.readerHandle);
  if (status == 0) return kPollMs;
  if (status != 1) return finish("读写器没有应答（" + std::to_string(status) + "）");
  phase_ = BatchPhase::WaitCard;
  return 0;
}

int BatchEngine::succeed() {
  ++done_;
  history_.written.insert(serial_);
  LogRecord r = record(batchresult::kOk, "已写入并回读确认");
  r.bytesWritten = toWrite_;
  const bool logged = writeLog(r);
  ++serial_;
  if (!logged) return finish(kLogBroken);
  char rate[32];
  std::snprintf(rate, sizeof rate, "%.1f", perMinute());
  if (onLine)
    onLine("完成 " + std::to_string(done_) + "，失败 " + std::to_string(failed_) + "，每分钟 " + rate + " 张");
  if (plan_.count > 0 && done_ >= plan_.count) return finish("");
  phase_ = BatchPhase::WaitRemoval;
  return 0;
}

int BatchEngine::cardFailed(const std::string& message, bool fatal) {
  ++failed_;
  const bool logged = writeLog(record(batchresult::kFailed, message + (started_ ? "（此序号不再使用）" : "")));
  // A serial that was started may be on the card: it is never used again.
  if (started_) ++serial_;
  started_ = false;
  if (!logged) return finish(kLogBroken);
  if (fatal) return finish(message);
  if (plan_.stopOnFailure) return finish("卡片失败，遇到失败即停止：" + message);
  phase_ = BatchPhase::WaitRemoval;
  return 0;
}

int BatchEngine::finish(const std::string& reason) {
  stopReason_ = reason;
  phase_ = BatchPhase::Finished;
  return 0;
}

LogRecord BatchEngine::record(const std::string& result, const std::string& message) const {
  LogRecord r;
  r.reader = ctx_.reader;
  r.cardType = nameOf(plan_.type);
  r.ident = ident_;
  if (started_ || result == batchresult::kOk) r.serial = serial_;
  r.result = result;
  r.message = message;
  return r;
}

bool BatchEngine::writeLog(const LogRecord& r) {
  if (onLine) {
    // Grown in place: GCC 12 for i686 misreads a concatenation with a
    // literal on the left as overlapping copies.
    std::string text = r.result;
    if (r.serial) text.append(" ").append(std::to_string(*r.serial));
    onLine(text.append("：").append(r.message));
  }
  return log_.write(r);
}

}  // namespace batch
