// quillmere-cli: headless batch commands over the same logic as the editor,
// for scripting, grading and our own checks. runCli is the whole program;
// main() only forwards to it so tests can run commands in-process.
#pragma once
#include <iosfwd>

namespace quill {

// Exit codes: 0 success, 1 the command's own failure result, 2 bad input.
int runCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace quill
