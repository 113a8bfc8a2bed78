// Any layout file reads without harm, and what was read survives a save.
#include <cstdint>
#include <cstdlib>

#include "core/AppContext.h"
#include "core/MskFile.h"
#include "core/fuzz/FuzzDir.h"
#include "platform/FakeDialogs.h"

using namespace quill;

namespace {
struct Ctx {
  SilentStatus status;
  FakeDialogs dialogs;
  DebugLog debug;
  FakeClock clock;
  FakeRandom random;
  AppContext ctx{Services{status, dialogs, debug, clock, random}};
};

int active(const LayoutDatabase& db, bool labels) {
  int n = 0;
  if (labels) {
    for (int i = 1; i <= db.labelCount(); ++i) n += db.label(i).active ? 1 : 0;
  } else {
    for (int i = 1; i <= db.rlcCount(); ++i) n += db.rlc(i).active ? 1 : 0;
  }
  return n;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string in = writeInput("in.msk", data, size);
  Ctx a;
  openLayout(a.ctx, in);
  readLayout(a.ctx, in, ReadMode::Insert);
  a.ctx.db.computeBoundingBox();
  a.ctx.db.sortByLayer();

  std::string out = fuzzDir() + "/out-fuzz.msk";
  if (!saveLayout(a.ctx, out)) std::abort();
  Ctx b;
  openLayout(b.ctx, out);
  b.ctx.db.compactBoxes();
  if (b.ctx.db.boxCount() != a.ctx.db.boxCount()) std::abort();
  if (active(b.ctx.db, true) != active(a.ctx.db, true)) std::abort();
  if (active(b.ctx.db, false) != active(a.ctx.db, false)) std::abort();
  for (int i = 1; i <= a.ctx.db.labelCount(); ++i) {
    const LayoutLabel& l = a.ctx.db.label(i);
    if (l.pwl && (l.pwl->count < 0 || l.pwl->count > kMaxPwlEntries)) std::abort();
  }
  return 0;
}
