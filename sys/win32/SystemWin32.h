// The platform and folder queries through kernel32's wide entry points.
#pragma once

#include "sys/CommonFunction.h"
#include "sys/OS_Detect.h"

namespace kr8 {

class OS_DetectWin32 final : public OS_Detect {
  public:
    std::int32_t GetPlatformId() override;
};

class CommonFunctionWin32 final : public CommonFunction {
  public:
    std::string GetWindowsFolder() override;
    std::string GetSystemFolder() override;
    std::string GetTempFolder() override;
    std::string GetShortPath(const std::string& path) override;
};

}  // namespace kr8
