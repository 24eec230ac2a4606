// The sheet's services are the program's interface of app/parts/sheet_services.h: the sheet and
// its pages name them by this header, which is theirs to include.
#pragma once

#include "app/parts/sheet_services.h"
