// The scan of a disk image: each Windows folder of each partition in turn, or of the one named.
#pragma once

#include <optional>
#include <string>

namespace kr8 {

// Prints each report on standard output, headed by its partition and folder when there are
// several, and what could not be read on standard error. *log: the reports, headed alike, for
// the log; empty when nothing could be scanned. The worst of the scans' exit codes.
int ScanImage(const std::string& image, std::optional<int> partition, std::string* log);

}  // namespace kr8
