#include "app/cli/CliRun.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "core/RuleFile.h"
#include "core/TextFile.h"

namespace quill {

namespace {

std::string exeDir() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string p(buf, static_cast<std::size_t>(n));
  auto slash = p.rfind('/');
  return slash == std::string::npos ? "." : p.substr(0, slash);
}

// the bundled technology: $QUILLMERE_DATA, else beside the installed or built program
std::string bundledDefaultRules() {
  if (const char* d = std::getenv("QUILLMERE_DATA"); d && *d) return std::string(d) + "/default.rul";
  std::string dir = exeDir();
  for (const char* rel : {"/../share/quillmere", "/data", "/../data", "/../../data", "/../../../data"}) {
    std::string p = dir + rel + "/default.rul";
    if (fileExists(p)) return p;
  }
#ifdef QUILL_SOURCE_DATA
  return std::string(QUILL_SOURCE_DATA) + "/default.rul";
#else
  return dir + "/../share/quillmere/default.rul";
#endif
}

}  // namespace

Run::Run(std::ostream& o, std::ostream& e) : out(o), err(e), sv(e), ctx(std::make_unique<AppContext>(sv.services())) {}

int Run::fail(const std::string& message) {
  err << "quillmere-cli: " << message << '\n';
  return 2;
}

bool Run::loadRules(const std::string& rulesOption) {
  std::string path, from;
  if (!rulesOption.empty()) {
    path = rulesOption;
    from = "--rules";
  } else if (fileExists("default.rul")) {
    path = "default.rul";
    from = "working directory";
  } else {
    path = bundledDefaultRules();
    from = "bundled";
  }
  std::error_code ec;
  std::string shown = std::filesystem::weakly_canonical(path, ec).string();
  if (ec || from != "bundled") shown = path;
  err << "rules: " << shown << " (from " << from << ")\n";
  return checkRuleFile(path) && loadRuleFile(ctx->tech, ctx->db.layers, path, sv.status, sv.debug);
}

bool Run::checkReadable(const std::string& path, const char* what) {
  LineReader r;
  if (!r.open(path)) {
    fail(std::string("cannot read ") + what + " \"" + path + "\": " + std::strerror(r.errnoValue()));
    return false;
  }
  std::string line;
  while (r.next(line)) {
  }
  if (r.ioError()) {
    fail(std::string("cannot read ") + what + " \"" + path + "\"");
    return false;
  }
  if (r.sawNul()) {
    fail(std::string(what) + " \"" + path + "\" holds a NUL byte: not a text file");
    return false;
  }
  return true;
}

bool Run::readLayoutFile(const std::string& path, ReadReport& rep) {
  if (!checkReadable(path, "layout")) return false;
  ReadOptions opt;
  opt.repairScan = false;
  rep = openLayout(*ctx, path, opt);
  if (!rep.opened) {
    fail("cannot read layout \"" + path + "\"");
    return false;
  }
  if (rep.bareLf) err << "warning: \"" << path << "\" has line ends without carriage return\n";
  if (rep.knownLines == 0) {
    fail("layout \"" + path + "\" holds no line of a layout file");
    return false;
  }
  if (rep.refusedLines) err << "warning: " << rep.refusedLines << " line(s) with numbers beyond 32 bits skipped\n";
  return true;
}

}  // namespace quill
