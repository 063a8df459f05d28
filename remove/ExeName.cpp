#include <string>

#include "remove/KillProcess.h"
#include "sys/AsciiCase.h"

namespace kr8 {

bool ExeNameMatches(const std::string& exeFile, const std::string& exeName) {
    const std::string::size_type slash = exeFile.find_last_of("\\/");
    const std::string fileName = slash == std::string::npos ? exeFile : exeFile.substr(slash + 1);
    return !exeName.empty() && EqualsIgnoringAsciiCase(fileName, exeName);
}

}  // namespace kr8
