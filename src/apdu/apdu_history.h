// Every exchange with a CPU card in this run, from the CPU card console,
// the APDU workbench and its scripts: when, what was sent, what came back
// and what the status word means. Kept in memory for the run; copied or
// saved as text.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>

#include "apdu/hex_bytes.h"

namespace apdu {

enum class Origin { Console, Workbench, Script };

struct ExchangeRecord {
  std::string time;  // "06:41:22.241"
  Origin origin = Origin::Workbench;
  bool reset = false;  // a reset (the answer is the answer to reset)
  Bytes command;
  short result = 0;  // the driver's result; the answer counts only when 0
  Bytes answer;
};

class History {
 public:
  // The clock gives "2026-12-08 06:41:22.241" (localTimestamp).
  using Clock = std::function<std::string()>;
  explicit History(Clock clock);
  History();

  void recordReset(Origin origin, short result, const Bytes& atr);
  void recordApdu(Origin origin, const Bytes& command, short result, const Bytes& answer);

  const std::deque<ExchangeRecord>& records() const { return records_; }
  bool empty() const { return records_.empty(); }
  // Records dropped since the history reached its size.
  std::size_t dropped() const { return dropped_; }

  // One line per record, CR LF after each; `last` limits it to the newest.
  std::string text(std::size_t last = kMaxRecords) const;
  // The text of a file: a heading with the date and time, then every line.
  std::string fileText() const;
  static std::string line(const ExchangeRecord& r);

  // The oldest records give way past this many.
  static constexpr std::size_t kMaxRecords = 10000;

 private:
  void add(ExchangeRecord r);

  Clock clock_;
  std::deque<ExchangeRecord> records_;
  std::size_t dropped_ = 0;
};

}  // namespace apdu
