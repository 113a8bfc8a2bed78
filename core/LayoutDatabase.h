// The in-memory layout: boxes, labels, virtual R/L/C symbols and the node
// table, with their capacities, compaction, bounding box and sort by layer.
// Positions are numbered from 1; deletion marks entries that a later
// compaction removes. Failures are reported through lastError, never thrown.
// The database never draws: a DatabaseObserver (the view) is told of items
// added while drawImmediately is set.
#pragma once
#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Layers.h"
#include "platform/Colour.h"

namespace quill {

// lastError codes
enum ErrorCode : int {
  kOk = 0,
  kErrNodeTableFull = 4,
  kErrAccessDenied = 5,
  kErrBoxTableFull = 8,
  kErrTableFull = 54,  // labels or RLC symbols
};

constexpr int kMaxBoxes = 300000;
constexpr int kMaxLabels = 2000;
constexpr int kMaxRlc = 100;
constexpr int kMaxNodeIndex = 3000;
constexpr int kMaxPwlEntries = 63;

struct LayoutBox {
  std::uint8_t state = 1;  // 0 deleted, 1 normal, 2 dimmed/selected, 3 own colour
  std::int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::int32_t node = -1;
  std::uint8_t layer = 0;
  std::uint8_t unsalicided = 0;
  Colour colour = 0;
  std::int32_t value = 0;
};

// option-box flags in LayoutBox::value
enum OptionFlag : std::int32_t {
  kOptionMosSet = 7, kOptionDram = 8, kOptionNoSalicide = 16, kOptionDiode = 32,
  kOptionFram = 64, kOptionFramDown = 128
};

enum LabelKind : std::uint8_t {
  kLabelSupply = 0, kLabelHighSupply = 1, kLabelGround = 2, kLabelName = 3, kLabelUnused = 4,
  kLabelPulse = 5, kLabelClock = 6, kLabelSinus = 7, kLabelPwl = 8, kLabelMath = 9
};

// PWL step codes
enum PwlCode : std::uint8_t { kPwlLow = 0, kPwlHigh = 1, kPwlHvdd = 2, kPwlRelease = 3, kPwlRandom = 4 };

struct PwlTable {
  std::int32_t count = 0;
  std::array<double, 65> time{};        // ns, entries 1..63
  std::array<std::uint8_t, 65> code{};  // entries 1..63
};

struct LayoutLabel {
  std::int32_t x = 0, y = 0;
  std::string text;
  std::uint8_t active = 1;  // 0 deleted; 2 selected and 3 marked while an operation runs
  bool visibleInSimulation = false;
  std::uint8_t kind = kLabelName;
  std::int32_t node = -1;
  std::int32_t listIndex = 0;
  std::int32_t level1 = 1000;
  std::int32_t level0 = 0;
  std::array<double, 4> param{};
  std::unique_ptr<PwlTable> pwl;

  LayoutLabel() = default;
  LayoutLabel(const LayoutLabel& o) { *this = o; }
  LayoutLabel& operator=(const LayoutLabel& o);
  LayoutLabel(LayoutLabel&&) noexcept = default;
  LayoutLabel& operator=(LayoutLabel&&) noexcept = default;
};

enum RlcKind : std::uint8_t { kRlcResistor = 0, kRlcInductor = 1, kRlcCapacitor = 2 };

struct RlcSymbol {
  double value = 1000.0;
  double scaledValue = 0;
  std::string text;
  std::int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::int32_t node1 = 0, node2 = 0;
  std::int32_t size = 1;  // 1, 5 or 25
  std::uint8_t active = 1;
  std::uint8_t kind = kRlcResistor;
  std::array<double, 8> history{};  // simulator state
};

// Node kinds shared with extraction: 0 supply, 2 ground; the rest are its own.
struct nodeBaseRecord {
  std::string name;
  int kind = 3;
};

struct Rect {
  std::int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool operator==(const Rect&) const = default;
};

class LayoutDatabase;

class DatabaseObserver {
 public:
  virtual ~DatabaseObserver() = default;
  virtual void boxAdded(const LayoutDatabase&, int /*position*/) {}
  virtual void labelAdded(const LayoutDatabase&, int /*position*/) {}
  virtual void rlcAdded(const LayoutDatabase&, int /*position*/) {}
  // many items changed while drawing was held back (see BulkAdd)
  virtual void bulkChanged(const LayoutDatabase&) {}
};

// Undo kinds
enum UndoKind : int { kUndoRemoveAdded = 0, kUndoRestoreDeleted = 2, kUndoStretch = 4,
                      kUndoNone = 5, kUndoLastLabel = 6, kUndoMovePaste = 7 };

class LayoutDatabase {
 public:
  LayoutDatabase();

  LayerTable layers;

  // --- boxes
  int boxCount() const { return static_cast<int>(boxes_.size()) - 1; }
  // mutable access counts as a change of that box (see takeBoxChanges)
  LayoutBox& box(int pos) {
    noteBoxChange(pos, pos);
    return boxes_[static_cast<std::size_t>(pos)];
  }
  const LayoutBox& box(int pos) const { return boxes_[static_cast<std::size_t>(pos)]; }
  // position of the new box, or 0 with lastError 8 when the table is full
  int addBox(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, int layer);

  // --- labels
  int labelCount() const { return static_cast<int>(labels_.size()) - 1; }
  LayoutLabel& label(int pos) { return labels_[static_cast<std::size_t>(pos)]; }
  const LayoutLabel& label(int pos) const { return labels_[static_cast<std::size_t>(pos)]; }
  // position, or 0 when nothing was added (empty text, a label already at
  // the point: lastError 0; full table: lastError 54)
  int addLabel(std::int32_t x, std::int32_t y, std::string_view text);
  // as addLabel, then sets the kind; kind 1 takes level1 from HVDD / VDD
  int addLabel(std::int32_t x, std::int32_t y, std::string_view text, int kind, double vdd, double hvdd);
  void copyLabelProperties(int from, int to);
  // the active label anchored exactly at (x, y), 0 when none
  int labelAt(std::int32_t x, std::int32_t y) const;

  // --- RLC symbols
  int rlcCount() const { return static_cast<int>(rlcs_.size()) - 1; }
  RlcSymbol& rlc(int pos) { return rlcs_[static_cast<std::size_t>(pos)]; }
  const RlcSymbol& rlc(int pos) const { return rlcs_[static_cast<std::size_t>(pos)]; }
  int addRlc(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, int kind,
             std::string_view text, std::int32_t size);

  // --- nodes
  int highestNode() const { return static_cast<int>(nodes_.size()) - 1; }
  nodeBaseRecord& node(int index) { return nodes_[static_cast<std::size_t>(index)]; }
  const nodeBaseRecord& node(int index) const { return nodes_[static_cast<std::size_t>(index)]; }
  // index of the new node, or -1 with lastError 4
  int addNode(std::string_view name);
  void resetNodes();

  // --- whole-table operations
  void compactBoxes();
  void compactLabels();
  // labels and RLC symbols, then the nodes: every box's node becomes -1 and
  // the circuit is no longer extracted
  void compactAll();
  void clear();
  void computeBoundingBox();
  void widenBoundingBox(const LayoutBox& b);
  const Rect& boundingBox() const { return bbox_; }
  void setBoundingBox(const Rect& r) { bbox_ = r; }

  // groups boxes by ascending layer; firstOfLayer/lastOfLayer give each
  // layer's range (last -1 when the layer has none)
  void sortByLayer();
  int firstOfLayer(int layer) const { return layerFirst_[clampLayer(layer)]; }
  int lastOfLayer(int layer) const { return layerLast_[clampLayer(layer)]; }

  // --- area tests (edges included)
  bool boxIntersects(int pos, std::int32_t xmin, std::int32_t ymin, std::int32_t xmax, std::int32_t ymax) const;
  bool boxInside(int pos, std::int32_t xmin, std::int32_t ymin, std::int32_t xmax, std::int32_t ymax) const;
  bool overlap(int a, int b, Rect& out) const;

  // --- state
  int currentLayer = kPoly;
  bool modified = false;
  bool extracted = false;
  bool drawImmediately = true;
  std::string fileName = "Example.msk";
  // fileName came from an open or a save (a new layout's name is only a
  // suggestion, so its first save asks for a name)
  bool fileNamed = false;
  int lastError = kOk;
  int undoKind = kUndoNone;
  int undoBoxMark = 0, undoLabelMark = 0, undoRlcMark = 0;
  // records the counts that an undo of kind 0 removes beyond
  void setUndoMarks(int kind);
  // Changes whenever positions may have moved (compaction, sort, clear):
  // whoever holds a position compares it. Moving positions also makes the
  // recorded undo unusable (undo kind 5) until an operation records another.
  std::uint64_t tableGeneration() const { return generation_; }

  // Positions of the box table that may have changed since the last call:
  // every mutable box() access, add, compaction, sort and clear widens the
  // range. For the one cache of the box geometry (the view's spatial index),
  // which takes the range back when it is consulted; so a reference from
  // box() must not be written to after the next redraw or lookup.
  struct BoxChanges {
    int first = std::numeric_limits<int>::max();
    int last = 0;
    bool any() const { return first <= last; }
  };
  BoxChanges takeBoxChanges() { return std::exchange(boxChanges_, BoxChanges{}); }

  void setObserver(DatabaseObserver* o) { observer_ = o; }
  DatabaseObserver* observer() const { return observer_; }

  // Holds back drawing of added items; the observer hears one bulkChanged
  // at the end. Nests.
  class BulkAdd {
   public:
    explicit BulkAdd(LayoutDatabase& db);
    ~BulkAdd();
    BulkAdd(const BulkAdd&) = delete;
    BulkAdd& operator=(const BulkAdd&) = delete;

   private:
    LayoutDatabase& db_;
    bool saved_;
  };

 private:
  void noteBoxChange(int first, int last) {
    if (first < boxChanges_.first) boxChanges_.first = first;
    if (last > boxChanges_.last) boxChanges_.last = last;
  }
  static std::size_t clampLayer(int l) { return (l >= 1 && l <= kLayerCount) ? static_cast<std::size_t>(l) : 0; }
  std::vector<LayoutBox> boxes_;     // entry 0 unused
  std::vector<LayoutLabel> labels_;  // entry 0 unused
  std::vector<RlcSymbol> rlcs_;      // entry 0 unused
  std::vector<nodeBaseRecord> nodes_;
  Rect bbox_{-15, -15, 50, 50};
  std::array<int, kLayerCount + 1> layerFirst_{};
  std::array<int, kLayerCount + 1> layerLast_{};
  DatabaseObserver* observer_ = nullptr;
  BoxChanges boxChanges_;
  std::uint64_t generation_ = 0;
  void positionsMoved() {
    ++generation_;
    undoKind = kUndoNone;
  }
};

}  // namespace quill
