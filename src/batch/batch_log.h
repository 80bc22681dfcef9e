// The record of a personalisation run: a CSV file, one line appended and
// flushed per event, so a run that is killed loses nothing it did. A
// "started" line goes out before a card's serial number is written, its
// outcome after.
#pragma once

#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace batch {

namespace batchresult {
inline constexpr const char* kStarted = "started";
inline constexpr const char* kOk = "ok";
inline constexpr const char* kFailed = "failed";
inline constexpr const char* kRefused = "refused";
inline constexpr const char* kSkipped = "skipped";
}  // namespace batchresult

struct LogRecord {
  std::string reader;
  std::string cardType;
  std::string ident;  // the card's identification bytes, in hex
  std::optional<unsigned long long> serial;  // none for a card refused before its write
  int bytesWritten = 0;
  std::string result;  // one of batchresult
  std::string message;
};

// One CSV line (no line end): time first, fields quoted where needed.
std::string csvLine(const std::string& time, const LogRecord& record);
// The fields of a CSV line.
std::vector<std::string> csvFields(const std::string& line);

class BatchLog {
 public:
  // Opens `path` for appending (the header line into a new file).
  bool open(const std::string& path, std::string& why);
  // Appends and flushes; false when the file did not take it.
  bool write(const LogRecord& record);

 private:
  std::ofstream out_;
};

// What an earlier run's log says.
struct LogHistory {
  std::optional<unsigned long long> highestStarted;
  std::set<unsigned long long> written;          // serials verified on a card
  std::set<unsigned long long> withoutOutcome;  // started, and then nothing
};
bool readLogHistory(const std::string& path, LogHistory& history, std::string& why);

}  // namespace batch
