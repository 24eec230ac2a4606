// sim-vidralux: the webcam application's stand-in (docs/webcam.md).
#include <cstdio>
#include <string>

#include "sim/vidralux_stand_in.h"

int main(int argc, char** argv) {
  qav::sim::VidraluxStandInOptions options;
  std::string error;
  if (!qav::sim::ParseVidraluxStandInOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "sim-vidralux: %s\n", error.c_str());
    return 64;
  }
  return qav::sim::RunVidraluxStandIn(options);
}
