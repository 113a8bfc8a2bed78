// quillmere-cli render LAYOUT OUT.png [--size WxH] [--mono] [--window x1,y1,x2,y2]
#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "app/cli/CliRun.h"
#include "app/cli/RenderPng.h"

namespace quill {

namespace {

constexpr int kMaxSide = 8192;

struct RenderOptions {
  std::string layout, out, rules, size = "1600x1000", window;
  bool mono = false;
};

template <class T>
bool parseWhole(std::string_view s, T& v) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return false;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  return ec == std::errc() && end == s.data() + s.size();
}

std::vector<std::string_view> split(std::string_view s, char sep) {
  std::vector<std::string_view> parts;
  for (;;) {
    const auto at = s.find(sep);
    parts.push_back(s.substr(0, at));
    if (at == std::string_view::npos) return parts;
    s.remove_prefix(at + 1);
  }
}

int runRender(Run& run, const RenderOptions& o) {
  RenderRequest r;
  r.out = o.out;
  r.mono = o.mono;
  {
    const auto wh = split(o.size, 'x');
    long long w = 0, h = 0;
    if (wh.size() != 2 || !parseWhole(wh[0], w) || !parseWhole(wh[1], h))
      return run.fail("--size \"" + o.size + "\" is not WIDTHxHEIGHT");
    if (w < 1 || w > kMaxSide || h < 1 || h > kMaxSide)
      return run.fail("--size \"" + o.size + "\": each side must be 1.." + std::to_string(kMaxSide));
    r.width = static_cast<int>(w);
    r.height = static_cast<int>(h);
  }
  if (!o.window.empty()) {
    const auto c = split(o.window, ',');
    std::int32_t v[4] = {};
    bool ok = c.size() == 4;
    for (std::size_t i = 0; ok && i < 4; ++i) ok = parseWhole(c[i], v[i]);
    if (!ok) return run.fail("--window \"" + o.window + "\" is not x1,y1,x2,y2 in whole lambda");
    r.window = Rect{v[0], v[1], v[2], v[3]};
  }
  if (!run.loadRules(o.rules)) return 2;
  ReadReport rep;
  if (!run.readLayoutFile(o.layout, rep)) return 2;
  std::string error = renderLayoutPng(*run.ctx, r);
  if (!error.empty()) return run.fail(error);
  return 0;
}

}  // namespace

const char* renderPlatformOverride(const char* qpaPlatform, const char* display) {
  const bool qpa = qpaPlatform && *qpaPlatform, x = display && *display;
  return qpa || x ? nullptr : "offscreen";
}

void registerRenderCommand(CLI::App& app, CommandSet& set) {
  auto o = std::make_shared<RenderOptions>();
  auto* c = app.add_subcommand("render", "Draw a layout as the editor shows it into a PNG file");
  c->add_option("LAYOUT", o->layout, "Layout file (.msk)")->required();
  c->add_option("OUT", o->out, "PNG file to write")->required();
  c->add_option("--size", o->size, "Picture size WIDTHxHEIGHT, each side 1..8192 (default 1600x1000)");
  c->add_flag("--mono", o->mono, "Monochrome, as the editor's monochrome command");
  c->add_option("--window", o->window, "Region x1,y1,x2,y2 in lambda (default: view all)");
  c->add_option("--rules", o->rules, "Rule file to use");
  set.add(c, [o](Run& run) { return runRender(run, *o); });
}

}  // namespace quill
