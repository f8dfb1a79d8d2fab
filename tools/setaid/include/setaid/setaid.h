#pragma once
// libsetaid: installs and removes the packet driver, that is the service "KEZPacket" recorded in the
// machine hive and the raw-socket capability of the helper kez-rawsock. For installers, run as root.
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define SETAID_EXPORT __attribute__((visibility("default")))

// Installs from "<setupFolder>/KEZPacket.inf". `infName` is kept for callers written for other systems and
// not used, as is `owner`:
// messages go to the process's message-box presenter (standard error unless a program installs another). 0 installed (a
// second install refreshes), -1 failed.
SETAID_EXPORT int32_t InstallPacketDriver(const char* infName, const char* setupFolder, void* owner);
// Does nothing: 0.
SETAID_EXPORT int32_t UninstInitialize(intptr_t, intptr_t, intptr_t);
// Removes when `flag` is non-zero: 0 removed or not installed, -1 failed or `flag` 0.
SETAID_EXPORT int32_t UninstUnInitialize(void* owner, intptr_t, intptr_t flag);

struct SetaidVersion {
    const char* fileVersion;
    const char* productVersion;
    const char* fileDescription;
    const char* internalName;
    const char* originalFilename;
    const char* productName;
};
SETAID_EXPORT const struct SetaidVersion* SetaidVersionInfo(void);

#ifdef __cplusplus
}
#endif
