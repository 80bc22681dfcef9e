// A scripted reader driver for exact call-sequence tests: every call is
// recorded with its arguments (input buffers copied at call time), and each
// function answers from a per-function queue of results, then its default.
// Output buffers can be filled by a per-function action.
//
// Only one ScriptedDriver is active at a time (the driver's functions are
// plain function pointers); constructing one makes it the active one.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "reader/driver.h"

namespace fake {

struct DriverCall {
  std::string name;
  std::vector<long long> ints;  // scalar arguments in order (pointers left out)
  // Input data: bytes of `const unsigned char*` arguments (as many as the
  // call's length argument says, or the code length of password calls) and
  // the text of `const char*` arguments, in order.
  std::vector<std::vector<std::uint8_t>> data;
  std::vector<std::string> texts;
  int result = 0;
  // "IC_Read(3,0,256)" style, for failure messages.
  std::string describe() const;
};

class ScriptedDriver {
 public:
  // What a function does with its output buffers: gets the call (already
  // recorded) and the raw output pointers in argument order.
  using Action = std::function<void(const DriverCall&, const std::vector<void*>& outputs)>;

  ScriptedDriver();
  ~ScriptedDriver();
  ScriptedDriver(const ScriptedDriver&) = delete;
  ScriptedDriver& operator=(const ScriptedDriver&) = delete;

  DriverTable table;  // filled with the scripted functions
  std::vector<DriverCall> calls;

  // Next results of a function, consumed in order; then the default.
  void results(const std::string& name, std::vector<int> values);
  void setDefault(const std::string& name, int value);  // all default to 0
  void onCall(const std::string& name, Action a);
  // Fill the output buffer of read-like calls with these bytes (once per
  // call, consumed in order; then repeat the last). At most the call's
  // length argument is copied (hexadecimal text output: two digits per byte,
  // then a closing 0); IC_CpuReset / IC_CpuApdu get the length byte and the
  // bytes; calls without a length get the whole chunk.
  void readData(const std::string& name, std::vector<std::vector<std::uint8_t>> chunks);

  // Names of the calls made, in order.
  std::vector<std::string> names() const;
  std::vector<DriverCall> callsTo(const std::string& name) const;
  int count(const std::string& name) const;
  std::string dump() const;
  void clearCalls() { calls.clear(); }

  static ScriptedDriver* active();

  // Used by the generated functions: records the call, takes its result
  // from the queue or the default, then fills the outputs (readData, then
  // the Action). `textOutput`: the first output is hexadecimal text;
  // `length`: the call's length argument (-1 when it has none), which
  // bounds what readData copies.
  int answer(DriverCall& call, const std::vector<void*>& outputs);
  int answerWith(DriverCall& call, const std::vector<void*>& outputs, bool textOutput, int length);

 private:
  void fillOutput(const std::string& name, const std::vector<std::uint8_t>& chunk, const std::vector<void*>& outputs,
                  bool textOutput, int length);

  std::map<std::string, std::deque<int>> queued_;
  std::map<std::string, int> defaults_;
  std::map<std::string, Action> actions_;
  std::map<std::string, std::deque<std::vector<std::uint8_t>>> readData_;
};

}  // namespace fake
