#include "sys/hive/HiveRegistry.h"

#include <fcntl.h>
#include <hivex.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "sys/AsciiCase.h"
#include "sys/RegFile.h"
#include "sys/posix/FdIo.h"
#include "sys/posix/PosixHandles.h"

namespace kr8 {

namespace {

constexpr char kSoftwareRoot[] = "SOFTWARE";
// The base block, and where in it the length of the bins that follow it is held.
constexpr std::size_t kBaseBlock = 0x1000;
constexpr std::size_t kBinsLengthAt = 0x28;
// hivex reads some records past the end of their cell without looking: the fixed fields of a key,
// the segment list of a long value (up to 65,535 offsets of 4 bytes). Zeros after the hive keep
// such a read in memory of ours, where it finds no cell and fails. hivex stops reading bins at
// the length the base block gives, before them.
constexpr std::size_t kOverreadMargin = 4 * 0x10000 + 0x1000;

struct HiveTraits {
    using Handle = hive_h*;
    static Handle Empty() { return nullptr; }
    static bool IsEmpty(Handle h) { return h == nullptr; }
    static void Close(Handle h) { hivex_close(h); }
};
using UniqueHive = UniqueOwner<HiveTraits>;

std::uint32_t LittleEndian32(const std::string& bytes, std::size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::string AsciiFolded(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), AsciiLower);
    return name;
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
    UniqueHive h;
    std::size_t ownLength = 0;  // of the hive's own bytes, before the margin

    // A key's sub-keys or values as far as they could be read, with indexes of their names.
    struct Listing {
        std::vector<std::size_t> items;  // hive_node_h or hive_value_h
        std::vector<std::string> names;
        std::unordered_map<std::string, std::size_t> exact, folded;
        bool whole = true;

        void Add(std::size_t item, std::string name) {
            // emplace keeps the first of equal names.
            exact.emplace(name, items.size());
            folded.emplace(AsciiFolded(name), items.size());
            items.push_back(item);
            names.push_back(std::move(name));
        }
        // The name as the system holds it, else the first that matches without regard to case,
        // as Windows looks names up.
        std::optional<std::size_t> Find(const std::string& name) const {
            auto at = exact.find(name);
            if (at == exact.end()) {
                at = folded.find(AsciiFolded(name));
                if (at == folded.end()) {
                    return std::nullopt;
                }
            }
            return at->second;
        }
    };
    std::unordered_map<hive_node_h, Listing> subKeys, values;
    // Each key reached so far: its parent and its name. A key lists only keys not yet here.
    struct Place {
        hive_node_h parent;
        std::string name;
    };
    std::unordered_map<hive_node_h, Place> places;
    std::vector<std::string> problems;
    std::unordered_set<std::string> problemsSeen;

    hive_node_h Root() const { return hivex_root(h.get()); }

    // After any write: hivex may have moved every list.
    void Forget() {
        subKeys.clear();
        values.clear();
        places.clear();
        places[Root()] = Place{0, kSoftwareRoot};
    }

    void Problem(std::string text) {
        if (problemsSeen.insert(text).second) {
            problems.push_back(std::move(text));
        }
    }

    std::string PathText(hive_node_h node) const {
        std::vector<const std::string*> names;
        for (auto at = places.find(node); at != places.end(); at = places.find(at->second.parent)) {
            names.push_back(&at->second.name);
        }
        std::string path;
        for (auto name = names.rbegin(); name != names.rend(); ++name) {
            path += (path.empty() ? "" : "\\") + **name;
        }
        return RegKeyText(RegRoot::LocalMachine, path);
    }

    std::optional<std::string> NodeName(hive_node_h node) const {
        const Malloced<char> name(hivex_node_name(h.get(), node));
        if (!name) {
            return std::nullopt;
        }
        return std::string(name.get(), hivex_node_name_len(h.get(), node));
    }
    std::optional<std::string> ValueName(hive_value_h value) const {
        const Malloced<char> name(hivex_value_key(h.get(), value));
        if (!name) {
            return std::nullopt;
        }
        return std::string(name.get(), hivex_value_key_len(h.get(), value));
    }

    const Listing& SubKeys(hive_node_h node) {
        const auto cached = subKeys.find(node);
        if (cached != subKeys.end()) {
            return cached->second;
        }
        Listing list;
        const Malloced<hive_node_h> children(hivex_node_children(h.get(), node));
        list.whole = static_cast<bool>(children);
        if (!children) {
            Problem("Could not read the sub-keys of " + PathText(node));
        }
        for (std::size_t i = 0; children && children.get()[i] != 0; ++i) {
            const hive_node_h child = children.get()[i];
            std::optional<std::string> name = NodeName(child);
            if (!name) {
                list.whole = false;
                Problem("Could not read the name of a sub-key of " + PathText(node));
                break;
            }
            // The root, a key listed twice, or one reached already: a loop or a shared key,
            // whose sub-trees a walk would read again and again.
            if (!places.emplace(child, Place{node, *name}).second) {
                list.whole = false;
                Problem("The sub-keys of " + PathText(node) +
                        " name a key twice, or one that stands elsewhere in the hive too");
                break;
            }
            list.Add(child, std::move(*name));
        }
        return subKeys.emplace(node, std::move(list)).first->second;
    }

    const Listing& Values(hive_node_h node) {
        const auto cached = values.find(node);
        if (cached != values.end()) {
            return cached->second;
        }
        Listing list;
        const Malloced<hive_value_h> found(hivex_node_values(h.get(), node));
        list.whole = static_cast<bool>(found);
        if (!found) {
            Problem("Could not read the values of " + PathText(node));
        }
        for (std::size_t i = 0; found && found.get()[i] != 0; ++i) {
            std::optional<std::string> name = ValueName(found.get()[i]);
            if (!name) {
                list.whole = false;
                Problem("Could not read the name of a value of " + PathText(node));
                break;
            }
            list.Add(found.get()[i], std::move(*name));
        }
        return values.emplace(node, std::move(list)).first->second;
    }

    // The value at index of the key's list, whole; nothing, and a problem, when its data
    // cannot be read.
    std::optional<RegValueBytes> Value(hive_node_h node, std::size_t index) {
        const Listing& list = Values(node);
        RegValueBytes value;
        value.name = list.names[index];
        hive_type type = hive_t_none;
        std::size_t length = 0;
        const Malloced<char> bytes(hivex_value_value(h.get(), list.items[index], &type, &length));
        if (!bytes) {
            Problem("Could not read the value \"" + value.name + "\" of " + PathText(node));
            return std::nullopt;
        }
        // Any 32 bits, most of them no hive_type: its bytes are taken, never its value.
        static_assert(sizeof type == sizeof value.type);
        std::memcpy(&value.type, &type, sizeof value.type);
        value.bytes.assign(bytes.get(), length);
        return value;
    }

    std::optional<RegValueBytes> Value(hive_node_h node, const std::string& name) {
        const std::optional<std::size_t> index = node != 0 ? Values(node).Find(name) : std::nullopt;
        return index ? Value(node, *index) : std::nullopt;
    }
};

HiveCheck CheckHiveFile(const std::string& path) {
    const std::optional<std::string> base = ReadRegularFile(path);
    return base ? CheckHiveBytes(*base) : HiveCheck::Missing;
}

HiveCheck CheckHiveBytes(const std::string& bytes) {
    if (bytes.size() < 12 || bytes.compare(0, 4, "regf") != 0) {
        return HiveCheck::NotAHive;
    }
    return LittleEndian32(bytes, 4) == LittleEndian32(bytes, 8) ? HiveCheck::Usable
                                                                : HiveCheck::PendingChanges;
}

std::unique_ptr<HiveRegistry> HiveRegistry::FromBytes(const std::string& bytes, bool writable) {
    if (bytes.size() < kBaseBlock ||
        LittleEndian32(bytes, kBinsLengthAt) > bytes.size() - kBaseBlock) {
        return nullptr;
    }
    // hivex opens hives by name only: the bytes go to an anonymous file of this process, or
    // where the kernel has no memfd, to a temporary file that no name reaches.
    UniqueFd memory(memfd_create("hive", MFD_CLOEXEC));
    if (!memory) {
        const char* tmp = std::getenv("TMPDIR");
        memory.reset(open(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp",
                          O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    }
    if (!memory) {
        return nullptr;
    }
    if (!WriteAll(memory.get(), bytes) ||
        ftruncate(memory.get(), static_cast<off_t>(bytes.size() + kOverreadMargin)) != 0) {
        return nullptr;
    }
    auto hive = std::make_unique<Hive>();
    hive->ownLength = bytes.size();
    const std::string name = "/proc/self/fd/" + std::to_string(memory.get());
    hive->h.reset(hivex_open(name.c_str(), writable ? HIVEX_OPEN_WRITE : 0));
    if (!hive->h) {
        return nullptr;
    }
    hive->Forget();
    return std::unique_ptr<HiveRegistry>(new HiveRegistry(std::move(hive)));
}

std::unique_ptr<HiveRegistry> HiveRegistry::Open(const std::string& path, bool writable) {
    const std::optional<std::string> bytes = ReadRegularFile(path);
    return bytes ? FromBytes(*bytes, writable) : nullptr;
}

HiveRegistry::HiveRegistry(std::unique_ptr<Hive> hive) : hive_(std::move(hive)) {}
HiveRegistry::~HiveRegistry() = default;

const std::vector<std::string>& HiveRegistry::Problems() const {
    return hive_->problems;
}

std::size_t HiveRegistry::Node(RegRoot root, const std::string& keyPath) {
    const std::vector<std::string> names = NamesIn(keyPath);
    if (root != RegRoot::LocalMachine || names.empty() ||
        !EqualsIgnoringAsciiCase(names.front(), kSoftwareRoot)) {
        return 0;
    }
    hive_node_h node = hive_->Root();
    for (std::size_t i = 1; i < names.size() && node != 0; ++i) {
        const Hive::Listing& list = hive_->SubKeys(node);
        const std::optional<std::size_t> index = list.Find(names[i]);
        node = index ? list.items[*index] : 0;
    }
    return node;
}

RegRead HiveRegistry::SubKeyAt(RegRoot root, const std::string& keyPath, RegLink,
                               std::uint32_t index, std::string& name) {
    const hive_node_h node = Node(root, keyPath);
    if (node == 0) {
        return RegRead::Failed;
    }
    const Hive::Listing& list = hive_->SubKeys(node);
    if (index < list.names.size()) {
        name = list.names[index];
        return RegRead::Item;
    }
    return list.whole ? RegRead::End : RegRead::Failed;
}

RegRead HiveRegistry::ValueAt(RegRoot root, const std::string& keyPath, RegLink,
                              std::uint32_t index, RegValueBytes& value) {
    const hive_node_h node = Node(root, keyPath);
    if (node == 0) {
        return RegRead::Failed;
    }
    const Hive::Listing& list = hive_->Values(node);
    if (index >= list.items.size()) {
        return list.whole ? RegRead::End : RegRead::Failed;
    }
    std::optional<RegValueBytes> read = hive_->Value(node, index);
    if (!read) {
        return RegRead::Failed;
    }
    value = std::move(*read);
    return RegRead::Item;
}

std::optional<RegValueBytes> HiveRegistry::QueryValue(RegRoot root, const std::string& keyPath,
                                                      const std::string& valueName) {
    return hive_->Value(Node(root, keyPath), valueName);
}

void HiveRegistry::DeleteRegKey(RegRoot root, const std::string& keyPath) {
    const hive_node_h node = Node(root, keyPath);
    // The root itself is no key that can go.
    if (node != 0 && node != hive_->Root()) {
        hivex_node_delete_child(hive_->h.get(), node);
        hive_->Forget();
    }
}

void HiveRegistry::DeleteRegValue(RegRoot root, const std::string& keyPath,
                                  const std::string& valueName) {
    const hive_node_h node = Node(root, keyPath);
    const std::optional<std::size_t> gone =
        node != 0 ? hive_->Values(node).Find(valueName) : std::nullopt;
    if (!gone || !hive_->Values(node).whole) {
        return;
    }
    // hivex removes a value only by writing all the others anew, and takes their names as C
    // strings: a kept name it cannot carry whole would be written as another name.
    std::vector<RegValueBytes> kept;
    for (std::size_t i = 0; i != hive_->Values(node).items.size(); ++i) {
        if (i == *gone) {
            continue;
        }
        std::optional<RegValueBytes> value = hive_->Value(node, i);
        if (!value || value->name.find('\0') != std::string::npos) {
            return;
        }
        kept.push_back(std::move(*value));
    }
    std::vector<hive_set_value> set(kept.size());
    for (std::size_t i = 0; i != kept.size(); ++i) {
        set[i].key = kept[i].name.data();
        set[i].t = static_cast<hive_type>(kept[i].type);
        set[i].len = kept[i].bytes.size();
        set[i].value = kept[i].bytes.data();
    }
    hivex_node_set_values(hive_->h.get(), node, set.size(), set.data(), 0);
    hive_->Forget();
}

bool HiveRegistry::KeyExists(RegRoot root, const std::string& keyPath) {
    return Node(root, keyPath) != 0;
}

bool HiveRegistry::ValueExists(RegRoot root, const std::string& keyPath,
                               const std::string& valueName) {
    const hive_node_h node = Node(root, keyPath);
    return node != 0 && hive_->Values(node).Find(valueName).has_value();
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
    const bool added = hivex_node_add_child(hive_->h.get(), Node(root, parent), name.c_str()) != 0;
    hive_->Forget();
    return added;
}

bool HiveRegistry::SetValue(RegRoot root, const std::string& keyPath, const RegValueBytes& value) {
    const hive_node_h node = Node(root, keyPath);
    if (node == 0 || value.name.find('\0') != std::string::npos) {
        return false;
    }
    std::string name = value.name;
    std::string bytes = value.bytes;
    hive_set_value set{name.data(), static_cast<hive_type>(value.type), bytes.size(), bytes.data()};
    const bool written = hivex_node_set_value(hive_->h.get(), node, &set, 0) == 0;
    hive_->Forget();
    return written;
}

bool HiveRegistry::OthersRewritable(RegRoot root, const std::string& keyPath,
                                    const std::string& valueName) {
    const hive_node_h node = Node(root, keyPath);
    if (node == 0) {
        return true;
    }
    const Hive::Listing& list = hive_->Values(node);
    const std::optional<std::size_t> named = list.Find(valueName);
    for (std::size_t i = 0; i != list.names.size(); ++i) {
        if (i != named && list.names[i].find('\0') != std::string::npos) {
            return false;
        }
    }
    return list.whole;
}

bool HiveRegistry::CommitTo(const std::string& path) {
    if (hivex_commit(hive_->h.get(), path.c_str(), 0) != 0) {
        return false;
    }
    // hivex writes the margin too; the hive ends where its bins now end, or where it ended.
    const std::optional<std::string> base = ReadRegularFile(path);
    if (!base || base->size() < kBaseBlock) {
        return false;
    }
    const std::size_t end =
        std::max<std::size_t>(hive_->ownLength, kBaseBlock + LittleEndian32(*base, kBinsLengthAt));
    return truncate(path.c_str(), static_cast<off_t>(end)) == 0;
}

}  // namespace kr8
