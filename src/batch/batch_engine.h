// Personalisation as a step machine: each step() does one short thing
// (look for a card, check it, write it, read it back, protect it, wait for
// it to be taken out) and says how long to wait before the next, so a
// shell loop or a window's timer can drive it without blocking. The driver
// has no card events: the reader is polled.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "batch/batch_context.h"
#include "batch/batch_log.h"
#include "batch/batch_plan.h"

namespace batch {

enum class BatchPhase { WaitCard, CheckCard, WriteCard, VerifyCard, ProtectCard, WaitRemoval, Finished };

// The step a person sees: "等待插卡", "检查卡片", ...
const char* phaseText(BatchPhase phase);

inline constexpr int kPollMs = 100;

class BatchEngine {
 public:
  // `history`: what earlier runs logged (the serials written, for cards that
  // come back). `firstSerial`: the serial of the first card of this run.
  BatchEngine(BatchContext context, BatchPlan plan, BatchLog& log, LogHistory history,
              unsigned long long firstSerial);

  // One short thing; the milliseconds to wait before the next step.
  int step();
  // The operator stops the run: a card being written is finished first.
  void stop() { stopRequested_ = true; }

  BatchPhase phase() const { return phase_; }
  bool finished() const { return phase_ == BatchPhase::Finished; }
  int done() const { return done_; }
  int failed() const { return failed_; }
  int refused() const { return refused_; }
  unsigned long long nextSerial() const { return serial_; }
  // Cards done per minute since the first card came in.
  double perMinute() const;
  // Why the run ended before its count (empty: the count was reached or
  // the operator stopped it).
  const std::string& stopReason() const { return stopReason_; }

  // Lines for a person: each card's outcome and the progress.
  std::function<void(const std::string&)> onLine;
  // Called once a card's "started" line is in the log, before its write.
  std::function<void(unsigned long long serial)> afterStarted;

 private:
  int waitForCard();
  int checkCard();
  int writeCard();
  int verifyCard();
  int protectCard();
  int waitForRemoval();
  // Whether the card read is one this run or an earlier one personalised.
  bool alreadyPersonalised(const std::vector<std::uint8_t>& card) const;
  bool holdsTarget(const std::vector<std::uint8_t>& card, const std::vector<std::uint8_t>& target) const;
  int succeed();
  // The card failed: logged, counted, and the run goes on unless told to
  // stop (or `fatal`: no further card may be touched).
  int cardFailed(const std::string& message, bool fatal = false);
  int finish(const std::string& reason);
  LogRecord record(const std::string& result, const std::string& message) const;
  bool writeLog(const LogRecord& r);
  std::vector<std::uint8_t> cardBytes() const;

  BatchContext ctx_;
  BatchPlan plan_;
  BatchLog& log_;
  LogHistory history_;
  std::optional<std::string> code_;  // asked for once, when a card first needs it
  BatchPhase phase_ = BatchPhase::WaitCard;
  unsigned long long serial_;
  bool started_ = false;  // the card's serial is in the log as started
  bool stopRequested_ = false;
  std::vector<std::uint8_t> target_;
  std::string ident_;
  int toWrite_ = 0;
  int done_ = 0, failed_ = 0, refused_ = 0;
  double firstCard_ = -1;
  std::string stopReason_;
};

}  // namespace batch
