// Removal of the virtual audio cable driver, "QAV Virtual Cable", that an earlier setup may have
// installed. The program does not use it; started with "/removeqavvac" it removes it once and ends.
//
// The cable's own driver manager ("mmdrvmgr.exe" in the program's folder) unregisters the device;
// then the driver's registry entries under HKEY_LOCAL_MACHINE are deleted one by one. Only a
// failing driver manager stops the removal; every other step is tried whatever the earlier ones
// did. Nothing is shown to the user: each step logs its outcome ("Removed OK: ..." at INFO,
// "Failed Remove: ..." at WARNING) under the source name "QAVVAC".
#pragma once

#include <string_view>

#include "platform/registry_store/registry_store.h"

// 1 when the last step, the wave-mapper key, was removed (or was not there); else 0.
int RemoveVirtualCableDriver();

// The same with the program folder (ending in "/") and the registry store given.
int RemoveVirtualCableDriver(std::u16string_view programFolder, const qav::RegistryStore& store);
