#include <cctype>
#include <string>

#include "remove/KillProcess.h"

namespace kr8 {

bool ExeNameMatches(const std::string& exeFile, const std::string& exeName) {
    const std::string::size_type slash = exeFile.find_last_of("\\/");
    const std::string fileName = slash == std::string::npos ? exeFile : exeFile.substr(slash + 1);
    if (exeName.empty() || fileName.size() != exeName.size()) {
        return false;
    }
    for (std::string::size_type i = 0; i < exeName.size(); ++i) {
        const auto a = static_cast<unsigned char>(fileName[i]);
        const auto b = static_cast<unsigned char>(exeName[i]);
        if (std::tolower(a) != std::tolower(b)) {
            return false;
        }
    }
    return true;
}

}  // namespace kr8
