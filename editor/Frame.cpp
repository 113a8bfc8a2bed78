#include "editor/Frame.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "core/MskFile.h"
#include "core/RuleFile.h"
#include "core/Text.h"
#include "editor/EditOps.h"
#include "editor/View.h"

namespace quill {

// ------------------------------------------------------------ state table

const char* modePrompt(int mode) {
  switch (mode) {
    case kModeCut: return "Select in the drawing the portion of layout to cut... ";
    case kModeInterconnect: return "Click in the layout the interconnect...";
    case kModeRotate:
    case kModeRotateBack: return "Select the drawing to rotate...";
    case kModeZoomIn: return "Select the area to zoom in...";
    case kModeViewNode: return "In the drawing, select the node to view...";
    case kModeRuler: return "Create a point-to-point line in the drawing ...";
    case kModeCopySelect: return "Select in the drawing the elements to copy ...";
    case kModeText: return "Fix the text location with the cursor...";
    case kModeViewMos: return "Click the desired MOS channel (crossing between poly and diffusion)...";
    case kModeInvertDiffusion: return "Click in the layout the diffusion box to invert...";
    case kModeStretch: return "In the layout, give the box border to stretch...";
    case kModeInductor: return "In the layout, fix the virtual inductor position ...";
    case kModeCrossSection:
      return "Draw with the mouse the line indicating where the vertical process must be shown...";
    case kModeFlipHorizontal: return "Select in the drawing the elements to flip horizontally...";
    case kModeFlipVertical: return "Select in the drawing the elements to flip vertically...";
    case kModeParametric: return "Select the text for parametric analysis, or click anywhere";
    case kModeMoveStep: return "In the layout, select the area to move ...";
    case kModeDuplicate: return "Select in the drawing the portion of layout to duplicate in X Y... ";
    case kModeResistor: return "In the layout, fix the resistance position ...";
    case kModeCapacitor: return "In the layout, fix the capacitance position ...";
    case kModeConnect: return "Fix the location of connector between layers...";
    default: return "";
  }
}

bool isDragMode(int mode) {
  switch (mode) {
    case kModeCut: case kModeRotate: case kModeRotateBack: case kModeBox: case kModeZoomIn: case kModeRuler:
    case kModeCopySelect: case kModeInvertDiffusion: case kModeStretch: case kModeCrossSection:
    case kModeFlipHorizontal: case kModeFlipVertical: case kModeParametric: case kModeMoveStep:
    case kModeDuplicate: case kModeConnect:
      return true;
    default: return false;
  }
}

bool actsAtPress(int mode) {
  return mode == kModeInterconnect || mode == kModeViewNode || mode == kModeCrosstalk || mode == kModeViewMos ||
         mode == kModeDelay;
}

RubberKind rubberKind(int mode) {
  switch (mode) {
    case kModeCrossSection: case kModeParametric: return RubberKind::Line;
    case kModeCopyTarget: case kModeMoveTarget: return RubberKind::Selection;
    case kModeContact: case kModeGenerator28: case kModeGenerator29: case kModeGenerator32: case kModePaste:
      return RubberKind::Element;
    case kModePath: return RubberKind::Path;
    case kModeStretchTarget: return RubberKind::Stretch;
    default: return isDragMode(mode) ? RubberKind::Rect : RubberKind::None;
  }
}

namespace {
bool isTargetMode(int m) { return m == kModeCopyTarget || m == kModeStretchTarget || m == kModeMoveTarget; }
bool isGeneratorMode(int m) {
  switch (m) {
    case kModeGenerator28: case kModeGenerator29: case kModeGenerator30: case kModeGenerator32:
    case kModeGenerator35: case kModeGenerator38: case kModeGenerator44: case kModeGenerator45:
    case kModeGenerator47:
      return true;
    default: return false;
  }
}
// one-shot states that return to box mode after their release
bool backToBoxAfterRelease(int m) {
  return m == kModeRuler || m == kModeParametric || m == kModeMoveStep || m == kModeDuplicate ||
         (isGeneratorMode(m) && m != kModeGenerator45);
}
std::string str(std::int64_t v) { return std::to_string(v); }
}  // namespace

// ---------------------------------------------------------- command tables

const std::vector<MenuEntry>& menuEntries() {
  using C = Command;
  static const std::vector<MenuEntry> entries = {
      {C::New, "&File", "", "&New", "", "mnuNew", false, false},
      {C::Open, "&File", "", "&Open", "F3", "mnuOpen", false, false},
      {C::InsertLayout, "&File", "", "&Insert layout", "", "mnuInsert", false, false},
      {C::ImportCif, "&File", "", "Import CIF", "", "mnuImportCif", false, false},
      {C::ConvertCif, "&File", "Convert Into ...", "CIF layout file", "", "mnuConvertCif", false, false},
      {C::ConvertSpice, "&File", "Convert Into ...", "SPICE netlist", "", "mnuConvertSpice", false, false},
      {C::Save, "&File", "", "&Save layout", "F2", "mnuSave", false, true},
      {C::SaveAs, "&File", "", "Save &As", "", "mnuSaveAs", false, false},
      {C::SelectFoundry, "&File", "", "Select &Foundry", "Ctrl+F", "mnuSelectFoundry", false, true},
      {C::Monochrome, "&File", "Colors ...", "Switch to monochrom", "F5", "mnuMonochrome", false, false},
      {C::WhiteBackground, "&File", "Colors ...", "White background", "", "mnuWhiteBackground", true, false},
      {C::Properties, "&File", "", "Properties", "", "mnuProperties", false, false},
      {C::Print, "&File", "", "Print Layout", "", "mnuPrint", false, true},
      {C::Leave, "&File", "", "&Leave Quillmere3", "Ctrl+Q", "mnuLeave", false, true},

      {C::Refresh, "&View", "", "&Refresh", "", "mnuRefresh", false, false},
      {C::UnselectAll, "&View", "", "&Unselect All", "", "mnuUnselectAll", false, false},
      {C::ViewAll, "&View", "", "View &All", "Ctrl+A", "mnuViewAll", false, true},
      {C::ZoomIn, "&View", "", "&Zoom In", "Ctrl+Z", "mnuZoomIn", false, false},
      {C::ZoomOut, "&View", "", "Zoom &Out", "Ctrl+O", "mnuZoomOut", false, false},
      {C::ViewNode, "&View", "", "View electrical &Node", "Ctrl+N", "mnuViewNode", false, true},
      {C::LambdaGrid, "&View", "", "Lambda grid", "", "mnuLambdaGrid", true, false},
      {C::RoutingGrid, "&View", "", "Routing Grid", "", "mnuRoutingGrid", true, false},
      {C::ViewInterconnect, "&View", "", "View &Interconnect", "Ctrl+I", "mnuViewInterconnect", false, true},
      {C::LabelList, "&View", "", "&Label List", "", "mnuLabelList", false, false},
      {C::MosList, "&View", "", "&MOS List", "", "mnuMosList", false, false},
      {C::Navigator, "&View", "", "Navigator window", "", "mnuNavigator", false, true},
      {C::Palette, "&View", "", "Palette of Layers", "", "mnuPalette", false, false},

      {C::Undo, "&Edit", "", "&Undo", "Ctrl+U", "mnuUndo", false, false},
      {C::Cut, "&Edit", "", "Cut", "Ctrl+X", "mnuCut", false, true},
      {C::Copy, "&Edit", "", "&Copy", "Ctrl+C", "mnuCopy", false, false},
      {C::Paste, "&Edit", "", "&Paste", "Ctrl+V", "mnuPaste", false, false},
      {C::MoveStretch, "&Edit", "", "&Move Area or Stretch", "", "mnuMoveStretch", false, true},
      {C::MoveStep, "&Edit", "", "Move &Step by Step", "Ctrl+M", "mnuMoveStep", false, false},
      {C::FlipHorizontal, "&Edit", "Flip and Rotate", "&Flip horizontal", "", "mnuFlipHorizontal", false, false},
      {C::FlipVertical, "&Edit", "Flip and Rotate", "Flip vertical", "", "mnuFlipVertical", false, false},
      {C::Rotate90, "&Edit", "Flip and Rotate", "&Rotate 90\xB0", "Ctrl+R", "mnuRotate90", false, false},
      {C::RotateMinus90, "&Edit", "Flip and Rotate", "&Rotate -90\xB0", "", "mnuRotateMinus90", false, false},
      {C::ProtectAll, "&Edit", "", "&Protect all", "", "mnuProtectAll", false, true},
      {C::UnprotectAll, "&Edit", "", "Unprotect All", "Ctrl+P", "mnuUnprotectAll", false, false},
      {C::GenerateBox, "&Edit", "Generate", "Box", "", "mnuGenerateBox", false, false},
      {C::GenContacts, "&Edit", "Generate", "Contacts", "", "mnuGenContacts", false, false},
      {C::GenNmos, "&Edit", "Generate", "nMOS Device", "", "mnuGenNmos", false, false},
      {C::GenPmos, "&Edit", "Generate", "pMOS Device", "", "mnuGenPmos", false, false},
      {C::GenResistor, "&Edit", "Generate", "Resistor", "", "mnuGenResistor", false, false},
      {C::GenBus, "&Edit", "Generate", "Metal bus", "", "mnuGenBus", false, false},
      {C::GenPath, "&Edit", "Generate", "Metal path", "", "mnuGenPath", false, false},
      {C::GenInductor, "&Edit", "Generate", "Inductor", "", "mnuGenInductor", false, false},
      {C::GenDiode, "&Edit", "Generate", "Diode", "", "mnuGenDiode", false, false},
      {C::GenCapa, "&Edit", "Generate", "Capa", "", "mnuGenCapa", false, false},
      {C::GenLogo, "&Edit", "Generate", "Logo", "", "mnuGenLogo", false, false},
      {C::GenPads, "&Edit", "Generate", "I/O Pads", "", "mnuGenPads", false, false},
      {C::VirtualResistance, "&Edit", "Virtual R,L or C", "Resistance", "", "mnuVirtualR", false, false},
      {C::VirtualCapacitance, "&Edit", "Virtual R,L or C", "Capacitance", "", "mnuVirtualC", false, false},
      {C::VirtualInductance, "&Edit", "Virtual R,L or C", "Inductance", "", "mnuVirtualL", false, false},
      {C::Duplicate, "&Edit", "", "Duplicate X Y", "", "mnuDuplicate", false, false},
      {C::LayerConnection, "&Edit", "", "Layer connection", "Ctrl+W", "mnuLayerConnection", false, false},
      {C::ChangeBox, "&Edit", "", "Change box size or layer ", "", "mnuChangeBox", false, false},

      {C::ExtractCircuit, "&Simulate", "", "Extract circuit", "", "mnuExtract", false, false},
      {C::SimVoltageTime, "&Simulate", "Run simulation ...", "Voltage vs. Time (Default)", "Ctrl+S",
       "mnuSimVoltageTime", false, false},
      {C::SimVoltageCurrent, "&Simulate", "Run simulation ...", "Voltage, Current vs. Time", "",
       "mnuSimVoltageCurrent", false, false},
      {C::SimStatic, "&Simulate", "Run simulation ...", "Static Voltage vs. Voltage", "", "mnuSimStatic", false,
       false},
      {C::SimFrequency, "&Simulate", "Run simulation ...", "Frequency vs. Time", "", "mnuSimFrequency", false,
       false},
      {C::SimEye, "&Simulate", "Run simulation ...", "Eye Diagram vs. Time", "", "mnuSimEye", false, false},
      {C::ModelLevel1, "&Simulate", "Using model...", "Level 1", "", "mnuModelLevel1", true, false},
      {C::ModelLevel3, "&Simulate", "Using model...", "Level 3 (default)", "", "mnuModelLevel3", true, false},
      {C::ModelBsim4, "&Simulate", "Using model...", "BSim4 (advanced)", "", "mnuModelBsim4", true, false},
      {C::SimOnLayout, "&Simulate", "", "Simulation on &Layout", "", "mnuSimOnLayout", false, false},
      {C::Crosstalk, "&Simulate", "", "With crosstalk", "", "mnuCrosstalk", false, false},
      {C::SimParameters, "&Simulate", "", "Simulation parameters...", "", "mnuSimParameters", false, true},
      {C::UvExposure, "&Simulate", "", "UV exposure to discharge float. gates", "", "mnuUvExposure", false, false},
      {C::MosCharacteristics, "&Simulate", "", "&MOS characteristics", "", "mnuMosCharacteristics", false, true},
      {C::CrossSection2D, "&Simulate", "", "2D vertical cross-section", "", "mnuCrossSection", false, false},
      {C::Process3D, "&Simulate", "", "Process steps in &3D", "", "mnuProcess3D", false, false},

      {C::CompileLine, "&Compile", "", "&Compile one Line", "", "mnuCompileLine", false, false},
      {C::CompileVerilog, "&Compile", "", "Compile &Verilog File", "", "mnuCompileVerilog", false, false},

      {C::Drc, "&Analysis", "", "Design Rule Checker", "Ctrl+D", "mnuDrc", false, false},
      {C::FloatingNodes, "&Analysis", "", "Find Floating Nodes", "", "mnuFloatingNodes", false, false},
      {C::CleanLayout, "&Analysis", "", "Clean layout", "", "mnuCleanLayout", false, false},
      {C::GlobalCrosstalk, "&Analysis", "", "Global Crosstalk", "", "mnuGlobalCrosstalk", false, true},
      {C::GlobalDelay, "&Analysis", "", "Global Delay Analysis", "", "mnuGlobalDelay", false, false},
      {C::Parametric, "&Analysis", "", "Parametric Analysis", "", "mnuParametric", false, false},
      {C::MeasureDistance, "&Analysis", "", "Measure &Distance", "", "mnuMeasureDistance", false, true},
      {C::Resonant, "&Analysis", "", "Resonant frequency", "", "mnuResonant", false, false},
      {C::Fem, "&Analysis", "", "Interconnect analysis with FEM", "", "mnuFem", false, false},
      {C::InterconnectStats, "&Analysis", "", "Statistics on Interconnects", "", "mnuInterconnectStats", false,
       false},
      {C::Debug, "&Analysis", "", "Debug...", "F7", "mnuDebug", false, true},
      {C::Generate2D, "&Analysis", "", "Generate 2D structure", "", "mnuGenerate2D", false, false},

      {C::About, "&Help", "", "&About Quillmere3", "", "mnuAbout", false, false},
      {C::DesignRules, "&Help", "", "Design Rules", "", "mnuDesignRules", false, false},
      {C::ReferenceManual, "&Help", "", "Reference Manual", "F1", "mnuReferenceManual", false, false},
  };
  return entries;
}

const std::vector<ToolButtonEntry>& toolButtons() {
  using C = Command;
  static const std::vector<ToolButtonEntry> buttons = {
      {C::Open, "sbfileopen", "Open File", false, false},
      {C::Save, "sbfilesave", "Save this file", false, false},
      {C::BoxTool, "sbBox", "Draw Box", true, true},
      {C::Cut, "sbCut", "Delete some Layout", true, true},
      {C::Copy, "sbCopy", "Copy elements", true, true},
      {C::MoveStretch, "sbStretch", "Stretch, Move", true, true},
      {C::ZoomIn, "sbzoomin", "Zoom In", true, true},
      {C::ZoomOut, "sbzoomout", "Zoom Out", true, true},
      {C::ViewAll, "sbshow", "View All", true, true},
      {C::ViewNodeTool, "viewNode", "View electrical node", true, true},
      {C::SimVoltageTime, "sbSimul", "Run Simulation", false, false},
      {C::RulerTool, "sbRuler", "Measure distance ", false, true},
      {C::CrossSection2D, "sbProcess", "2D vertical cross-section", true, true},
      {C::Process3D, "sbFactory", "Process steps in 3D", true, true},
      {C::Drc, "sbDrc", "Design Rule Checker", true, true},
      {C::TextTool, "sbText", "Add Text to Layout", true, true},
      {C::LayerConnection, "sbConnect", "Connect layers", true, true},
      {C::MosCharacteristics, "sbViewMos", "Simulate MOS Characteristics", true, true},
      {C::Palette, "sbPalette", "Show Palette", false, false},
      {C::ScrollLeft, "sbLeft", "See left layout", false, false},
      {C::ScrollUp, "sbUp", "See upper layout", false, false},
      {C::ScrollDown, "sbDown", "See lower layout", false, false},
      {C::ScrollRight, "sbRight", "See right layout", false, false},
  };
  return buttons;
}

Command buttonForMode(int mode) {
  switch (mode) {
    case kModeBox: return Command::BoxTool;
    case kModeCut: return Command::Cut;
    case kModeCopySelect: case kModeCopyTarget: return Command::Copy;
    case kModeStretch: case kModeStretchTarget: case kModeMoveTarget: return Command::MoveStretch;
    case kModeZoomIn: return Command::ZoomIn;
    case kModeViewNode: return Command::ViewNodeTool;
    case kModeCrossSection: return Command::CrossSection2D;
    case kModeText: return Command::TextTool;
    case kModeConnect: return Command::LayerConnection;
    case kModeViewMos: return Command::MosCharacteristics;
    default: return Command::None;
  }
}

namespace {
// the state a command enters, or -1
int modeOfCommand(Command c) {
  switch (c) {
    case Command::Cut: return kModeCut;
    case Command::ViewInterconnect: return kModeInterconnect;
    case Command::Rotate90: return kModeRotate;
    case Command::RotateMinus90: return kModeRotateBack;
    case Command::ZoomIn: return kModeZoomIn;
    case Command::ViewNode: return kModeViewNode;
    case Command::MeasureDistance: return kModeRuler;
    case Command::Copy: return kModeCopySelect;
    case Command::TextTool: return kModeText;
    case Command::GlobalCrosstalk: return kModeCrosstalk;
    case Command::MosCharacteristics: return kModeViewMos;
    case Command::GlobalDelay: return kModeDelay;
    case Command::MoveStretch: return kModeStretch;
    case Command::VirtualInductance: return kModeInductor;
    case Command::CrossSection2D: return kModeCrossSection;
    case Command::FlipHorizontal: return kModeFlipHorizontal;
    case Command::FlipVertical: return kModeFlipVertical;
    case Command::Parametric: return kModeParametric;
    case Command::MoveStep: return kModeMoveStep;
    case Command::Duplicate: return kModeDuplicate;
    case Command::VirtualResistance: return kModeResistor;
    case Command::VirtualCapacitance: return kModeCapacitor;
    case Command::LayerConnection: return kModeConnect;
    default: return -1;
  }
}

// commands that start a new mode first cancel a pending move
bool cancelsMove(Command c) {
  return c == Command::Copy || c == Command::MoveStretch || c == Command::Paste || c == Command::FlipHorizontal ||
         c == Command::FlipVertical || c == Command::Rotate90 || c == Command::RotateMinus90;
}
}  // namespace

// ------------------------------------------------------- LayoutView binding

Surface* LayoutViewFrame::surface() { return v_.surface(); }
LambdaPoint LayoutViewFrame::toLambda(PixelPoint p) const { return {v_.wx(p.x), v_.wy(p.y)}; }
PixelPoint LayoutViewFrame::toPixel(LambdaPoint p) const { return {v_.sx(p.x), v_.sy(p.y)}; }
Rect LayoutViewFrame::viewWindow() const { return v_.viewWindow(); }
int LayoutViewFrame::lambdaGridStep() const { return v_.lambdaGridStep(); }
void LayoutViewFrame::redraw() { v_.Redraw(); }
void LayoutViewFrame::viewAll() { v_.ViewAll(); }
void LayoutViewFrame::zoomInArea(PixelPoint a, PixelPoint b) { v_.ZoomInArea(a.x, a.y, b.x, b.y); }
void LayoutViewFrame::zoomOut() { v_.ZoomOut(); }
void LayoutViewFrame::scrollHorizontal(int d) { v_.ScrollHorizontal(d); }
void LayoutViewFrame::scrollVertical(int d) { v_.ScrollVertical(d); }
void LayoutViewFrame::ruler(PixelPoint a, PixelPoint b) { v_.Ruler(a.x, a.y, b.x, b.y); }
void LayoutViewFrame::clearRuler() { v_.ClearRuler(); }
bool LayoutViewFrame::monochrome() const { return v_.monochrome(); }
void LayoutViewFrame::setMonochrome(bool on) { v_.SetMonochrome(on); }
bool LayoutViewFrame::whiteBackground() const { return v_.whiteBackground(); }
void LayoutViewFrame::toggleBackground() { v_.ToggleBackground(); }
bool LayoutViewFrame::lambdaGridOn() const { return v_.lambdaGridOn(); }
void LayoutViewFrame::toggleLambdaGrid() { v_.ToggleLambdaGrid(); }
bool LayoutViewFrame::routingGridOn() const { return v_.routingGridOn(); }
void LayoutViewFrame::toggleRoutingGrid() { v_.ToggleRoutingGrid(); }
void LayoutViewFrame::setPrintHeader(bool on) { v_.setPrintHeader(on); }
void LayoutViewFrame::boxesAt(LambdaPoint p, std::vector<int>& out) { v_.boxesAt(p.x, p.y, out); }

// ------------------------------------------------------------- controller

namespace {
// The built-in operation of box mode (until the editing commands take the
// state): the editing operation that stores a box.
class StoreBox : public StateHandler {
 public:
  void release(FrameController& f, LambdaPoint a, LambdaPoint b) override {
    EditOperations ops(f.context().db, f.context().tech, f.status());
    ops.storeBox({a.x, a.y, b.x, b.y});
  }
  std::string dragText(FrameController& f, LambdaPoint a, LambdaPoint b) override { return f.boxSizeText(a, b); }
};

StoreBox& storeBox() {
  static StoreBox s;
  return s;
}
}  // namespace

FrameController::FrameController(AppContext& ctx, FrameView& view, FrameWindow& window, HelpOpener& help)
    : ctx_(ctx), view_(view), window_(window), help_(help) {}

void FrameController::setPalette(FramePalette* p) {
  palette_ = p;
  changed();
}

void FrameController::registerHandler(int mode, StateHandler* h) {
  if (h)
    handlers_[mode] = h;
  else
    handlers_.erase(mode);
  changed();
}

StateHandler* FrameController::handler(int mode) const {
  auto it = handlers_.find(mode);
  if (it != handlers_.end()) return it->second;
  if (mode == kModeBox) return &storeBox();
  return nullptr;
}

void FrameController::registerCommand(Command c, std::function<void()> action) {
  if (action)
    commands_[c] = std::move(action);
  else
    commands_.erase(c);
  changed();
}

bool FrameController::modeAvailable(int mode) const {
  return mode == kModeNone || mode == kModeBox || mode == kModeZoomIn || mode == kModeRuler ||
         handlers_.count(mode) > 0;
}

bool FrameController::changesTables(Command c) const {
  switch (c) {
    case Command::Refresh: case Command::ViewAll: case Command::ZoomOut: case Command::LambdaGrid:
    case Command::RoutingGrid: case Command::Monochrome: case Command::WhiteBackground: case Command::Palette:
    case Command::Navigator: case Command::About: case Command::DesignRules: case Command::ReferenceManual:
    case Command::Debug: case Command::ScrollLeft: case Command::ScrollUp: case Command::ScrollDown:
    case Command::ScrollRight: case Command::Leave:
      return false;
    default: return true;
  }
}

bool FrameController::enabled(Command c) const {
  if (c == Command::ExtractCircuit && firstSimulateCaption_ == "Stop simulation") return true;  // the Stop entry
  if (busy() && changesTables(c)) return false;
  if (c == Command::Undo) return commands_.count(c) > 0 && ctx_.db.undoKind != kUndoNone;
  if (commands_.count(c)) return true;
  const int m = modeOfCommand(c);
  if (m >= 0) return modeAvailable(m);
  switch (c) {
    case Command::New: case Command::Open: case Command::InsertLayout: case Command::Save: case Command::SaveAs:
    case Command::SelectFoundry: case Command::Monochrome: case Command::WhiteBackground: case Command::Print:
    case Command::Leave: case Command::Refresh: case Command::UnselectAll: case Command::ViewAll:
    case Command::ZoomOut: case Command::LambdaGrid: case Command::RoutingGrid: case Command::BoxTool:
    case Command::RulerTool: case Command::ScrollLeft: case Command::ScrollUp: case Command::ScrollDown:
    case Command::ScrollRight: case Command::ReferenceManual:
      return true;
    case Command::GenerateBox: return true;
    case Command::Palette: case Command::ProtectAll: case Command::UnprotectAll: return palette_ != nullptr;
    case Command::ViewNodeTool: return modeAvailable(kModeViewNode);
    default: return false;
  }
}

bool FrameController::checked(Command c) const {
  switch (c) {
    case Command::WhiteBackground: return view_.whiteBackground();
    case Command::LambdaGrid: return view_.lambdaGridOn();
    case Command::RoutingGrid: return view_.routingGridOn();
    case Command::RulerTool: return rulerOn_ || mode_ == kModeRuler;
    default: return false;
  }
}

std::string FrameController::caption(Command c) const {
  switch (c) {
    case Command::Monochrome: return view_.monochrome() ? "Switch to color" : "Switch to monochrom";
    case Command::ExtractCircuit: return firstSimulateCaption_;
    case Command::Crosstalk: return crosstalk_ ? "Without crosstalk" : "With crosstalk";
    default: break;
  }
  for (const MenuEntry& e : menuEntries())
    if (e.command == c) return e.caption;
  for (const ToolButtonEntry& b : toolButtons())
    if (b.command == c) return b.hint;
  return {};
}

std::string FrameController::title() const { return "Quillmere 3 - " + ctx_.db.fileName; }
void FrameController::setTitleFromFile() { window_.setTitle(title()); }

// --- states

void FrameController::setMode(int mode) { setMode(mode, modePrompt(mode)); }

void FrameController::setMode(int mode, const std::string& prompt) {
  if (dragging_) {
    eraseRubber();
    dragging_ = false;
  }
  mode_ = mode;
  if (!prompt.empty()) status().write(StatusMessage::Main, prompt);
  window_.pressModeButton(buttonForMode(mode));
  if (modeChanged) modeChanged(mode);
  changed();
}

void FrameController::boxMode() {
  if (mode_ == kModeViewNode) unselectAll();
  setMode(kModeBox, "");
}

void FrameController::modeNone() {
  if (mode_ == kModeViewNode) unselectAll();
  setMode(kModeNone, "");
}

void FrameController::enterCommandMode(int mode) {
  if (!modeAvailable(mode)) return;
  setMode(mode);
}

void FrameController::beginTarget(int mode, const std::string& prompt) {
  setMode(mode, prompt);
  anchor_ = current_ = last_;
  accX_ = accY_ = 0;
  dragging_ = true;
  drawRubber();
}

void FrameController::beginPlacement(int mode, const Rect& size, const std::string& prompt) {
  setMode(mode, prompt);
  elementSize_ = size;
  anchor_ = current_ = cursor_;
  dragging_ = true;
  drawRubber();
}

void FrameController::setPickedUp(std::vector<int> boxes, std::vector<int> labels) {
  pickedBoxes_ = std::move(boxes);
  pickedLabels_ = std::move(labels);
}

void FrameController::unselectAll() {
  LayoutDatabase& db = ctx_.db;
  int n = 0;
  for (int i = 1; i <= db.boxCount(); ++i) {
    LayoutBox& b = db.box(i);
    if (b.state == 0) continue;
    b.state = 1;
    ++n;
  }
  for (int i = 1; i <= db.labelCount(); ++i)
    if (db.label(i).active > 1) db.label(i).active = 1;
  redraw();
  status().write(StatusMessage::Main, "Redraw " + db.fileName + " (" + str(n) + " boxes)");
}

void FrameController::cancelPendingMove() {
  if (!isTargetMode(mode_)) return;
  eraseRubber();
  dragging_ = false;
  LayoutDatabase& db = ctx_.db;
  if (mode_ == kModeMoveTarget) {
    // only what this move took away comes back, not what was deleted before
    for (int p : pickedBoxes_)
      if (p >= 1 && p <= db.boxCount() && db.box(p).state == 0) db.box(p).state = 1;
    for (int p : pickedLabels_)
      if (p >= 1 && p <= db.labelCount() && db.label(p).active == 0) db.label(p).active = 1;
  }
  pickedBoxes_.clear();
  pickedLabels_.clear();
  if (StateHandler* h = handler(mode_)) h->cancel(*this);
  unselectAll();
  boxMode();
}

void FrameController::escape() {
  status().requestStop();
  window_.bringToFront();
  eraseRubber();
  dragging_ = false;
  if (firstSimulateCaption_ == "Stop simulation") firstSimulateCaption_ = "Extract circuit";
  if (isTargetMode(mode_)) {
    cancelPendingMove();
  } else {
    if (StateHandler* h = handler(mode_)) h->cancel(*this);
    unselectAll();
    boxMode();
  }
  if (escaped) escaped();
}

// --- rubber shapes

void FrameController::drawRubber() {
  if (!dragging_ || rubberShown_) return;
  paintRubber();
  rubberShown_ = true;
  window_.areaChanged();
}

void FrameController::eraseRubber() {
  if (!rubberShown_) return;
  paintRubber();
  rubberShown_ = false;
  window_.areaChanged();
}

namespace {
// each pixel of the outline is touched once, so not-xor twice restores it
void rubberRect(Surface& s, int x1, int y1, int x2, int y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  s.line(x1, y1, x2, y1, kRubberColour, true);
  if (y2 != y1) s.line(x1, y2, x2, y2, kRubberColour, true);
  if (y2 - y1 >= 2) {
    s.line(x1, y1 + 1, x1, y2 - 1, kRubberColour, true);
    if (x2 != x1) s.line(x2, y1 + 1, x2, y2 - 1, kRubberColour, true);
  }
}
}  // namespace

void FrameController::paintRubber() {
  Surface* s = view_.surface();
  if (!s) return;
  const PenMode saved = s->penMode();
  s->setPenMode(PenMode::NotXor);
  switch (rubberKind(mode_)) {
    case RubberKind::None: break;
    case RubberKind::Rect: rubberRect(*s, anchor_.x, anchor_.y, current_.x, current_.y); break;
    case RubberKind::Line: s->line(anchor_.x, anchor_.y, current_.x, current_.y, kRubberColour, true); break;
    case RubberKind::Selection:
    case RubberKind::Stretch: {
      StateHandler* h = handler(mode_);
      if (!h) break;
      std::vector<Rect> rects;
      h->rubberOutlines(*this, view_.toLambda(anchor_), view_.toLambda(current_), rects);
      const bool displaced = rubberKind(mode_) == RubberKind::Selection;
      const int dx = displaced ? current_.x - anchor_.x : 0, dy = displaced ? current_.y - anchor_.y : 0;
      for (const Rect& r : rects) {
        PixelPoint a = view_.toPixel({r.x1, r.y1}), b = view_.toPixel({r.x2, r.y2});
        rubberRect(*s, a.x + dx, a.y + dy, b.x + dx, b.y + dy);
      }
      break;
    }
    case RubberKind::Element: {
      LambdaPoint c = view_.toLambda(current_);
      PixelPoint a = view_.toPixel({c.x + elementSize_.x1, c.y + elementSize_.y1});
      PixelPoint b = view_.toPixel({c.x + elementSize_.x2, c.y + elementSize_.y2});
      rubberRect(*s, a.x, a.y, b.x, b.y);
      break;
    }
    case RubberKind::Path: {
      const PixelPoint a = pathStart_, c = current_;
      const PixelPoint corner =
          std::abs(c.x - a.x) >= std::abs(c.y - a.y) ? PixelPoint{c.x, a.y} : PixelPoint{a.x, c.y};
      s->line(a.x, a.y, corner.x, corner.y, kRubberColour, true);
      if (!(corner == c)) {
        // the second leg starts one pixel past the shared corner
        const int sx = (c.x > corner.x) - (c.x < corner.x), sy = (c.y > corner.y) - (c.y < corner.y);
        s->line(corner.x + sx, corner.y + sy, c.x, c.y, kRubberColour, true);
      }
      break;
    }
  }
  s->setPenMode(saved);
}

void FrameController::afterViewChange() {
  rubberShown_ = false;  // the view drew the whole area again
  drawRubber();
}

void FrameController::redraw() {
  view_.redraw();
  afterViewChange();
}

// --- mouse

void FrameController::mouseDown(PixelPoint p, Button b) {
  if (layoutSimBusy_) return;
  last_ = cursor_ = p;
  if (b != Button::Left || busy()) return;
  StateHandler* h = handler(mode_);
  const LambdaPoint lp = view_.toLambda(p);
  if (actsAtPress(mode_)) {
    if (h) h->press(*this, lp);
    return;
  }
  if (mode_ == kModeStretch && h && h->press(*this, lp)) return;
  if (isDragMode(mode_)) {
    anchor_ = current_ = view_.toPixel(lp);  // snapped to the nearest lambda
    dragging_ = true;
    drawRubber();
    return;
  }
  if (mode_ == kModePathStart) {
    status().write(StatusMessage::Main, "Path start...");
    ctx_.db.setUndoMarks(kUndoRemoveAdded);
    if (h) h->press(*this, lp);
  }
}

void FrameController::mouseMove(PixelPoint p) {
  if (layoutSimBusy_) return;
  cursor_ = p;
  if (dragging_) {
    eraseRubber();
    current_ = p;
    drawRubber();
    if (busy()) return;
    StateHandler* h = handler(mode_);
    if (!h) return;
    LambdaPoint a = view_.toLambda(mode_ == kModePath ? pathStart_ : anchor_);
    if (isTargetMode(mode_)) a = {a.x - accX_, a.y - accY_};
    std::string t = h->dragText(*this, a, view_.toLambda(p));
    if (!t.empty()) status().write(StatusMessage::Main, t);
    return;
  }
  if (mode_ == kModeViewMos) {
    if (StateHandler* h = handler(mode_)) h->hover(*this, view_.toLambda(p));
    return;
  }
  showNodeNames(p);
}

void FrameController::mouseUp(PixelPoint p, Button b) {
  if (layoutSimBusy_ || b != Button::Left) return;
  if (busy()) return;
  last_ = cursor_ = p;  // a target state entered now starts here
  const bool wasDragging = dragging_;
  if (dragging_) {
    if (mode_ == kModeMoveTarget)
      rubberShown_ = false;  // the move redraws the elements at their new place
    else
      eraseRubber();
    dragging_ = false;
  }
  const int m = mode_;
  StateHandler* h = handler(m);
  LambdaPoint a = view_.toLambda(m == kModePath ? pathStart_ : anchor_);
  if (isTargetMode(m)) a = {a.x - accX_, a.y - accY_};
  const LambdaPoint lp = view_.toLambda(p);

  switch (m) {
    case kModeNone:
    case kModeInterconnect: case kModeViewNode: case kModeCrosstalk: case kModeViewMos: case kModeDelay:
      return;
    case kModeCut: {
      if (!wasDragging || !h) return;
      const std::int64_t now = ctx_.services.clock.milliseconds();
      if (cutReleased_ && now - lastCutRelease_ < kCutDebounceMs) return;
      cutReleased_ = true;
      lastCutRelease_ = now;
      h->release(*this, a, lp);
      return;
    }
    case kModeZoomIn:
      if (!wasDragging) return;
      view_.zoomInArea(anchor_, p);
      afterViewChange();
      boxMode();
      return;
    case kModeRuler:
      if (!wasDragging) return;
      view_.ruler(anchor_, p);
      afterViewChange();
      rulerOn_ = true;
      boxMode();
      return;
    case kModePathStart: {
      if (h) h->release(*this, lp, lp);
      if (mode_ != kModePathStart) return;
      setMode(kModePath, "Start path...");
      pathStart_ = anchor_ = current_ = view_.toPixel(lp);
      dragging_ = true;
      drawRubber();
      return;
    }
    case kModePath: {
      if (h) h->release(*this, a, lp);
      if (mode_ != kModePath) return;
      pathStart_ = anchor_ = current_ = view_.toPixel(lp);
      dragging_ = true;
      drawRubber();
      return;
    }
    default: break;
  }
  if (!h) return;
  if (isDragMode(m) && !wasDragging) return;  // a release without its press
  if (rubberKind(m) == RubberKind::Element || m == kModeText || m == kModeInductor || m == kModeResistor ||
      m == kModeCapacitor)
    a = lp;
  h->release(*this, a, lp);
  if (backToBoxAfterRelease(m) && mode_ == m) boxMode();
}

void FrameController::showNodeNames(PixelPoint p) {
  const LayoutDatabase& db = ctx_.db;
  // node numbers are only meaningful while the extraction is valid
  if (!db.extracted) return;
  view_.boxesAt(view_.toLambda(p), scratch_);
  std::string text;
  std::vector<const std::string*> shown;
  for (int pos : scratch_) {
    if (pos < 1 || pos > db.boxCount()) continue;
    const int n = db.box(pos).node;
    if (n < 0 || n > db.highestNode()) continue;
    const std::string& name = db.node(n).name;
    if (name.empty()) continue;
    bool seen = false;
    for (const std::string* s : shown)
      if (*s == name) seen = true;
    if (seen) continue;
    shown.push_back(&name);
    if (!text.empty()) text += ' ';
    text += name;
    if (static_cast<int>(shown.size()) >= kMaxNodeNamesShown) break;
  }
  if (text != status().text(StatusMessage::Info)) status().write(StatusMessage::Info, text);
}

std::string FrameController::boxSizeText(LambdaPoint a, LambdaPoint b) const {
  const LayoutDatabase& db = ctx_.db;
  const std::int64_t w = std::llabs(std::int64_t{b.x} - a.x), h = std::llabs(std::int64_t{b.y} - a.y);
  const double lambda = ctx_.tech.lambda;
  const LayerRecord& layer = db.layers[db.currentLayer];
  std::string s = layer.name + " box size " + F(double(w) * lambda, 5, 3) + " x " + F(double(h) * lambda, 5, 3) +
                  " \xB5m, (" + str(w) + " x " + str(h) + " lambda) ";
  if (w < layer.widthRule || h < layer.widthRule) s += "(too small)";
  return s;
}

void FrameController::doubleClick() {
  if (layoutSimBusy_ || busy()) return;
  const LambdaPoint lp = view_.toLambda(last_);
  if (simulationRunning_) {
    auto it = popupActions.find(PopupItem::NodeProperties);
    if (it != popupActions.end() && it->second) it->second(lp);
    return;
  }
  if (editRlcAt && editRlcAt(lp)) {
    modeNone();
    return;
  }
  if (editLabelAt && editLabelAt(lp)) return;
  if (mode_ == kModeCut || mode_ == kModeCopySelect) return;
  StateHandler* h = handler(kModeViewNode);
  if (!h) return;
  if (dragging_) {
    eraseRubber();
    dragging_ = false;
  }
  mode_ = kModeViewNode;
  window_.pressModeButton(Command::ViewNodeTool);
  h->press(*this, lp);
  changed();
}

// --- keys

void FrameController::keyPress(FrameKey k, char ch, bool ctrl) {
  if (simulationRunning_) {
    status().requestStop();
    return;
  }
  if (k == FrameKey::Control || ctrl) return;
  if (busy()) {
    if (k == FrameKey::Escape) status().requestStop();
    return;
  }
  switch (k) {
    case FrameKey::Left: case FrameKey::Right: case FrameKey::Up: case FrameKey::Down:
      scroll(k, false);
      return;
    case FrameKey::Escape: escape(); return;
    case FrameKey::Character: {
      const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      if (mode_ == kModePath && (c == 'D' || c == 'U')) {
        if (StateHandler* h = handler(mode_)) h->key(*this, c);
        return;
      }
      if (c == 'N' || c == 'P') applyNP(c == 'N');
      return;
    }
    default: return;
  }
}

void FrameController::scroll(FrameKey k, bool toolButton) {
  const Rect before = view_.viewWindow();
  // a layout point under the anchor (26) or the path start (23), to follow it
  const LambdaPoint follow = view_.toLambda(mode_ == kModePath ? pathStart_ : anchor_);
  const PixelPoint p0 = view_.toPixel(follow);
  eraseRubber();
  switch (k) {
    case FrameKey::Left: view_.scrollHorizontal(-1); break;
    case FrameKey::Right: view_.scrollHorizontal(1); break;
    case FrameKey::Up: view_.scrollVertical(1); break;
    case FrameKey::Down: view_.scrollVertical(-1); break;
    default: break;
  }
  const Rect after = view_.viewWindow();
  if (toolButton || mode_ == kModeCopyTarget || mode_ == kModeMoveTarget) {
    accX_ += after.x1 - before.x1;
    accY_ += after.y1 - before.y1;
  }
  const PixelPoint p1 = view_.toPixel(follow);
  if (mode_ == kModeStretchTarget) {
    if (stretchAxisX_)
      anchor_.x += p1.x - p0.x;
    else
      anchor_.y += p1.y - p0.y;
  } else if (mode_ == kModePath) {
    pathStart_.x += p1.x - p0.x;
    pathStart_.y += p1.y - p0.y;
    anchor_ = pathStart_;
  }
  afterViewChange();
}

void FrameController::applyNP(bool toN) {
  LayoutDatabase& db = ctx_.db;
  const int step = view_.lambdaGridStep();
  const std::int32_t d = step > 25 ? 3 : step > 10 ? 1 : 0;
  const LambdaPoint c = view_.toLambda(cursor_);
  const int target = toN ? kDiffn : kDiffp;
  const int source = toN ? kDiffp : kDiffn;
  // protected layers are left alone, on either side of the change
  if (db.layers[source].isProtected || db.layers[target].isProtected) return;
  const std::int64_t xmin = std::int64_t{c.x} - d, xmax = std::int64_t{c.x} + d;
  const std::int64_t ymin = std::int64_t{c.y} - d, ymax = std::int64_t{c.y} + d;
  bool any = false;
  for (int i = 1; i <= db.boxCount(); ++i) {
    LayoutBox& b = db.box(i);
    if (b.state == 0 || b.layer != source) continue;
    if (b.x2 < xmin || b.x1 > xmax || b.y2 < ymin || b.y1 > ymax) continue;
    b.layer = static_cast<std::uint8_t>(target);
    any = true;
  }
  if (!any) return;
  db.modified = true;
  db.extracted = false;
  redraw();
}

// --- pop-up

PopupMenu FrameController::preparePopup(PixelPoint p) {
  last_ = cursor_ = p;
  PopupMenu menu;
  menu.at = view_.toLambda(p);
  auto hook = [this](PopupItem::Kind k) {
    auto it = popupActions.find(k);
    return it != popupActions.end() && it->second;
  };
  const bool idle = !busy();
  menu.items.push_back({PopupItem::NodeProperties, "Node properties", idle && hook(PopupItem::NodeProperties)});
  menu.items.push_back({PopupItem::MosProperties, "MOS properties", idle && hook(PopupItem::MosProperties)});
  menu.items.push_back(
      {PopupItem::TextProperties, "Text properties", idle && (bool(editRlcAt) || bool(editLabelAt))});
  view_.boxesAt(menu.at, scratch_);
  const LayoutDatabase& db = ctx_.db;
  bool option = false;
  for (int pos : scratch_)
    if (pos >= 1 && pos <= db.boxCount() && db.box(pos).layer == kOption) option = true;
  if (option)
    menu.items.push_back(
        {PopupItem::OptionProperties, "Option layer properties", idle && hook(PopupItem::OptionProperties)});
  menu.items.push_back({PopupItem::CrossSection, "View cross section", idle && hook(PopupItem::CrossSection)});
  menu.items.push_back({PopupItem::ConnectLayers, "Connect layers", idle && hook(PopupItem::ConnectLayers)});
  // one entry per layer, from the last box to the first
  std::vector<int> layersSeen;
  for (auto it = scratch_.rbegin(); it != scratch_.rend(); ++it) {
    const int pos = *it;
    if (pos < 1 || pos > db.boxCount()) continue;
    const int layer = db.box(pos).layer;
    if (db.layers[layer].isProtected) continue;
    if (std::find(layersSeen.begin(), layersSeen.end(), layer) != layersSeen.end()) continue;
    layersSeen.push_back(layer);
    menu.items.push_back({PopupItem::DeleteBox, db.layers[layer].name, idle, pos});
    if (static_cast<int>(layersSeen.size()) >= kMaxPopupLayers) break;
  }
  return menu;
}

void FrameController::choosePopup(const PopupMenu& menu, std::size_t index) {
  if (index >= menu.items.size() || busy()) return;
  const PopupItem& item = menu.items[index];
  if (!item.enabled) return;
  LayoutDatabase& db = ctx_.db;
  switch (item.kind) {
    case PopupItem::DeleteBox: {
      // the table may have changed since the menu opened
      if (item.box < 1 || item.box > db.boxCount()) return;
      LayoutBox& b = db.box(item.box);
      if (b.state == 0 || db.layers[b.layer].isProtected) return;
      db.setUndoMarks(kUndoRestoreDeleted);
      b.state = 0;
      db.undoKind = kUndoRestoreDeleted;
      db.modified = true;
      db.extracted = false;
      modeNone();
      redraw();
      return;
    }
    case PopupItem::TextProperties:
      modeNone();
      if (editRlcAt && editRlcAt(menu.at)) return;
      if (editLabelAt) editLabelAt(menu.at);
      return;
    default: {
      auto it = popupActions.find(item.kind);
      if (it != popupActions.end() && it->second) it->second(menu.at);
      return;
    }
  }
}

// --- long operations

void FrameController::beginLongOperation() {
  if (busy_++ == 0) changed();
}

void FrameController::endLongOperation() {
  if (busy_ == 0) return;
  if (--busy_ > 0) return;
  changed();
  if (closePending_) {
    closePending_ = false;
    if (leave()) window_.closeProgram();
  }
}

// --- File commands

bool FrameController::askToSave(const std::string& question) {
  if (!ctx_.db.modified) return true;
  switch (ctx_.services.dialogs.confirm("Warning: layout modified.", question)) {
    case ConfirmResult::Yes:
      // a save that failed must not let the layout be discarded
      return save(false);
    case ConfirmResult::No: return true;
    case ConfirmResult::Cancel: return false;
  }
  return false;
}

void FrameController::newLayout() {
  if (!askToSave()) return;
  cancelPendingMove();
  eraseRubber();
  dragging_ = false;
  LayoutDatabase& db = ctx_.db;
  db.clear();
  db.extracted = false;
  db.fileName = "Example.msk";
  db.fileNamed = false;
  setTitleFromFile();
  view_.viewAll();
  afterViewChange();
  if (layoutReplaced) layoutReplaced();
}

void FrameController::openLayoutCommand() {
  if (!askToSave()) return;
  auto path = ctx_.services.dialogs.openFileName("Open", kLayoutFilter);
  if (!path || path->empty()) return;
  if (path->size() >= 5 && endsWithNoCase(*path, "CIF")) {
    auto it = commands_.find(Command::ImportCif);
    if (it == commands_.end()) {
      status().write(StatusMessage::Main, "Cannot open \"" + *path + "\": CIF files are not read yet");
      return;
    }
  }
  openLayoutFile(*path);
}

bool FrameController::openLayoutFile(const std::string& path) {
  cancelPendingMove();  // the selection belongs to the table being replaced
  eraseRubber();
  dragging_ = false;
  ReadReport r;
  {
    LongOperation op(*this);
    r = openLayout(ctx_, path);
  }
  ctx_.db.extracted = false;
  setTitleFromFile();
  view_.viewAll();
  afterViewChange();
  if (r.opened && layoutReplaced) layoutReplaced();
  return r.opened;
}

void FrameController::insertLayout() {
  status().write(StatusMessage::Main, "Insert file...");
  auto path = ctx_.services.dialogs.openFileName("Insert layout", kLayoutFilter);
  if (!path || path->empty()) return;
  eraseRubber();
  dragging_ = false;
  {
    LongOperation op(*this);
    readLayout(ctx_, *path, ReadMode::Insert);
  }
  ctx_.db.modified = true;
  ctx_.db.extracted = false;
  view_.viewAll();
  afterViewChange();
}

bool FrameController::save(bool saveAs) {
  const std::string& name = ctx_.db.fileName;
  if (!saveAs)
    status().write(StatusMessage::Main,
                   "Save \"" + (endsWithNoCase(name, ".msk") ? name : name + ".MSK") + "\"");
  bool ok;
  {
    LongOperation op(*this);
    ok = saveCommand(ctx_, saveAs);
  }
  setTitleFromFile();
  return ok;
}

bool FrameController::selectFoundry() {
  status().write(StatusMessage::Main, "Select a Rule file");
  modeNone();
  auto path = ctx_.services.dialogs.openFileName("Select Foundry", kRuleFilter);
  if (!path || path->empty()) return false;
  bool ok;
  {
    LongOperation op(*this);
    ok = loadRuleFile(ctx_.tech, ctx_.db.layers, *path, status(), ctx_.services.debug);
  }
  if (palette_) palette_->showMetalButtons(true);
  if (ok)
    status().write(StatusMessage::Main, "The current technology is  \"" + ctx_.tech.technologyName + "\", " +
                                            " power supply " + F(ctx_.tech.vdd, 5, 2) + "V");
  redraw();
  return ok;
}

void FrameController::print() {
  if (!window_.printDialog()) return;
  status().write(StatusMessage::Main, "Print the layout...");
  window_.setBarsVisible(false);
  view_.setPrintHeader(true);
  view_.toggleBackground();  // redraws, with the header
  afterViewChange();
  window_.printDrawingArea();
  window_.setBarsVisible(true);
  status().write(StatusMessage::Main, "Print complete");
  redraw();
  view_.setPrintHeader(false);
}

bool FrameController::leave() {
  if (busy()) {
    closePending_ = true;
    return false;
  }
  Dialogs& d = ctx_.services.dialogs;
  if (ctx_.db.modified) {
    switch (d.confirm("Warning: layout modified.", "Save the layout before leaving ?")) {
      case ConfirmResult::Yes:
        if (!save(false)) return false;
        break;
      case ConfirmResult::No: break;
      case ConfirmResult::Cancel: return false;
    }
  }
  return d.confirm("Do you really want to leave me?", "", false) == ConfirmResult::Yes;
}

void FrameController::help(const std::string& page) {
  if (!help_.open(page)) status().write(StatusMessage::Main, "Could not find \"" + page + "\"");
}

// --- commands

void FrameController::toggleViewNode() {
  if (mode_ == kModeViewNode) {
    modeNone();
    redraw();
    status().write(StatusMessage::Main, "Quit the viewNode command...");
    return;
  }
  if (!modeAvailable(kModeViewNode)) return;
  setMode(kModeViewNode, "Select a node in the drawing...");
}

void FrameController::toggleRuler() {
  if (rulerOn_ || mode_ == kModeRuler) {
    rulerOn_ = false;
    view_.clearRuler();
    if (mode_ == kModeRuler) boxMode();
    redraw();
    changed();
    return;
  }
  setMode(kModeRuler);
}

void FrameController::execute(Command c) {
  if (!enabled(c)) return;
  if (c == Command::ExtractCircuit && firstSimulateCaption_ == "Stop simulation") {
    status().requestStop();
    return;
  }
  if (cancelsMove(c)) cancelPendingMove();
  auto registered = commands_.find(c);
  if (registered != commands_.end()) {
    registered->second();
    changed();
    return;
  }
  switch (c) {
    case Command::New: newLayout(); break;
    case Command::Open: openLayoutCommand(); break;
    case Command::InsertLayout: insertLayout(); break;
    case Command::Save: save(false); break;
    case Command::SaveAs: save(true); break;
    case Command::SelectFoundry: selectFoundry(); break;
    case Command::Monochrome:
      view_.setMonochrome(!view_.monochrome());
      afterViewChange();
      break;
    case Command::WhiteBackground:
      view_.toggleBackground();
      afterViewChange();
      break;
    case Command::Print: print(); break;
    case Command::Leave:
      if (leave()) window_.closeProgram();
      break;
    case Command::Refresh: redraw(); break;
    case Command::UnselectAll: unselectAll(); break;
    case Command::ViewAll:
      view_.viewAll();
      afterViewChange();
      break;
    case Command::ZoomIn:
      if (mode_ == kModeCopyTarget || mode_ == kModePaste) {
        status().write(StatusMessage::Main, "Zoom in is not possible with the active command");
        break;
      }
      setMode(kModeZoomIn);
      break;
    case Command::ZoomOut:
      if (mode_ == kModeMoveTarget) break;
      eraseRubber();
      view_.zoomOut();
      afterViewChange();
      break;
    case Command::LambdaGrid:
      view_.toggleLambdaGrid();
      afterViewChange();
      break;
    case Command::RoutingGrid:
      view_.toggleRoutingGrid();
      afterViewChange();
      break;
    case Command::Palette:
      status().write(StatusMessage::Main, "Show palette menu...");
      palette_->showPalette();
      break;
    case Command::ProtectAll:
      status().write(StatusMessage::Main, "Protect all");
      palette_->protectAll();
      break;
    case Command::UnprotectAll:
      status().write(StatusMessage::Main, "Unprotect layers ...");
      palette_->unprotectAll();
      break;
    case Command::GenerateBox:
      boxMode();
      if (palette_) palette_->showPalette();
      break;
    case Command::BoxTool: boxMode(); break;
    case Command::ViewNodeTool: toggleViewNode(); break;
    case Command::RulerTool: toggleRuler(); break;
    case Command::ScrollLeft: scroll(FrameKey::Left, true); break;
    case Command::ScrollUp: scroll(FrameKey::Up, true); break;
    case Command::ScrollDown: scroll(FrameKey::Down, true); break;
    case Command::ScrollRight: scroll(FrameKey::Right, true); break;
    case Command::ReferenceManual: help(kHelpIndexPage); break;
    default: {
      const int m = modeOfCommand(c);
      if (m >= 0) enterCommandMode(m);
      break;
    }
  }
  changed();
}

// ------------------------------------------------------------ palette host

FramePaletteHost::FramePaletteHost(FrameController& f) : f_(f) {}

void FramePaletteHost::setPalette(Palette* p) {
  palette_ = p;
  f_.registerHandler(kModeContact, p ? this : nullptr);
  if (!p) return;
  // a command the palette started that ends otherwise releases its buttons
  f_.escaped = [this] {
    if (palette_) palette_->ReleaseToolButtons();
  };
  f_.modeChanged = [this](int m) {
    if (palette_ && m != kModeContact && m != kModeText && m != kModeInductor && m != kModeResistor &&
        m != kModeCapacitor && palette_->pressedTool())
      palette_->ReleaseToolButtons();
  };
}

bool FramePaletteHost::refuse(const std::string& what) {
  f_.status().write(StatusMessage::Main, what + " is not available yet");
  if (palette_) palette_->ReleaseToolButtons();
  return true;
}

void FramePaletteHost::boxMode() { f_.boxMode(); }

void FramePaletteHost::setEditMode(int state, std::string_view prompt) {
  if (!f_.handler(state)) {
    refuse(state == kModeInductor ? "The virtual inductor" : state == kModeResistor ? "The virtual resistance"
                                                                                      : "The virtual capacitance");
    return;
  }
  f_.setMode(state, std::string(prompt));
}

void FramePaletteHost::placeText(int propertyCode, std::string_view prompt) {
  if (!f_.handler(kModeText)) {
    refuse("Placing labels");
    return;
  }
  textProperty = propertyCode;
  f_.setMode(kModeText, std::string(prompt));
}

void FramePaletteHost::placeContact(const Rect& shape, std::string_view prompt) {
  if (!contactGenerator) {
    refuse("The contact generator");
    return;
  }
  f_.beginPlacement(kModeContact, shape, std::string(prompt));
}

void FramePaletteHost::openGenerator(std::string_view page) {
  if (!generatorWindow) {
    refuse("The generator window");
    return;
  }
  generatorWindow(page);
}

void FramePaletteHost::addContact(std::int32_t x, std::int32_t y, int kind) {
  if (contactGenerator) contactGenerator(x, y, kind);
}

void FramePaletteHost::addBondingPad(std::int32_t x, std::int32_t y, std::int32_t size) {
  if (padGenerator) padGenerator(x, y, size);
}

void FramePaletteHost::redraw() { f_.redraw(); }

void FramePaletteHost::bringToFront() {
  if (frontWindow) frontWindow();
}

void FramePaletteHost::escape() { f_.escape(); }

void FramePaletteHost::release(FrameController&, LambdaPoint, LambdaPoint point) {
  if (palette_) palette_->PlaceContact(point.x, point.y);
}

}  // namespace quill
