// The fixed table of 30 mask layers: drawing attributes and the per-layer
// technology fields that rule files set. Layer indices (1..30) identify a
// layer everywhere; files use the two-letter code or the CIF name.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Colour.h"
#include "platform/Surface.h"

namespace quill {

// Layer indices, in table order.
enum Layer : int {
  kOption = 1, kNwell, kDiffp, kDiffn, kContact, kPoly2, kPoly, kMetal, kVia, kMetal2,
  kVia2, kMetal3, kVia3, kMetal4, kVia4, kMetal5, kVia5, kMetal6, kPassiv, kNitride,
  kGatep, kGaten, kPwell, kAarea, kOxyde, kOxyde2, kLocos, kLddn, kLddp, kSpareLayer
};
constexpr int kLayerCount = 30;

// metal level k (1..6) and via level k (1..5: between metal k and k+1)
constexpr int metalLayer(int k) { return k <= 1 ? kMetal : kMetal + 2 * (k - 1); }
constexpr int viaLayer(int k) { return kVia + 2 * (k - 1); }

struct LayerRecord {
  std::string name;
  std::string code;  // two upper-case characters
  std::string tag;   // two characters, "  " when none
  bool isProtected = false;
  std::uint8_t style = 0;  // 0..5, see the view
  bool filled = true;
  Colour colour = 0;
  // technology fields
  double sheetResistance = 0.01;
  double unsalicidedResistance = 1.0;
  double thickness = 0.5;      // µm
  double permittivity = 4.0;
  double height = 1.0;         // µm
  std::string cifName = "ii";
  double cifNumber = 0;        // overetch, µm
  std::int32_t widthRule = 2;
  std::int32_t spacingRule = 2;
  double surfaceCapacitance = 0;    // aF/µm²
  double crosstalkCapacitance = 0;  // aF/µm
  double perimeterCapacitance = 0;  // aF/µm
  double plateCapacitance = 0;      // aF/µm²
  Pattern8 pattern{};
};

class LayerTable {
 public:
  LayerTable();  // the start-up values

  LayerRecord& operator[](int index) { return layers_[clampIndex(index)]; }
  const LayerRecord& operator[](int index) const { return layers_[clampIndex(index)]; }

  // first layer (1..30) whose code equals code exactly; 0 when none
  int findByCode(std::string_view code) const;
  // first layer whose name equals name exactly (case-sensitive); 0 when none
  int findByName(std::string_view name) const;

  static bool validIndex(int index) { return index >= 1 && index <= kLayerCount; }

 private:
  static std::size_t clampIndex(int i) { return validIndex(i) ? static_cast<std::size_t>(i) : 0; }
  std::array<LayerRecord, kLayerCount + 1> layers_;  // entry 0 is empty
};

}  // namespace quill
