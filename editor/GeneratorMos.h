// The multi-finger MOS device generator and its on-current estimate.
//
// Contact columns and gates alternate along x; the metal strips of the
// columns reach alternately below and above the device by R502 (sources one
// way, drains the other). The device is drawn so that it passes the design
// rules whatever the technology: the channel keeps the asked width, a
// channel narrower than a contact cell gets one diffusion box per contact
// column (a dog-bone), the finger pitch leaves room for the columns' metal,
// and the well and the option box enclose every diffusion box.
#pragma once
#include <cstdint>
#include <string>

#include "editor/Generator.h"
#include "sim/MosModel.h"

namespace quill {

enum class MosKind : std::uint8_t { N, P, FloatingN };

struct MosRequest {
  std::int64_t w = 10, l = 2;  // lambda
  std::int64_t fingers = 1;
  MosKind kind = MosKind::N;
  bool polarization = false;  // a contact column to the bulk on the left
  int option = 0;             // option set 0..3 (MOS1..MOS4)
};

// more fingers than the box table could ever hold are refused
constexpr std::int64_t kMaxMosFingers = kMaxBoxes / 3;

// The drawn gate length: L, at least the poly width R301, and for a floating
// gate at least the second poly's width R311 (it covers the gate exactly).
std::int64_t mosDrawnLength(const TechnologyRules& tech, const MosRequest& d);

// The device with its first gate's lower-left corner at (x, y) and its
// diffusion starting at x. False (see the generator's status) when it could
// not be placed whole.
bool AddMosDevice(LayoutGenerator& g, const MosRequest& d, std::int64_t x, std::int64_t y);

// The drain current of the fully conducting device, in mA (magnitude), with
// the model level given: gate and drain at the supply for an nMOS, at 0 V
// for a pMOS; the option set is the model variant and the third one runs
// from HVDD.
double mosImax(const TechnologyRules& tech, MosModelLevel level, const MosRequest& d);
// "Imax:" then the value in mA, F(x, 5, 3), then "mA"
std::string imaxCaption(double milliAmps);

}  // namespace quill
