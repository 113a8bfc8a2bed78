// Temporary folders and small file helpers for the format tests.
#pragma once
#include <string>
#include <vector>

#include "core/AppContext.h"
#include "platform/FakeDialogs.h"

namespace quill::testing {

// A fresh folder that is the working directory while the object lives.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_, previous_;
};

// Joins lines with CR LF (or LF only) and writes them.
void writeLines(const std::string& path, const std::vector<std::string>& lines, bool crlf = true);
void writeBytes(const std::string& path, const std::string& bytes);
std::string readBytes(const std::string& path);

// An AppContext with recording services.
struct TestContext {
  SilentStatus status;
  FakeDialogs dialogs;
  DebugLog debug;
  FakeClock clock;
  FakeRandom random;
  AppContext ctx{Services{status, dialogs, debug, clock, random}};
};

}  // namespace quill::testing
