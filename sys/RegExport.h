// A backup's view of the registry, on the registry seam's raw enumeration: one reader for every
// registry the program works on.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sys/EllReg.h"
#include "sys/RegFile.h"

namespace kr8 {

// The key and every key under it, each before its sub-keys, with all their values. Nothing when
// any part of it could not be read whole: a backup must not leave out what it cannot see.
std::optional<std::vector<RegKeyBytes>> ExportKey(EllReg& reg, RegRoot root,
                                                  const std::string& keyPath);

}  // namespace kr8
