// quillmere-cli generate: one element of the layout generators (a MOS
// device, a contact array with its via levels, a via stack or a bonding pad)
// written alone into a layout file. Sizes go through the generator window's
// own edits, so a script gets exactly what the window would accept and make.
#include <CLI/CLI.hpp>
#include <charconv>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "app/cli/CliRun.h"
#include "editor/GeneratorMos.h"
#include "editor/GeneratorSettings.h"

namespace quill {

namespace {

struct GenerateOptions {
  std::string kind, out, rules, at = "0,0";
  // mos
  std::string polarity = "n", units = "lambda", w, l, fingers = "1";
  bool polarization = false;
  int option = 0;
  // contacts
  std::string contactKind = "poly", rows = "1", columns = "1", vias;
  // viastack
  std::string from, to;
  // pad
  std::string size = "80";
};

struct Point {
  std::int32_t x = 0, y = 0;
};

bool parseInt(std::string_view s, std::int32_t& v) {
  const char* b = s.data();
  const char* e = b + s.size();
  auto r = std::from_chars(b, e, v);
  return !s.empty() && r.ec == std::errc() && r.ptr == e;
}

bool parseAt(const std::string& text, Point& p) {
  const auto comma = text.find(',');
  return comma != std::string::npos && parseInt(std::string_view(text).substr(0, comma), p.x) &&
         parseInt(std::string_view(text).substr(comma + 1), p.y);
}

const char* kindName(MosKind k) {
  return k == MosKind::P ? "pMOS" : k == MosKind::FloatingN ? "floating-gate nMOS" : "nMOS";
}

// Each element: places into g, or returns the exit code of a refused
// argument; `what` names the element for a failure, `summary` describes it.
struct Element {
  std::string what, summary;
};

int generateMos(Run& run, const GenerateOptions& o, LayoutGenerator& g, Point at, Element& e) {
  const TechnologyRules& tech = run.ctx->tech;
  GeneratorSettings s;
  SilentStatus quiet;
  s.mosKind = o.polarity == "p" ? MosKind::P : o.polarity == "fg" ? MosKind::FloatingN : MosKind::N;
  if (s.mosKind == MosKind::FloatingN && !tech.doublePoly)
    return run.fail("--polarity fg: the technology has no second polysilicon for a floating gate");
  s.mosUnits = o.units == "um" ? MosUnits::Micron : MosUnits::Lambda;
  s.mosPolarization = o.polarization;
  s.followTechnology(tech);
  // the option set brings its gate length, as in the window; --l overrides it
  chooseMosOption(s, tech, o.option);
  const std::string range = s.mosUnits == MosUnits::Micron ? " (0.001 to 1000 um for W, 0.01 to 1000 um for L)"
                                                           : " (2 to 1000 lambda)";
  if (!o.w.empty() && !editMosWidth(s, tech, o.w, quiet))
    return run.fail("--w " + o.w + " is not a width the MOS generator accepts" + range);
  if (!o.l.empty() && !editMosLength(s, tech, o.l, quiet))
    return run.fail("--l " + o.l + " is not a length the MOS generator accepts" + range);
  if (!editMosFingers(s, o.fingers, quiet))
    return run.fail("--fingers " + o.fingers + " must lie between 1 and 1000");
  const MosRequest d = s.mosDevice();
  AddMosDevice(g, d, at.x, at.y);
  e.what = "MOS device";
  e.summary = std::string(kindName(d.kind)) + " W=" + std::to_string(d.w) + " L=" +
              std::to_string(mosDrawnLength(tech, d)) + " lambda, " + std::to_string(d.fingers) +
              (d.fingers == 1 ? " finger" : " fingers") + (d.polarization ? ", polarized" : "") +
              (d.option > 0 ? ", option " + std::to_string(d.option) : "");
  return 0;
}

int generateContacts(Run& run, const GenerateOptions& o, LayoutGenerator& g, Point at, Element& e) {
  const TechnologyRules& tech = run.ctx->tech;
  GeneratorSettings s;
  SilentStatus quiet;
  s.contactChoice = ContactChoice::None;
  int kind = 0;  // a primitive kind beyond the page's choices (poly2, via kinds)
  if (o.contactKind != "none") {
    kind = run.ctx->db.layers.findByName(o.contactKind);
    ContactKindRules r;
    if (kind == 0 || !contactKindRules(tech, kind, r))
      return run.fail("--kind " + o.contactKind +
                      " is not a contact kind (none, poly, poly2, diffn, diffp, metal2 .. metal6)");
    if (metalLevelOf(r.upper) > topMetalLevel(tech))
      return run.fail("--kind " + o.contactKind + " lies above the technology's top metal");
    if (kind == kPoly || kind == kDiffn || kind == kDiffp) {
      s.contactChoice = kind == kPoly    ? ContactChoice::Poly
                        : kind == kDiffn ? ContactChoice::Diffn
                                         : ContactChoice::Diffp;
      kind = 0;
    }
  }
  if (!editContactRows(s, o.rows, quiet)) return run.fail("--rows " + o.rows + " must lie between 1 and 100000");
  if (!editContactColumns(s, o.columns, quiet))
    return run.fail("--columns " + o.columns + " must lie between 1 and 100000");
  std::stringstream list(o.vias);
  for (std::string item; std::getline(list, item, ',');) {
    std::int32_t level = 0;
    if (!parseInt(item, level) || level < 2 || level > 6)
      return run.fail("--vias: \"" + item + "\" is not a via level (2 = Metal1 to Metal2 .. 6 = Metal5 to Metal6)");
    if (!betweenMetalEnabled(tech, level - 2))
      return run.fail("--vias: the technology has no metal" + std::to_string(level));
    s.betweenMetal[static_cast<std::size_t>(level - 2)] = true;
  }
  bool anyVia = false;
  for (bool b : s.betweenMetal) anyVia = anyVia || b;
  if (s.contactChoice == ContactChoice::None && kind == 0 && !anyVia)
    return run.fail("nothing to generate: give --kind or --vias");
  LayoutGenerator::Operation op(g);
  if (kind == 0 || g.AddContactArray(at.x, at.y, s.contactRows, s.contactColumns, kind))
    PlaceContacts(g, s, at.x, at.y);
  e.what = "contacts";
  e.summary = std::to_string(s.contactRows) + " x " + std::to_string(s.contactColumns) + " " + o.contactKind +
              " contacts" + (o.vias.empty() ? "" : ", via levels " + o.vias);
  return 0;
}

int generateViaStack(Run& run, const GenerateOptions& o, LayoutGenerator& g, Point at, Element& e) {
  const LayerTable& layers = run.ctx->db.layers;
  const int from = layers.findByName(o.from), to = layers.findByName(o.to);
  const int start = from == kNwell || from == kDiffn || from == kDiffp || from == kPoly || from == kPoly2
                        ? 1
                        : metalLevelOf(from);
  if (from == 0 || start == 0)
    return run.fail("--from " + o.from +
                    " is not a layer a stack starts on (nwell, diffn, diffp, poly, poly2, metal ..)");
  const int top = metalLevelOf(to);
  if (to == 0 || top == 0) return run.fail("--to " + o.to + " is not a metal layer");
  if (top > topMetalLevel(run.ctx->tech)) return run.fail("--to " + o.to + " lies above the technology's top metal");
  // from a metal the first via goes one level up; from below metal a contact alone is a stack
  if (metalLevelOf(from) > 0 && top <= start) return run.fail("--to must lie above --from");
  g.AddViaStack(at.x, at.y, from, to);
  e.what = "via stack";
  e.summary = "via stack " + o.from + " to " + o.to;
  return 0;
}

int generatePad(Run& run, const GenerateOptions& o, LayoutGenerator& g, Point at, Element& e) {
  GeneratorSettings s;
  SilentStatus quiet;
  if (!editSinglePadSize(s, o.size, quiet)) return run.fail("--size " + o.size + " must lie between 1 and 1000 um");
  PlaceSinglePad(g, s, at.x, at.y);
  e.what = "bonding pad";
  e.summary = "bonding pad " + o.size + " um";
  return 0;
}

int runGenerate(Run& run, const GenerateOptions& o) {
  Point at;
  if (!parseAt(o.at, at)) return run.fail("--at " + o.at + " is not X,Y in whole lambda");
  if (!run.loadRules(o.rules)) return 2;
  LayoutDatabase& db = run.ctx->db;
  db.clear();
  LayoutGenerator g(db, run.ctx->tech);
  Element e;
  int code = 0;
  if (o.kind == "mos") code = generateMos(run, o, g, at, e);
  else if (o.kind == "contacts") code = generateContacts(run, o, g, at, e);
  else if (o.kind == "viastack") code = generateViaStack(run, o, g, at, e);
  else code = generatePad(run, o, g, at, e);
  if (code != 0) return code;
  // a part of an element is not written as if it were the element
  if (g.failed()) return run.fail(failureText(g, e.what));
  if (db.boxCount() == 0) return run.fail(e.what + ": nothing placed in this technology");
  if (!saveLayout(*run.ctx, o.out)) return run.fail("cannot write \"" + o.out + "\"");
  run.out << e.summary << ": " << db.boxCount() << " boxes written to " << o.out << '\n';
  return 0;
}

}  // namespace

void registerGenerateCommand(CLI::App& app, CommandSet& set) {
  auto o = std::make_shared<GenerateOptions>();
  auto* c = app.add_subcommand("generate", "Write a layout holding one generated element");
  c->add_option("KIND", o->kind, "mos, contacts, viastack or pad")
      ->required()
      ->check(CLI::IsMember({"mos", "contacts", "viastack", "pad"}));
  c->add_option("OUT", o->out, "Layout file to write (.msk)")->required();
  c->add_option("--at", o->at, "Placement point X,Y in lambda (default 0,0)");
  c->add_option("--rules", o->rules, "Rule file to use");
  // mos
  c->add_option("--polarity", o->polarity, "mos: n, p or fg (floating-gate nMOS)")
      ->check(CLI::IsMember({"n", "p", "fg"}));
  c->add_option("--w", o->w, "mos: channel width, in --units (at least 4 lambda)");
  c->add_option("--l", o->l, "mos: channel length, in --units (at least 2 lambda)");
  c->add_option("--units", o->units, "mos: lambda (default) or um")->check(CLI::IsMember({"lambda", "um"}));
  c->add_option("--fingers", o->fingers, "mos: gates side by side (1 to 1000)");
  c->add_flag("--polarization", o->polarization, "mos: a bulk contact column beside the device");
  c->add_option("--option", o->option, "mos: option set 0..3 (MOS1..MOS4)")->check(CLI::Range(0, 3));
  // contacts
  c->add_option("--kind", o->contactKind, "contacts: poly (default), diffn, diffp, poly2, metal2..metal6 or none");
  c->add_option("--rows", o->rows, "contacts: cuts along x (the window's Rows)");
  c->add_option("--columns", o->columns, "contacts: cuts along y (the window's Columns)");
  c->add_option("--vias", o->vias,
                "contacts: via levels by their upper metal, e.g. 2,3 (Metal1 to Metal2, Metal2 to Metal3)");
  // viastack
  c->add_option("--from", o->from, "viastack: start layer (nwell, diffn, diffp, poly, poly2, metal ..)");
  c->add_option("--to", o->to, "viastack: target metal layer");
  // pad
  c->add_option("--size", o->size, "pad: opening in um (default 80)");
  set.add(c, [o](Run& run) {
    if (o->kind == "viastack" && (o->from.empty() || o->to.empty())) return run.fail("viastack needs --from and --to");
    return runGenerate(run, *o);
  });
}

}  // namespace quill
