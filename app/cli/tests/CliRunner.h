// Runs quillmere-cli in-process for the command tests.
#pragma once
#include <sstream>
#include <string>
#include <vector>

#include "app/cli/CliApp.h"

namespace quill::testing {

struct CliResult {
  int code;
  std::string out, err;
};

inline CliResult cli(std::vector<std::string> args) {
  std::vector<const char*> argv{"quillmere-cli"};
  for (auto& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  int code = runCli(static_cast<int>(argv.size()), argv.data(), out, err);
  return {code, out.str(), err.str()};
}

}  // namespace quill::testing
