// How often this process has asked the system to flush a file to the disk (fsync and fdatasync,
// counted on their way to the C library), so that a test can show a step of the GUI thread waits
// on no disk. Only the calls tests count: the counting functions live in their executable.
#pragma once

#include <cstdint>

namespace qav::test {

uint64_t DiskFlushCount();

}  // namespace qav::test
