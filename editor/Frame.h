// The main window's command controller: the one command state (EditMode)
// with its prompts, the mouse protocol of the drawing area (snapping, drag
// states, rubber shapes drawn in not-xor over the view's surface), the
// keyboard, the pop-up menu, the File commands (new, open, insert, save,
// select foundry, print, leave) and the table of menu entries and tool
// buttons with their enabled, checked and caption states.
//
// It talks to the world through small interfaces: the layout view
// (FrameView), the window (FrameWindow), the palette (FramePalette), help
// pages (HelpOpener) and the platform services of the context. The Qt
// window Tmdiframe only binds it. Operations of other parts of the program
// plug in by registering a StateHandler for a command state (they are then
// called with lambda coordinates) or a function for a menu command; a
// command whose operation is not registered is disabled.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/AppContext.h"
#include "editor/Palette.h"
#include "platform/Surface.h"

namespace quill {

class LayoutView;

struct PixelPoint {
  int x = 0, y = 0;
  bool operator==(const PixelPoint&) const = default;
};
struct LambdaPoint {
  std::int32_t x = 0, y = 0;
  bool operator==(const LambdaPoint&) const = default;
};

// The command state. Values not listed are not produced.
enum EditMode : int {
  kModeNone = 0,
  kModeCut = 4,
  kModeInterconnect = 5,
  kModeRotate = 6,
  kModeRotateBack = 7,
  kModeBox = 8,
  kModeZoomIn = 10,
  kModeViewNode = 12,
  kModeRuler = 13,
  kModeCopySelect = 14,
  kModeCopyTarget = 15,
  kModeText = 16,
  kModeCrosstalk = 17,
  kModeContact = 19,
  kModePathStart = 20,
  kModeViewMos = 21,
  kModeDelay = 22,
  kModePath = 23,
  kModeInvertDiffusion = 24,
  kModeStretch = 25,
  kModeStretchTarget = 26,
  kModeMoveTarget = 27,
  kModeGenerator28 = 28,
  kModeGenerator29 = 29,
  kModeGenerator30 = 30,
  kModeInductor = 31,
  kModeGenerator32 = 32,
  kModeCrossSection = 33,
  kModeGenerator35 = 35,
  kModeFlipHorizontal = 36,
  kModeFlipVertical = 37,
  kModeGenerator38 = 38,
  kModeParametric = 39,
  kModeMoveStep = 40,
  kModeDuplicate = 41,
  kModePaste = 42,
  kModeResistor = 43,
  kModeGenerator44 = 44,
  kModeGenerator45 = 45,
  kModeCapacitor = 46,
  kModeGenerator47 = 47,
  kModeConnect = 48,
};

// Prompt written to panel 0 when the state is entered from its command;
// empty for states without one (and for 15, 26, 27 and 42, whose prompts
// carry a count and are written by the operation that enters them).
const char* modePrompt(int mode);
// States whose mouse-down starts a rubber shape at the snapped point.
bool isDragMode(int mode);
// States that act at mouse-down.
bool actsAtPress(int mode);

enum class RubberKind : std::uint8_t {
  None,
  Rect,       // anchor to cursor
  Line,       // anchor to cursor
  Selection,  // outlines of the selected elements displaced by cursor - anchor
  Element,    // size rectangle of the element to place, around the cursor
  Path,       // two segments from the path start to the cursor
  Stretch,    // the stretched box outline, given by the operation
};
RubberKind rubberKind(int mode);

constexpr Colour kRubberColour = rgb(255, 0, 0);
// Releases in cut mode closer than this to the previous delete are ignored.
constexpr std::int64_t kCutDebounceMs = 300;
// At most this many node names under the cursor are shown.
constexpr int kMaxNodeNamesShown = 32;
// At most this many layers in the pop-up's "Delete one layer box".
constexpr int kMaxPopupLayers = 7;

// ---------------------------------------------------------------- commands

// Every menu entry and tool button.
enum class Command : int {
  None,  // the hidden button of the mode group (sbNone)
  // File
  New, Open, InsertLayout, ImportCif, ConvertCif, ConvertSpice, Save, SaveAs, SelectFoundry,
  Monochrome, WhiteBackground, Properties, Print, Leave,
  // View
  Refresh, UnselectAll, ViewAll, ZoomIn, ZoomOut, ViewNode, LambdaGrid, RoutingGrid, ViewInterconnect,
  LabelList, MosList, Navigator, Palette,
  // Edit
  Undo, Cut, Copy, Paste, MoveStretch, MoveStep, FlipHorizontal, FlipVertical, Rotate90, RotateMinus90,
  ProtectAll, UnprotectAll, GenerateBox, GenContacts, GenNmos, GenPmos, GenResistor, GenBus, GenPath,
  GenInductor, GenDiode, GenCapa, GenLogo, GenPads, VirtualResistance, VirtualCapacitance, VirtualInductance,
  Duplicate, LayerConnection, ChangeBox,
  // Simulate
  ExtractCircuit, SimVoltageTime, SimVoltageCurrent, SimStatic, SimFrequency, SimEye, ModelLevel1, ModelLevel3,
  ModelBsim4, SimOnLayout, Crosstalk, SimParameters, UvExposure, MosCharacteristics, CrossSection2D, Process3D,
  // Compile
  CompileLine, CompileVerilog,
  // Analysis
  Drc, FloatingNodes, CleanLayout, GlobalCrosstalk, GlobalDelay, Parametric, MeasureDistance, Resonant, Fem,
  InterconnectStats, Debug, Generate2D,
  // Help
  About, DesignRules, ReferenceManual,
  // tool bar only
  BoxTool, ViewNodeTool, RulerTool, TextTool, ScrollLeft, ScrollUp, ScrollDown, ScrollRight,
  Count
};

struct MenuEntry {
  Command command;
  const char* menu;      // "&File", ...
  const char* submenu;   // "" or the caption of the submenu
  const char* caption;   // initial caption (CP1252)
  const char* shortcut;  // "" or a key sequence ("F3", "Ctrl+F")
  const char* name;      // control name (mnuOpen, ...)
  bool checkable;
  bool separatorBefore;
};
// the menu bar, top to bottom and left to right
const std::vector<MenuEntry>& menuEntries();

struct ToolButtonEntry {
  Command command;
  const char* name;  // sbBox, ...
  const char* hint;
  bool modeGroup;    // member of the exclusive mode group
  bool checkable;
};
// the tool bar, left to right
const std::vector<ToolButtonEntry>& toolButtons();

// The group button that shows a state (Command::None when none does).
Command buttonForMode(int mode);

// ------------------------------------------------------------- interfaces

// What the controller needs from the layout view.
class FrameView {
 public:
  virtual ~FrameView() = default;
  virtual Surface* surface() = 0;
  virtual LambdaPoint toLambda(PixelPoint p) const = 0;
  virtual PixelPoint toPixel(LambdaPoint p) const = 0;
  virtual Rect viewWindow() const = 0;
  virtual int lambdaGridStep() const = 0;
  virtual void redraw() = 0;
  virtual void viewAll() = 0;
  virtual void zoomInArea(PixelPoint a, PixelPoint b) = 0;
  virtual void zoomOut() = 0;
  // direction > 0: right / up
  virtual void scrollHorizontal(int direction) = 0;
  virtual void scrollVertical(int direction) = 0;
  virtual void ruler(PixelPoint a, PixelPoint b) = 0;
  virtual void clearRuler() = 0;
  virtual bool monochrome() const = 0;
  virtual void setMonochrome(bool on) = 0;
  virtual bool whiteBackground() const = 0;
  virtual void toggleBackground() = 0;
  virtual bool lambdaGridOn() const = 0;
  virtual void toggleLambdaGrid() = 0;
  virtual bool routingGridOn() const = 0;
  virtual void toggleRoutingGrid() = 0;
  virtual void setPrintHeader(bool on) = 0;
  // live boxes containing the point, edges included, in table order
  virtual void boxesAt(LambdaPoint p, std::vector<int>& out) = 0;
};

// FrameView over the program's LayoutView.
class LayoutViewFrame : public FrameView {
 public:
  explicit LayoutViewFrame(LayoutView& v) : v_(v) {}
  Surface* surface() override;
  LambdaPoint toLambda(PixelPoint p) const override;
  PixelPoint toPixel(LambdaPoint p) const override;
  Rect viewWindow() const override;
  int lambdaGridStep() const override;
  void redraw() override;
  void viewAll() override;
  void zoomInArea(PixelPoint a, PixelPoint b) override;
  void zoomOut() override;
  void scrollHorizontal(int direction) override;
  void scrollVertical(int direction) override;
  void ruler(PixelPoint a, PixelPoint b) override;
  void clearRuler() override;
  bool monochrome() const override;
  void setMonochrome(bool on) override;
  bool whiteBackground() const override;
  void toggleBackground() override;
  bool lambdaGridOn() const override;
  void toggleLambdaGrid() override;
  bool routingGridOn() const override;
  void toggleRoutingGrid() override;
  void setPrintHeader(bool on) override;
  void boxesAt(LambdaPoint p, std::vector<int>& out) override;

 private:
  LayoutView& v_;
};

// What the controller asks of the window around it. Defaults do nothing.
class FrameWindow {
 public:
  virtual ~FrameWindow() = default;
  virtual void setTitle(const std::string& /*cp1252*/) {}
  // press this button of the mode group (Command::None: the hidden one)
  virtual void pressModeButton(Command) {}
  // the drawing area's surface changed outside a view redraw (rubber shapes)
  virtual void areaChanged() {}
  // enabled, checked or caption states may have changed
  virtual void commandsChanged() {}
  virtual void bringToFront() {}
  // the system print dialog; true when the user confirmed
  virtual bool printDialog() { return false; }
  virtual void printDrawingArea() {}
  virtual void setBarsVisible(bool) {}
  // closes the program (after Leave was confirmed)
  virtual void closeProgram() {}
};

// The layer palette's entry points the frame calls.
class FramePalette {
 public:
  virtual ~FramePalette() = default;
  virtual void showPalette() = 0;
  virtual void protectAll() = 0;
  virtual void unprotectAll() = 0;
  virtual void showMetalButtons(bool release) = 0;
};

// Opens a help page ("html\index.htm") with the system's handler; false
// when the page is missing or could not be opened.
class HelpOpener {
 public:
  virtual ~HelpOpener() = default;
  virtual bool open(const std::string& page) = 0;
};

inline constexpr const char* kHelpIndexPage = "html\\index.htm";

class FrameController;

// The operation behind a command state, called with lambda points. Only
// what a state uses needs overriding.
class StateHandler {
 public:
  virtual ~StateHandler() = default;
  // mouse-down in the states acting at press (5, 12, 17, 21, 22), the path
  // start (20) and the pick of state 25; true when it took the press (25:
  // an element was picked and the operation entered state 27)
  virtual bool press(FrameController&, LambdaPoint) { return false; }
  // mouse-up. Drag states get the anchor and the release point; in the
  // target states 15, 26 and 27 point - anchor is the displacement measured
  // in the layout, scrolling included. Enter a next state (beginTarget)
  // last: a redraw after it would wipe the rubber shape.
  virtual void release(FrameController&, LambdaPoint /*anchor*/, LambdaPoint /*point*/) {}
  // text for panel 0 while dragging (empty: nothing written)
  virtual std::string dragText(FrameController&, LambdaPoint /*anchor*/, LambdaPoint /*point*/) { return {}; }
  // mouse move without dragging (state 21)
  virtual void hover(FrameController&, LambdaPoint) {}
  // rectangles (lambda) of the rubber shape: the selection of 15 and 27
  // (undisplaced), the stretched box of 26
  virtual void rubberOutlines(FrameController&, LambdaPoint /*anchor*/, LambdaPoint /*point*/,
                              std::vector<Rect>& /*out*/) {}
  // keys other than arrows and Escape ("D", "U" in state 23)
  virtual void key(FrameController&, char) {}
  // Escape or a new command left the state
  virtual void cancel(FrameController&) {}
};

// Keys the controller handles.
enum class FrameKey { Left, Right, Up, Down, Escape, Control, Character, Other };

// The pop-up menu prepared at a point.
struct PopupItem {
  enum Kind { NodeProperties, MosProperties, TextProperties, OptionProperties, CrossSection, ConnectLayers, DeleteBox };
  Kind kind;
  std::string caption;  // CP1252
  bool enabled = false;
  int box = 0;  // DeleteBox: table position of the box
};
struct PopupMenu {
  LambdaPoint at;
  std::vector<PopupItem> items;  // DeleteBox items form the "Delete one layer box" submenu
};

// ------------------------------------------------------------- controller

class FrameController {
 public:
  FrameController(AppContext& ctx, FrameView& view, FrameWindow& window, HelpOpener& help);
  FrameController(const FrameController&) = delete;
  FrameController& operator=(const FrameController&) = delete;

  AppContext& context() { return ctx_; }
  FrameView& view() { return view_; }
  StatusMessage& status() { return ctx_.services.status; }
  void setPalette(FramePalette* p);

  // --- plug-in points
  // the operation behind a state (not owned; null removes it). States with
  // no operation are refused, and their commands disabled.
  void registerHandler(int mode, StateHandler* handler);
  StateHandler* handler(int mode) const;
  // the action of a menu command owned by another part; enables it
  void registerCommand(Command c, std::function<void()> action);
  // called by the double-click on an R/L/C symbol or a label, and by the
  // pop-up's Text properties
  std::function<bool(LambdaPoint)> editRlcAt;    // true when a symbol was there
  std::function<bool(LambdaPoint)> editLabelAt;  // true when a label was there
  // after New and a successful Open: per-layout state of other parts restarts
  std::function<void()> layoutReplaced;
  // after Escape and whenever the state changes (the palette releases its buttons)
  std::function<void()> escaped;
  std::function<void(int)> modeChanged;
  // pop-up entries owned by other parts (node, MOS, option, cross-section,
  // connect); the NodeProperties one also serves the double-click while a
  // simulation runs
  std::map<int, std::function<void(LambdaPoint)>> popupActions;

  // --- commands
  void execute(Command c);
  bool enabled(Command c) const;
  bool checked(Command c) const;
  // current caption (CP1252) of entries whose caption changes
  std::string caption(Command c) const;

  // --- state
  int mode() const { return mode_; }
  // enters a state: writes its prompt and presses its group button
  void setMode(int mode);
  // as setMode with the prompt given
  void setMode(int mode, const std::string& prompt);
  // state 8, sbBox pressed (after Unselect All when leaving state 12)
  void boxMode();
  // state 0, sbNone pressed (same clearing)
  void modeNone();
  // enters a target state (15, 26, 27, 42): the rubber shape starts at the
  // last mouse position and follows the mouse without a button; the
  // displacement accumulators restart
  void beginTarget(int mode, const std::string& prompt);
  // enters a placement state (19, 28..47): the rubber shape is size
  // (lambda, relative to the cursor) around the cursor
  void beginPlacement(int mode, const Rect& size, const std::string& prompt);
  // boxes and labels a move took away (deleted), restored by Escape in 27
  void setPickedUp(std::vector<int> boxes, std::vector<int> labels);
  // the axis a stretch moves along (26): true for x
  void setStretchAxisX(bool x) { stretchAxisX_ = x; }

  // --- input from the drawing area (pixels)
  enum class Button { Left, Right, Other };
  void mouseDown(PixelPoint p, Button b);
  void mouseMove(PixelPoint p);
  void mouseUp(PixelPoint p, Button b);
  void doubleClick();
  void keyPress(FrameKey k, char ch = 0, bool ctrl = false);
  // Escape on the main window (also from the palette)
  void escape();
  PopupMenu preparePopup(PixelPoint p);
  void choosePopup(const PopupMenu& menu, std::size_t item);

  // the drawing area was resized or must be painted again
  void redraw();

  // --- interaction state, for the window and the tests
  bool dragging() const { return dragging_; }
  PixelPoint anchor() const { return anchor_; }
  PixelPoint current() const { return current_; }
  PixelPoint lastMouse() const { return last_; }
  LambdaPoint accumulated() const { return {accX_, accY_}; }
  bool rubberShown() const { return rubberShown_; }

  // --- File commands (also reachable through execute)
  // only when modified: asks to save; false when the command must stop
  // (Cancel, or Yes with a save that failed)
  bool askToSave(const std::string& question = "Save the layout?");
  void newLayout();
  void openLayoutCommand();
  // opens path without asking (start-up, tests)
  bool openLayoutFile(const std::string& path);
  void insertLayout();
  bool save(bool saveAs);
  bool selectFoundry();
  void print();
  // File/Leave and the window's close button: true when the program may
  // close (it is closed by the caller); deferred while a long operation runs
  bool leave();
  bool leavePending() const { return closePending_; }
  void help(const std::string& page);
  void unselectAll();
  std::string title() const;

  // --- long operations (design-rule check, extraction, file read or save,
  // simulation): while one runs, commands that change the tables are
  // disabled and mouse gestures ignored; Escape still sets the stop
  // request; closing waits for the end.
  void beginLongOperation();
  void endLongOperation();
  bool busy() const { return busy_ > 0; }
  class LongOperation {
   public:
    explicit LongOperation(FrameController& f) : f_(f) { f_.beginLongOperation(); }
    ~LongOperation() { f_.endLongOperation(); }
    LongOperation(const LongOperation&) = delete;
    LongOperation& operator=(const LongOperation&) = delete;

   private:
    FrameController& f_;
  };
  // set by the simulation: keys then only request a stop
  void setSimulationRunning(bool on) { simulationRunning_ = on; }
  bool simulationRunning() const { return simulationRunning_; }
  // set while a simulation on the layout redraws: mouse input is ignored
  void setLayoutSimulationBusy(bool on) { layoutSimBusy_ = on; }

  // the text of the box-mode drag ("poly box size ...")
  std::string boxSizeText(LambdaPoint a, LambdaPoint b) const;

 private:
  void scroll(FrameKey k, bool toolButton);
  void applyNP(bool toN);
  void showNodeNames(PixelPoint p);
  void drawRubber();
  void eraseRubber();
  void paintRubber();
  void afterViewChange();
  void cancelPendingMove();
  void release(PixelPoint p);
  bool modeAvailable(int mode) const;
  bool changesTables(Command c) const;
  void enterCommandMode(int mode);
  void changed() { window_.commandsChanged(); }
  void toggleViewNode();
  void toggleRuler();
  void setTitleFromFile();

  AppContext& ctx_;
  FrameView& view_;
  FrameWindow& window_;
  HelpOpener& help_;
  FramePalette* palette_ = nullptr;
  std::map<int, StateHandler*> handlers_;
  std::map<Command, std::function<void()>> commands_;

  int mode_ = kModeNone;
  bool dragging_ = false;
  bool rubberShown_ = false;
  PixelPoint anchor_, current_, last_, cursor_, pathStart_;
  Rect elementSize_{};
  std::int32_t accX_ = 0, accY_ = 0;
  bool stretchAxisX_ = true;
  std::vector<int> pickedBoxes_, pickedLabels_;
  std::int64_t lastCutRelease_ = 0;
  bool cutReleased_ = false;
  int busy_ = 0;
  bool closePending_ = false;
  bool simulationRunning_ = false;
  bool layoutSimBusy_ = false;
  bool rulerOn_ = false;
  std::string firstSimulateCaption_ = "Extract circuit";
  bool crosstalk_ = false;
  std::vector<int> scratch_;
  std::string lastNodeText_;
};

// What the layer palette asks of the frame. The generator primitives and
// the generator window belong to the generators; until they are plugged in
// the palette's placements that need them are refused with a message, and
// so are its buttons whose state has no operation yet.
class FramePaletteHost : public PaletteHost, public StateHandler {
 public:
  explicit FramePaletteHost(FrameController& f);
  // the palette (not owned); also takes the release of the contact state
  void setPalette(Palette* p);

  std::function<void(std::int32_t x, std::int32_t y, int kind)> contactGenerator;
  std::function<void(std::int32_t x, std::int32_t y, std::int32_t size)> padGenerator;
  std::function<void(std::string_view page)> generatorWindow;
  std::function<void()> frontWindow;
  // the property code the label command places with (state 16)
  int textProperty = 0;

  // PaletteHost
  void boxMode() override;
  void setEditMode(int state, std::string_view prompt) override;
  void placeText(int propertyCode, std::string_view prompt) override;
  void placeContact(const Rect& shape, std::string_view prompt) override;
  void openGenerator(std::string_view page) override;
  void addContact(std::int32_t x, std::int32_t y, int kind) override;
  void addBondingPad(std::int32_t x, std::int32_t y, std::int32_t size) override;
  void redraw() override;
  void bringToFront() override;
  void escape() override;

  // StateHandler: the release of the contact state
  void release(FrameController&, LambdaPoint, LambdaPoint point) override;

 private:
  bool refuse(const std::string& what);
  FrameController& f_;
  Palette* palette_ = nullptr;
};

}  // namespace quill
