#include <gtest/gtest.h>

#include <functional>

#include "editor/Labels.h"
#include "editor/Stimulus.h"

using namespace quill;

namespace {

// 10 pixels per lambda, y down; labels drawn at size 8
struct FakeHost : PlaceTextHost {
  int textSize = 8;
  int shown = 0, redraws = 0;
  LabelPage shownPage = LabelPage::Var;
  std::function<void(LabelEditor&)> user;  // what the user does in the window
  PixelPoint toPixel(LambdaPoint p) const override { return {p.x * 10, -p.y * 10}; }
  int labelTextSize() const override { return textSize; }
  void showLabelWindow(LabelEditor& e) override {
    ++shown;
    shownPage = e.page;
    if (user) user(e);
  }
  void redraw() override { ++redraws; }
};

struct Fixture {
  LayoutDatabase db;
  TechnologyRules tech;
  SilentStatus status;
  FakeHost host;
  PlaceText place{db, tech, status, host};
  Fixture() {
    tech.vdd = 1.8;
    tech.vddHigh = 3.3;
    tech.technologyName = "qm250";
    computeDerivedValues(tech, db.layers, 5.0);
  }
  std::string main() const { return status.text(StatusMessage::Main); }
};

void assign(LabelEditor& e) { e.Assign(); }

}  // namespace

TEST(PlaceText, ClockPageMakesTheClockAndOffersTheNextWithTwiceThePeriod) {
  Fixture f;
  f.db.extracted = true;
  f.host.user = [](LabelEditor& e) {
    EXPECT_EQ(e.caption(), "Add a Clock ");
    EXPECT_EQ(e.EditText, "clock1");
    e.clockHigh.text = "1.8";
    e.clockLow.text = "0";
    e.clockTl.text = "1";
    e.clockTr.text = "0.1";
    e.clockTh.text = "1";
    e.clockTf.text = "0.1";
    e.Assign();
  };
  f.place.placeAt({3, 4}, kPropertyClock);
  ASSERT_EQ(f.db.labelCount(), 1);
  const LayoutLabel& l = f.db.label(1);
  EXPECT_EQ(l.text, "clock1");
  EXPECT_EQ(l.kind, kLabelClock);
  EXPECT_EQ(l.level1, 1000);
  EXPECT_EQ(l.level0, 0);
  EXPECT_NEAR(l.param[0], 1e-9, 1e-20);
  EXPECT_NEAR(l.param[1], 1.1e-9, 1e-20);
  EXPECT_NEAR(l.param[2], 2.1e-9, 1e-20);
  EXPECT_NEAR(l.param[3], 2.2e-9, 1e-20);
  EXPECT_EQ(f.main(), "Add text \"clock1\", hidden at location 3,4.");
  EXPECT_TRUE(f.db.modified);
  EXPECT_FALSE(f.db.extracted);
  EXPECT_EQ(f.db.undoKind, kUndoLastLabel);
  EXPECT_EQ(f.db.undoLabelMark, 0);
  EXPECT_EQ(f.host.redraws, 1);

  // the clock it made gives the waveform of the example
  FakeRandom r;
  StimulusRun run(r);
  StimulusSource s(l, {1.8, 3.3, 1e-11});
  EXPECT_NEAR(s.at(2.15e-9, run).volts, 0.9, 1e-9);

  // next clock: tl = th = 2.1 ns, name clock2; "~Last Clock" inverts the last one
  LabelEditor& e = f.place.editor();
  f.host.user = nullptr;
  f.place.placeAt({30, 4}, kPropertyClock);
  EXPECT_EQ(e.EditText, "clock2");
  EXPECT_DOUBLE_EQ(e.clockTl.value, 2.1);
  EXPECT_DOUBLE_EQ(e.clockTh.value, 2.1);
  EXPECT_DOUBLE_EQ(e.clockTr.value, 0.1);
  e.LastClock();
  EXPECT_EQ(e.EditText, "~clock1");
  EXPECT_DOUBLE_EQ(e.clockHigh.value, 0.0);
  EXPECT_DOUBLE_EQ(e.clockLow.value, 1.8);
  EXPECT_DOUBLE_EQ(e.clockTl.value, 1.0);
  EXPECT_EQ(f.main(), "Inverter last clock");
}

TEST(PlaceText, PropertyCodesWithoutALabel) {
  struct Case {
    int code;
    int shown;       // windows opened
    LabelPage page;  // page shown
    const char* name;
    bool visible;
  };
  Fixture f;
  const Case cases[] = {
      {kPropertyVisible, 1, LabelPage::Var, "out1", true},
      {kPropertyText, 1, LabelPage::Var, "s2", false},  // shares the counter of "out"
      {kPropertyClock, 1, LabelPage::Clock, "clock1", false},
      {kPropertyPulse, 1, LabelPage::Pulse, "pulse1", false},
      {kPropertySinus, 1, LabelPage::Sinus, "sinus1", true},
      {kPropertyHighSupply, 1, LabelPage::Vdd, "vddHV", true},
  };
  int x = 0;
  for (const Case& c : cases) {
    f.host.shown = 0;
    f.place.placeAt({x += 100, 0}, c.code);
    LabelEditor& e = f.place.editor();
    EXPECT_EQ(f.host.shown, c.shown) << c.code;
    EXPECT_EQ(f.host.shownPage, c.page) << c.code;
    EXPECT_EQ(e.EditText, c.name) << c.code;
    EXPECT_EQ(e.visible, c.visible) << c.code;
    EXPECT_EQ(e.point().x, x);
    EXPECT_EQ(f.main(), "No existing text here");
  }
  EXPECT_DOUBLE_EQ(f.place.editor().EditVdd.value, 3.3);
  EXPECT_EQ(f.db.labelCount(), 0);  // nothing was assigned

  // supply and ground are added at once
  f.host.shown = 0;
  f.place.placeAt({0, 0}, kPropertySupply);
  f.place.placeAt({50, 0}, kPropertyGround);
  EXPECT_EQ(f.host.shown, 0);
  ASSERT_EQ(f.db.labelCount(), 2);
  EXPECT_EQ(f.db.label(1).text, "Vdd");
  EXPECT_EQ(f.db.label(1).kind, kLabelSupply);
  EXPECT_EQ(f.db.label(2).text, "Vss");
  EXPECT_EQ(f.db.label(2).kind, kLabelGround);
  EXPECT_EQ(f.db.undoKind, kUndoLastLabel);
  EXPECT_EQ(f.db.undoLabelMark, 1);

  // a new layout starts the names again
  f.place.newLayout();
  f.place.placeAt({500, 0}, kPropertyClock);
  EXPECT_EQ(f.place.editor().EditText, "clock1");
}

TEST(PlaceText, PropertyCodesOnAnExistingLabel) {
  Fixture f;
  int pos = f.db.addLabel(0, 0, "ab");
  f.db.label(pos).kind = kLabelClock;
  f.db.label(pos).level1 = 500;
  f.db.label(pos).param = {1e-9, 1.2e-9, 3.2e-9, 3.5e-9};
  auto& l = f.db.label(pos);

  // toggles act at once and count as changes
  f.place.placeAt({0, 0}, kPropertyVisible);
  EXPECT_TRUE(l.visibleInSimulation);
  EXPECT_EQ(f.main(), "Edit existing text \"ab\".");
  EXPECT_TRUE(f.db.modified);
  f.db.modified = false;
  f.db.extracted = true;
  f.place.placeAt({0, 0}, kPropertyGround);
  EXPECT_EQ(l.kind, kLabelGround);
  EXPECT_EQ(l.level0, 0);
  EXPECT_TRUE(l.visibleInSimulation);
  EXPECT_TRUE(f.db.modified);
  EXPECT_FALSE(f.db.extracted);
  f.place.placeAt({0, 0}, kPropertyGround);
  EXPECT_EQ(l.kind, kLabelName);
  EXPECT_FALSE(l.visibleInSimulation);
  f.place.placeAt({0, 0}, kPropertySupply);
  EXPECT_EQ(l.kind, kLabelSupply);
  EXPECT_EQ(l.level1, 1000);
  f.place.placeAt({0, 0}, kPropertySupply);
  EXPECT_EQ(l.kind, kLabelName);
  EXPECT_EQ(f.host.shown, 0);

  // the others open the window for it, on the page the code asks for
  l.kind = kLabelClock;
  l.level1 = 500;
  const struct {
    int code;
    LabelPage page;
  } pages[] = {{kPropertyText, LabelPage::Clock},
               {kPropertyHighSupply, LabelPage::Vdd},
               {kPropertyPulse, LabelPage::Pulse},
               {kPropertySinus, LabelPage::Sinus},
               {kPropertyClock, LabelPage::Clock}};
  for (auto c : pages) {
    f.place.placeAt({0, 0}, c.code);
    EXPECT_EQ(f.host.shownPage, c.page) << c.code;
    EXPECT_EQ(f.place.editor().target(), pos);
  }
  // the clock's values came back in the units of the page
  LabelEditor& e = f.place.editor();
  EXPECT_EQ(e.EditText, "ab");
  EXPECT_DOUBLE_EQ(e.clockHigh.value, 0.9);
  EXPECT_NEAR(e.clockTl.value, 1.0, 1e-9);
  EXPECT_NEAR(e.clockTr.value, 0.2, 1e-9);
  EXPECT_NEAR(e.clockTh.value, 2.0, 1e-9);
  EXPECT_NEAR(e.clockTf.value, 0.3, 1e-9);

  // Assign changes the label in place
  e.EditText = "ck";
  e.clockTf.text = "0.5";
  e.Assign();
  EXPECT_EQ(f.db.labelCount(), 1);
  EXPECT_EQ(l.text, "ck");
  EXPECT_NEAR(l.param[3], 3.7e-9, 1e-20);
  EXPECT_EQ(f.main(), "Text \"ck\" modified");
}

TEST(PlaceText, HitRuleIsStrictlyWithinFivePixelsAndTheLastLabelWins) {
  Fixture f;
  f.db.addLabel(0, 0, "ab");  // pixels (0,0)..(16,16)
  // {pixel x, pixel y, hit}: the command takes lambda points, so probe with a finer host
  struct Probe {
    LambdaPoint p;
    int hit;
  };
  const Probe probes[] = {{{2, 0}, 1},   // x = 20 < 16 + 5
                          {{3, 0}, 0},   // x = 30
                          {{0, -2}, 1},  // y = 20 < 16 + 5
                          {{0, 1}, 0},   // y = -10
                          {{-1, 0}, 0}};
  for (const Probe& p : probes) EXPECT_EQ(f.place.labelHitAt(p.p), p.hit) << p.p.x << "," << p.p.y;
  f.host.textSize = 0;  // marks only: just the anchor's surroundings
  EXPECT_EQ(f.place.labelHitAt({1, 0}), 0);
  EXPECT_EQ(f.place.labelHitAt({0, 0}), 1);
  f.host.textSize = 8;
  f.db.addLabel(1, 0, "later");
  EXPECT_EQ(f.place.labelHitAt({1, 0}), 2);
  f.db.label(2).active = 0;
  EXPECT_EQ(f.place.labelHitAt({1, 0}), 1);
}

TEST(PlaceText, RefusedAddsChangeNothingAndWarn) {
  Fixture f;
  // a label appears at the point while the window is open
  f.host.user = [&f](LabelEditor& e) {
    f.db.addLabel(e.point().x, e.point().y, "other");
    e.Assign();
  };
  f.db.undoKind = kUndoNone;
  f.place.placeAt({100, 100}, kPropertyText);
  EXPECT_EQ(f.db.labelCount(), 1);
  EXPECT_FALSE(f.db.modified);
  EXPECT_EQ(f.db.undoKind, kUndoNone);
  EXPECT_EQ(f.main(), "Warning : a text already stands at 100,100, nothing added");

  // a full table: neither the window's Assign nor the direct supply add
  for (int i = 2; i <= kMaxLabels; ++i) f.db.addLabel(1000 + i, 0, "n");
  ASSERT_EQ(f.db.labelCount(), kMaxLabels);
  f.host.user = assign;
  f.place.placeAt({-100, -100}, kPropertyClock);
  f.place.placeAt({-200, -100}, kPropertySupply);
  EXPECT_EQ(f.db.labelCount(), kMaxLabels);
  EXPECT_FALSE(f.db.modified);
  EXPECT_EQ(f.db.undoKind, kUndoNone);
  EXPECT_EQ(f.main(), "Warning : text data base full ...");
  // the refused clock did not move the offered times on
  EXPECT_DOUBLE_EQ(f.place.editor().defaults().clock.start, f.tech.stimulus.clockLow);

  // an empty name closes without a change
  for (int i = 2; i <= kMaxLabels; ++i) f.db.label(i).active = 0;
  f.db.compactLabels();
  f.host.user = [](LabelEditor& e) {
    e.EditText = "";
    EXPECT_FALSE(e.Assign());
  };
  const int n = f.db.labelCount();
  f.place.placeAt({-300, -100}, kPropertyText);
  EXPECT_EQ(f.db.labelCount(), n);
}

TEST(LabelEditor, PagesReadTheirEntriesIntoTheLabel) {
  Fixture f;
  LabelEditor& e = f.place.editor();
  f.host.user = assign;

  // DC above VDD is a high-voltage supply
  f.host.user = [](LabelEditor& ed) {
    ed.DcText("2.50");
    ed.Assign();
  };
  f.place.placeAt({0, 0}, kPropertyHighSupply);
  EXPECT_EQ(f.db.label(1).kind, kLabelHighSupply);
  EXPECT_EQ(f.db.label(1).level1, 1389);
  f.host.user = [](LabelEditor& ed) {
    ed.DcVddHalf();
    ed.Assign();
  };
  f.place.placeAt({100, 0}, kPropertyHighSupply);
  EXPECT_EQ(f.db.label(2).text, "VddDiv2");
  EXPECT_EQ(f.db.label(2).kind, kLabelSupply);
  EXPECT_EQ(f.db.label(2).level1, 500);
  EXPECT_EQ(e.vddHighCaption(), "VDDH 3.30V");
  EXPECT_EQ(e.supplyNote(), "Default supply for qm250 is 1.80V");

  // sinus: noise in mV only while "Add Noise" is down
  f.host.user = [](LabelEditor& ed) {
    ed.sinusFrequency.text = "500";
    ed.sinusAmplitude.text = "0.45";
    ed.sinusOffset.text = "0.9";
    ed.sinusIncrease.text = "0.5";
    ed.sinusNoise.text = "20";
    ed.addNoise = true;
    ed.Assign();
  };
  f.place.placeAt({200, 0}, kPropertySinus);
  const LayoutLabel& s = f.db.label(3);
  EXPECT_EQ(s.kind, kLabelSinus);
  EXPECT_TRUE(s.visibleInSimulation);
  EXPECT_DOUBLE_EQ(s.param[0], 500);
  EXPECT_DOUBLE_EQ(s.param[1], 0.5);
  EXPECT_NEAR(s.param[2], 0.02, 1e-15);
  EXPECT_DOUBLE_EQ(s.param[3], 0);
  EXPECT_EQ(s.level1, 500);
  EXPECT_EQ(s.level0, 250);

  // an invalid or out-of-range entry keeps its previous value
  f.host.user = [](LabelEditor& ed) {
    ed.page = LabelPage::Pulse;
    ed.pulseHigh.text = "11";  // beyond 0..10
    ed.pulseTs.text = "abc";
    ed.pulseTp.text = "2k";    // 2000 ns
    ed.Assign();
  };
  f.place.placeAt({300, 0}, kPropertyPulse);
  const LayoutLabel& p = f.db.label(4);
  EXPECT_EQ(p.kind, kLabelPulse);
  EXPECT_EQ(p.level1, 1000);  // the default, VDD
  EXPECT_NEAR(p.param[0], f.tech.stimulus.pulseStart * 1e-9, 1e-20);
  EXPECT_NEAR(p.param[2] - p.param[1], 2000e-9, 1e-15);
  EXPECT_DOUBLE_EQ(e.defaults().pulse.hold, 2000);  // kept for the next one

  // math: the expression is the text
  f.host.user = [](LabelEditor& ed) {
    ed.page = LabelPage::Math;
    ed.ComboEquation = "sin(2*pi*t/1e-9";
    ed.Assign();
  };
  f.place.placeAt({400, 0}, kPropertyText);
  EXPECT_EQ(f.db.label(5).text, "sin(2*pi*t/1e-9");
  EXPECT_EQ(f.db.label(5).kind, kLabelMath);
  EXPECT_EQ(f.status.text(StatusMessage::Info), "Incorrect parenthesis");

  // PWL from the grid rows while their time parses
  f.host.user = [](LabelEditor& ed) {
    ed.page = LabelPage::Pwl;
    ed.StringPwl.setCell(PwlGrid::kCodeColumn, 2, "x");
    ed.StringPwl.setCell(PwlGrid::kTimeColumn, 4, "3.5");
    ed.StringPwl.setCell(PwlGrid::kCodeColumn, 4, "r");
    ed.StringPwl.setCell(PwlGrid::kTimeColumn, 6, "9");
    ed.Assign();
  };
  f.place.placeAt({500, 0}, kPropertyText);
  const LayoutLabel& w = f.db.label(6);
  EXPECT_EQ(w.kind, kLabelPwl);
  ASSERT_TRUE(w.pwl);
  ASSERT_EQ(w.pwl->count, 4);
  EXPECT_EQ(w.pwl->code[2], kPwlRelease);
  EXPECT_DOUBLE_EQ(w.pwl->time[4], 3.5);
  EXPECT_EQ(w.pwl->code[4], kPwlRandom);
}

TEST(LabelEditor, PageButtons) {
  Fixture f;
  LabelEditor& e = f.place.editor();
  e.clockTl.set(1);
  e.clockTr.set(0.1);
  e.clockTh.set(1);
  e.clockTf.set(0.1);
  e.ClockSlower();
  EXPECT_DOUBLE_EQ(e.clockTl.value, 2.1);
  EXPECT_EQ(f.main(), "Larger clock");
  EXPECT_EQ(e.periodText, "Period 4.400 ns, frequency 0.227 GHz");
  e.ClockFaster();
  EXPECT_DOUBLE_EQ(e.clockTl.value, 1.0);
  EXPECT_EQ(f.main(), "Smaller clock");
  e.clockTr.set(5);
  e.ClockFaster();
  EXPECT_DOUBLE_EQ(e.clockTl.value, 0.01);
  e.clockTf.text = "?";
  e.ClockSlower();
  EXPECT_EQ(e.periodText, "Cannot compute the period");

  e.pulseTp.set(3);
  e.PulseLarger();
  EXPECT_DOUBLE_EQ(e.pulseTp.value, 6);
  EXPECT_EQ(f.main(), "Larger pulse");
  e.PulseShorter();
  EXPECT_DOUBLE_EQ(e.pulseTp.value, 3);
  e.PulseLowHigh();
  EXPECT_DOUBLE_EQ(e.pulseLow.value, 1.8);
  e.LastPulse();
  EXPECT_EQ(f.main(), "No pulse assigned yet");

  e.sinusFrequency.set(100);
  e.SinusFaster();
  EXPECT_DOUBLE_EQ(e.sinusFrequency.value, 200);
  EXPECT_EQ(f.main(), "Faster sinus");
  e.SinusSlower();
  e.SinusSlower();
  EXPECT_DOUBLE_EQ(e.sinusFrequency.value, 50);

  e.DcVddHigh();
  EXPECT_EQ(e.EditVdd.text, "3.30");
  EXPECT_EQ(e.EditText, "VddH");
  e.visible = true;
  EXPECT_STREQ(e.visibleCaption(), "Visible in simu");
}

TEST(PwlGrid, EditingTheSequence) {
  PwlGrid g;
  EXPECT_EQ(g.cell(0, 0), "Time(ns)");
  EXPECT_EQ(g.cell(1, 0), "0/1/2/x/r");
  PwlTable t = g.table();
  ASSERT_EQ(t.count, 3);
  EXPECT_DOUBLE_EQ(t.time[2], 1.0);
  EXPECT_EQ(t.code[2], 1);

  // double-click: 0 <-> 1, else the opposite of the row above; an empty time continues the rows
  g.doubleClick(PwlGrid::kCodeColumn, 2);
  EXPECT_EQ(g.cell(1, 2), "0");
  g.doubleClick(PwlGrid::kCodeColumn, 4);
  EXPECT_EQ(g.cell(1, 4), "1");  // the row above is empty
  EXPECT_EQ(g.cell(0, 4), "3.00");
  g.doubleClick(PwlGrid::kCodeColumn, 5);
  EXPECT_EQ(g.cell(1, 5), "0");  // the row above is "1"
  EXPECT_EQ(g.cell(0, 5), "4.00");
  g.doubleClick(PwlGrid::kTimeColumn, 7);  // nothing to continue from
  EXPECT_EQ(g.cell(0, 7), "");

  g.invert();
  EXPECT_EQ(g.cell(1, 1), "1");
  EXPECT_EQ(g.cell(1, 2), "1");
  EXPECT_EQ(g.cell(1, 5), "1");
  g.clearFrom(3);
  EXPECT_EQ(g.table().count, 2);

  // insert from row 3 with the step of the rows above; "<" writes 1 and shortens the step
  g.setCell(0, 2, "2.0");
  g.insert("1<>x", 3);
  const char* times[] = {"4.00", "6.00", "7.80", "9.60"};
  const char* codes[] = {"1", "1", "0", "x"};
  for (int r = 0; r < 4; ++r) {
    EXPECT_EQ(g.cell(0, 3 + r), times[r]) << r;
    EXPECT_EQ(g.cell(1, 3 + r), codes[r]) << r;
  }
  // at the end of the grid nothing is written beyond row 63
  g.insert("0101", 62);
  EXPECT_EQ(g.cell(1, 63), "1");
  EXPECT_EQ(g.cell(1, 64), "");
  EXPECT_EQ(g.table().count, 6);  // the empty rows in between end the sequence
  g.insert("01", 1);
  EXPECT_EQ(g.cell(0, 1), "0.00");
}
