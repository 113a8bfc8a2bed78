#include "editor/Labels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/ParseValue.h"
#include "core/Text.h"
#include "editor/Stimulus.h"

namespace quill {

namespace {

std::string str(std::int64_t v) { return std::to_string(v); }
std::string quoted(const std::string& s) { return "\"" + s + "\""; }

constexpr double kNs = 1e-9;

// cumulative times in seconds; a value not above 0 would stall the waveform
std::array<double, 4> cumulative(const EdgeTimes& e) {
  std::array<double, 4> p{};
  const double part[4] = {e.start, e.rise, e.hold, e.fall};
  double c = 0;
  for (int i = 0; i < 4; ++i) {
    c += part[i];
    const double s = c * kNs;
    p[static_cast<std::size_t>(i)] = s > 0 ? s : 1e-11;
  }
  return p;
}

EdgeTimes edgesOf(const std::array<double, 4>& p) {
  return {p[0] / kNs, (p[1] - p[0]) / kNs, (p[2] - p[1]) / kNs, (p[3] - p[2]) / kNs};
}

bool sameStimulus(const StimulusDefaults& a, const StimulusDefaults& b) {
  return a.dcLevel == b.dcLevel && a.clockHigh == b.clockHigh && a.pulseHigh == b.pulseHigh &&
         a.pwlHigh == b.pwlHigh && a.clockRise == b.clockRise && a.clockFall == b.clockFall &&
         a.clockLow == b.clockLow && a.clockHighTime == b.clockHighTime && a.pulseRise == b.pulseRise &&
         a.pulseFall == b.pulseFall && a.pulseStart == b.pulseStart && a.pulseDuration == b.pulseDuration &&
         a.sineOffset == b.sineOffset && a.sineAmplitude == b.sineAmplitude;
}

// a refused add says why, and changes nothing
std::string refusal(const LayoutDatabase& db, LambdaPoint p) {
  if (db.lastError == kErrTableFull) return "Warning : text data base full ...";
  return "Warning : a text already stands at " + str(p.x) + "," + str(p.y) + ", nothing added";
}

}  // namespace

// ------------------------------------------------------------ pages

const char* pageControlName(LabelPage p) {
  static const char* const n[] = {"TabVdd", "TabClock", "TabPulse", "TabSinus", "TabVar", "TabVSS", "TabPwl", "TabMath"};
  return n[static_cast<int>(p)];
}

const char* pageTitle(LabelPage p) {
  static const char* const n[] = {"DC Supply", "Clock", "Pulse", "Sinus", "Variable", "Ground", "PWL", "Math"};
  return n[static_cast<int>(p)];
}

const char* windowCaption(LabelPage p) {
  static const char* const n[] = {"Add Vdd supply",  "Add a Clock ",          "Add a Pulse ",
                                  "Add a Sinus",     "Add simple text",       "Add Vss supply",
                                  "Add a Piece-wise-linear", "Add a mathematical expression"};
  return n[static_cast<int>(p)];
}

LabelPage pageOfKind(int kind) {
  switch (kind) {
    case kLabelSupply:
    case kLabelHighSupply: return LabelPage::Vdd;
    case kLabelGround: return LabelPage::Vss;
    case kLabelPulse: return LabelPage::Pulse;
    case kLabelClock: return LabelPage::Clock;
    case kLabelSinus: return LabelPage::Sinus;
    case kLabelPwl: return LabelPage::Pwl;
    case kLabelMath: return LabelPage::Math;
    default: return LabelPage::Var;
  }
}

std::string editNumber(double v) {
  if (v == 0) v = 0;  // no "-0"
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.10g", v);
  return buf;
}

void NumberEdit::set(double v) {
  value = v;
  text = editNumber(v);
}

bool NumberEdit::read() {
  const ParsedValue p = ParseValueDetailed(text, value, max, min);
  if (!p.valid) return false;
  value = p.value;
  return true;
}

// ------------------------------------------------------------ sequence grid

std::uint8_t pwlCodeOfCell(std::string_view cell) {
  if (cell.empty()) return kPwlLow;
  switch (cell[0]) {
    case '1': return kPwlHigh;
    case '2': return kPwlHvdd;
    case 'x':
    case 'X': return kPwlRelease;
    case 'r':
    case 'R': return kPwlRandom;
    default: return kPwlLow;
  }
}

std::string pwlCellOfCode(std::uint8_t code) {
  switch (code) {
    case kPwlHigh: return "1";
    case kPwlHvdd: return "2";
    case kPwlRelease: return "x";
    case kPwlRandom:
    case 5:
    case 6: return "r";
    default: return "0";
  }
}

namespace {
const std::string kNoCell;

bool timeOf(const std::string& cell, double& t) {
  bool valid = false;
  const double v = ParseValue(cell, 0, 100000, 0, valid);
  if (valid) t = v;
  return valid;
}

std::string gridTime(double t) { return F(t, 4, 2); }
}  // namespace

const std::string& PwlGrid::cell(int col, int row) const {
  if (col < 0 || col > 1 || row < 0 || row > kRows) return kNoCell;
  return cells_[static_cast<std::size_t>(col)][static_cast<std::size_t>(row)];
}

void PwlGrid::setCell(int col, int row, std::string_view text) {
  if (col < 0 || col > 1 || row < 1 || row > kRows) return;
  cells_[static_cast<std::size_t>(col)][static_cast<std::size_t>(row)] = std::string(text);
}

void PwlGrid::reset() {
  for (auto& c : cells_) c.fill("");
  cells_[0][0] = "Time(ns)";
  cells_[1][0] = "0/1/2/x/r";
  const char* times[] = {"0.0", "1.0", "2.0"};
  const char* codes[] = {"0", "1", "0"};
  for (int r = 1; r <= 3; ++r) {
    setCell(kTimeColumn, r, times[r - 1]);
    setCell(kCodeColumn, r, codes[r - 1]);
  }
  selected = 1;
  step = 1.0;
}

void PwlGrid::doubleClick(int col, int row) {
  if (row < 1 || row > kRows) return;
  if (col == kCodeColumn) {
    const std::string& c = cell(kCodeColumn, row);
    if (c == "0") setCell(kCodeColumn, row, "1");
    else if (c == "1") setCell(kCodeColumn, row, "0");
    else setCell(kCodeColumn, row, cell(kCodeColumn, row - 1) == "1" ? "0" : "1");
  }
  if (!cell(kTimeColumn, row).empty()) return;
  if (row == 1) {
    setCell(kTimeColumn, row, gridTime(0));
    return;
  }
  double prev = 0, before = 0;
  if (!timeOf(cell(kTimeColumn, row - 1), prev)) return;  // nothing to continue from
  const double interval = (row >= 3 && timeOf(cell(kTimeColumn, row - 2), before)) ? prev - before : 1.0;
  setCell(kTimeColumn, row, gridTime(prev + interval));
}

void PwlGrid::clearFrom(int row) {
  for (int r = std::max(1, row); r <= kRows; ++r) {
    setCell(kTimeColumn, r, "");
    setCell(kCodeColumn, r, "");
  }
}

void PwlGrid::invert() {
  for (int r = 1; r <= kRows; ++r) {
    const std::string& c = cell(kCodeColumn, r);
    if (c == "0") setCell(kCodeColumn, r, "1");
    else if (c == "1") setCell(kCodeColumn, r, "0");
  }
}

void PwlGrid::insert(std::string_view seq, int row) {
  int r = std::max(1, row);
  double a = 0, b = 0;
  // the interval of the two rows above, when they make one
  if (r >= 3 && timeOf(cell(kTimeColumn, r - 2), a) && timeOf(cell(kTimeColumn, r - 1), b) && b > a) step = b - a;
  double prev = 0;
  if (!(r >= 2 && timeOf(cell(kTimeColumn, r - 1), prev))) prev = -step;  // the first row starts at 0
  for (char ch : seq) {
    if (r > kRows) break;
    const double t = prev + step;
    setCell(kTimeColumn, r, gridTime(t));
    if (ch == '<') {
      setCell(kCodeColumn, r, "1");
      step *= 0.9;
    } else if (ch == '>') {
      setCell(kCodeColumn, r, "0");
    } else {
      setCell(kCodeColumn, r, std::string(1, ch));
    }
    prev = t;
    ++r;
  }
}

PwlTable PwlGrid::table() const {
  PwlTable t;
  for (int r = 1; r <= kRows; ++r) {
    const std::string& tc = cell(kTimeColumn, r);
    double v = 0;
    if (tc.empty() || !timeOf(tc, v)) break;
    ++t.count;
    t.time[static_cast<std::size_t>(r)] = v;
    t.code[static_cast<std::size_t>(r)] = pwlCodeOfCell(cell(kCodeColumn, r));
  }
  return t;
}

void PwlGrid::load(const PwlTable& t) {
  clearFrom(1);
  const int n = std::clamp(t.count, 0, kRows);
  for (int r = 1; r <= n; ++r) {
    setCell(kTimeColumn, r, editNumber(t.time[static_cast<std::size_t>(r)]));
    setCell(kCodeColumn, r, pwlCellOfCode(t.code[static_cast<std::size_t>(r)]));
  }
  selected = 1;
}

// ------------------------------------------------------------ label editor

LabelEditor::LabelEditor(LayoutDatabase& db, const TechnologyRules& tech, StatusMessage& status)
    : db_(db), tech_(tech), status_(status) {
  technologyRead();
  loadDefaults();
}

std::string LabelEditor::vddCaption() const { return "VDD " + F(tech_.vdd, 4, 2) + "V"; }
std::string LabelEditor::vddHighCaption() const { return "VDDH " + F(tech_.vddHigh, 4, 2) + "V"; }
std::string LabelEditor::vddHalfCaption() const { return "VDD2/2 " + F(tech_.vdd / 2, 4, 2) + "V"; }
std::string LabelEditor::supplyNote() const {
  return "Default supply for " + tech_.technologyName + " is " + F(tech_.vdd, 4, 2) + "V";
}

void LabelEditor::technologyRead() {
  const StimulusDefaults& s = tech_.stimulus;
  LabelDefaults& d = defaults_;
  d.dcLevel = s.dcLevel;
  d.clockHigh = s.clockHigh;
  d.pulseHigh = s.pulseHigh;
  d.pwlHigh = s.pwlHigh;
  d.clock = {s.clockLow, s.clockRise, s.clockHighTime, s.clockFall};
  d.pulse = {s.pulseStart, s.pulseRise, s.pulseDuration, s.pulseFall};
  d.sinusOffset = s.sineOffset;
  d.sinusAmplitude = s.sineAmplitude;
  applied_ = s;
  appliedVdd_ = tech_.vdd;
  appliedHvdd_ = tech_.vddHigh;
  appliedRise_ = tech_.riseTime;
}

void LabelEditor::followTechnology() {
  if (!sameStimulus(applied_, tech_.stimulus) || appliedVdd_ != tech_.vdd || appliedHvdd_ != tech_.vddHigh ||
      appliedRise_ != tech_.riseTime)
    technologyRead();
}

void LabelEditor::newLayout() {
  clockCounter = pulseCounter = sinusCounter = nameCounter = 1;
  const double rise = tech_.riseTime;
  defaults_.clock = {9 * rise, rise, 9 * rise, rise};
  defaults_.clockHigh = tech_.vdd;
  defaults_.clockLow = 0;
  defaults_.pulseLow = 0;
}

void LabelEditor::loadDefaults() {
  const LabelDefaults& d = defaults_;
  EditVdd.set(d.dcLevel);
  clockHigh.set(d.clockHigh);
  clockLow.set(d.clockLow);
  clockTl.set(d.clock.start);
  clockTr.set(d.clock.rise);
  clockTh.set(d.clock.hold);
  clockTf.set(d.clock.fall);
  pulseHigh.set(d.pulseHigh);
  pulseLow.set(d.pulseLow);
  pulseTs.set(d.pulse.start);
  pulseTr.set(d.pulse.rise);
  pulseTp.set(d.pulse.hold);
  pulseTf.set(d.pulse.fall);
  sinusFrequency.set(d.sinusFrequency);
  sinusAmplitude.set(d.sinusAmplitude);
  sinusOffset.set(d.sinusOffset);
  sinusIncrease.set(d.sinusIncrease);
  sinusNoise.set(d.sinusNoise);
  addNoise = d.sinusAddNoise;
  pwlHigh.set(d.pwlHigh);
  pwlLow.set(d.pwlLow);
  ComboEquation = d.equation;
  periodText.clear();
}

void LabelEditor::prepareNew(LambdaPoint p, LabelPage pg, std::string name, std::optional<bool> visibleOn) {
  followTechnology();
  loadDefaults();
  target_ = 0;
  point_ = p;
  page = pg;
  EditText = std::move(name);
  if (visibleOn) visible = *visibleOn;
}

void LabelEditor::prepareLabel(int index) {
  followTechnology();
  loadDefaults();
  if (index < 1 || index > db_.labelCount()) return;
  const LayoutLabel& l = db_.label(index);
  const double vdd = tech_.vdd;
  target_ = index;
  point_ = {l.x, l.y};
  page = pageOfKind(l.kind);
  EditText = l.text;
  visible = l.visibleInSimulation;
  const double v1 = levelToVolts(l.level1, vdd), v0 = levelToVolts(l.level0, vdd);
  switch (l.kind) {
    case kLabelSupply:
    case kLabelHighSupply: EditVdd.set(v1); break;
    case kLabelClock: {
      const EdgeTimes e = edgesOf(l.param);
      clockHigh.set(v1);
      clockLow.set(v0);
      clockTl.set(e.start);
      clockTr.set(e.rise);
      clockTh.set(e.hold);
      clockTf.set(e.fall);
      break;
    }
    case kLabelPulse: {
      const EdgeTimes e = edgesOf(l.param);
      pulseHigh.set(v1);
      pulseLow.set(v0);
      pulseTs.set(e.start);
      pulseTr.set(e.rise);
      pulseTp.set(e.hold);
      pulseTf.set(e.fall);
      break;
    }
    case kLabelSinus:
      sinusFrequency.set(l.param[0]);
      sinusIncrease.set(l.param[1]);
      addNoise = l.param[2] > 0;
      if (addNoise) sinusNoise.set(l.param[2] * 1000);
      sinusOffset.set(v1);
      sinusAmplitude.set(v0);
      break;
    case kLabelPwl:
      pwlHigh.set(v1);
      pwlLow.set(v0);
      if (l.pwl) StringPwl.load(*l.pwl);
      else StringPwl.clearFrom(1);
      break;
    case kLabelMath: ComboEquation = l.text; break;
    default: break;
  }
}

void LabelEditor::readPage() {
  LabelDefaults& d = defaults_;
  switch (page) {
    case LabelPage::Vdd:
      EditVdd.read();
      d.dcLevel = EditVdd.value;
      break;
    case LabelPage::Clock:
      for (NumberEdit* e : {&clockHigh, &clockLow, &clockTl, &clockTr, &clockTh, &clockTf}) e->read();
      d.clockHigh = clockHigh.value;
      d.clockLow = clockLow.value;
      d.clock = {clockTl.value, clockTr.value, clockTh.value, clockTf.value};
      break;
    case LabelPage::Pulse:
      for (NumberEdit* e : {&pulseHigh, &pulseLow, &pulseTs, &pulseTr, &pulseTp, &pulseTf}) e->read();
      d.pulseHigh = pulseHigh.value;
      d.pulseLow = pulseLow.value;
      d.pulse = {pulseTs.value, pulseTr.value, pulseTp.value, pulseTf.value};
      break;
    case LabelPage::Sinus:
      for (NumberEdit* e : {&sinusFrequency, &sinusAmplitude, &sinusOffset, &sinusIncrease, &sinusNoise}) e->read();
      d.sinusFrequency = sinusFrequency.value;
      d.sinusAmplitude = sinusAmplitude.value;
      d.sinusOffset = sinusOffset.value;
      d.sinusIncrease = sinusIncrease.value;
      d.sinusNoise = sinusNoise.value;
      d.sinusAddNoise = addNoise;
      break;
    case LabelPage::Pwl:
      pwlHigh.read();
      pwlLow.read();
      d.pwlHigh = pwlHigh.value;
      d.pwlLow = pwlLow.value;
      break;
    case LabelPage::Math: d.equation = ComboEquation; break;
    default: break;
  }
}

int LabelEditor::kindOfPage() const {
  switch (page) {
    case LabelPage::Vdd: return EditVdd.value > tech_.vdd ? kLabelHighSupply : kLabelSupply;
    case LabelPage::Vss: return kLabelGround;
    case LabelPage::Clock: return kLabelClock;
    case LabelPage::Pwl: return kLabelPwl;
    case LabelPage::Pulse: return kLabelPulse;
    case LabelPage::Sinus: return kLabelSinus;
    case LabelPage::Math: return kLabelMath;
    default: return kLabelName;
  }
}

void LabelEditor::storeValues(LayoutLabel& l) const {
  const double vdd = tech_.vdd;
  switch (page) {
    case LabelPage::Vdd: l.level1 = voltsToLevel(EditVdd.value, vdd); break;
    case LabelPage::Vss: l.level0 = 0; break;
    case LabelPage::Clock:
      l.level1 = voltsToLevel(clockHigh.value, vdd);
      l.level0 = voltsToLevel(clockLow.value, vdd);
      l.param = cumulative({clockTl.value, clockTr.value, clockTh.value, clockTf.value});
      break;
    case LabelPage::Pulse:
      l.level1 = voltsToLevel(pulseHigh.value, vdd);
      l.level0 = voltsToLevel(pulseLow.value, vdd);
      l.param = cumulative({pulseTs.value, pulseTr.value, pulseTp.value, pulseTf.value});
      break;
    case LabelPage::Sinus:
      l.param = {sinusFrequency.value, sinusIncrease.value, addNoise ? sinusNoise.value * 0.001 : 0.0, 0.0};
      l.level1 = voltsToLevel(sinusOffset.value, vdd);
      l.level0 = voltsToLevel(sinusAmplitude.value, vdd);
      break;
    case LabelPage::Pwl:
      l.level1 = voltsToLevel(pwlHigh.value, vdd);
      l.level0 = voltsToLevel(pwlLow.value, vdd);
      l.pwl = std::make_unique<PwlTable>(StringPwl.table());
      break;
    default: break;
  }
}

bool LabelEditor::Assign() {
  const std::string name = cutText(page == LabelPage::Math ? ComboEquation : EditText);
  if (name.empty()) return false;
  readPage();
  const int kind = kindOfPage();
  if (target_ > 0) {
    if (target_ > db_.labelCount() || !db_.label(target_).active) return false;
    LayoutLabel& l = db_.label(target_);
    l.text = name;
    l.visibleInSimulation = visible;
    l.kind = static_cast<std::uint8_t>(kind);
    storeValues(l);
    status_.write(StatusMessage::Main, "Text " + quoted(name) + " modified");
  } else {
    const int boxes = db_.boxCount(), labels = db_.labelCount(), rlcs = db_.rlcCount();
    const int pos = db_.addLabel(point_.x, point_.y, name);
    if (pos == 0) {
      status_.write(StatusMessage::Main, refusal(db_, point_));
      return false;
    }
    LayoutLabel& l = db_.label(pos);
    l.visibleInSimulation = visible;
    l.kind = static_cast<std::uint8_t>(kind);
    storeValues(l);
    db_.undoKind = kUndoLastLabel;
    db_.undoBoxMark = boxes;
    db_.undoLabelMark = labels;
    db_.undoRlcMark = rlcs;
    status_.write(StatusMessage::Main, "Add text " + quoted(name) + ", " + (visible ? "visible" : "hidden") +
                                           " at location " + str(point_.x) + "," + str(point_.y) + ".");
  }
  db_.modified = true;
  db_.extracted = false;

  if (page == LabelPage::Math) {
    // the same check the simulator makes when it starts
    Expression e(name, {tech_.vdd, tech_.vddHigh, tech_.timeStep});
    status_.write(StatusMessage::Info, e.message());
  } else if (page == LabelPage::Clock) {
    lastClock_ = LastWave{clockHigh.value, clockLow.value,
                          {clockTl.value, clockTr.value, clockTh.value, clockTf.value}, name};
    // the next clock offered has twice the period
    defaults_.clock.start = 2 * clockTl.value + clockTr.value;
    defaults_.clock.hold = 2 * clockTh.value + clockTf.value;
    clockTl.set(defaults_.clock.start);
    clockTh.set(defaults_.clock.hold);
  } else if (page == LabelPage::Pulse) {
    lastPulse_ = LastWave{pulseHigh.value, pulseLow.value,
                          {pulseTs.value, pulseTr.value, pulseTp.value, pulseTf.value}, name};
    defaults_.pulse.start = 2 * pulseTs.value + pulseTr.value + pulseTp.value;
    pulseTs.set(defaults_.pulse.start);
  }
  return true;
}

void LabelEditor::DcText(std::string_view volts) { EditVdd.text = std::string(volts); }
void LabelEditor::DcVdd() { EditVdd.text = F(tech_.vdd, 4, 2); }
void LabelEditor::DcVddHigh() {
  EditVdd.text = F(tech_.vddHigh, 4, 2);
  EditText = "VddH";
}
void LabelEditor::DcVddHalf() {
  EditVdd.text = F(tech_.vdd / 2, 4, 2);
  EditText = "VddDiv2";
}

void LabelEditor::showPeriod(bool entriesValid) {
  const double p = clockTl.value + clockTr.value + clockTh.value + clockTf.value;
  if (!entriesValid || !(p > 0) || !std::isfinite(p)) {
    periodText = "Cannot compute the period";
    return;
  }
  periodText = "Period " + F(p, 5, 3) + " ns, frequency " + F(1 / p, 5, 3) + " GHz";
}

void LabelEditor::ClockSlower() {
  bool ok = true;
  for (NumberEdit* e : {&clockTl, &clockTr, &clockTh, &clockTf}) ok = e->read() && ok;
  clockTl.set(2 * clockTl.value + clockTr.value);
  clockTh.set(2 * clockTh.value + clockTf.value);
  status_.write(StatusMessage::Main, "Larger clock");
  showPeriod(ok);
}

void LabelEditor::ClockFaster() {
  bool ok = true;
  for (NumberEdit* e : {&clockTl, &clockTr, &clockTh, &clockTf}) ok = e->read() && ok;
  clockTl.set(std::max(0.01, (clockTl.value - clockTr.value) / 2));
  clockTh.set(std::max(0.01, (clockTh.value - clockTf.value) / 2));
  status_.write(StatusMessage::Main, "Smaller clock");
  showPeriod(ok);
}

void LabelEditor::LastClock() {
  if (!lastClock_) {
    status_.write(StatusMessage::Main, "No clock assigned yet");
    return;
  }
  const LastWave& w = *lastClock_;
  clockTl.set(w.times.start);
  clockTr.set(w.times.rise);
  clockTh.set(w.times.hold);
  clockTf.set(w.times.fall);
  clockHigh.set(w.low);
  clockLow.set(w.high);
  EditText = "~" + w.name;
  status_.write(StatusMessage::Main, "Inverter last clock");
}

void LabelEditor::PulseLarger() {
  pulseTp.read();
  pulseTp.set(2 * pulseTp.value);
  status_.write(StatusMessage::Main, "Larger pulse");
}

void LabelEditor::PulseShorter() {
  pulseTp.read();
  pulseTp.set(pulseTp.value / 2);
  status_.write(StatusMessage::Main, "Shorter pulse");
}

void LabelEditor::LastPulse() {
  if (!lastPulse_) {
    status_.write(StatusMessage::Main, "No pulse assigned yet");
    return;
  }
  const LastWave& w = *lastPulse_;
  pulseTs.set(w.times.start);
  pulseTr.set(w.times.rise);
  pulseTp.set(w.times.hold);
  pulseTf.set(w.times.fall);
  pulseHigh.set(w.low);
  pulseLow.set(w.high);
  EditText = "~" + w.name;
  status_.write(StatusMessage::Main, "Inverter last pulse");
}

void LabelEditor::PulseHighLow() {
  pulseHigh.set(tech_.vdd);
  pulseLow.set(0.0);
}

void LabelEditor::PulseLowHigh() {
  pulseHigh.set(0.0);
  pulseLow.set(tech_.vdd);
}

void LabelEditor::SinusFaster() {
  sinusFrequency.read();
  sinusFrequency.set(2 * sinusFrequency.value);
  status_.write(StatusMessage::Main, "Faster sinus");
}

void LabelEditor::SinusSlower() {
  sinusFrequency.read();
  sinusFrequency.set(sinusFrequency.value / 2);
  status_.write(StatusMessage::Main, "Slower sinus");
}

// ------------------------------------------------------------ place text

PlaceText::PlaceText(LayoutDatabase& db, const TechnologyRules& tech, StatusMessage& status, PlaceTextHost& host)
    : db_(db), tech_(tech), status_(status), host_(host), editor_(db, tech, status) {}

int PlaceText::labelHitAt(LambdaPoint p) const {
  const std::int64_t s = host_.labelTextSize();
  const PixelPoint q = host_.toPixel(p);
  int hit = 0;
  for (int i = 1; i <= db_.labelCount(); ++i) {
    const LayoutLabel& l = db_.label(i);
    if (!l.active) continue;
    const PixelPoint a = host_.toPixel({l.x, l.y});
    const std::int64_t left = a.x, top = a.y;
    const std::int64_t right = left + s * static_cast<std::int64_t>(l.text.size()), bottom = top + 2 * s;
    if (q.x > left - 5 && q.x < right + 5 && q.y > top - 5 && q.y < bottom + 5) hit = i;
  }
  return hit;
}

void PlaceText::changed() {
  db_.modified = true;
  db_.extracted = false;
}

void PlaceText::open() { host_.showLabelWindow(editor_); }

void PlaceText::addAtOnce(LambdaPoint p, const char* name, int kind) {
  const int boxes = db_.boxCount(), labels = db_.labelCount(), rlcs = db_.rlcCount();
  if (db_.addLabel(p.x, p.y, name, kind, tech_.vdd, tech_.vddHigh) == 0) {
    status_.write(StatusMessage::Main, refusal(db_, p));
    return;
  }
  db_.undoKind = kUndoLastLabel;
  db_.undoBoxMark = boxes;
  db_.undoLabelMark = labels;
  db_.undoRlcMark = rlcs;
  changed();
  status_.write(StatusMessage::Main,
                std::string("Add text \"") + name + "\", hidden at location " + str(p.x) + "," + str(p.y) + ".");
}

void PlaceText::placeAt(LambdaPoint p, int code) {
  const int hit = labelHitAt(p);
  if (hit) {
    status_.write(StatusMessage::Main, "Click in existing text " + quoted(db_.label(hit).text) + ".");
    editor_.prepareLabel(hit);
  } else {
    status_.write(StatusMessage::Main, "No existing text here");
  }

  if (hit) {
    LayoutLabel& l = db_.label(hit);
    status_.write(StatusMessage::Main, "Edit existing text " + quoted(l.text) + ".");
    switch (code) {
      case kPropertyVisible:
        l.visibleInSimulation = !l.visibleInSimulation;
        changed();
        break;
      case kPropertyGround:
        if (l.kind == kLabelGround) {
          l.kind = kLabelName;
          l.visibleInSimulation = false;
        } else {
          l.kind = kLabelGround;
          l.level0 = 0;
        }
        changed();
        break;
      case kPropertySupply:
        if (l.kind == kLabelSupply) {
          l.kind = kLabelName;
          l.visibleInSimulation = false;
        } else {
          l.kind = kLabelSupply;
          l.level1 = 1000;
        }
        changed();
        break;
      case kPropertyHighSupply:
        editor_.page = LabelPage::Vdd;
        editor_.EditVdd.set(tech_.vddHigh);
        open();
        break;
      case kPropertyClock: editor_.page = LabelPage::Clock; open(); break;
      case kPropertyPulse: editor_.page = LabelPage::Pulse; open(); break;
      case kPropertySinus: editor_.page = LabelPage::Sinus; open(); break;
      default: open(); break;
    }
  } else {
    LabelEditor& e = editor_;
    switch (code) {
      case kPropertySupply: addAtOnce(p, "Vdd", kLabelSupply); break;
      case kPropertyGround: addAtOnce(p, "Vss", kLabelGround); break;
      case kPropertyHighSupply:
        e.prepareNew(p, LabelPage::Vdd, "vddHV", std::nullopt);
        e.EditVdd.set(tech_.vddHigh);
        open();
        break;
      case kPropertyVisible:
        e.prepareNew(p, LabelPage::Var, "out" + str(e.nameCounter++), true);
        open();
        break;
      case kPropertyClock:
        e.prepareNew(p, LabelPage::Clock, "clock" + str(e.clockCounter++), std::nullopt);
        open();
        break;
      case kPropertyPulse:
        e.prepareNew(p, LabelPage::Pulse, "pulse" + str(e.pulseCounter++), std::nullopt);
        open();
        break;
      case kPropertySinus:
        e.prepareNew(p, LabelPage::Sinus, "sinus" + str(e.sinusCounter++), true);
        open();
        break;
      default:
        e.prepareNew(p, LabelPage::Var, "s" + str(e.nameCounter++), false);
        open();
        break;
    }
  }
  host_.redraw();
  db_.extracted = false;
}

bool PlaceText::editLabelAt(LambdaPoint p) {
  const int hit = labelHitAt(p);
  if (!hit) return false;
  editor_.prepareLabel(hit);
  open();
  host_.redraw();
  return true;
}

void PlaceText::release(FrameController&, LambdaPoint, LambdaPoint point) {
  placeAt(point, propertyCode ? propertyCode() : kPropertyText);
  if (onPlaced) onPlaced();
}

}  // namespace quill
