#include "sys/hive/HiveRegistry.h"

#include <hivex.h>
#include <sys/mman.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "sys/AsciiCase.h"
#include "sys/posix/PosixHandles.h"
#include "sys/RegText.h"

namespace kr8 {

namespace {

constexpr char kSoftwareRoot[] = "SOFTWARE";
// U+FFFD: the name of a key or value that hivex cannot decode; no lookup ever matches it.
constexpr char kUndecodable[] = "\xEF\xBF\xBD";

std::uint32_t LittleEndian32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The path's key names; empty names (doubled or trailing backslashes) name nothing.
std::vector<std::string> NamesIn(const std::string& path) {
    std::vector<std::string> names;
    std::string name;
    for (char c : path) {
        if (c == '\\') {
            if (!name.empty()) {
                names.push_back(name);
            }
            name.clear();
        } else {
            name += c;
        }
    }
    if (!name.empty()) {
        names.push_back(name);
    }
    return names;
}

}  // namespace

struct HiveRegistry::Hive {
    hive_h* h = nullptr;
    ~Hive() {
        if (h != nullptr) {
            hivex_close(h);
        }
    }

    std::optional<std::string> NodeName(hive_node_h node) const {
        errno = 0;
        const Malloced<char> name(hivex_node_name(h, node));
        if (!name) {
            return std::nullopt;
        }
        return std::string(name.get(), hivex_node_name_len(h, node));
    }
    std::vector<hive_node_h> Children(hive_node_h node) const {
        std::vector<hive_node_h> list;
        const Malloced<hive_node_h> children(hivex_node_children(h, node));
        for (std::size_t i = 0; children && children.get()[i] != 0; ++i) {
            list.push_back(children.get()[i]);
        }
        return list;
    }
    std::vector<hive_value_h> Values(hive_node_h node) const {
        std::vector<hive_value_h> list;
        const Malloced<hive_value_h> values(hivex_node_values(h, node));
        for (std::size_t i = 0; values && values.get()[i] != 0; ++i) {
            list.push_back(values.get()[i]);
        }
        return list;
    }
    std::optional<std::string> ValueName(hive_value_h value) const {
        errno = 0;
        const std::size_t length = hivex_value_key_len(h, value);
        if (errno != 0) {
            return std::nullopt;
        }
        const Malloced<char> name(hivex_value_key(h, value));
        if (!name) {
            return std::nullopt;
        }
        return std::string(name.get(), length);
    }
    struct RawValue : RegValueBytes {
        bool nameReadable = true;  // false: hivex could not decode the name
    };
    RawValue Raw(hive_value_h value) const {
        RawValue raw;
        const std::optional<std::string> name = ValueName(value);
        raw.nameReadable = name.has_value();
        raw.name = name.value_or(kUndecodable);
        hive_type type = hive_t_none;
        std::size_t length = 0;
        const Malloced<char> bytes(hivex_value_value(h, value, &type, &length));
        raw.type = static_cast<std::uint32_t>(type);
        if (bytes) {
            raw.bytes.assign(bytes.get(), length);
        }
        return raw;
    }
    // The name as the system holds it, else the first that matches without regard to case, as
    // Windows looks names up.
    template <typename Item, typename NameOf>
    static std::optional<Item> Named(const std::vector<Item>& items, const std::string& wanted,
                                     NameOf nameOf) {
        std::optional<Item> loose;
        for (Item item : items) {
            const std::optional<std::string> name = nameOf(item);
            if (!name) {
                continue;
            }
            if (*name == wanted) {
                return item;
            }
            if (!loose && EqualsIgnoringAsciiCase(*name, wanted)) {
                loose = item;
            }
        }
        return loose;
    }
    std::optional<hive_value_h> Value(hive_node_h node, const std::string& name) const {
        return Named(Values(node), name, [&](hive_value_h v) { return ValueName(v); });
    }
};

HiveCheck CheckHiveFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return HiveCheck::Missing;
    }
    unsigned char base[12] = {};
    const std::size_t read = std::fread(base, 1, sizeof base, file);
    std::fclose(file);
    if (read != sizeof base || std::string(reinterpret_cast<char*>(base), 4) != "regf") {
        return HiveCheck::NotAHive;
    }
    return LittleEndian32(base + 4) == LittleEndian32(base + 8) ? HiveCheck::Usable
                                                                : HiveCheck::PendingChanges;
}

HiveCheck CheckHiveBytes(const std::string& bytes) {
    if (bytes.size() < 12 || bytes.compare(0, 4, "regf") != 0) {
        return HiveCheck::NotAHive;
    }
    const auto* base = reinterpret_cast<const unsigned char*>(bytes.data());
    return LittleEndian32(base + 4) == LittleEndian32(base + 8) ? HiveCheck::Usable
                                                                : HiveCheck::PendingChanges;
}

std::unique_ptr<HiveRegistry> HiveRegistry::FromBytes(const std::string& bytes, bool writable) {
    // hivex opens hives by name only: the bytes go to an anonymous file of this process.
    const UniqueFd memory(memfd_create("hive", MFD_CLOEXEC));
    if (!memory) {
        return nullptr;
    }
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = write(memory.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return nullptr;
        }
        done += static_cast<std::size_t>(n);
    }
    return Open("/proc/self/fd/" + std::to_string(memory.get()), writable);
}

std::unique_ptr<HiveRegistry> HiveRegistry::Open(const std::string& path, bool writable) {
    auto hive = std::make_unique<Hive>();
    hive->h = hivex_open(path.c_str(), writable ? HIVEX_OPEN_WRITE : 0);
    if (hive->h == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<HiveRegistry>(new HiveRegistry(std::move(hive)));
}

HiveRegistry::HiveRegistry(std::unique_ptr<Hive> hive) : hive_(std::move(hive)) {}
HiveRegistry::~HiveRegistry() = default;

std::size_t HiveRegistry::Node(RegRoot root, const std::string& keyPath) {
    const std::vector<std::string> names = NamesIn(keyPath);
    if (root != RegRoot::LocalMachine || names.empty() ||
        !EqualsIgnoringAsciiCase(names.front(), kSoftwareRoot)) {
        return 0;
    }
    hive_node_h node = hivex_root(hive_->h);
    for (std::size_t i = 1; i < names.size() && node != 0; ++i) {
        node = Hive::Named(hive_->Children(node), names[i], [&](hive_node_h n) {
                   return hive_->NodeName(n);
               }).value_or(0);
    }
    return node;
}

std::string HiveRegistry::ReadRegValue(RegRoot root, const std::string& keyPath,
                                       const std::string& valueName) {
    const hive_node_h node = Node(root, keyPath);
    const std::optional<hive_value_h> value =
        node != 0 ? hive_->Value(node, valueName) : std::nullopt;
    if (!value) {
        return kNotFound;
    }
    const Hive::RawValue raw = hive_->Raw(*value);
    const std::string bytes = RegDataUtf8(raw.type, raw.bytes);
    if (bytes.size() > kRegBufferSize) {
        return kNotFound;
    }
    return TrimTrailingBlanks(RegDataText(raw.type, bytes, BinaryAs::Hex));
}

std::optional<std::string> HiveRegistry::GetSubKeyName(RegRoot root, const std::string& keyPath,
                                                       std::int32_t index) {
    const hive_node_h node = Node(root, keyPath);
    if (node == 0 || index < 0) {
        return std::nullopt;
    }
    const std::vector<hive_node_h> children = hive_->Children(node);
    if (static_cast<std::size_t>(index) >= children.size()) {
        return std::nullopt;
    }
    return hive_->NodeName(children[static_cast<std::size_t>(index)]).value_or(kUndecodable);
}

std::optional<ValueEntry> HiveRegistry::GetValueEntry(RegRoot root, const std::string& keyPath,
                                                      std::int32_t index) {
    const hive_node_h node = Node(root, keyPath);
    if (node == 0 || index < 0) {
        return std::nullopt;
    }
    const std::vector<hive_value_h> values = hive_->Values(node);
    if (static_cast<std::size_t>(index) >= values.size()) {
        return std::nullopt;
    }
    const Hive::RawValue raw = hive_->Raw(values[static_cast<std::size_t>(index)]);
    ValueEntry entry;
    entry.type = raw.type;
    entry.name = raw.name;
    entry.data = RegDataText(raw.type, RegDataUtf8(raw.type, raw.bytes), BinaryAs::Characters);
    return entry;
}

RegRead HiveRegistry::EnumSubKey(RegRoot root, const std::string& keyPath, std::uint32_t index,
                                 std::string& name) {
    const hive_node_h node = Node(root, keyPath);
    if (node == 0) {
        return RegRead::Failed;
    }
    const std::vector<hive_node_h> children = hive_->Children(node);
    if (index >= children.size()) {
        return RegRead::End;
    }
    // A name hivex cannot decode cannot be read back by it either.
    const std::optional<std::string> found = hive_->NodeName(children[index]);
    name = found.value_or(kUndecodable);
    return found ? RegRead::Item : RegRead::Failed;
}

RegRead HiveRegistry::EnumValue(RegRoot root, const std::string& keyPath, std::uint32_t index,
                                RegValueBytes& value) {
    const hive_node_h node = Node(root, keyPath);
    if (node == 0) {
        return RegRead::Failed;
    }
    const std::vector<hive_value_h> values = hive_->Values(node);
    if (index >= values.size()) {
        return RegRead::End;
    }
    const Hive::RawValue raw = hive_->Raw(values[index]);
    value = raw;
    return raw.nameReadable ? RegRead::Item : RegRead::Failed;
}

std::optional<RegValueBytes> HiveRegistry::QueryValue(RegRoot root, const std::string& keyPath,
                                                      const std::string& valueName) {
    const hive_node_h node = Node(root, keyPath);
    const std::optional<hive_value_h> value =
        node != 0 ? hive_->Value(node, valueName) : std::nullopt;
    if (!value) {
        return std::nullopt;
    }
    return RegValueBytes(hive_->Raw(*value));
}

void HiveRegistry::DeleteRegKey(RegRoot root, const std::string& keyPath) {
    const hive_node_h node = Node(root, keyPath);
    // The root itself is no key that can go.
    if (node != 0 && node != hivex_root(hive_->h)) {
        hivex_node_delete_child(hive_->h, node);
    }
}

void HiveRegistry::DeleteRegValue(RegRoot root, const std::string& keyPath,
                                  const std::string& valueName) {
    const hive_node_h node = Node(root, keyPath);
    if (node == 0) {
        return;
    }
    const std::vector<hive_value_h> values = hive_->Values(node);
    const std::optional<hive_value_h> gone = hive_->Value(node, valueName);
    if (!gone) {
        return;
    }
    // hivex removes a value only by writing all the others anew, and takes their names as C
    // strings: a kept name it cannot carry whole would be written as another name.
    std::vector<Hive::RawValue> kept;
    for (hive_value_h value : values) {
        if (value == *gone) {
            continue;
        }
        kept.push_back(hive_->Raw(value));
        if (!kept.back().nameReadable || kept.back().name.find('\0') != std::string::npos) {
            return;
        }
    }
    std::vector<hive_set_value> set(kept.size());
    for (std::size_t i = 0; i != kept.size(); ++i) {
        set[i].key = kept[i].name.data();
        set[i].t = static_cast<hive_type>(kept[i].type);
        set[i].len = kept[i].bytes.size();
        set[i].value = kept[i].bytes.data();
    }
    hivex_node_set_values(hive_->h, node, set.size(), set.data(), 0);
}

bool HiveRegistry::KeyExists(RegRoot root, const std::string& keyPath) {
    return Node(root, keyPath) != 0;
}

bool HiveRegistry::ValueExists(RegRoot root, const std::string& keyPath,
                               const std::string& valueName) {
    const hive_node_h node = Node(root, keyPath);
    return node != 0 && hive_->Value(node, valueName).has_value();
}

bool HiveRegistry::CreateKey(RegRoot root, const std::string& keyPath) {
    const std::vector<std::string> names = NamesIn(keyPath);
    if (Node(root, keyPath) != 0) {
        return true;
    }
    if (names.size() < 2) {
        return false;
    }
    std::string parent;
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        parent += names[i] + "\\";
    }
    const std::string& name = names.back();
    // hivex takes the name as a C string.
    if (!CreateKey(root, parent) || name.find('\0') != std::string::npos) {
        return false;
    }
    return hivex_node_add_child(hive_->h, Node(root, parent), name.c_str()) != 0;
}

bool HiveRegistry::SetValue(RegRoot root, const std::string& keyPath, const RegValueBytes& value) {
    const hive_node_h node = Node(root, keyPath);
    if (node == 0 || value.name.find('\0') != std::string::npos) {
        return false;
    }
    std::string name = value.name;
    std::string bytes = value.bytes;
    hive_set_value set{name.data(), static_cast<hive_type>(value.type), bytes.size(), bytes.data()};
    return hivex_node_set_value(hive_->h, node, &set, 0) == 0;
}

bool HiveRegistry::OthersRewritable(RegRoot root, const std::string& keyPath,
                                    const std::string& valueName) {
    const hive_node_h node = Node(root, keyPath);
    const std::optional<hive_value_h> named =
        node != 0 ? hive_->Value(node, valueName) : std::nullopt;
    for (hive_value_h value : node != 0 ? hive_->Values(node) : std::vector<hive_value_h>{}) {
        const std::optional<std::string> name = hive_->ValueName(value);
        if (value != named && (!name || name->find('\0') != std::string::npos)) {
            return false;
        }
    }
    return true;
}

bool HiveRegistry::CommitTo(const std::string& path) {
    return hivex_commit(hive_->h, path.c_str(), 0) == 0;
}

}  // namespace kr8
