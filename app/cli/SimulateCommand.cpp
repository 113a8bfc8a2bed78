// quillmere-cli simulate: extracts the layout and runs the simulation
// headless, with every measurement switched on.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>

#include "app/cli/CliRun.h"
#include "core/ParseValue.h"
#include "core/Text.h"
#include "platform/Cp1252.h"
#include "sim/Engine.h"
#include "verify/Extract.h"

namespace quill {

namespace {

struct SimOptions {
  std::string layout, rules, model = "level3", mode = "transient", start, stop, wells = "polarize", csv, sweep;
  // NaN: not given
  double timeNs = std::nan(""), stepPs = std::nan(""), samplePs = std::nan(""), precision = std::nan("");
  int points = 1000;
  bool allNodes = false, json = false;
};

// "#N" names node N; otherwise the first node of that name in index order
int findNode(const ExtractedCircuit& c, const std::string& name) {
  if (name.size() > 1 && name[0] == '#') {
    bool ok = false;
    const double v = ParseValue(name.substr(1), -1, 1e9, -1, ok);
    const int n = static_cast<int>(v);
    return ok && n >= 0 && n <= c.highestNode() && v == n ? n : -1;
  }
  for (int i = 0; i <= c.highestNode(); ++i)
    if (c.nodes[static_cast<std::size_t>(i)].name == name) return i;
  return -1;
}

class Wells : public WellDialog {
 public:
  Wells(WellAnswer a, std::ostream& err) : a_(a), err_(err) {}
  WellAnswer ask(int, const std::string& text) override {
    err_ << cp1252ToUtf8(text) << '\n';
    return a_;
  }

 private:
  WellAnswer a_;
  std::ostream& err_;
};

// samples the nodes for the CSV file
class CsvWriter : public SimulationObserver {
 public:
  std::vector<int> nodes;
  std::ofstream out;
  SimulationEngine* engine = nullptr;
  long every = 1, calls = 0;
  void sample(double t) {
    out << t;
    for (int n : nodes) out << ',' << engine->voltage(n);
    out << '\n';
  }
};

class StepObserver : public SimulationObserver {
 public:
  CsvWriter* csv = nullptr;
  double sampleEvery = 0;  // s; 0 every step
  double next = 0;
  SimulationEngine* engine = nullptr;
  void plotted(double) override {}
};

int runSimulate(Run& run, const SimOptions& o) {
  if (!run.loadRules(o.rules)) return 2;
  ReadReport rep;
  if (!run.readLayoutFile(o.layout, rep)) return 2;
  AppContext& ctx = *run.ctx;
  if (!std::isnan(o.stepPs) && !(o.stepPs > 0)) return run.fail("--step must be above 0 ps");
  if (!std::isnan(o.timeNs) && !(o.timeNs > 0)) return run.fail("--time must be above 0 ns");
  if (!std::isnan(o.samplePs) && !(o.samplePs > 0)) return run.fail("--sample must be above 0 ps");
  if (!std::isnan(o.precision) && !(o.precision > 0)) return run.fail("--precision must be above 0 mV");
  if (o.points < 1 || o.points > 10000000) return run.fail("--points must lie in 1..10000000");
  double sweepFrom = 0, sweepTo = 0;
  if (!o.sweep.empty()) {
    auto comma = o.sweep.find(',');
    bool a = false, b = false;
    if (comma != std::string::npos) {
      sweepFrom = ParseValue(o.sweep.substr(0, comma), 0, 1e6, -1e6, a);
      sweepTo = ParseValue(o.sweep.substr(comma + 1), 0, 1e6, -1e6, b);
    }
    if (!a || !b || !(sweepTo > sweepFrom)) return run.fail("--sweep wants FROM,TO with TO above FROM");
  }

  ExtractionOptions options;
  options.model = o.model == "level1" ? MosModelLevel::Level1 : o.model == "bsim4" ? MosModelLevel::Bsim4
                                                                                    : MosModelLevel::Level3;
  ExtractedCircuit circuit;
  ExtractResult ex = extractCircuit(ctx.db, ctx.tech, options, circuit, ctx.services);
  if (!ex.ok()) {
    run.out << cp1252ToUtf8(ex.message) << '\n';
    return 1;
  }

  SimulationEngine engine(ctx.db, ctx.tech, circuit, ctx.services);
  engine.models.level = options.model;  // a "BSIM" label may have switched it
  SimulationSettings& s = engine.settings;
  s.dt = o.stepPs > 0 ? o.stepPs * 1e-12 : ctx.tech.timeStep;
  s.tsim = (o.timeNs > 0 ? o.timeNs : ctx.layoutSettings.simulationLengthNs) * 1e-9;
  s.mode = o.mode == "dc" ? kModeStatic : kModeVoltageTime;
  s.dcPoints = o.points;
  s.sweepFrom = sweepFrom;
  s.sweepTo = sweepTo;
  if (o.precision > 0) s.dcPrecision = o.precision * 1e-3;

  // the start node: the visible driven node whose name sorts first; the
  // stop node: the first visible free node
  int start = -1, stop = -1;
  for (int i = 2; i <= circuit.highestNode(); ++i) {
    const CircuitNode& n = circuit.nodes[static_cast<std::size_t>(i)];
    if (n.visible != 2) continue;
    if (n.kind >= 5 && n.kind <= 9 && (start < 0 || n.name < circuit.nodes[static_cast<std::size_t>(start)].name)) start = i;
    if ((n.kind == 3 || n.kind == 4) && stop < 0) stop = i;
  }
  if (!o.start.empty() && (start = findNode(circuit, o.start)) < 0) return run.fail("no node \"" + o.start + "\"");
  if (!o.stop.empty() && (stop = findNode(circuit, o.stop)) < 0) return run.fail("no node \"" + o.stop + "\"");
  engine.startNode = start;
  engine.stopNode = stop;
  engine.frequencyNode = stop;
  s.trigger = ctx.tech.vdd / 2;

  Wells wells(o.wells == "run" ? WellAnswer::Run : o.wells == "cancel" ? WellAnswer::Cancel : WellAnswer::Polarize,
              run.err);
  if (!engine.ResetSimulation(&wells)) {
    run.out << "Simulation stopped. Add N+/metal contact and VDD supply to floating wells.\n";
    return 1;
  }

  struct Sampler : SimulationObserver {
    std::ofstream* csv = nullptr;
    std::vector<int> nodes;
    SimulationEngine* e = nullptr;
    double every = 0, next = 0;
    void row(double t) {
      *csv << t;
      for (int n : nodes) *csv << ',' << e->voltage(n);
      *csv << '\n';
    }
    void plotted(double t) override {
      if (!csv) return;
      if (every <= 0 || t + 1e-18 >= next) {
        row(t);
        next = t + every;
      }
    }
    void dcPoint(double vx, double, bool) override {
      if (csv) row(vx);
    }
  } sampler;
  std::ofstream csv;
  if (!o.csv.empty()) {
    csv.open(o.csv, std::ios::binary);
    if (!csv) return run.fail("cannot write \"" + o.csv + "\"");
    sampler.csv = &csv;
    sampler.e = &engine;
    sampler.every = o.samplePs > 0 ? o.samplePs * 1e-12 : 0;
    for (int i = 2; i <= circuit.highestNode(); ++i)
      if (o.allNodes || circuit.nodes[static_cast<std::size_t>(i)].visible == 2) sampler.nodes.push_back(i);
    csv << (s.mode == kModeStatic ? "V" : "time");
    for (int n : sampler.nodes) csv << ',' << cp1252ToUtf8(circuit.nodes[static_cast<std::size_t>(n)].name);
    csv << '\n';
    s.plotWidth = static_cast<int>(std::min<double>(1e9, std::max(1.0, s.tsim / s.dt)));  // every step reaches the sampler
  }

  run.sv.status.quiet = o.json;
  const bool ok = engine.RunSimulation(o.csv.empty() ? nullptr : &sampler);
  const SimulationResults& r = engine.results;
  const std::string message = cp1252ToUtf8(run.sv.status.text(StatusMessage::Main));
  auto nodeName = [&](int n) {
    return n >= 0 && n <= circuit.highestNode() ? cp1252ToUtf8(circuit.nodes[static_cast<std::size_t>(n)].name) : std::string();
  };
  const bool hasMax = r.maxV != SimulationResults::kSentinel;
  const double avg = r.countV ? r.sumV / double(r.countV) : 0;
  if (o.json) {
    nlohmann::ordered_json j;
    j["model"] = engine.modelName();
    j["mode"] = o.mode;
    j["time"] = s.tsim;
    j["step"] = s.dt;
    j["start"] = nodeName(start);
    j["stop"] = nodeName(stop);
    nlohmann::ordered_json m;
    m["riseDelay"] = r.hasRise ? nlohmann::ordered_json(r.riseDelay) : nlohmann::ordered_json(nullptr);
    m["fallDelay"] = r.hasFall ? nlohmann::ordered_json(r.fallDelay) : nlohmann::ordered_json(nullptr);
    m["frequency"] = r.frequency;
    m["max"] = hasMax ? nlohmann::ordered_json(r.maxV) : nlohmann::ordered_json(nullptr);
    m["min"] = r.minV != -SimulationResults::kSentinel ? nlohmann::ordered_json(r.minV) : nlohmann::ordered_json(nullptr);
    m["average"] = avg;
    m["avgIdd"] = r.avgIdd;
    m["avgIddh"] = r.avgIddh;
    m["powerMw"] = r.powerMw;
    m["maxIdd"] = r.maxIdd;
    m["maxIddTime"] = r.maxIddTime;
    m["finalStopVoltage"] = r.finalStopVoltage;
    if (s.mode == kModeStatic) {
      m["switchingVoltage"] = r.switchingVoltage;
      m["unconvergedPoints"] = r.dcUnconverged;
    }
    j["measurements"] = m;
    j["message"] = message;
    j["completed"] = ok;
    run.out << j.dump(2) << '\n';
  } else {
    run.out << message << '\n';
    if (s.mode == kModeStatic) {
      run.out << "switching voltage: " << F(r.switchingVoltage, 1, 3) << " V\n";
      run.out << "unconverged points: " << r.dcUnconverged << '\n';
    } else {
      run.out << "start: " << nodeName(start) << ", stop: " << nodeName(stop) << '\n';
      run.out << "rise delay: " << (r.hasRise ? F(r.riseDelay * 1e12, 1, 1) + " ps" : std::string("-")) << '\n';
      run.out << "fall delay: " << (r.hasFall ? F(r.fallDelay * 1e12, 1, 1) + " ps" : std::string("-")) << '\n';
      run.out << "frequency: " << (r.frequency > 0 ? F(r.frequency / 1e6, 1, 3) + " MHz" : std::string("-")) << '\n';
      if (hasMax)
        run.out << "max: " << F(r.maxV, 1, 3) << " V, min: "
                << F(r.minV == -SimulationResults::kSentinel ? r.maxV : r.minV, 1, 3) << " V, average: " << F(avg, 1, 3)
                << " V\n";
      run.out << "IDD average: " << F(r.avgIdd * 1e3, 1, 6) << " mA, IDDH average: " << F(r.avgIddh * 1e3, 1, 6)
              << " mA, IDD max: " << F(r.maxIdd * 1e3, 1, 6) << " mA at " << F(r.maxIddTime * 1e9, 1, 3) << " ns\n";
      run.out << cp1252ToUtf8(r.powerText) << '\n';
    }
  }
  if (!ok) return 1;
  return 0;
}

}  // namespace

void registerSimulateCommand(CLI::App& app, CommandSet& set) {
  auto o = std::make_shared<SimOptions>();
  auto* c = app.add_subcommand("simulate", "Extract a layout and simulate it");
  c->add_option("LAYOUT", o->layout, "Layout file (.msk)")->required();
  c->add_option("--rules", o->rules, "Rule file to use");
  c->add_option("--model", o->model, "level1, level3 or bsim4")->check(CLI::IsMember({"level1", "level3", "bsim4"}));
  c->add_option("--time", o->timeNs, "Simulated time in ns (default: the layout's)");
  c->add_option("--step", o->stepPs, "Time step in ps (default: DELT)");
  c->add_option("--mode", o->mode, "transient or dc")->check(CLI::IsMember({"transient", "dc"}));
  c->add_option("--start", o->start, "Start node (delay), X node (dc); #N names node N");
  c->add_option("--stop", o->stop, "Stop node (delay, frequency), Y node (dc)");
  c->add_option("--wells", o->wells, "Floating wells: run, polarize or cancel")
      ->check(CLI::IsMember({"run", "polarize", "cancel"}));
  c->add_option("--csv", o->csv, "Write the node voltages to this CSV file");
  c->add_option("--sample", o->samplePs, "CSV sample interval in ps (default: every step)");
  c->add_flag("--all-nodes", o->allNodes, "CSV: every node, not only the visible ones");
  c->add_option("--precision", o->precision, "DC precision in mV");
  c->add_option("--points", o->points, "DC sweep points (default 1000)");
  c->add_option("--sweep", o->sweep, "DC sweep FROM,TO in volts (default 0,VDD)");
  c->add_flag("--json", o->json, "JSON output");
  set.add(c, [o](Run& run) { return runSimulate(run, *o); });
}

}  // namespace quill
