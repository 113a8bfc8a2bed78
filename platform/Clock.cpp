#include "platform/Clock.h"

#include <chrono>
#include <ctime>

namespace quill {

std::int64_t SystemClock::milliseconds() const {
  using namespace std::chrono;
  return duration_cast<std::chrono::milliseconds>(steady_clock::now().time_since_epoch()).count();
}

static std::string formatNow(const char* fmt) {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[64];
  std::size_t n = std::strftime(buf, sizeof buf, fmt, &tm);
  return std::string(buf, n);
}

std::string SystemClock::shortDate() const { return formatNow("%d/%m/%Y"); }
std::string SystemClock::longTime() const { return formatNow("%H:%M:%S"); }

}  // namespace quill
