// Restarting the machine.
#pragma once

namespace kr8 {

inline constexpr unsigned kEwxReboot = 2;
inline constexpr unsigned kEwxForce = 4;

constexpr unsigned RestartFlags(bool force) {
    return force ? kEwxReboot | kEwxForce : kEwxReboot;
}

class ShutDownNT {
  public:
    virtual ~ShutDownNT() = default;
    // Asks the system to restart, closing running programs by force when force is set. Returns
    // after asking; a refusal is not reported.
    virtual void RebootWindows(bool force) = 0;
};

}  // namespace kr8
