#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/cli/tests/CliRunner.h"
#include "core/tests/TestFiles.h"

using namespace quill;

namespace {
using quill::testing::cli;
using quill::testing::readBytes;

const std::string kData = QUILL_DATA_DIR;
const std::string kRules = kData + "/default.rul";

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// many unconnected boxes: more nodes than the node table holds
void writeTooManyNodes(const std::string& path) {
  std::vector<std::string> l{"VERSION 10/12/2025 12:00:00", "FIG #many.msk", "BB(0,0,12400,2)", "SIMU #1.00"};
  for (int i = 0; i < 3100; ++i) l.push_back("REC(" + std::to_string(4 * i) + ",0,2,2,ME)");
  l.push_back("FFIG many.msk");
  quill::testing::writeLines(path, l);
}
}  // namespace

TEST(SpiceCommand, WritesBesideTheLayoutUnderItsNameWithItsSimulationLength) {
  quill::testing::TempDir dir;
  quill::testing::writeBytes("inv.msk", readBytes(kData + "/inverter.msk"));
  const auto r = cli({"spice", "inv.msk", "--rules", kRules});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "Generate inv.CIR with 1 nMOS and 1 pMOS\n");
  const std::string file = readBytes("inv.CIR");
  EXPECT_TRUE(file.starts_with("CIRCUIT inv.msk\r\n")) << file.substr(0, 100);
  for (const char* part : {"\r\n.TRAN 0.1N 10.00N\r\n", "\r\n* (Pspice)\r\n", "LEVEL=3", "\r\n.END\r\n"})
    EXPECT_TRUE(contains(file, part)) << part;
  EXPECT_FALSE(contains(file, "* Crosstalk capacitance"));
}

TEST(SpiceCommand, OptionsChooseTheNameModelFlavourTimeAndCouplings) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> present, absent;
  } cases[] = {
      {{"--model", "bsim4", "--flavour", "winspice", "--time", "3"},
       {"LEVEL=14", "\r\n*#run\r\n", "\r\n.TRAN 0.1N 3.00N\r\n"},
       {".PRINT", "LEVEL=3"}},
      {{"--model", "level1"}, {"LEVEL=1 ", ".PRINT TRAN", "\r\n.TRAN 0.1N 6.00N\r\n"}, {"LEVEL=3"}},
      {{"--couplings", "both"}, {"\r\n* Crosstalk capacitance\r\n"}, {}},
      {{"--couplings", "lateral"}, {"\r\n* Crosstalk capacitance\r\n"}, {}},
      {{"--couplings", "none"}, {}, {"* Crosstalk capacitance"}},
  };
  for (const Case& c : cases) {
    quill::testing::TempDir dir;
    std::vector<std::string> args{"spice", kData + "/ring5.msk", "out.cir", "--rules", kRules};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto r = cli(args);
    SCOPED_TRACE(c.args.front() + " " + c.args.back());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Generate out.cir with 6 nMOS and 6 pMOS\n");
    const std::string file = readBytes("out.cir");
    for (const std::string& p : c.present) EXPECT_TRUE(contains(file, p)) << p;
    for (const std::string& p : c.absent) EXPECT_FALSE(contains(file, p)) << p;
  }
}

TEST(SpiceCommand, AFailedExtractionStillWritesTheFileSayingSoAndExitsOne) {
  quill::testing::TempDir dir;
  writeTooManyNodes("many.msk");
  const auto r = cli({"spice", "many.msk", "--rules", kRules});
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_FALSE(contains(r.out, "Generate ")) << r.out;
  EXPECT_TRUE(contains(r.out, "incomplete")) << r.out;
  const std::string file = readBytes("many.CIR");
  EXPECT_TRUE(contains(file, "\r\n* WARNING: the extraction did not complete (Data base overflow: too much nodes);\r\n"))
      << file.substr(0, 300);
  EXPECT_TRUE(contains(file, "\r\n.END\r\n"));
}

TEST(SpiceCommand, BadInputExitsTwoWithoutWriting) {
  struct Case {
    std::vector<std::string> args;
    const char* message;  // on stderr, "" for a usage error
  } cases[] = {
      {{"spice", kData + "/inverter.msk", "--flavour", "spice3"}, ""},
      {{"spice", kData + "/inverter.msk", "--model", "level2"}, ""},
      {{"spice", kData + "/inverter.msk", "--couplings", "all"}, ""},
      {{"spice", kData + "/inverter.msk", "--time", "0"}, "--time must be above 0 ns"},
      {{"spice", "missing.msk"}, "cannot read layout \"missing.msk\""},
      {{"spice", kData + "/inverter.msk", "no/such/folder/x.cir"}, "Cannot write no/such/folder/x.cir"},
  };
  for (const Case& c : cases) {
    quill::testing::TempDir dir;
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--rules", kRules});
    const auto r = cli(args);
    SCOPED_TRACE(args[2]);
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(contains(r.err, c.message)) << r.err;
    EXPECT_EQ(r.out.find("Generate "), std::string::npos);
  }
}
