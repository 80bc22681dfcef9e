#include "apdu/apdu_history.h"

#include "apdu/status_words.h"
#include "platform/local_time.h"

namespace apdu {
namespace {

const char* originName(Origin o) {
  switch (o) {
    case Origin::Console:
      return "控制台";
    case Origin::Workbench:
      return "工作台";
    case Origin::Script:
      return "脚本";
  }
  return "";
}

// "2026-12-08 06:41:22.241" -> "06:41:22.241".
std::string timeOfDay(const std::string& stamp) {
  const auto blank = stamp.find(' ');
  return blank == std::string::npos ? stamp : stamp.substr(blank + 1);
}

}  // namespace

History::History(Clock clock) : clock_(std::move(clock)) {}
History::History() : History(localTimestamp) {}

void History::add(ExchangeRecord r) {
  r.time = timeOfDay(clock_());
  records_.push_back(std::move(r));
  if (records_.size() > kMaxRecords) {
    records_.pop_front();
    ++dropped_;
  }
}

void History::recordReset(Origin origin, short result, const Bytes& atr) {
  add({"", origin, true, {}, result, atr});
}

void History::recordApdu(Origin origin, const Bytes& command, short result, const Bytes& answer) {
  add({"", origin, false, command, result, answer});
}

std::string History::line(const ExchangeRecord& r) {
  std::string s = r.time + " [" + originName(r.origin) + "] " + (r.reset ? "复位" : hex(r.command)) + " -> ";
  if (r.result != 0) return s + "出错 ERR_CODE=" + std::to_string(r.result);
  if (r.reset) return s + hex(r.answer) + "（复位应答）";
  return s + hex(r.answer) + "  " + answerStatusText(r.answer);
}

std::string History::text(std::size_t last) const {
  std::string s;
  const std::size_t first = records_.size() > last ? records_.size() - last : 0;
  for (std::size_t i = first; i < records_.size(); ++i) s += line(records_[i]) + "\r\n";
  return s;
}

std::string History::fileText() const {
  std::string s = "APDU交换记录，保存于" + clock_() + "\r\n";
  if (dropped_ > 0) s += "（最早的" + std::to_string(dropped_) + "条记录已不在内存中）\r\n";
  return s + text();
}

}  // namespace apdu
