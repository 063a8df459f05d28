// Registry access. Every operation opens its key, does one thing and closes it again; no
// failure reaches the caller as more than a false or an empty answer: reads answer kNotFound or
// nothing, deletes stay silent, and a caller learns what a delete did by looking again. Names are
// UTF-8 and may hold any character the registry allows, NULs included: each name is addressed
// exactly as it was enumerated.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kr8 {

enum class RegRoot : std::uint32_t {
    CurrentUser = 0x80000001u,
    LocalMachine = 0x80000002u,
};

namespace RegType {
inline constexpr std::uint32_t None = 0;
inline constexpr std::uint32_t Sz = 1;
inline constexpr std::uint32_t ExpandSz = 2;
inline constexpr std::uint32_t Binary = 3;
inline constexpr std::uint32_t Dword = 4;
inline constexpr std::uint32_t MultiSz = 7;
}  // namespace RegType

// What a single read answers when the value cannot be read. Enumerations never use it as their
// end: the adware is free to name a key or fill a value with exactly this text.
inline constexpr char kNotFound[] = "Not Found";

// Reads and enumerations fetch through buffers of this size; a single read of longer data fails.
inline constexpr std::uint32_t kRegBufferSize = 2048;

struct ValueEntry {
    std::uint32_t type = RegType::None;
    std::string name;
    std::string data;  // as text, see RegDataText
};

// A value exactly as the registry holds it: its type, and its data byte for byte.
struct RegValueBytes {
    std::string name;  // UTF-8; empty for the key's default value
    std::uint32_t type = RegType::None;
    std::string bytes;
    bool operator==(const RegValueBytes& o) const {
        return name == o.name && type == o.type && bytes == o.bytes;
    }
};

// One step of a raw enumeration: an item, the end, or a failure, which a backup must not take
// for the end.
enum class RegRead { Item, End, Failed };

// A key can be a link to any other key. The program's own reads follow it, as every other
// program's do; what a delete removes, and so what a backup keeps, is the link key itself.
enum class RegLink { Follow, Open };

// A back end supplies the raw operations, data byte for byte as the registry holds them; the
// text the scan reads and the report shows is made from them here, once for every back end.
class EllReg {
  public:
    virtual ~EllReg() = default;

    // The sub-key or value at index, whole, however long its name or data. Failed when the key
    // or the item cannot be read whole.
    virtual RegRead SubKeyAt(RegRoot root, const std::string& keyPath, RegLink link,
                             std::uint32_t index, std::string& name) = 0;
    virtual RegRead ValueAt(RegRoot root, const std::string& keyPath, RegLink link,
                            std::uint32_t index, RegValueBytes& value) = 0;
    // One value by its name, its data byte for byte, however long; nothing when it cannot be read.
    virtual std::optional<RegValueBytes> QueryValue(RegRoot root, const std::string& keyPath,
                                                    const std::string& valueName) = 0;

    // Creates the key, and the keys above it, when missing.
    virtual bool CreateKey(RegRoot root, const std::string& keyPath) = 0;
    // Writes the value into an existing key exactly: its name, type and bytes.
    virtual bool SetValue(RegRoot root, const std::string& keyPath, const RegValueBytes& value) = 0;

    // Removes the key with all its sub-keys and values.
    virtual void DeleteRegKey(RegRoot root, const std::string& keyPath) = 0;
    virtual void DeleteRegValue(RegRoot root, const std::string& keyPath,
                                const std::string& valueName) = 0;

    // Whether the key, or the value in it, is there now. Only the registry's answer that it is
    // not counts as gone: a key that cannot be opened for another reason (a denied access)
    // counts as there, and no read can tell that apart from a failure.
    virtual bool KeyExists(RegRoot root, const std::string& keyPath) = 0;
    virtual bool ValueExists(RegRoot root, const std::string& keyPath,
                             const std::string& valueName) = 0;

    // The value's data as text (RegDataText with hex binary, trailing blanks trimmed), or
    // kNotFound when it cannot be read or is longer than kRegBufferSize as text.
    std::string ReadRegValue(RegRoot root, const std::string& keyPath,
                             const std::string& valueName);

    // Creates the key when missing and writes the text as a REG_SZ with its terminating NUL.
    void WriteRegValue(RegRoot root, const std::string& keyPath, const std::string& valueName,
                       const std::string& value);

    // The sub-key at index, or nothing once there are no more (or the key cannot be opened).
    // Names of any length and content are returned as they are.
    std::optional<std::string> GetSubKeyName(RegRoot root, const std::string& keyPath,
                                             std::int32_t index);

    // The value at index, however long, its data as text (RegDataText with binary as
    // characters), or nothing once there are no more.
    std::optional<ValueEntry> GetValueEntry(RegRoot root, const std::string& keyPath,
                                            std::int32_t index);

    // For a backup, which must leave out nothing it cannot see: the sub-key or value at index as
    // the registry holds it, of a link key the link itself.
    RegRead EnumSubKey(RegRoot root, const std::string& keyPath, std::uint32_t index,
                       std::string& name) {
        return SubKeyAt(root, keyPath, RegLink::Open, index, name);
    }
    RegRead EnumValue(RegRoot root, const std::string& keyPath, std::uint32_t index,
                      RegValueBytes& value) {
        return ValueAt(root, keyPath, RegLink::Open, index, value);
    }
};

}  // namespace kr8
