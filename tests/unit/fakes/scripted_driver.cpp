#include "fakes/scripted_driver.h"

#include <algorithm>
#include <cstring>
#include <sstream>
#include <type_traits>

namespace fake {
namespace {

ScriptedDriver* g_active = nullptr;

// One output pointer of a call, with what it points to.
struct Output {
  void* p;
  bool text;  // char* (hexadecimal text) rather than unsigned char*
};

// Records one call of a generated driver function: the arguments are
// classified by type, input buffers are copied once the length is known.
class Recorder {
 public:
  explicit Recorder(const char* name) { call_.name = name; }

  template <typename... A>
  int operator()(A... args) {
    (take(args), ...);
    const int passLen = passwordCodeLength(call_.name, call_.ints.size() >= 2 ? call_.ints[1] : 0);
    const int len = passLen >= 0 ? passLen : lastShort_;
    for (const unsigned char* in : inputs_) {
      std::vector<std::uint8_t> bytes;
      if (in != nullptr && len > 0) bytes.assign(in, in + len);
      call_.data.push_back(std::move(bytes));
    }
    if (g_active == nullptr) return -1;
    std::vector<void*> ptrs;
    for (const Output& o : outputs_) ptrs.push_back(o.p);
    return g_active->answerWith(call_, ptrs, outputs_.empty() ? false : outputs_.front().text, lastShort_);
  }

 private:
  template <typename T>
  void take(T v) {
    if constexpr (std::is_same_v<T, const char*>) {
      call_.texts.emplace_back(v != nullptr ? v : "");
    } else if constexpr (std::is_same_v<T, const unsigned char*>) {
      inputs_.push_back(v);
    } else if constexpr (std::is_same_v<T, unsigned char*>) {
      outputs_.push_back({v, false});
    } else if constexpr (std::is_same_v<T, char*>) {
      outputs_.push_back({v, true});
    } else {
      static_assert(std::is_integral_v<T>, "driver arguments are integers or byte pointers");
      call_.ints.push_back(static_cast<long long>(v));
      if constexpr (std::is_same_v<T, short>) lastShort_ = v;
    }
  }

  DriverCall call_;
  std::vector<const unsigned char*> inputs_;
  std::vector<Output> outputs_;
  int lastShort_ = -1;
};

#define PELOX_FN(ret, name, params, args, bytes) \
  ret PELOX_API scripted_##name params { return static_cast<ret>(Recorder{#name} args); }
#include "reader/driver_functions.h"
#undef PELOX_FN

std::string hexBytes(const std::vector<std::uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string s;
  for (std::uint8_t b : bytes) {
    s += kDigits[b >> 4];
    s += kDigits[b & 0x0F];
  }
  return s;
}

}  // namespace

std::string DriverCall::describe() const {
  std::ostringstream out;
  out << name << '(';
  bool first = true;
  auto sep = [&] {
    if (!first) out << ',';
    first = false;
  };
  for (long long v : ints) {
    sep();
    out << v;
  }
  for (const std::string& t : texts) {
    sep();
    out << '"' << t << '"';
  }
  for (const auto& d : data) {
    sep();
    out << '[' << hexBytes(d) << ']';
  }
  out << ")=" << result;
  return out.str();
}

ScriptedDriver::ScriptedDriver() {
#define PELOX_FN(ret, name, params, args, bytes) table.name = &scripted_##name;
#include "reader/driver_functions.h"
#undef PELOX_FN
  g_active = this;
}

ScriptedDriver::~ScriptedDriver() {
  if (g_active == this) g_active = nullptr;
}

ScriptedDriver* ScriptedDriver::active() { return g_active; }

void ScriptedDriver::results(const std::string& name, std::vector<int> values) {
  auto& q = queued_[name];
  q.insert(q.end(), values.begin(), values.end());
}

void ScriptedDriver::setDefault(const std::string& name, int value) { defaults_[name] = value; }

void ScriptedDriver::onCall(const std::string& name, Action a) { actions_[name] = std::move(a); }

void ScriptedDriver::readData(const std::string& name, std::vector<std::vector<std::uint8_t>> chunks) {
  auto& q = readData_[name];
  for (auto& c : chunks) q.push_back(std::move(c));
}

std::vector<std::string> ScriptedDriver::names() const {
  std::vector<std::string> out;
  for (const DriverCall& c : calls) out.push_back(c.name);
  return out;
}

std::vector<DriverCall> ScriptedDriver::callsTo(const std::string& name) const {
  std::vector<DriverCall> out;
  for (const DriverCall& c : calls) {
    if (c.name == name) out.push_back(c);
  }
  return out;
}

int ScriptedDriver::count(const std::string& name) const {
  return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const DriverCall& c) { return c.name == name; }));
}

std::string ScriptedDriver::dump() const {
  std::string s;
  for (const DriverCall& c : calls) s += c.describe() + "\n";
  return s.empty() ? "(no driver calls)\n" : s;
}

int ScriptedDriver::answer(DriverCall& call, const std::vector<void*>& outputs) {
  return answerWith(call, outputs, false, -1);
}

int ScriptedDriver::answerWith(DriverCall& call, const std::vector<void*>& outputs, bool textOutput, int length) {
  int result = 0;
  if (auto q = queued_.find(call.name); q != queued_.end() && !q->second.empty()) {
    result = q->second.front();
    q->second.pop_front();
  } else if (auto d = defaults_.find(call.name); d != defaults_.end()) {
    result = d->second;
  }
  call.result = result;
  calls.push_back(call);

  if (auto r = readData_.find(call.name); r != readData_.end() && !r->second.empty() && !outputs.empty()) {
    const std::vector<std::uint8_t> chunk = r->second.front();
    if (r->second.size() > 1) r->second.pop_front();
    fillOutput(call.name, chunk, outputs, textOutput, length);
  }
  if (auto a = actions_.find(call.name); a != actions_.end()) {
    const DriverCall recorded = call;
    a->second(recorded, outputs);
  }
  return result;
}

void ScriptedDriver::fillOutput(const std::string& name, const std::vector<std::uint8_t>& chunk,
                                const std::vector<void*>& outputs, bool textOutput, int length) {
  // The CPU calls answer with a length byte and the bytes after it.
  if ((name == "IC_CpuReset" || name == "IC_CpuApdu") && outputs.size() >= 2) {
    const std::size_t n = std::min<std::size_t>(chunk.size(), 255);
    *static_cast<unsigned char*>(outputs[0]) = static_cast<unsigned char>(n);
    if (n > 0) std::memcpy(outputs[1], chunk.data(), n);
    return;
  }
  std::size_t n = chunk.size();
  if (length >= 0) {
    // Never past the buffer the caller announced: the length in bytes, or
    // two hexadecimal digits per byte and the closing 0 for text output.
    const std::size_t room = textOutput ? static_cast<std::size_t>(length) * 2 : static_cast<std::size_t>(length);
    n = std::min(n, room);
    if (n > 0) std::memcpy(outputs[0], chunk.data(), n);
    if (textOutput) static_cast<char*>(outputs[0])[n] = '\0';
    return;
  }
  // No length argument (IC_ReadVer, Authenticate_Hex): the test knows the
  // buffer; text output gets its closing 0.
  if (n > 0) std::memcpy(outputs[0], chunk.data(), n);
  if (textOutput) static_cast<char*>(outputs[0])[n] = '\0';
}

}  // namespace fake
