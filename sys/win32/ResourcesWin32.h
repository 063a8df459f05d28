// The exe's own resources.
#pragma once

#include "sys/Resources.h"

namespace kr8 {

class ResourcesWin32 final : public Resources {
  public:
    std::optional<std::string> CustomResource(int id) override;
};

}  // namespace kr8
