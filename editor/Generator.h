// The layout primitives shared by the generator window, the palette's contact
// button and both compilers: contact arrays, via stacks, bonding pads, supply
// rings and meshes, polarization rings. Every dimension comes from the
// technology, so the same call gives rule-clean layout in every process.
//
// A primitive never raises: it returns false and leaves the reason in
// status() / refusal(). Where the box table fills, it stops at the first
// refused box (what was added stays, so the caller's undo mark removes it);
// the caller reports once, with failureText(). Levels above the technology's
// top metal are left out silently, as everywhere in the generators.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/LayoutDatabase.h"
#include "core/TechnologyRules.h"

namespace quill {

enum class GenStatus : std::uint8_t { Ok, TableFull, Refused };

// A generated box that was only recorded (previews, rubber shapes, tests).
struct GeneratedBox {
  std::int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // normalised
  int layer = 0;
  std::int32_t value = 0;
  bool operator==(const GeneratedBox&) const = default;
};

// Contact array rules of one kind: cut size a, spacing b, enclosure c, layers.
struct ContactKindRules {
  std::int64_t a = 0, b = 0, c = 0;
  int lower = 0, cut = 0, upper = 0;
};
// false for a kind that is not diffp, diffn, poly, poly2 or metal2..metal6
bool contactKindRules(const TechnologyRules& tech, int kind, ContactKindRules& out);

// metal level 1..6 of a metal layer, 0 for any other layer
int metalLevelOf(int layer);
// the top metal's level: 2 for META of 2 or fewer, up to 6
int topMetalLevel(const TechnologyRules& tech);
// minimum width of a layer's boxes (its width rule), 0 when it has none
std::int32_t widthRuleOf(const TechnologyRules& tech, int layer);

constexpr Rect kEmptyExtent{32000, 32000, -32000, -32000};

class LayoutGenerator {
 public:
  // boxes go into db
  LayoutGenerator(LayoutDatabase& db, const TechnologyRules& tech);
  // boxes are only recorded into preview
  LayoutGenerator(const TechnologyRules& tech, std::vector<GeneratedBox>& preview);

  const TechnologyRules& tech() const { return tech_; }
  LayoutDatabase* database() const { return db_; }

  // nx cuts along x and ny along y, centre of the first cut at (x, y),
  // growing right and up; kind diffp, diffn, poly, poly2 (contact to metal)
  // or metal2..metal6 (via from the metal below)
  bool AddContactArray(std::int64_t x, std::int64_t y, std::int64_t nx, std::int64_t ny, int kind);
  bool AddContact(std::int64_t x, std::int64_t y, int kind) { return AddContactArray(x, y, 1, 1, kind); }
  // single contacts from layer `from` (nwell, diffn, diffp, poly, poly2 or a
  // metal) up to the metal layer `to`
  bool AddViaStack(std::int64_t x, std::int64_t y, int from, int to);
  // a pad centred on (x, y) around a passivation opening of `size` lambda
  bool AddBondingPad(std::int64_t x, std::int64_t y, std::int64_t size);
  // four strips of `width` along the inside of the rectangle on a metal
  // layer, with 2 x 2 vias in the corners down to metal
  bool AddSupplyRing(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, int layer,
                     std::int64_t width);
  // horizontal bars `pitch` apart joined by vertical pieces
  bool AddSupplyMesh(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, int layer,
                     std::int64_t pitch);
  // a ring of metal over diffusion with its contacts around an array of nx
  // by ny cuts at (x, y); ringKind 1: n+ ring in an nwell, 2: p+ ring;
  // omittedSide 0 none, 1 north, 2 south, 3 east, 4 west (that side keeps
  // one contact and no metal)
  bool AddPolarizationRing(std::int64_t x, std::int64_t y, std::int64_t nx, std::int64_t ny, int ringKind,
                           int omittedSide);

  // one box, after the range check; the building block of every generator
  bool put(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, int layer, std::int32_t value = 0);
  // refuses with a message (for the generators built on these primitives)
  bool refuse(std::string message);

  // the result of the last outermost call
  GenStatus status() const { return status_; }
  const std::string& refusal() const { return refusal_; }
  bool failed() const { return status_ != GenStatus::Ok; }
  // back to Ok before a composite operation of several calls
  void clearStatus();

  // boxes of the last AddContactArray, and the last ring (the pad ring joins
  // its parts with them)
  Rect contactExtent = kEmptyExtent;
  Rect ringExtent = kEmptyExtent;

  // Wc and Pc of the technology
  std::int64_t contactCell() const;
  std::int64_t contactPitch() const;

  // Groups several primitive calls into one element: the status is reset
  // when the outermost operation starts, so a failure inside stays visible
  // to the end of the element.
  class Operation {
   public:
    explicit Operation(LayoutGenerator& g) : g_(g) {
      if (g_.depth_++ == 0) g_.clearStatus();
    }
    ~Operation() { --g_.depth_; }
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

   private:
    LayoutGenerator& g_;
  };

 private:
  using Call = Operation;

  LayoutDatabase* db_ = nullptr;
  std::vector<GeneratedBox>* preview_ = nullptr;
  const TechnologyRules& tech_;
  GenStatus status_ = GenStatus::Ok;
  std::string refusal_;
  int depth_ = 0;
  Rect* tracking_ = nullptr;  // extent widened by every box put
};

// What a caller shows once for a failed element: "Box table full: " what
// " not placed", or the refusal; empty when nothing failed.
std::string failureText(const LayoutGenerator& g, std::string_view what);

}  // namespace quill
