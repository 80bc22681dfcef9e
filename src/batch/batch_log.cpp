#include "batch/batch_log.h"

#include <filesystem>

#include "platform/local_time.h"
#include "platform/utf.h"

namespace batch {

namespace {

constexpr const char* kHeader = "time,reader,card type,id,serial,bytes written,result,message";
enum Column { kTime, kReader, kType, kIdent, kSerial, kBytes, kResult, kMessage, kColumns };

std::string quoted(const std::string& field) {
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string out = "\"";
  for (char c : field) {
    if (c == '"') out += '"';
    out += c == '\r' || c == '\n' ? ' ' : c;
  }
  return out + "\"";
}

}  // namespace

std::string csvLine(const std::string& time, const LogRecord& r) {
  const std::string fields[] = {time,        r.reader,
                                r.cardType,  r.ident,
                                r.serial ? std::to_string(*r.serial) : std::string(), std::to_string(r.bytesWritten),
                                r.result,    r.message};
  std::string line;
  for (const std::string& f : fields) {
    if (!line.empty() || &f != &fields[0]) line += ',';
    line += quoted(f);
  }
  return line;
}

std::vector<std::string> csvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool inQuotes = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (inQuotes && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      fields.back() += '"';
      ++i;
    } else if (c == '"') {
      inQuotes = !inQuotes;
    } else if (c == ',' && !inQuotes) {
      fields.emplace_back();
    } else if (c != '\r') {
      fields.back() += c;
    }
  }
  return fields;
}

bool BatchLog::open(const std::string& path, std::string& why) {
  std::error_code ec;
  const bool fresh = !std::filesystem::exists(utf::pathOf(path), ec) || std::filesystem::file_size(utf::pathOf(path), ec) == 0;
  if (out_.is_open()) out_.close();
  out_.open(utf::pathOf(path), std::ios::app | std::ios::binary);
  if (!out_ || (fresh && !(out_ << kHeader << "\n").flush())) {
    why = "无法写记录文件 " + path;
    return false;
  }
  return true;
}

bool BatchLog::write(const LogRecord& record) {
  out_ << csvLine(localTimestamp(), record) << "\n";
  return static_cast<bool>(out_.flush());
}

bool readLogHistory(const std::string& path, LogHistory& history, std::string& why) {
  std::ifstream in(utf::pathOf(path), std::ios::binary);
  if (!in) {
    why = "无法读取记录文件 " + path;
    return false;
  }
  std::string line;
  while (std::getline(in, line)) {
    const std::vector<std::string> f = csvFields(line);
    if (f.size() < kColumns || line.rfind(kHeader, 0) == 0) continue;
    unsigned long long serial = 0;
    try {
      serial = std::stoull(f[kSerial]);
    } catch (const std::exception&) {
      continue;
    }
    const std::string& result = f[kResult];
    if (result == batchresult::kStarted) {
      history.withoutOutcome.insert(serial);
      if (!history.highestStarted || serial > *history.highestStarted) history.highestStarted = serial;
      continue;
    }
    if (result == batchresult::kOk) history.written.insert(serial);
    if (result != batchresult::kRefused) history.withoutOutcome.erase(serial);
  }
  return true;
}

}  // namespace batch
