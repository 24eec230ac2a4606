// A test body that needs a medium that fills up: it runs in a child process with a mount namespace
// of its own, where a small tmpfs is mounted on a folder, so nothing outside the child sees it.
// Needs root or the right to make a user namespace.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace qav::test {

// Incompressible bytes, the same for the same seed.
std::string NoiseBytes(size_t count, unsigned seed);

// Mounts a tmpfs of `size` (a mount option such as "64k") on the existing folder `point` and runs
// `body` there; its result is the child's exit code. nullopt when the tmpfs cannot be mounted.
// Why a test skips when RunOnSmallTmpfs gives nullopt.
extern const char* const kNeedsSecondFileSystem;

std::optional<int> RunOnSmallTmpfs(const std::string& point, const std::string& size,
                                   const std::function<int()>& body);

}  // namespace qav::test
