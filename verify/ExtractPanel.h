// What the extraction options window does, without the window: the
// cleaning, coupling and model choices with the extracted flag they clear,
// and the Extract button with the SPICE file it may write.
#pragma once
#include <functional>
#include <string>

#include "verify/Extract.h"

namespace quill {

// RadioCleaning items in order, and the cleaner mode each stands for
inline constexpr const char* kCleaningItems[4] = {"Purge and Merge      Cycles:", "Purge Only", "Merge Only",
                                                  "Fast Extraction"};
int cleaningModeOfItem(int item);  // 0 -> 0, 1 -> 2, 2 -> 1, 3 -> 3
int cleaningItemOfMode(int mode);
inline constexpr const char* kModelItems[3] = {"Very simple Level 1", "Empirical Level 3", "Advanced BSIM4"};

class ExtractionPanel {
 public:
  ExtractionPanel(LayoutDatabase& db, const TechnologyRules& tech, ExtractionOptions& options,
                  ExtractedCircuit& circuit, Services& services)
      : db_(db), tech_(tech), opt_(options), c_(circuit), sv_(services) {}

  const ExtractionOptions& options() const { return opt_; }
  void setCleaningItem(int item);
  // invalid text keeps the old value
  void setCyclesText(const std::string& text);
  void setGenerateSpice(bool on);
  void setLateralCouplings(bool on);
  void setVerticalCouplings(bool on);
  void setModelItem(int item);
  int modelItem() const { return static_cast<int>(opt_.model); }

  // Writes the SPICE netlist of the extracted circuit to path; false when
  // it could not. Bound by the program that has a netlist writer.
  std::function<bool(const std::string& path)> writeSpice;

  struct Output {
    ExtractResult result;
    std::string spiceFile;  // empty when none was written
    std::string spiceText;  // its lines, LF-separated
  };
  // The Extract button: a fresh extraction, then the SPICE file when asked for.
  Output extract(const ExtractionLimits& limits = {});

  // the layout's name with the extension "CIR"
  std::string spiceFileName() const;

 private:
  LayoutDatabase& db_;
  const TechnologyRules& tech_;
  ExtractionOptions& opt_;
  ExtractedCircuit& c_;
  Services& sv_;
};

}  // namespace quill
