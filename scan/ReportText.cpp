#include "scan/ReportText.h"

namespace kr8 {

std::string ShownInReport(const std::string& hostile) {
    std::string shown = hostile;
    for (char& c : shown) {
        if (c == '\0' || c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return shown;
}

}  // namespace kr8
