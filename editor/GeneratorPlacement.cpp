#include "editor/GeneratorPlacement.h"

#include <algorithm>
#include <vector>

namespace quill {

GeneratorCommands::GeneratorCommands(FrameController& frame, GeneratorSettings& settings)
    : frame_(frame), settings_(settings) {
  contacts_.owner = mos_.owner = pad_.owner = this;
  contacts_.page = GeneratorPage::Contacts;
  mos_.page = GeneratorPage::Mos;
  pad_.page = GeneratorPage::Pads;
  frame_.registerHandler(kModeGenContacts, &contacts_);
  frame_.registerHandler(kModeGenMos, &mos_);
  frame_.registerHandler(kModeGenPad, &pad_);
  frame_.registerCommand(Command::GenContacts, [this] { openOn(GeneratorPage::Contacts, "Add contacts..."); });
  frame_.registerCommand(Command::GenNmos, [this] {
    settings_.mosKind = MosKind::N;
    openOn(GeneratorPage::Mos, "n-channel MOS Generator");
  });
  frame_.registerCommand(Command::GenPmos, [this] {
    settings_.mosKind = MosKind::P;
    openOn(GeneratorPage::Mos, "p-channel MOS Generator");
  });
  frame_.registerCommand(Command::GenPads, [this] { openOn(GeneratorPage::Pads, ""); });
}

GeneratorCommands::~GeneratorCommands() {
  for (int m : {kModeGenContacts, kModeGenMos, kModeGenPad})
    if (frame_.handler(m) == &contacts_ || frame_.handler(m) == &mos_ || frame_.handler(m) == &pad_)
      frame_.registerHandler(m, nullptr);
  // the menu entries would call an object that is gone
  for (Command c : {Command::GenContacts, Command::GenNmos, Command::GenPmos, Command::GenPads})
    frame_.registerCommand(c, nullptr);
}

void GeneratorCommands::openOn(GeneratorPage page, const char* status) {
  if (*status) frame_.status().write(StatusMessage::Main, status);
  if (openWindow) openWindow(page);
}

int GeneratorCommands::modeOf(GeneratorPage page) {
  switch (page) {
    case GeneratorPage::Contacts: return kModeGenContacts;
    case GeneratorPage::Mos: return kModeGenMos;
    case GeneratorPage::Pads: return kModeGenPad;
    default: return 0;
  }
}

bool GeneratorCommands::generate(LayoutGenerator& g, GeneratorPage page, std::int64_t x, std::int64_t y) const {
  switch (page) {
    case GeneratorPage::Contacts: return PlaceContacts(g, settings_, x, y);
    case GeneratorPage::Mos: return AddMosDevice(g, settings_.mosDevice(), x, y);
    case GeneratorPage::Pads: return PlaceSinglePad(g, settings_, x, y);
    default: return true;
  }
}

Rect GeneratorCommands::elementSize(GeneratorPage page) const {
  // arrays may be far larger than any box table: their extent comes from the rules
  if (page == GeneratorPage::Contacts) return contactsExtent(frame_.context().tech, settings_);
  std::vector<GeneratedBox> boxes;
  LayoutGenerator g(frame_.context().tech, boxes);
  generate(g, page, 0, 0);
  if (boxes.empty()) return {};
  Rect r{boxes[0].x1, boxes[0].y1, boxes[0].x2, boxes[0].y2};
  for (const GeneratedBox& b : boxes)
    r = {std::min(r.x1, b.x1), std::min(r.y1, b.y1), std::max(r.x2, b.x2), std::max(r.y2, b.y2)};
  return r;
}

void GeneratorCommands::arm(GeneratorPage page) {
  const int mode = modeOf(page);
  // the pad ring is generated at once, by its own generator
  if (mode == 0 || (page == GeneratorPage::Pads && settings_.padRing)) return;
  frame_.context().db.setUndoMarks(kUndoRemoveAdded);
  std::string prompt;
  switch (page) {
    case GeneratorPage::Contacts: prompt = "In the drawing, select the location for contacts..."; break;
    case GeneratorPage::Mos: prompt = "In the drawing, select the location for the MOS..."; break;
    default: prompt = singlePadPrompt(settings_.singlePadSize); break;
  }
  frame_.beginPlacement(mode, elementSize(page), prompt);
}

void GeneratorCommands::cancel() {
  if (releasePaletteButtons) releasePaletteButtons();
  frame_.boxMode();
}

template <class F>
bool GeneratorCommands::placeWith(const char* what, F&& f) {
  LayoutDatabase& db = frame_.context().db;
  const int before = db.boxCount();
  LayoutGenerator g(db, frame_.context().tech);
  const bool ok = f(g);
  if (db.boxCount() != before) {
    db.modified = true;
    db.extracted = false;
  }
  if (!ok) frame_.status().write(StatusMessage::Main, failureText(g, what));
  return ok;
}

bool GeneratorCommands::place(GeneratorPage page, LambdaPoint p) {
  // each contact array and pad can be undone alone; the MOS devices placed
  // since the generate button go together
  if (page != GeneratorPage::Mos) frame_.context().db.setUndoMarks(kUndoRemoveAdded);
  const char* what = page == GeneratorPage::Mos        ? "MOS device"
                     : page == GeneratorPage::Contacts ? "contacts"
                                                       : "bonding pad";
  LayoutDatabase& db = frame_.context().db;
  const int before = db.boxCount();
  bool ok = false;
  {
    // one redraw at the end instead of drawing each of maybe thousands of boxes
    LayoutDatabase::BulkAdd bulk(db);
    ok = placeWith(what, [&](LayoutGenerator& g) { return generate(g, page, p.x, p.y); });
  }
  const LayoutDatabase& view = db;
  for (int i = before + 1; i <= db.boxCount(); ++i) db.widenBoundingBox(view.box(i));
  if (releasePaletteButtons) releasePaletteButtons();
  frame_.redraw();
  return ok;
}

bool GeneratorCommands::placeContact(LambdaPoint p, int kind) {
  return placeWith("contact", [&](LayoutGenerator& g) { return g.AddContact(p.x, p.y, kind); });
}

bool GeneratorCommands::placeBondingPad(LambdaPoint p, std::int32_t size) {
  return placeWith("bonding pad", [&](LayoutGenerator& g) { return g.AddBondingPad(p.x, p.y, size); });
}

GeneratorPage GeneratorCommands::pageNamed(std::string_view caption) {
  for (int i = 0; i < kGeneratorPageCount; ++i)
    if (caption == pageCaption(static_cast<GeneratorPage>(i))) return static_cast<GeneratorPage>(i);
  return GeneratorPage::Contacts;
}

void GeneratorCommands::bindPalette(FramePaletteHost& host) {
  host.contactGenerator = [this](std::int32_t x, std::int32_t y, int kind) { placeContact({x, y}, kind); };
  host.padGenerator = [this](std::int32_t x, std::int32_t y, std::int32_t size) { placeBondingPad({x, y}, size); };
  host.generatorWindow = [this](std::string_view page) {
    if (openWindow) openWindow(pageNamed(page));
  };
}

}  // namespace quill
