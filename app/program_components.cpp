#include "app/program_components.h"

CAppComponents ProgramComponents() {
  CAppComponents components;
  // Every part still comes from app/null_parts.h until its subsystem is part of the build.
  return components;
}
