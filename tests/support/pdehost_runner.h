// pdehost run as a user runs it: the build's program (or the one VN_PDEHOST
// names, with the plug-ins beside it), its standard input given, its output
// and error collected, stopped when it overruns.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct PdehostCall {
  std::vector<std::string> args;  // after --plugins (and --ppd)
  std::string input;              // standard input
  // Adds --ppd with the sample PPD unless args give --ppd or --printer.
  bool samplePpd = true;
  // Standard error into `out`, in the order written; else into `err`.
  bool mergeErr = false;
  double timeoutSeconds = 20;
};

struct PdehostRun {
  // The exit code; 128 + N when signal N ended it; 124 when it overran and
  // was stopped; -1 when it could not start.
  int status = -1;
  std::string out, err;
  double seconds = 0;  // wall time of the run
};

PdehostRun RunPdehost(const PdehostCall& call);
inline PdehostRun RunPdehost(std::vector<std::string> args) {
  PdehostCall call;
  call.args = std::move(args);
  return RunPdehost(call);
}

// The program RunPdehost starts, and the plug-in folder it hands it.
std::string PdehostPath();
std::string PdehostPluginDir();

}  // namespace testsupport
