// The extracted circuit: the node records, the two MOS device tables, the
// coupling matrices and the run statistics, plus the extraction options that
// shape them. Valid while the layout's extracted flag is set. Device and
// node indices are 1-based (node 0 is ground "vss", node 1 the supply "vdd").
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "sim/MosModel.h"

namespace quill {

constexpr int kMaxDevices = 2000;      // per polarity
constexpr int kCouplingSize = 251;     // matrix indices 0..250
constexpr int kCouplingNodeLimit = 250;  // only nodes below this take part

// One electrical node. The simulator's per-node state comes first.
struct CircuitNode {
  // simulator state
  std::int32_t traceRow = 0;
  std::int32_t colour = 0;
  double dV0 = 0, dV1 = 0, dV2 = 0;
  double V = 0, Vplot = 0, Vh1 = 0, Vh2 = 0, Vh3 = 0;
  // written by extraction
  std::int32_t levelHigh = 1000, levelLow = 0;  // thousandths of VDD
  std::uint8_t kind = 3;
  double capacitance = 0;          // F, to ground
  // smallest and largest index of the devices of that polarity with a
  // terminal (nodeA or nodeB) on the node; first 1, last 0 when none
  std::int32_t nFirst = 1, nLast = 0, pFirst = 1, pLast = 0;
  std::uint8_t visible = 1;        // 1 normal, 2 traced in simulation
  std::string name;
  std::int32_t label = 0;          // 1-based label position, 0 when none
  double couplingTotal = 0;        // F
  double junctionCapacitance = 0;  // F, part of capacitance
  double gateCapacitance = 0;      // F, part of capacitance
  double crosstalkNoise = 0;       // V
  std::int32_t length = 0;         // lambda
  std::int32_t rMetal = 0, rPoly = 0, rDiffusion = 0, rVia = 0;  // ohm
  double riseDelay = 0, fallDelay = 0;  // ns
  double inductance = 0;           // H
  bool floating = true;
};

struct MosDevice {
  std::int32_t width = 0;   // lambda
  std::int32_t length = 0;  // lambda
  std::int32_t gate = 0;
  std::int32_t nodeA = 0, nodeB = 0;
  std::int32_t bulk = 0;
  std::int32_t gateBox = 0;
  std::int32_t listRow = 0;
  double effectiveLength = 0;  // m
  double widthMetres = 0;      // m
  std::uint8_t variant = 0;    // 0..3
  std::int32_t floatingGateBox = 0;
};

struct DeviceRef {
  Polarity polarity = Polarity::N;
  std::int32_t index = 0;
};

struct ExtractionStatistics {
  int boxes = 0, nodes = 0, nmos = 0, pmos = 0, resistors = 0;  // nodes: from 2 on
  double maxCrosstalkCoupling = 0;  // F
  double crosstalkRatio = 0;
  double maxDelay = 0;              // ns
  double boxUsage = 0, nodeUsage = 0, gridUsage = 0;  // percent
};

// The extraction options window's settings, with the interconnect length
// filter of the node analysis.
struct ExtractionOptions {
  // 0 merge and overlap removal, 1 merging only, 2 overlap removal only, 3 none
  int cleaningMode = 0;
  int cleaningCycles = 12;  // 1..100
  bool generateSpice = true;
  bool lateralCouplings = false;
  bool verticalCouplings = false;
  MosModelLevel model = MosModelLevel::Level3;
  bool lengthFilterOn = false;
  int minimumNetLength = 100;  // µm
};

class ExtractedCircuit {
 public:
  ExtractedCircuit() { reset(); }

  std::vector<CircuitNode> nodes;  // 0..N
  std::vector<MosDevice> nmos;     // entry 0 unused
  std::vector<MosDevice> pmos;     // entry 0 unused
  ExtractionStatistics statistics;
  MosModelLevel model = MosModelLevel::Level3;

  // nodes 0 and 1 only, empty device tables and matrices
  void reset();
  // a node with the defaults of a new node, named "N" + index when name is empty
  int addNode(const std::string& name);
  int highestNode() const { return static_cast<int>(nodes.size()) - 1; }

  int deviceCount(Polarity p) const { return static_cast<int>(table(p).size()) - 1; }
  std::vector<MosDevice>& table(Polarity p) { return p == Polarity::N ? nmos : pmos; }
  const std::vector<MosDevice>& table(Polarity p) const { return p == Polarity::N ? nmos : pmos; }

  // Cc[i][j] in farad, i and j in 0..250
  double& coupling(int i, int j) { return coupling_[idx(i, j)]; }
  double coupling(int i, int j) const { return coupling_[idx(i, j)]; }
  // position of the option box forming an embedded ferroelectric capacitor, else 0
  std::int32_t& couplingBox(int i, int j) { return couplingBox_[idx(i, j)]; }
  std::int32_t couplingBox(int i, int j) const { return couplingBox_[idx(i, j)]; }
  void clearCouplings();

  // Devices with a terminal (nodeA or nodeB) on the node: n devices in
  // ascending index, then p devices in ascending index. Valid after
  // buildDeviceLists().
  std::span<const DeviceRef> terminalDevices(int node) const { return span(termStart_, term_, node); }
  // devices whose gate or bulk is the node, same order
  std::span<const DeviceRef> gateBulkDevices(int node) const { return span(gbStart_, gb_, node); }
  // the per-node lists and the nFirst..pLast ranges
  void buildDeviceLists();

  // device with the same gate and the same unordered pair of terminals, 0 when none
  int findDevice(Polarity p, int gate, int t1, int t2) const;
  void rememberDevice(Polarity p, int index);

 private:
  static std::size_t idx(int i, int j) {
    return static_cast<std::size_t>(i) * kCouplingSize + static_cast<std::size_t>(j);
  }
  static std::span<const DeviceRef> span(const std::vector<int>& start, const std::vector<DeviceRef>& list,
                                         int node);
  static std::uint64_t key(int gate, int t1, int t2);
  std::vector<double> coupling_;
  std::vector<std::int32_t> couplingBox_;
  std::vector<int> termStart_, gbStart_;
  std::vector<DeviceRef> term_, gb_;
  std::unordered_map<std::uint64_t, int> byTerminals_[2];
};

// What recordMos needs besides the table.
struct MosRecorder {
  const MosModelContext& models;
  std::int32_t minLength = 2;  // R301: shorter gates are raised to it
  int maxDevices = kMaxDevices;
};

struct RecordOutcome {
  enum Kind { Added, Merged, Ignored } kind = Ignored;
  int index = 0;
  bool shortened = false;  // a new device shorter than the minimum length
};

// Adds a device, or merges it into the device with the same gate and the
// same unordered pair of terminals (length the larger, widths summed). A
// new device gets nodeA := t1 and nodeB := t2, exchanged when t2 is node 0
// or 1. A full table ignores new devices.
RecordOutcome recordMos(ExtractedCircuit& c, const MosRecorder& rec, Polarity p, int gate, int t1, int t2,
                        int bulk, int width, int length, int variant, int floatingGateBox, int gateBox);

const char* modelName(MosModelLevel level);  // "level1", "level3", "bsim4"

}  // namespace quill
