// The layer palette's logic: the current drawing layer, the protection of
// layers, which rows the technology has, and the one-click commands it arms in
// the main frame (contacts, generators, virtual R/L/C, label properties).
// The palette changes no geometry itself except through PlaceContact, which
// hands the contact to the host. TFormPalette (editor/ui/D_Palette.h) shows
// this state and forwards its clicks here.
//
// Binding for the main frame:
//  - implement PaletteHost (below) and make one Palette with it;
//  - call Init() once the windows exist (the palette's start-up);
//  - Edit/"&Protect all" -> ProtectAll(), "Unprotect All" -> UnprotectAll()
//    (both write their own status line);
//  - after a rule file is read (Select Foundry) -> ShowMetalButtons(true);
//  - release in state 19 -> PlaceContact(x, y) with the point in lambda;
//  - after a label was placed in state 16 -> ReleasePropertyButtons();
//  - when a command the palette started ends some other way (Escape on the
//    main window, another tool, the generator's Cancel) -> ReleaseToolButtons();
//  - the path keys "D"/"U" -> SetLayer(newLayer, false).
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/LayoutDatabase.h"
#include "core/TechnologyRules.h"
#include "platform/StatusMessage.h"

namespace quill {

// What the palette asks of the main frame. Prompts are CP1252; the frame
// shows them on status panel 0 when it enters the state.
class PaletteHost {
 public:
  virtual ~PaletteHost() = default;
  // box mode: state 8 with sbBox pressed ("Unselect All" first when leaving 12)
  virtual void boxMode() = 0;
  // enter state 31, 43 or 46 (virtual inductor, resistor, capacitor)
  virtual void setEditMode(int state, std::string_view prompt) = 0;
  // enter state 16; the label command places a text with this property code
  // (1 ground, 2 supply, 3 high-voltage supply, 4 pulse, 5 clock, 6 visible, 8 sinus)
  virtual void placeText(int propertyCode, std::string_view prompt) = 0;
  // enter state 19 with sbNone pressed; the rubber shape is `shape`, in
  // lambda relative to the cursor; the release comes back as PlaceContact
  virtual void placeContact(const Rect& shape, std::string_view prompt) = 0;
  // the generator window, modal, on the page with this caption ("MOS", "Contacts")
  virtual void openGenerator(std::string_view page) = 0;
  // the generator primitives: one contact of `kind` at (x, y) (a 1 x 1
  // contact array), and a bonding pad of opening `size` lambda
  virtual void addContact(std::int32_t x, std::int32_t y, int kind) = 0;
  virtual void addBondingPad(std::int32_t x, std::int32_t y, std::int32_t size) = 0;
  virtual void redraw() = 0;
  // the main window comes to the front
  virtual void bringToFront() = 0;
  // the main window's Escape handling
  virtual void escape() = 0;
};

// The small buttons above the layer column, in their order; one exclusive group.
enum class PaletteTool : int {
  ContactPoly, ContactDiffn, ContactDiffp, ContactVia, ContactMetal2,
  Mos, Contacts, Res, Capa, Inductor,
  Vss, Vdd, VddH, Pulse, Clock, Visible, Sinus
};
constexpr int kPaletteToolCount = 17;

struct PaletteToolInfo {
  const char* name;  // control name, "sbContactPoly"
  const char* hint;  // hint at start
  int propertyCode;  // for the property buttons, else 0
};
const PaletteToolInfo& paletteToolInfo(PaletteTool t);

// One row of the layer column, top to bottom.
struct PaletteRow {
  const char* caption;
  int layer;
  int viaBelow;  // protected together with the layer; 0 when none
};
constexpr int kPaletteRowCount = 13;
const std::array<PaletteRow, kPaletteRowCount>& paletteRows();
// row of a layer, -1 when the layer has no button
int paletteRowOf(int layer);

class Palette {
 public:
  Palette(LayoutDatabase& db, const TechnologyRules& tech, StatusMessage& status, PaletteHost& host);
  Palette(const Palette&) = delete;
  Palette& operator=(const Palette&) = delete;

  // start-up: rows for the technology with their protect buttons up, then poly
  void Init();

  // makes layer current and unprotected (with the via below a metal2..metal6);
  // full: the layer buttons' way, back to box mode and a redraw
  void SetLayer(int layer, bool full);
  // a protect button was clicked
  void ToggleProtection(int layer);
  void ProtectAll();
  void UnprotectAll();
  // rows by the technology; release sets the metal2..metal6 protect buttons up
  // (and those of the diffusion, well and poly rows) without touching the
  // layers' flags; a current layer above the top metal comes down to it
  void ShowMetalButtons(bool release);
  // after a label was placed: property buttons up, box mode
  void ReleasePropertyButtons();
  // every small button up; the frame's state is left alone
  void ReleaseToolButtons();
  // a small button was clicked
  void ToolClick(PaletteTool t);
  // the release of state 19, in lambda
  void PlaceContact(std::int32_t x, std::int32_t y);
  // Escape pressed while the palette has the focus
  void Escape();

  // the pad generator arms the same placement with a bonding pad
  void setPadPlacement(double padSizeUm);
  // any other kind a generator arms; PlaceContact refuses the unknown ones
  void setContactKind(int kind) { contactKind_ = kind; }
  int contactKind() const { return contactKind_; }
  std::int32_t elementSize() const { return elementSize_; }
  // the rubber square of the armed contact, lambda relative to the cursor
  Rect placementShape() const;

  // --- what the window shows
  bool rowShown(int row) const;
  bool protectDown(int row) const { return protectDown_[static_cast<std::size_t>(row)]; }
  std::string protectHint(int row) const;
  // row whose caption is red, -1 when none
  int highlightedRow() const;
  std::optional<PaletteTool> pressedTool() const { return pressed_; }
  std::string toolHint(PaletteTool t) const;
  int windowHeight() const;

  // called after every change of what the window shows
  void setOnChanged(std::function<void()> f) { onChanged_ = std::move(f); }

 private:
  void setLayer(int layer, bool full, bool fromToggle);
  void setProtected(int row, bool on);
  void armContact(PaletteTool t, int kind, std::int64_t size, std::string prompt);
  void changed() { if (onChanged_) onChanged_(); }
  int metalLevels() const;

  LayoutDatabase& db_;
  const TechnologyRules& tech_;
  StatusMessage& status_;
  PaletteHost& host_;
  std::array<bool, kPaletteRowCount> protectDown_{};
  std::optional<PaletteTool> pressed_;
  std::string hintContactPoly_;
  std::string hintContactMetal2_;
  int contactKind_ = kPoly;
  std::int32_t elementSize_ = 0;
  double padSizeUm_ = 80;
  std::function<void()> onChanged_;
};

}  // namespace quill
