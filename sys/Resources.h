// The program's own stored data.
#pragma once

#include <optional>
#include <string>

namespace kr8 {

class Resources {
  public:
    virtual ~Resources() = default;
    // The bytes of the resource of type "CUSTOM" with this identifier (US English), or nothing.
    virtual std::optional<std::string> CustomResource(int id) = 0;
};

}  // namespace kr8
