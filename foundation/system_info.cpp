#include "foundation/system_info.h"

#include <unistd.h>

bool IsUserAdmin() { return geteuid() == 0; }

bool IsComCtl6() { return true; }

int GetScreenColorDepth() { return kScreenColorDepth; }
