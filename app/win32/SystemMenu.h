// The command that the window's system menu adds, shared with the automation helper.
#pragma once

namespace kr8::win32 {

// System menu commands keep their low four bits clear and stay below the system's own.
inline constexpr unsigned kRestoreCommand = 0x0710;

}  // namespace kr8::win32
