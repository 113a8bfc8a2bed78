// The inverter ring both engine benchmarks run: stage i drives stage i+1,
// nodes 2.. are the stage outputs (added by the caller).
#pragma once
#include "sim/Engine.h"

namespace quill::bench {

inline void addRingInverters(ExtractedCircuit& circuit, double lambda, int stages) {
  for (int i = 0; i < stages; ++i) {
    const int in = 2 + i, out = 2 + (i + 1) % stages;
    for (Polarity p : {Polarity::N, Polarity::P}) {
      MosDevice d;
      d.width = p == Polarity::N ? 6 : 12;
      d.length = 2;
      d.gate = in;
      d.nodeA = out;
      d.nodeB = p == Polarity::N ? 0 : 1;
      d.bulk = d.nodeB;
      d.widthMetres = d.width * lambda * 1e-6;
      d.effectiveLength = d.length * lambda * 1e-6;
      circuit.table(p).push_back(d);
    }
  }
  circuit.buildDeviceLists();
  circuit.nodes[2].levelLow = 1000;  // an odd ring needs a kick
}

}  // namespace quill::bench
