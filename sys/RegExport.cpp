#include "sys/RegExport.h"

#include <utility>

namespace kr8 {

namespace {

// Deeper than the registry lets keys nest: a loop the tree cannot have.
constexpr int kDeepestKey = 512;

bool ExportTree(EllReg& reg, RegRoot root, const std::string& path, int depth,
                std::vector<RegKeyBytes>& keys) {
    if (depth > kDeepestKey) {
        return false;
    }
    RegKeyBytes exported{root, path, {}};
    for (std::uint32_t index = 0;; ++index) {
        RegValueBytes value;
        const RegRead read = reg.EnumValue(root, path, index, value);
        if (read == RegRead::End) {
            break;
        }
        if (read == RegRead::Failed) {
            return false;
        }
        exported.values.push_back(std::move(value));
    }
    keys.push_back(std::move(exported));
    // The names first: the sub-trees are read by path.
    std::vector<std::string> names;
    for (std::uint32_t index = 0;; ++index) {
        std::string name;
        const RegRead read = reg.EnumSubKey(root, path, index, name);
        if (read == RegRead::End) {
            break;
        }
        if (read == RegRead::Failed) {
            return false;
        }
        names.push_back(std::move(name));
    }
    for (const std::string& name : names) {
        if (!ExportTree(reg, root, path + "\\" + name, depth + 1, keys)) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<std::vector<RegKeyBytes>> ExportKey(EllReg& reg, RegRoot root,
                                                  const std::string& keyPath) {
    std::vector<RegKeyBytes> keys;
    if (!ExportTree(reg, root, keyPath, 0, keys)) {
        return std::nullopt;
    }
    return keys;
}

}  // namespace kr8
