#include "core/tests/TestFiles.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quill::testing {

TempDir::TempDir() {
  char tmpl[] = "/tmp/quill-test-XXXXXX";
  if (!::mkdtemp(tmpl)) throw std::runtime_error("mkdtemp");
  path_ = tmpl;
  previous_ = std::filesystem::current_path().string();
  std::filesystem::current_path(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::current_path(previous_, ec);
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
  std::filesystem::remove_all(path_, ec);
}

void writeLines(const std::string& path, const std::vector<std::string>& lines, bool crlf) {
  std::string s;
  for (const auto& l : lines) s += l + (crlf ? "\r\n" : "\n");
  writeBytes(path, s);
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary);
  f << bytes;
}

std::string readBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

}  // namespace quill::testing
