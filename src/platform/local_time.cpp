#include "platform/local_time.h"

#include <chrono>
#include <cstdio>
#include <ctime>

std::string localTimestamp() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm tm{};
#if defined(_WIN32)
  localtime_s(&tm, &t);
#else
  localtime_r(&t, &tm);
#endif
  char stamp[40];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
  char full[48];
  std::snprintf(full, sizeof full, "%s.%03d", stamp, static_cast<int>(ms));
  return full;
}
