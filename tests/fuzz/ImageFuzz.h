// A disk image is the adversary's: its bytes are read here as kr8finder-offline --image reads
// them, by the image fuzz target.
#pragma once

#include <string>

namespace kr8::test {

// The image opened from the bytes, each partition's file system, its Windows folders and the
// scan of each, as the offline program runs it.
void ScanImageAsTheOfflineScanDoes(const std::string& bytes);

}  // namespace kr8::test
