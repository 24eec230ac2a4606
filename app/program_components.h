// The parts of this build of the program: the real ones that exist, the null ones for the rest.
#pragma once

#include "app/app_components.h"

CAppComponents ProgramComponents();
