#include "sys/TrailingBackslashes.h"

namespace kr8 {

std::string WithoutTrailingBackslashes(std::string path) {
    while (!path.empty() && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

}  // namespace kr8
