// The scan's second half: the Winlogon Notify sub-keys, the guardian key and the user-agent entry.
#include <cstdint>
#include <string>

#include "scan/AdwarePlaces.h"
#include "scan/Findings.h"
#include "sys/AsciiCase.h"

namespace kr8 {

void ScanRegistry(EllReg& reg, Findings& found) {
    const RegRoot hklm = RegRoot::LocalMachine;
    const std::string notifyKey = place::kNotifyKey;

    for (std::int32_t index = 0;; ++index) {
        const auto name = reg.GetSubKeyName(hklm, notifyKey, index);
        if (!name) {
            break;
        }
        found.notifyKeys.push_back(*name);
        const std::string version =
            reg.ReadRegValue(hklm, notifyKey + *name + "\\", place::kVersionValue);
        if (StartsWithIgnoringAsciiCase(version, place::kGuardianVersionPrefix)) {
            found.guardianKeyName = *name;
        }
    }
    // A name starting with "Guard" wins over any version, so it is looked for last.
    for (const std::string& name : found.notifyKeys) {
        if (StartsWithIgnoringAsciiCase(name, place::kGuardianNamePrefix)) {
            found.guardianKeyName = name;
        }
    }

    for (std::int32_t index = 0;; ++index) {
        auto entry = reg.GetValueEntry(hklm, notifyKey + found.guardianKeyName, index);
        if (!entry) {
            break;
        }
        found.guardianValues.push_back(std::move(*entry));
    }

    for (std::int32_t index = 0;; ++index) {
        auto entry = reg.GetValueEntry(hklm, place::kPostPlatformKey, index);
        if (!entry) {
            break;
        }
        found.userAgent = std::move(*entry);
    }
}

}  // namespace kr8
