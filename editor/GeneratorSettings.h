// GeneratorSettings: the one program-wide record of every generator
// parameter, kept between uses (not in layout files), with the rules by
// which the generator window's edits change it and what the contacts and
// MOS pages place. An edit stores its value only when the text parses and
// lies in range; otherwise the setting keeps its previous value.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/LayoutDatabase.h"
#include "core/TechnologyRules.h"
#include "editor/Generator.h"
#include "editor/GeneratorMos.h"
#include "platform/StatusMessage.h"

namespace quill {

// The window's pages, in their order.
enum class GeneratorPage : int { Pads, Inductor, Contacts, Mos, Path, Logo, Bus, Res, Diode, Capa };
constexpr int kGeneratorPageCount = 10;
const char* pageCaption(GeneratorPage p);      // "Pads", "Inductor", ...
const char* generateCaption(GeneratorPage p);  // the generate button on that page

// "With Poly and diff" on the contacts page
enum class ContactChoice : std::uint8_t { None, Poly, Diffn, Diffp };
// the contact kind of a choice, 0 for None
int contactKindOf(ContactChoice c);
// "Metal1 to Metal2" .. "Metal5 to Metal6"
constexpr int kBetweenMetalCount = 5;
const char* betweenMetalCaption(int i);

enum class MosUnits : std::uint8_t { Micron, Lambda };

struct GeneratorSettings {
  // contacts
  std::int32_t contactRows = 1, contactColumns = 1;
  ContactChoice contactChoice = ContactChoice::Poly;
  std::array<bool, kBetweenMetalCount> betweenMetal{};
  // MOS
  std::int32_t mosW = 10, mosL = 2;  // lambda
  std::int32_t mosFingers = 1;
  MosKind mosKind = MosKind::N;
  bool mosPolarization = false;
  int mosOption = 0;  // option set 0..3
  MosUnits mosUnits = MosUnits::Lambda;
  // path
  std::int32_t pathWidth = 4;
  int pathLayer = kMetal2;
  std::int32_t pathContacts = 1;
  bool pathAddContacts = false;
  bool pathAlign = true;
  std::int32_t routingPitch = 10;
  // bus (lambda)
  std::int32_t busLength = 1000, busWidth = 4, busSpacing = 4;
  std::int32_t busLines = 3, busParts = 0;
  int busLayer = kMetal2;
  std::int32_t busGridWidth = 4, busGridSpacing = 40;
  // inductor
  double inductorWidth = 20, inductorSpacing = 5;  // µm
  std::int32_t inductorTurns = 5;
  std::int32_t inductorHollow = 100;  // µm
  // pads
  std::int32_t padsX = 5, padsY = 5;
  std::int32_t supplyPairs = 2;
  std::int32_t ringWidth = 15;  // µm
  double singlePadSize = 80;    // µm
  bool padRing = false;         // the pad page's choice: ring, or a single pad
  // logo
  std::int32_t logoSize = 100;  // µm
  int logoLayer = kMetal;
  // resistor
  double resistance = 1000;  // ohm
  std::int32_t resistorParts = 3;
  std::int32_t resistorWidth = 4;  // lambda
  // diode
  std::int32_t diodeRows = 10, diodeColumns = 1;
  // capacitor
  double capacitance = 0.1;  // pF

  // the MOS page's device
  MosRequest mosDevice() const;
  // after a rule file is read: W and L at least the technology's smallest device
  void followTechnology(const TechnologyRules& tech);
};

// Smallest W and L the MOS page accepts: 4 and 2, or the technology's
// diffusion width and gate length where larger (a narrower device could
// not be drawn rule-clean).
std::int32_t minMosWidth(const TechnologyRules& tech);
std::int32_t minMosLength(const TechnologyRules& tech);

// --- edits: each parses the text, stores it when valid and writes the
// edit's status texts; true when the setting changed.
bool editContactRows(GeneratorSettings& s, std::string_view text, StatusMessage& status);
bool editContactColumns(GeneratorSettings& s, std::string_view text, StatusMessage& status);
bool editMosWidth(GeneratorSettings& s, const TechnologyRules& tech, std::string_view text, StatusMessage& status);
bool editMosLength(GeneratorSettings& s, const TechnologyRules& tech, std::string_view text, StatusMessage& status);
bool editMosFingers(GeneratorSettings& s, std::string_view text, StatusMessage& status);
bool editSinglePadSize(GeneratorSettings& s, std::string_view text, StatusMessage& status);
// the MOS kind buttons
void chooseMosKind(GeneratorSettings& s, MosKind k, StatusMessage& status);
// the option group: the third set takes the high-voltage gate length R303
void chooseMosOption(GeneratorSettings& s, const TechnologyRules& tech, int option);

// A size typed in µm (or lambda) turned into lambda: divided by lambda and
// rounded; false when lambda is 0 or the result does not fit.
bool micronsToLambda(double microns, double lambda, std::int32_t& out);

// --- the MOS page's texts
struct WLTexts {
  std::string w, l, unit;  // "µm" or "lambda" (CP1252)
};
WLTexts wlTexts(const GeneratorSettings& s, const TechnologyRules& tech);
// option sets offered: the indices whose name is not "?"; the group is shown
// only with more than one
std::vector<int> mosOptionsOffered(const TechnologyRules& tech);

// --- the contacts page
// "Between metal" box i (0: "Metal1 to Metal2") exists in the technology
bool betweenMetalEnabled(const TechnologyRules& tech, int i);
// DoStackedVias: after box i was checked or unchecked, keep the checked vias
// one continuous stack: checking unchecks every box above and, with a poly
// or diffusion contact chosen, checks every box below (without one, the
// boxes between a stack below and box i); unchecking unchecks every box
// above as well.
void DoStackedVias(GeneratorSettings& s, int i, bool checked);

// The contacts page's element at (x, y): the chosen contact array, then one
// array per checked via level. False when it could not be placed whole.
bool PlaceContacts(LayoutGenerator& g, const GeneratorSettings& s, std::int64_t x, std::int64_t y);
// What PlaceContacts places at (0, 0), from the rules alone (arrays of any
// size); empty when it places nothing.
Rect contactsExtent(const TechnologyRules& tech, const GeneratorSettings& s);
// The single pad of the pads page: the opening round(size / lambda) + 1.
bool PlaceSinglePad(LayoutGenerator& g, const GeneratorSettings& s, std::int64_t x, std::int64_t y);

// "In the drawing, select the location for the bonding pad 80.0x80.0 µm..."
std::string singlePadPrompt(double sizeMicrons);

}  // namespace quill
