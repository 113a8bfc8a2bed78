// The generator settings: what the edits store and refuse, the MOS page's
// units and options, the contacts page's via stack and what it places.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "editor/GeneratorSettings.h"

using namespace quill;

TEST(GeneratorEdits, StoreOnlyValidValuesInRange) {
  struct Case {
    const char* text;
    bool stored;
    std::int32_t rows;
  };
  const Case cases[] = {
      {"3", true, 3},     {"2.5", true, 2},  // halves to even
      {"1k", true, 1000}, {"0", false, 7},    {"abc", false, 7},
      {"", false, 7},     {"200000", false, 7},
  };
  for (const Case& c : cases) {
    GeneratorSettings s;
    SilentStatus status;
    s.contactRows = 7;
    EXPECT_EQ(editContactRows(s, c.text, status), c.stored) << c.text;
    EXPECT_EQ(s.contactRows, c.rows) << c.text;
    EXPECT_EQ(status.text(StatusMessage::Main), c.stored ? std::to_string(c.rows) + " contact row." : "") << c.text;
  }
  GeneratorSettings s;
  SilentStatus status;
  EXPECT_TRUE(editContactColumns(s, "4", status));
  EXPECT_EQ(s.contactColumns, 4);
  EXPECT_EQ(status.text(StatusMessage::Main), "4 contact column.");
  EXPECT_TRUE(editMosFingers(s, "0.6", status));  // rounded, at least 1
  EXPECT_EQ(s.mosFingers, 1);
  EXPECT_TRUE(editMosFingers(s, "12", status));
  EXPECT_EQ(status.text(StatusMessage::Main), "Set mos gates to 12");
  EXPECT_FALSE(editMosFingers(s, "2000", status));
  EXPECT_EQ(s.mosFingers, 12);
  EXPECT_TRUE(editSinglePadSize(s, "60", status));
  EXPECT_EQ(s.singlePadSize, 60);
  EXPECT_FALSE(editSinglePadSize(s, "0.5", status));
  EXPECT_EQ(s.singlePadSize, 60);
}

TEST(GeneratorEdits, MosSizesInMicronsOrLambdaWithTheirMinimums) {
  TechnologyRules tech;
  tech.lambda = 0.25;
  struct Case {
    MosUnits units;
    const char* text;
    bool width;  // else the length
    bool stored;
    std::int32_t value;
  };
  const Case cases[] = {
      {MosUnits::Micron, "2.5", true, true, 10},   {MosUnits::Micron, "0.1", true, true, 4},  // raised to 4
      {MosUnits::Micron, "0.6", false, true, 2},   {MosUnits::Micron, "0.0001", true, false, 20},
      {MosUnits::Lambda, "12", true, true, 12},    {MosUnits::Lambda, "1", true, false, 20},  // below 2
      {MosUnits::Lambda, "3", true, true, 4},      {MosUnits::Lambda, "5", false, true, 5},
      {MosUnits::Lambda, "1001", false, false, 20},
  };
  for (const Case& c : cases) {
    GeneratorSettings s;
    SilentStatus status;
    s.mosUnits = c.units;
    s.mosW = s.mosL = 20;
    const bool stored = c.width ? editMosWidth(s, tech, c.text, status) : editMosLength(s, tech, c.text, status);
    EXPECT_EQ(stored, c.stored) << c.text;
    EXPECT_EQ(c.width ? s.mosW : s.mosL, c.value) << c.text;
  }
  // a technology whose diffusion or gate is larger raises them further
  tech.ruleRef(R201) = 6;
  tech.ruleRef(R302) = 3;
  GeneratorSettings s;
  SilentStatus status;
  s.mosUnits = MosUnits::Lambda;
  EXPECT_TRUE(editMosWidth(s, tech, "4", status));
  EXPECT_TRUE(editMosLength(s, tech, "2", status));
  EXPECT_EQ(s.mosW, 6);
  EXPECT_EQ(s.mosL, 3);
  EXPECT_EQ(status.text(StatusMessage::Main), "Set mos length to 0.750 \xB5m");
  // sizes in µm cannot be converted without a lambda: said, not stored
  tech.lambda = 0;
  s.mosUnits = MosUnits::Micron;
  EXPECT_FALSE(editMosWidth(s, tech, "2", status));
  EXPECT_EQ(s.mosW, 6);
  EXPECT_NE(status.text(StatusMessage::Main).find("lambda"), std::string::npos);
}

TEST(GeneratorEdits, TextsOptionsAndKinds) {
  TechnologyRules tech;
  tech.lambda = 0.125;
  tech.ruleRef(R302) = 2;
  tech.ruleRef(R303) = 5;
  tech.mosKindNames = {"Standard", "?", "High voltage", "High Vt"};
  GeneratorSettings s;
  s.mosW = 12;
  s.mosL = 3;
  s.mosUnits = MosUnits::Micron;
  WLTexts t = wlTexts(s, tech);
  EXPECT_EQ(t.w, "1.500");
  EXPECT_EQ(t.l, "0.375");
  EXPECT_EQ(t.unit, "\xB5m");
  s.mosUnits = MosUnits::Lambda;
  t = wlTexts(s, tech);
  EXPECT_EQ(t.w, "12");
  EXPECT_EQ(t.unit, "lambda");

  EXPECT_EQ(mosOptionsOffered(tech), (std::vector<int>{0, 2, 3}));
  chooseMosOption(s, tech, 2);
  EXPECT_EQ(s.mosL, 5);
  chooseMosOption(s, tech, 3);
  EXPECT_EQ(s.mosL, 2);
  EXPECT_EQ(s.mosDevice().option, 3);

  SilentStatus status;
  chooseMosKind(s, MosKind::FloatingN, status);
  EXPECT_EQ(status.text(StatusMessage::Main), "Change to nMOS with floating gate...");
  chooseMosKind(s, MosKind::N, status);
  EXPECT_EQ(status.text(StatusMessage::Main), "Change to nMOS...");

  // a rule file raises the device to the technology's smallest
  s.mosW = 4;
  s.mosL = 2;
  tech.ruleRef(R201) = 5;
  tech.ruleRef(R302) = 3;
  s.followTechnology(tech);
  EXPECT_EQ(s.mosW, 5);
  EXPECT_EQ(s.mosL, 3);

  EXPECT_STREQ(pageCaption(GeneratorPage::Contacts), "Contacts");
  EXPECT_STREQ(generateCaption(GeneratorPage::Path), "Start Path...");
  EXPECT_STREQ(generateCaption(GeneratorPage::Mos), "Generate Device");
  EXPECT_EQ(singlePadPrompt(80), "In the drawing, select the location for the bonding pad 80.0x80.0 \xB5m...");
}

TEST(ContactsPage, CheckedViasStayOneContinuousStack) {
  struct Step {
    ContactChoice choice;
    int box;
    bool check;
    std::array<bool, 5> after;
  };
  const Step steps[] = {
      // a poly contact: checking Metal3 to Metal4 fills the stack below it
      {ContactChoice::Poly, 2, true, {true, true, true, false, false}},
      // checking a lower box cuts the stack above it
      {ContactChoice::Poly, 1, true, {true, true, false, false, false}},
      {ContactChoice::Poly, 4, true, {true, true, true, true, true}},
      // unchecking one in the middle drops the ones above it too
      {ContactChoice::Poly, 2, false, {true, true, false, false, false}},
      // without a contact a stack below is joined, never left with a gap
      {ContactChoice::None, 3, true, {true, true, true, true, false}},
      // and otherwise the stack may start higher
      {ContactChoice::None, 0, false, {false, false, false, false, false}},
      {ContactChoice::None, 3, true, {false, false, false, true, false}},
      {ContactChoice::None, 4, true, {false, false, false, true, true}},
  };
  GeneratorSettings s;
  for (const Step& st : steps) {
    s.contactChoice = st.choice;
    DoStackedVias(s, st.box, st.check);
    EXPECT_EQ(s.betweenMetal, st.after) << st.box << " " << st.check;
  }
  TechnologyRules tech;
  tech.metalLevels = 4;
  EXPECT_TRUE(betweenMetalEnabled(tech, 2));   // Metal3 to Metal4
  EXPECT_FALSE(betweenMetalEnabled(tech, 3));  // Metal4 to Metal5
  EXPECT_FALSE(betweenMetalEnabled(tech, 4));
  tech.metalLevels = 2;
  EXPECT_TRUE(betweenMetalEnabled(tech, 0));
  EXPECT_FALSE(betweenMetalEnabled(tech, 1));
}

TEST(ContactsPage, PlacesTheContactThenEachViaLevelAtThePoint) {
  TechnologyRules tech;
  tech.metalLevels = 4;
  GeneratorSettings s;
  s.contactChoice = ContactChoice::Diffn;
  s.contactRows = 3;  // along x
  s.contactColumns = 2;
  s.betweenMetal = {true, false, false, false, true};  // Metal5 to Metal6 is beyond the process
  LayoutDatabase db;
  LayoutGenerator g(db, tech);
  ASSERT_TRUE(PlaceContacts(g, s, 10, 20));
  ASSERT_EQ(db.boxCount(), 2 * (6 + 2));
  EXPECT_EQ(db.box(7).layer, kDiffn);
  EXPECT_EQ(db.box(9).layer, kVia);
  // rows along x: the third cut of the first row at x + 2 pitches
  EXPECT_EQ(db.box(5).x1, 10 + 2 * 6 - 1);
  EXPECT_EQ(db.box(5).y1, 20 - 1);

  // the extent from the rules alone is the placed one
  Rect placed{db.box(1).x1 - 10, db.box(1).y1 - 20, db.box(1).x2 - 10, db.box(1).y2 - 20};
  for (int i = 1; i <= db.boxCount(); ++i) {
    const LayoutBox& b = db.box(i);
    placed = {std::min(placed.x1, b.x1 - 10), std::min(placed.y1, b.y1 - 20), std::max(placed.x2, b.x2 - 10),
              std::max(placed.y2, b.y2 - 20)};
  }
  EXPECT_EQ(contactsExtent(tech, s), placed);

  s.contactChoice = ContactChoice::None;
  s.betweenMetal = {};
  db.clear();
  ASSERT_TRUE(PlaceContacts(g, s, 0, 0));
  EXPECT_EQ(db.boxCount(), 0);
  EXPECT_EQ(contactsExtent(tech, s), Rect{});
}

TEST(PadsPage, SinglePadOpeningFromItsSizeInMicrons) {
  TechnologyRules tech;
  tech.lambda = 0.5;
  GeneratorSettings s;
  s.singlePadSize = 80;
  LayoutDatabase db;
  LayoutGenerator g(db, tech);
  ASSERT_TRUE(PlaceSinglePad(g, s, 0, 0));
  // opening 160 + 1 lambda, passivation inset by RP04 of a 211-wide pad
  const LayoutBox& pass = db.box(db.boxCount());
  EXPECT_EQ(pass.layer, kPassiv);
  EXPECT_EQ(pass.x2 - pass.x1, 161);
  tech.lambda = 0;
  db.clear();
  EXPECT_FALSE(PlaceSinglePad(g, s, 0, 0));
  EXPECT_EQ(failureText(g, "bonding pad"), "Bonding pad refused: lambda is 0");
  EXPECT_EQ(db.boxCount(), 0);
}
