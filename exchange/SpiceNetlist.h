// The SPICE netlist of the extracted circuit, for an external circuit
// simulator: the supply and the input sources of the labels, the node
// names, the MOS devices, the node and coupling capacitances, the R, L and C
// symbols, the model cards of the kinds in use and the transient analysis.
// The netlist describes the circuit our own simulator sees; writing it
// changes nothing in the circuit or the layout.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/LayoutDatabase.h"
#include "core/TechnologyRules.h"
#include "platform/StatusMessage.h"
#include "verify/Circuit.h"
#include "verify/Extract.h"

namespace quill {

// "pspice" ends with a transient analysis a batch simulator runs;
// "winspice" with the interactive run and plot lines of that flavour.
enum class SpiceFlavour { Pspice, Winspice };

struct SpiceRequest {
  double tsim = 1e-8;       // s, the simulation length
  double timeStep = 1e-11;  // s, the run's step: sampled sources follow it
  SpiceFlavour flavour = SpiceFlavour::Pspice;
  bool lateralCouplings = false, verticalCouplings = false;
  // random steps and noise are drawn as a simulation run with this seed draws them
  std::uint64_t seed = 1;
};

struct SpiceNetlist {
  std::vector<std::string> lines;  // CP1252, without line ends
  int nmos = 0, pmos = 0;          // device lines written
};

struct SpiceResult {
  bool written = false;
  std::string fileName;
  std::string message;  // the closing status text
  int ioError = 0;      // the file layer's code when the file could not be written
};

// The layout's name with the text from the last dot of its file name on
// replaced by ".CIR" (".CIR" appended when the file name has no dot).
std::string spiceFileName(const std::string& layoutFileName);

// The netlist text. extraction is the outcome of the run that filled the
// circuit: when it did not complete, the netlist says so at the top.
SpiceNetlist buildSpiceNetlist(const LayoutDatabase& db, const TechnologyRules& tech, const ExtractedCircuit& circuit,
                               const ExtractResult& extraction, const SpiceRequest& request);

// Writes the netlist to outputName (spiceFileName of the layout's name when
// empty), reporting on status panel 0. The previous file stays whole when
// the new one cannot be written.
SpiceResult writeSpiceNetlist(const LayoutDatabase& db, const TechnologyRules& tech, const ExtractedCircuit& circuit,
                              const ExtractResult& extraction, const SpiceRequest& request, StatusMessage& status,
                              const std::string& outputName = "");

}  // namespace quill
