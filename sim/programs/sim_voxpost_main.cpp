// sim-voxpost: the sibling audio application's stand-in (docs/sibling-app.md).
#include <cstdio>
#include <string>

#include "sim/voxpost_desk_stand_in.h"

int main(int argc, char** argv) {
  qav::sim::VoxpostStandInOptions options;
  std::string error;
  if (!qav::sim::ParseVoxpostStandInOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "sim-voxpost: %s\n", error.c_str());
    return 64;
  }
  return qav::sim::RunVoxpostStandIn(options);
}
