// Time for the handlers: the caption throttle reads it, the pauses after a removal block on it.
#pragma once

#include <cstdint>

namespace kr8 {

class Clock {
  public:
    virtual ~Clock() = default;
    // Milliseconds from an arbitrary start; never goes back.
    virtual std::uint64_t NowMs() = 0;
    // Blocks the calling thread, window included.
    virtual void Pause(unsigned milliseconds) = 0;
};

// The process's steady clock.
Clock& SteadyClock();

}  // namespace kr8
