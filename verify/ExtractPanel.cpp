#include "verify/ExtractPanel.h"

#include <algorithm>
#include <cmath>

#include "core/ParseValue.h"
#include "core/TextFile.h"

namespace quill {

int cleaningModeOfItem(int item) {
  switch (item) {
    case 1: return 2;
    case 2: return 1;
    case 3: return 3;
    default: return 0;
  }
}

int cleaningItemOfMode(int mode) { return cleaningModeOfItem(mode); }  // the mapping is its own inverse

void ExtractionPanel::setCleaningItem(int item) { opt_.cleaningMode = cleaningModeOfItem(std::clamp(item, 0, 3)); }

void ExtractionPanel::setCyclesText(const std::string& text) {
  bool valid = false;
  const double v = ParseValue(text, opt_.cleaningCycles, 100, 1, valid);
  if (valid) opt_.cleaningCycles = static_cast<int>(std::lround(v));
}

void ExtractionPanel::setGenerateSpice(bool on) {
  opt_.generateSpice = on;
  sv_.status.write(StatusMessage::Main,
                   on ? "Always generate SPICE file after extraction" : "Do not generate SPICE file after extraction");
}

void ExtractionPanel::setLateralCouplings(bool on) {
  if (opt_.lateralCouplings != on) db_.extracted = false;
  opt_.lateralCouplings = on;
}

void ExtractionPanel::setVerticalCouplings(bool on) {
  if (opt_.verticalCouplings != on) db_.extracted = false;
  opt_.verticalCouplings = on;
}

void ExtractionPanel::setModelItem(int item) {
  const auto level = static_cast<MosModelLevel>(std::clamp(item, 0, 2));
  if (opt_.model != level) db_.extracted = false;
  opt_.model = level;
}

std::string ExtractionPanel::spiceFileName() const {
  std::string name = db_.fileName;
  const auto slash = name.find_last_of("/\\");
  const auto dot = name.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) name.erase(dot);
  return name + ".CIR";
}

ExtractionPanel::Output ExtractionPanel::extract(const ExtractionLimits& limits) {
  Output out;
  db_.extracted = false;
  out.result = extractCircuit(db_, tech_, opt_, c_, sv_, limits);
  if (!out.result.ok() || !opt_.generateSpice || !writeSpice) return out;
  const std::string file = spiceFileName();
  if (!writeSpice(file)) return out;
  out.spiceFile = file;
  LineReader r;
  if (r.open(file)) {
    std::string line;
    while (r.next(line)) {
      out.spiceText += line;
      out.spiceText += '\n';
    }
  }
  return out;
}

}  // namespace quill
