#include "sim/state_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>

#include "sim/hex.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace sim {

namespace {
constexpr std::size_t kBytesPerLine = 32;
constexpr const char* kMagic = "pelox-card 1";
}  // namespace

std::string stateText(Card& card) {
  std::ostringstream out;
  out << kMagic << "\n";
  out << "type " << card.typeName() << "\n";
  for (const Field& f : card.fields()) {
    if (f.number) {
      out << "number " << f.name << " " << *f.number << "\n";
      continue;
    }
    const Bytes& b = *f.bytes;
    out << "bytes " << f.name << " " << b.size() << "\n";
    for (std::size_t at = 0; at < b.size(); at += kBytesPerLine) {
      char offset[32];
      std::snprintf(offset, sizeof offset, "%04zX ", at);
      std::size_t n = std::min(kBytesPerLine, b.size() - at);
      out << offset << toHex(b.data() + at, n) << "\n";
    }
  }
  out << "end\n";
  return out.str();
}

bool parseState(Card& card, const std::string& text, std::string& why) {
  std::istringstream in(text);
  std::string line;
  auto fail = [&](const std::string& reason) {
    why = reason;
    return false;
  };
  if (!std::getline(in, line) || line != kMagic) return fail("not a card state file");
  if (!std::getline(in, line) || line != "type " + card.typeName()) return fail("the file is of another card type: " + line);
  std::vector<Field> fields = card.fields();
  std::map<std::string, Bytes> bytes;
  std::map<std::string, int> numbers;
  bool ended = false;
  while (std::getline(in, line)) {
    if (line == "end") {
      ended = true;
      break;
    }
    std::istringstream words(line);
    std::string kind, name;
    words >> kind >> name;
    if (kind == "number") {
      long value = 0;
      if (!(words >> value) || value < -1000000 || value > 1000000) return fail("bad number in: " + line);
      numbers[name] = static_cast<int>(value);
    } else if (kind == "bytes") {
      std::size_t count = 0;
      if (!(words >> count) || count > (1u << 22)) return fail("bad size in: " + line);
      Bytes data;
      data.reserve(count);
      while (data.size() < count) {
        if (!std::getline(in, line)) return fail("field " + name + " is cut short");
        std::istringstream row(line);
        std::string offset, digits;
        row >> offset >> digits;
        auto chunk = fromHexAll(digits);
        if (!chunk || std::strtoul(offset.c_str(), nullptr, 16) != data.size() || data.size() + chunk->size() > count)
          return fail("bad data line in field " + name + ": " + line.substr(0, 40));
        data.insert(data.end(), chunk->begin(), chunk->end());
      }
      bytes[name] = std::move(data);
    } else {
      return fail("unexpected line: " + line.substr(0, 40));
    }
  }
  if (!ended) return fail("the file is cut short (no end line)");
  // Every field must be present with the card's own size before anything is
  // taken over.
  for (const Field& f : fields) {
    if (f.number) {
      if (!numbers.count(f.name)) return fail("missing field " + f.name);
    } else {
      auto it = bytes.find(f.name);
      if (it == bytes.end()) return fail("missing field " + f.name);
      if (it->second.size() != f.bytes->size()) return fail("field " + f.name + " has the wrong size");
    }
  }
  for (const Field& f : fields) {
    if (f.number)
      *f.number = numbers[f.name];
    else
      *f.bytes = bytes[f.name];
  }
  return true;
}

std::optional<std::string> readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

bool saveAtomically(const std::filesystem::path& path, const std::string& text, std::string& why) {
  std::error_code ec;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  std::filesystem::path temp = path;
  temp += ".tmp";
#ifdef _WIN32
  FILE* f = _wfopen(temp.c_str(), L"wb");
#else
  FILE* f = std::fopen(temp.c_str(), "wb");
#endif
  if (f == nullptr) {
    why = "cannot create the temporary file";
    return false;
  }
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fflush(f) == 0;
#ifndef _WIN32
  ok = ok && fsync(fileno(f)) == 0;
#endif
  ok = (std::fclose(f) == 0) && ok;
  if (!ok) {
    why = "cannot write the temporary file";
    std::filesystem::remove(temp, ec);
    return false;
  }
#ifdef _WIN32
  ok = MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
  ok = std::rename(temp.c_str(), path.c_str()) == 0;
#endif
  if (!ok) {
    why = "cannot rename the temporary file over the state file";
    std::filesystem::remove(temp, ec);
  }
  return ok;
}

std::filesystem::path moveAside(const std::filesystem::path& path) {
  std::error_code ec;
  for (int n = 1; n < 1000; ++n) {
    std::filesystem::path aside = path;
    aside += ".damaged-" + std::to_string(n);
    if (std::filesystem::exists(aside, ec)) continue;
    std::filesystem::rename(path, aside, ec);
    return ec ? std::filesystem::path() : aside;
  }
  return {};
}

}  // namespace sim
