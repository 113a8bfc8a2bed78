#include "editor/ConnectCuts.h"

#include "editor/Generator.h"

namespace quill {

namespace {
constexpr const char* kFull = "Warning : box data base full ...";
}

CutArrayBuilder contactCutArrays(LayoutDatabase& db, const TechnologyRules& tech) {
  return [&db, &tech](const std::vector<CutArray>& arrays, std::string& refusal) {
    std::vector<GeneratedBox> preview;
    LayoutGenerator dry(tech, preview);
    for (const CutArray& a : arrays)
      if (!dry.AddContactArray(a.x, a.y, a.nx, a.ny, a.kind)) {
        refusal = dry.status() == GenStatus::TableFull ? kFull : dry.refusal();
        return false;
      }
    if (static_cast<std::size_t>(db.boxCount()) + preview.size() > static_cast<std::size_t>(kMaxBoxes)) {
      refusal = kFull;
      return false;
    }
    LayoutDatabase::BulkAdd bulk(db);
    LayoutGenerator g(db, tech);
    for (const CutArray& a : arrays) g.AddContactArray(a.x, a.y, a.nx, a.ny, a.kind);
    return true;
  };
}

}  // namespace quill
