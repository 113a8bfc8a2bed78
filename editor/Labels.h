// Labels: the logic behind the label window TFormAddText (its pages,
// entries kept between uses, Assign, the page buttons, the sequence grid)
// and the place-text command that opens it at a point of the layout.
//
// Binding for the main frame:
//  - make one PlaceText with a PlaceTextHost (pixel transform, label text
//    size, the modal window, redraw) and register it for state 16;
//  - set propertyCode to give the code the command carries (the palette's
//    property buttons; unset: 0, the text tool) and onPlaced to release
//    the palette's property buttons after a release;
//  - editLabelAt for the double-click and the pop-up's Text properties;
//  - newLayout() on File/New and Open (name counters, clock times);
//    technologyRead() after a rule file was read (entries follow VDD and RISE).
// Every change of a label sets modified and clears extracted.
#pragma once
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/LayoutDatabase.h"
#include "core/TechnologyRules.h"
#include "editor/Frame.h"
#include "platform/StatusMessage.h"

namespace quill {

// The pages of TFormAddText, in tab order.
enum class LabelPage : int { Vdd, Clock, Pulse, Sinus, Var, Vss, Pwl, Math };
constexpr int kLabelPageCount = 8;
const char* pageControlName(LabelPage p);  // "TabVdd", ...
const char* pageTitle(LabelPage p);        // "DC Supply", ...
const char* windowCaption(LabelPage p);    // "Add Vdd supply", ...
// the page that edits a label of this kind
LabelPage pageOfKind(int kind);

// Texts of edit fields: up to ten significant digits, no trailing zeros.
std::string editNumber(double v);

// A numeric edit field: the text shown and the value it stands for.
struct NumberEdit {
  NumberEdit(double v, double lo, double hi) : value(v), min(lo), max(hi) { set(v); }
  std::string text;
  double value;
  double min, max;
  // value and its text
  void set(double v);
  // Takes the text when it parses within the range; otherwise the value
  // is kept and false returned.
  bool read();
};

struct EdgeTimes {
  double start, rise, hold, fall;  // ns: tl or ts, tr, th or tp, tf
};

// the last clock or pulse assigned, for the inverted copy
struct LastWave {
  double high = 0, low = 0;
  EdgeTimes times{};
  std::string name;
};

// The sequence grid StringPwl: a time column and a code column, the
// headings in row 0 and 63 data rows.
class PwlGrid {
 public:
  static constexpr int kRows = kMaxPwlEntries;
  static constexpr int kTimeColumn = 0, kCodeColumn = 1;
  PwlGrid() { reset(); }

  // out-of-range cells read as empty and are not written
  const std::string& cell(int col, int row) const;
  void setCell(int col, int row, std::string_view text);
  int selected = 1;   // selected row
  double step = 1.0;  // the last insertion step (ns)

  // the starting rows (0.0, "0"), (1.0, "1"), (2.0, "0")
  void reset();
  void doubleClick(int col, int row);
  void clearFrom(int row);
  void invert();
  // the characters of seq one per row from row on
  void insert(std::string_view seq, int row);
  // the rows from 1 while the time cell parses (0..100000)
  PwlTable table() const;
  void load(const PwlTable& t);

 private:
  std::array<std::array<std::string, kRows + 1>, 2> cells_;
};

// the code of a grid cell ("0"/blank, "1", "2", "x", "r") and back
std::uint8_t pwlCodeOfCell(std::string_view cell);
std::string pwlCellOfCode(std::uint8_t code);

// The values the window offers for a new label, kept for the program's
// lifetime (volts, ns, MHz, mV).
struct LabelDefaults {
  double dcLevel = 5.0;
  double clockHigh = 5.0, clockLow = 0.0;
  EdgeTimes clock{0.9, 0.1, 0.9, 0.1};
  double pulseHigh = 5.0, pulseLow = 0.0;
  EdgeTimes pulse{1.9, 0.1, 1.9, 0.1};
  double sinusFrequency = 1000.0, sinusAmplitude = 1.25, sinusOffset = 2.5, sinusIncrease = 0.0;
  double sinusNoise = 10.0;
  bool sinusAddNoise = false;
  double pwlHigh = 5.0, pwlLow = 0.0;
  std::string equation = "sin(2*pi*t/1e-9)";
};

// The state and buttons of TFormAddText. The window shows these members,
// writes what the user typed back into them before calling a button, and
// shows them again afterwards.
class LabelEditor {
 public:
  LabelEditor(LayoutDatabase& db, const TechnologyRules& tech, StatusMessage& status);

  // --- what the window shows
  LabelPage page = LabelPage::Var;
  std::string EditText = "node0";
  bool visible = false;  // sbVisible down
  NumberEdit EditVdd{5.0, 0, 10};
  NumberEdit clockHigh{5.0, -10, 10}, clockLow{0, -10, 10};
  NumberEdit clockTl{0.9, 0.001, 10000}, clockTr{0.1, 0.001, 10000}, clockTh{0.9, 0.001, 10000},
      clockTf{0.1, 0.001, 10000};
  NumberEdit pulseHigh{5.0, 0, 10}, pulseLow{0, 0, 10};
  NumberEdit pulseTs{1.9, 0.001, 10000}, pulseTr{0.1, 0.001, 10000}, pulseTp{1.9, 0.001, 10000},
      pulseTf{0.1, 0.001, 10000};
  NumberEdit sinusFrequency{1000, 0, 100000}, sinusAmplitude{1.25, -10, 10000}, sinusOffset{2.5, -20, 20},
      sinusIncrease{0, -1000, 1000}, sinusNoise{10, 0, 100};
  bool addNoise = false;
  NumberEdit pwlHigh{5.0, 0, 10}, pwlLow{0, 0, 10};
  PwlGrid StringPwl;
  std::string seq = "010";
  std::string ComboEquation = "sin(2*pi*t/1e-9)";
  std::string periodText;  // the clock page's period line

  std::string caption() const { return windowCaption(page); }
  const char* visibleCaption() const { return visible ? "Visible in simu" : "Not in simu"; }
  // the DC page's buttons and note
  std::string vddCaption() const;
  std::string vddHighCaption() const;
  std::string vddHalfCaption() const;
  std::string supplyNote() const;

  // --- preparing the window
  // a new label at p, on page with name; visibility unchanged when not given
  void prepareNew(LambdaPoint p, LabelPage pg, std::string name, std::optional<bool> visibleOn);
  // the label at table position index: its page, name, visibility, values
  void prepareLabel(int index);
  // the label being edited, 0 for a new one
  int target() const { return target_; }
  LambdaPoint point() const { return point_; }

  // --- buttons
  // Assign: makes or changes the label; the window closes afterwards. True
  // when the layout changed.
  bool Assign();
  // DC page: a fixed voltage text ("5.00"), VDD, VDDH (name "VddH"), VDD/2 (name "VddDiv2")
  void DcText(std::string_view volts);
  void DcVdd();
  void DcVddHigh();
  void DcVddHalf();
  // Clock page
  void ClockSlower();
  void ClockFaster();
  void LastClock();
  // Pulse page
  void PulseLarger();
  void PulseShorter();
  void LastPulse();
  void PulseHighLow();  // levels VDD, 0
  void PulseLowHigh();  // levels 0, VDD
  // Sinus page
  void SinusFaster();
  void SinusSlower();
  // PWL page
  void PwlDoubleClick(int col, int row) { StringPwl.doubleClick(col, row); }
  void PwlClear() { StringPwl.clearFrom(StringPwl.selected); }
  void PwlInvert() { StringPwl.invert(); }
  void PwlInsert() { StringPwl.insert(seq, StringPwl.selected); }

  // --- lifetime
  // entries from the technology (DC, clock, pulse and PWL high levels,
  // edge times, sinus offset and amplitude); also done by itself when the
  // window opens after VDD, HVDD, RISE or the derived stimulus values changed
  void technologyRead();
  // name counters back to 1; clock times from RISE, levels VDD and 0; pulse low 0
  void newLayout();
  const LabelDefaults& defaults() const { return defaults_; }
  int clockCounter = 1, pulseCounter = 1, sinusCounter = 1, nameCounter = 1;
  const std::optional<LastWave>& lastClock() const { return lastClock_; }
  const std::optional<LastWave>& lastPulse() const { return lastPulse_; }

 private:
  void followTechnology();
  void loadDefaults();
  void readPage();
  void showPeriod(bool entriesValid);
  int kindOfPage() const;
  void storeValues(LayoutLabel& l) const;

  LayoutDatabase& db_;
  const TechnologyRules& tech_;
  StatusMessage& status_;
  LabelDefaults defaults_;
  StimulusDefaults applied_;
  double appliedVdd_ = 0, appliedHvdd_ = 0, appliedRise_ = 0;
  std::optional<LastWave> lastClock_, lastPulse_;
  int target_ = 0;
  LambdaPoint point_;
};

// What the place-text command needs from the main window.
class PlaceTextHost {
 public:
  virtual ~PlaceTextHost() = default;
  virtual PixelPoint toPixel(LambdaPoint p) const = 0;
  // the label text size of the view, 0 when labels show as marks
  virtual int labelTextSize() const = 0;
  // TFormAddText, modal, on the editor's prepared state
  virtual void showLabelWindow(LabelEditor& editor) = 0;
  virtual void redraw() = 0;
};

// The property codes the command carries.
enum PropertyCode : int {
  kPropertyText = 0, kPropertyGround = 1, kPropertySupply = 2, kPropertyHighSupply = 3,
  kPropertyPulse = 4, kPropertyClock = 5, kPropertyVisible = 6, kPropertySinus = 8
};

class PlaceText : public StateHandler {
 public:
  PlaceText(LayoutDatabase& db, const TechnologyRules& tech, StatusMessage& status, PlaceTextHost& host);

  LabelEditor& editor() { return editor_; }
  // the label hit at p (strictly within 5 pixels of its text), the last
  // in table order; 0 when none
  int labelHitAt(LambdaPoint p) const;
  // the command released at p
  void placeAt(LambdaPoint p, int code);
  // opens the window for the label at p; false when there is none
  bool editLabelAt(LambdaPoint p);

  std::function<int()> propertyCode;
  std::function<void()> onPlaced;

  // StateHandler (state 16)
  void release(FrameController&, LambdaPoint, LambdaPoint point) override;

  void newLayout() { editor_.newLayout(); }
  void technologyRead() { editor_.technologyRead(); }

 private:
  void addAtOnce(LambdaPoint p, const char* name, int kind);
  void changed();
  void open();

  LayoutDatabase& db_;
  const TechnologyRules& tech_;
  StatusMessage& status_;
  PlaceTextHost& host_;
  LabelEditor editor_;
};

}  // namespace quill
