// What a scan without a window answers its caller, so that a script checking many machines can
// count them: the Windows program's /scan and the offline program answer alike.
#pragma once

#include "scan/Findings.h"

namespace kr8 {

inline constexpr int kExitNothingFound = 0;
inline constexpr int kExitFound = 1;
inline constexpr int kExitFailed = 2;

// kExitFailed when a folder was left unchecked, else kExitFound when anything was found.
inline int ExitCodeOf(const Findings& found) {
    // A folder that could not be read or found is no clean machine; the report says which.
    if (!found.Whole()) {
        return kExitFailed;
    }
    return found.AnythingFound() ? kExitFound : kExitNothingFound;
}

}  // namespace kr8
