// Which family of Windows this is: the program runs on the NT family only.
#pragma once

#include <cstdint>

namespace kr8 {

inline constexpr std::int32_t kPlatformWin32s = 0;
inline constexpr std::int32_t kPlatformWindows9x = 1;
inline constexpr std::int32_t kPlatformNT = 2;

class OS_Detect {
  public:
    virtual ~OS_Detect() = default;
    // The platform family code; 0 when the query fails.
    virtual std::int32_t GetPlatformId() = 0;
};

}  // namespace kr8
