#include "reader/driver_fallback.h"

namespace driver_fallback {
namespace {

template <typename... T>
void ignore(const T&...) {}

template <typename R>
R missingResult() {
  return static_cast<R>(kMissing);
}
template <>
int missingResult<int>() {
  return kNoReader;
}

#define PELOX_FN(ret, name, params, args, bytes) \
  ret PELOX_API stand_in_##name params {         \
    ignore args;                                 \
    return missingResult<ret>();                 \
  }
#include "reader/driver_functions.h"
#undef PELOX_FN

}  // namespace

std::vector<std::string> fillMissing(DriverTable& table) {
  std::vector<std::string> filled;
#define PELOX_FN(ret, name, params, args, bytes) \
  if (table.name == nullptr) {                   \
    table.name = &stand_in_##name;               \
    filled.emplace_back(#name);                  \
  }
#include "reader/driver_functions.h"
#undef PELOX_FN
  return filled;
}

std::string missingDllMessage(const std::string& path, const std::string& reason) {
  return "无法加载读写器驱动程序 " + path + "（" + reason + "）。\n程序将在没有读写器的情况下运行。";
}

std::string missingFunctionsMessage(const std::string& path, const std::vector<std::string>& missing) {
  if (missing.empty()) return "";
  std::string names;
  for (std::size_t i = 0; i < missing.size(); ++i) {
    if (i == 8) {
      names += "\n……共 " + std::to_string(missing.size()) + " 个";
      break;
    }
    names += (i ? ", " : "") + missing[i];
  }
  return "读写器驱动程序 " + path + " 缺少以下函数：\n" + names + "\n用到这些函数的功能将报告失败。";
}

}  // namespace driver_fallback
