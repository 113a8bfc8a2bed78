// quillmere-cli generate: each kind written alone into a layout file at the
// asked point, the window's acceptance of sizes, and refusals that write
// nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli/CliApp.h"
#include "app/cli/tests/CliRunner.h"
#include "core/tests/TestFiles.h"

using namespace quill;

namespace {
using Result = quill::testing::CliResult;
using quill::testing::cli;

struct Rec {
  int x1, y1, x2, y2;
  std::string code;
  int value = 0;
};

// the REC lines of a layout file
std::vector<Rec> recs(const std::string& path) {
  std::vector<Rec> v;
  std::istringstream in(quill::testing::readBytes(path));
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("REC(", 0) != 0) continue;
    Rec r;
    int w = 0, h = 0;
    char code[3] = {};
    const int n = std::sscanf(line.c_str(), "REC(%d,%d,%d,%d,%2c,%d)", &r.x1, &r.y1, &w, &h, code, &r.value);
    EXPECT_GE(n, 5) << line;
    r.x2 = r.x1 + w;
    r.y2 = r.y1 + h;
    r.code = code;
    v.push_back(r);
  }
  return v;
}

std::vector<Rec> onLayer(const std::vector<Rec>& v, const std::string& code) {
  std::vector<Rec> r;
  for (const Rec& b : v)
    if (b.code == code) r.push_back(b);
  return r;
}

// start-up values but for lambda, three metal levels and a second poly
const std::vector<std::string> kRules = {"h", "LAMB = 0.25", "META = 3", "R311 = 2"};

struct Dir {
  quill::testing::TempDir dir;
  Dir() { quill::testing::writeLines("t.rul", kRules); }
  Result gen(std::vector<std::string> args) {
    args.insert(args.begin(), {"generate"});
    args.insert(args.end(), {"--rules", "t.rul"});
    return cli(args);
  }
};
}  // namespace

TEST(GenerateCommand, MosDeviceAtThePointWithItsOptions) {
  Dir d;
  Result r = d.gen({"mos", "n.msk", "--at", "10,20", "--w", "12", "--fingers", "3"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "nMOS W=12 L=2 lambda, 3 fingers: 16 boxes written to n.msk\n");
  std::vector<Rec> v = recs("n.msk");
  ASSERT_EQ(v.size(), 16u);  // two cuts per column
  // the diffusion starts at x and R307 above the gates' bottom at y
  EXPECT_EQ(v[0].code, "DN");
  EXPECT_EQ(v[0].x1, 10);
  EXPECT_EQ(v[0].y1, 22);
  EXPECT_EQ(v[0].y2 - v[0].y1, 12);
  EXPECT_EQ(onLayer(v, "PO").size(), 3u);
  EXPECT_EQ(onLayer(v, "PO")[0].y1, 20);

  // widths in µm: 2.5 um at 0.25 um per lambda is 10 lambda
  r = d.gen({"mos", "p.msk", "--polarity", "p", "--units", "um", "--w", "2.5", "--l", "0.75", "--polarization",
             "--option", "1"});
  ASSERT_EQ(r.code, 0) << r.err;
  v = recs("p.msk");
  const std::vector<Rec> diffp = onLayer(v, "DP");
  ASSERT_EQ(diffp.size(), 1u);
  EXPECT_EQ(diffp[0].y2 - diffp[0].y1, 10);
  EXPECT_EQ(onLayer(v, "PO")[0].x2 - onLayer(v, "PO")[0].x1, 3);
  EXPECT_EQ(onLayer(v, "NW").size(), 1u);
  EXPECT_EQ(onLayer(v, "DN").size(), 1u);  // the bulk tap
  ASSERT_EQ(onLayer(v, "OP").size(), 1u);
  EXPECT_EQ(onLayer(v, "OP")[0].value, 1);  // the second option set's flag

  r = d.gen({"mos", "fg.msk", "--polarity", "fg", "--option", "2"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(onLayer(recs("fg.msk"), "P2").size(), 1u);
  EXPECT_EQ(onLayer(recs("fg.msk"), "OP")[0].value, 2);
}

TEST(GenerateCommand, ContactsViaStacksAndPads) {
  Dir d;
  Result r = d.gen({"contacts", "c.msk", "--kind", "diffn", "--rows", "3", "--columns", "2", "--vias", "2,3"});
  ASSERT_EQ(r.code, 0) << r.err;
  std::vector<Rec> v = recs("c.msk");
  ASSERT_EQ(v.size(), 3u * 8u);
  EXPECT_EQ(onLayer(v, "CO").size(), 6u);
  EXPECT_EQ(onLayer(v, "VI").size(), 6u);
  EXPECT_EQ(onLayer(v, "V2").size(), 6u);
  // rows along x: three columns of cuts 6 apart
  EXPECT_EQ(onLayer(v, "CO")[4].x1 - onLayer(v, "CO")[0].x1, 12);

  r = d.gen({"viastack", "s.msk", "--from", "poly", "--to", "metal3", "--at", "-5,7"});
  ASSERT_EQ(r.code, 0) << r.err;
  v = recs("s.msk");
  ASSERT_EQ(v.size(), 9u);
  EXPECT_EQ(v[0].code, "CO");
  EXPECT_EQ(v[0].x1, -6);
  EXPECT_EQ(v[3].code, "VI");
  EXPECT_EQ(v[6].code, "V2");

  r = d.gen({"pad", "pad.msk", "--size", "50"});
  ASSERT_EQ(r.code, 0) << r.err;
  v = recs("pad.msk");
  ASSERT_EQ(v.back().code, "PA");
  EXPECT_EQ(v.back().x2 - v.back().x1, 201);  // round(50 / 0.25) + 1
}

TEST(GenerateCommand, RefusalsWriteNothing) {
  Dir d;
  struct Case {
    std::vector<std::string> args;
    const char* says;
  };
  const Case cases[] = {
      {{"mos", "x.msk", "--w", "1"}, "--w 1"},  // below the window's 2 lambda
      {{"mos", "x.msk", "--w", "abc"}, "--w abc"},
      {{"mos", "x.msk", "--fingers", "5000"}, "--fingers"},
      {{"mos", "x.msk", "--at", "3"}, "--at"},
      {{"contacts", "x.msk", "--kind", "nwell"}, "--kind nwell"},
      {{"contacts", "x.msk", "--vias", "2,5"}, "no metal5"},  // three metal levels
      {{"contacts", "x.msk", "--kind", "none"}, "nothing to generate"},
      {{"contacts", "x.msk", "--kind", "metal4"}, "top metal"},
      {{"viastack", "x.msk", "--from", "metal2", "--to", "metal2"}, "above --from"},
      {{"viastack", "x.msk", "--from", "poly", "--to", "metal6"}, "top metal"},
      {{"viastack", "x.msk", "--from", "poly"}, "--from and --to"},
      {{"pad", "x.msk", "--size", "0"}, "--size"},
      // a million cuts do not fit the box table
      {{"contacts", "x.msk", "--rows", "1000", "--columns", "1000"}, "Box table full: contacts not placed"},
  };
  for (const Case& c : cases) {
    Result r = d.gen(c.args);
    EXPECT_EQ(r.code, 2) << c.says;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists("x.msk")) << c.says;
  }
  // a floating gate needs the second poly, as the window shows it only then
  quill::testing::writeLines("single.rul", {"h", "LAMB = 0.25"});
  Result r = cli({"generate", "mos", "x.msk", "--polarity", "fg", "--rules", "single.rul"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("second polysilicon"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists("x.msk"));
}
