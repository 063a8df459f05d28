#include <string>
#include <string_view>

#include "remove/KillProcess.h"
#include "sys/AsciiCase.h"

namespace kr8 {

bool ExeNameMatches(const std::string& exeFile, const std::string& exeName) {
    const std::string::size_type slash = exeFile.find_last_of("\\/");
    const std::string_view fileName =
        std::string_view(exeFile).substr(slash == std::string::npos ? 0 : slash + 1);
    return !exeName.empty() && EqualsIgnoringAsciiCase(fileName, exeName);
}

}  // namespace kr8
