// The editor's start-up: texts, order, the missing-technology warning and
// Select Foundry, with the file readers stood in for.
#include <gtest/gtest.h>

#include "app/editor/StartupSequence.h"
#include "platform/FakeDialogs.h"

using namespace quill;

namespace {

// one log of everything shown, in order
struct Log {
  std::vector<std::string> lines;
};

class LoggedStatus : public StatusMessage {
 public:
  explicit LoggedStatus(Log& log) : log_(log) {}

 protected:
  void show(int panel, std::string_view text) override {
    log_.lines.push_back("panel" + std::to_string(panel) + ": " + std::string(text));
  }

 private:
  Log& log_;
};

class LoggedDialogs : public FakeDialogs {
 public:
  explicit LoggedDialogs(Log& log) : log_(log) {}
  void message(const std::string& caption, const std::string& line1, const std::string& line2,
               const std::string& button) override {
    FakeDialogs::message(caption, line1, line2, button);
    log_.lines.push_back("message: " + caption);
  }
  std::optional<std::string> openFileName(const std::string& title, const std::string& filter) override {
    log_.lines.push_back("open: " + title);
    return FakeDialogs::openFileName(title, filter);
  }

 private:
  Log& log_;
};

struct Fixture {
  Log log;
  LoggedStatus status{log};
  LoggedDialogs dialogs{log};
  DebugLog debug;
  FakeClock clock;
  FakeRandom random;
  AppContext ctx{Services{status, dialogs, debug, clock, random}};
  StartupResult loadResult;
  std::vector<std::string> argsSeen;
  std::vector<std::string> rulesRead;
  StartupSteps steps;

  Fixture() {
    steps.loadFiles = [this](AppContext& c, const std::vector<std::string>& args) {
      argsSeen = args;
      if (loadResult.layoutLoaded) c.db.fileName = args.at(0);
      log.lines.push_back("load");
      return loadResult;
    };
    steps.loadRules = [this](TechnologyRules& t, LayerTable&, const std::string& path, StatusMessage&, DebugLog&) {
      rulesRead.push_back(path);
      t.technologyName = "cmos025";
      t.vdd = 2.5;
      log.lines.push_back("rules: " + path);
      return true;
    };
    steps.setTitle = [this](const std::string& t) { log.lines.push_back("title: " + t); };
  }
};

}  // namespace

TEST(StartupSequence, WithRulesAndLayoutGoesStraightToWelcome) {
  Fixture f;
  f.loadResult = {true, true};
  runStartUp(f.ctx, {"data/inverter.msk", "data/default.rul"}, f.steps);
  EXPECT_EQ(f.argsSeen, (std::vector<std::string>{"data/inverter.msk", "data/default.rul"}));
  EXPECT_EQ(f.log.lines, (std::vector<std::string>{
                             "panel0: Quillmere 3 starts...",
                             "title: Quillmere 3 - example",
                             "load",
                             "title: Quillmere 3 - data/inverter.msk",
                             "panel0: Welcome to Quillmere 3.0c",
                         }));
  EXPECT_TRUE(f.dialogs.messages.empty());
}

TEST(StartupSequence, LayoutNotLoadedKeepsTheExampleTitle) {
  Fixture f;
  f.loadResult = {true, false};
  runStartUp(f.ctx, {}, f.steps);
  EXPECT_EQ(f.log.lines, (std::vector<std::string>{"panel0: Quillmere 3 starts...", "title: Quillmere 3 - example",
                                                   "load", "panel0: Welcome to Quillmere 3.0c"}));
}

TEST(StartupSequence, MissingRulesWarnsThenOffersARuleFile) {
  struct Row {
    std::optional<std::string> chosen;
    std::vector<std::string> afterMessage;
  };
  const Row rows[] = {
      {"/tech/cmos025.RUL",
       {"panel0: Select a Rule file", "open: Select Foundry", "rules: /tech/cmos025.RUL",
        "panel0: The current technology is  \"cmos025\",  power supply  2.50V", "panel0: Welcome to Quillmere 3.0c"}},
      {std::nullopt,
       {"panel0: Select a Rule file", "open: Select Foundry", "panel0: Welcome to Quillmere 3.0c"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.chosen.value_or("cancelled"));
    Fixture f;
    f.loadResult = {false, false};
    f.dialogs.files.push_back(r.chosen);
    runStartUp(f.ctx, {}, f.steps);

    std::vector<std::string> expected = {
        "panel0: Quillmere 3 starts...", "title: Quillmere 3 - example", "load",
        "panel2: Use \"File\"->\"Select Foundry\" to select a foundry file",
        "message: Warning: default design rule file not found"};
    expected.insert(expected.end(), r.afterMessage.begin(), r.afterMessage.end());
    EXPECT_EQ(f.log.lines, expected);

    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    const FakeDialogs::Shown& m = f.dialogs.messages[0];
    EXPECT_EQ(m.line1, "The file \"default.rul\" was not found in work directory");
    EXPECT_EQ(m.line2, "Layout editing and simulation may be hazardous");
    EXPECT_EQ(m.button, "Select foundry");
    ASSERT_EQ(f.dialogs.filters.size(), 1u);
    EXPECT_NE(f.dialogs.filters[0].find("*.rul"), std::string::npos);
    EXPECT_NE(f.dialogs.filters[0].find("*.RUL"), std::string::npos);
    EXPECT_EQ(f.rulesRead.size(), r.chosen ? 1u : 0u);
    EXPECT_EQ(f.status.text(2), "Use \"File\"->\"Select Foundry\" to select a foundry file");
  }
}

TEST(StartupSequence, WindowStepsRunAfterLoadingAndInPlaceOfSelectFoundry) {
  // the tool windows exist before the warning, and the window's own Select
  // Foundry (with its palette and redraw) is the one offered
  Fixture f;
  f.loadResult = {false, true};
  f.steps.afterLoading = [&] { f.log.lines.push_back("tool windows"); };
  f.steps.selectFoundry = [&] {
    f.log.lines.push_back("window select foundry");
    return true;
  };
  runStartUp(f.ctx, {"a.msk"}, f.steps);
  EXPECT_EQ(f.log.lines, (std::vector<std::string>{
                             "panel0: Quillmere 3 starts...", "title: Quillmere 3 - example", "load",
                             "title: Quillmere 3 - a.msk", "tool windows",
                             "panel2: Use \"File\"->\"Select Foundry\" to select a foundry file",
                             "message: Warning: default design rule file not found", "window select foundry",
                             "panel0: Welcome to Quillmere 3.0c"}));
  EXPECT_TRUE(f.rulesRead.empty());
}
