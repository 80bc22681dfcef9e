#include "reader/driver_trace.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/local_time.h"

namespace {

DriverTable g_inner;       // the driver behind the trace
std::FILE* g_file = nullptr;

// Functions whose code or text arguments are secrets.
bool isSecret(std::string_view fn) {
  return fn.starts_with("IC_CheckPass") || fn.starts_with("IC_ChangePass") || fn == "IC_CheckAZPass_102" ||
         fn == "IC_ChangeAZPass_102" || fn.ends_with("Password_Hex");
}

std::string hex(const unsigned char* p, long long n) {
  if (p == nullptr) return "null";
  if (n < 0) n = 0;
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string s;
  s.reserve(static_cast<std::size_t>(n) * 2);
  for (long long i = 0; i < n; ++i) {
    s += kDigits[p[i] >> 4];
    s += kDigits[p[i] & 0x0F];
  }
  return s;
}

std::string quoted(const char* p, std::size_t max) {
  if (p == nullptr) return "null";
  std::size_t n = 0;
  while (n < max && p[n] != '\0') ++n;
  std::string s = "\"";
  for (std::size_t i = 0; i < n; ++i) {
    const auto c = static_cast<unsigned char>(p[i]);
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      s += static_cast<char>(c);
    } else {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\x%02X", c);
      s += esc;
    }
  }
  return s + "\"";
}

// One traced call: the arguments are recorded, the call made, and then the
// whole line is formatted (output buffers hold what the driver returned).
class Call {
 public:
  using Arg = std::variant<long long, const unsigned char*, unsigned char*, const char*, char*>;

  explicit Call(const char* name) : name_(name), start_(std::chrono::steady_clock::now()) {}

  template <typename T>
  void add(T v) {
    if constexpr (std::is_integral_v<T>) {
      args_.emplace_back(static_cast<long long>(v));
    } else {
      args_.emplace_back(v);
    }
  }

  void finish(long long result) {
    const auto micros =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start_).count();
    std::string line = localTimestamp() + " " + name_ + "(";
    for (std::size_t i = 0; i < args_.size(); ++i) line += (i ? ", " : "") + format(i);
    line += ") = " + std::to_string(result) + " [" + std::to_string(micros) + " us]\n";
    if (g_file != nullptr) {
      std::fputs(line.c_str(), g_file);
      std::fflush(g_file);
    }
  }

 private:
  long long scalar(std::size_t i) const {
    if (i < args_.size() && std::holds_alternative<long long>(args_[i])) return std::get<long long>(args_[i]);
    return 0;
  }
  // The byte value behind a length pointer argument.
  long long byteAt(std::size_t i) const {
    if (i < args_.size() && std::holds_alternative<unsigned char*>(args_[i])) {
      const unsigned char* p = std::get<unsigned char*>(args_[i]);
      return p != nullptr ? *p : 0;
    }
    return 0;
  }

  // Number of bytes of the buffer argument i.
  long long lengthOf(std::size_t i) const {
    const std::string_view n = name_;
    if (const int code = passwordCodeLength(n, scalar(1)); code >= 0) return code;
    if (n == "hex2asc" || n == "asc2hex") return scalar(2);
    if (n == "IC_ReadVer") return 20;
    if (n == "IC_CpuReset") return i == 1 ? 1 : byteAt(1);
    if (n == "IC_CpuApdu") return i == 2 ? scalar(1) : (i == 3 ? 1 : byteAt(3));
    // Otherwise the nearest scalar before the buffer: (handle, address, length, buffer).
    for (std::size_t k = i; k-- > 0;) {
      if (std::holds_alternative<long long>(args_[k])) return k == 0 ? 0 : scalar(k);
    }
    return 0;
  }

  std::string format(std::size_t i) const {
    const std::string_view n = name_;
    const bool secret = isSecret(n) || (n == "SetInit_Hex" && i == 1);
    const Arg& a = args_[i];
    if (std::holds_alternative<long long>(a)) return std::to_string(std::get<long long>(a));
    if (secret && (std::holds_alternative<const unsigned char*>(a) || std::holds_alternative<const char*>(a)))
      return "****";
    const long long len = lengthOf(i);
    if (std::holds_alternative<const unsigned char*>(a)) return hex(std::get<const unsigned char*>(a), len);
    if (std::holds_alternative<unsigned char*>(a)) {
      if (n == "IC_ReadVer") return "out=" + quoted(reinterpret_cast<const char*>(std::get<unsigned char*>(a)), 20);
      return "out=" + hex(std::get<unsigned char*>(a), len);
    }
    if (std::holds_alternative<const char*>(a)) {
      const std::size_t max = (n == "hex2asc") ? static_cast<std::size_t>(len > 0 ? len * 2 : 0) : 4096;
      return quoted(std::get<const char*>(a), max);
    }
    const char* out = std::get<char*>(a);
    if (n == "Authenticate_Hex") return "out=" + quoted(out, 16);
    return "out=" + quoted(out, static_cast<std::size_t>(len > 0 ? len * 2 : 0));
  }

  const char* name_;
  std::chrono::steady_clock::time_point start_;
  std::vector<Arg> args_;
};

template <typename F, typename... A>
auto traced(const char* name, F fn, A... args) {
  using R = decltype(fn(args...));
  Call call(name);
  (call.add(args), ...);
  const R r = fn != nullptr ? fn(args...) : R(-1);
  call.finish(static_cast<long long>(r));
  return r;
}

#define PELOX_UNPAREN(...) __VA_ARGS__
#define PELOX_FN(ret, name, params, args, bytes) \
  ret PELOX_API trace_##name params { return traced(#name, g_inner.name, PELOX_UNPAREN args); }
#include "reader/driver_functions.h"
#undef PELOX_FN

}  // namespace

bool installDriverTrace(DriverTable& table, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "a");
  if (f == nullptr) return false;
  if (g_file != nullptr) removeDriverTrace(table);
  g_file = f;
  g_inner = table;
#define PELOX_FN(ret, name, params, args, bytes) table.name = &trace_##name;
#include "reader/driver_functions.h"
#undef PELOX_FN
  return true;
}

void traceNote(const std::string& text) {
  if (g_file == nullptr) return;
  const std::string line = localTimestamp() + " # " + text + "\n";
  std::fputs(line.c_str(), g_file);
  std::fflush(g_file);
}

void removeDriverTrace(DriverTable& table) {
  if (g_file == nullptr) return;
  table = g_inner;
  std::fclose(g_file);
  g_file = nullptr;
}
