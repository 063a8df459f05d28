// Registry access. Every operation opens its key, does one thing and closes it again; no
// failure reaches the caller: reads answer kNotFound, writes and deletes stay silent, and a
// caller learns what a delete did by looking again. Names are UTF-8 and may hold any character
// the registry allows, NULs included: each name is addressed exactly as it was enumerated.
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

class EllReg {
  public:
    virtual ~EllReg() = default;

    // The value's data as text (RegDataText with hex binary, trailing blanks trimmed), or
    // kNotFound when it cannot be read.
    virtual std::string ReadRegValue(RegRoot root, const std::string& keyPath,
                                     const std::string& valueName) = 0;

    // Creates the key when missing and writes the text as a REG_SZ with its terminating NUL.
    virtual void WriteRegValue(RegRoot root, const std::string& keyPath,
                               const std::string& valueName, const std::string& value) = 0;

    // The sub-key at index, or nothing once the platform has no more (or the key cannot be
    // opened). Names of any length and content are returned as they are.
    virtual std::optional<std::string> GetSubKeyName(RegRoot root, const std::string& keyPath,
                                                     std::int32_t index) = 0;

    // The value at index, however long, or nothing once the platform has no more.
    virtual std::optional<ValueEntry> GetValueEntry(RegRoot root, const std::string& keyPath,
                                                    std::int32_t index) = 0;

    // Removes the key with all its sub-keys and values.
    virtual void DeleteRegKey(RegRoot root, const std::string& keyPath) = 0;

    virtual void DeleteRegValue(RegRoot root, const std::string& keyPath,
                                const std::string& valueName) = 0;

    // For a backup, which must leave out nothing it cannot see. The sub-key or value at index as
    // the registry holds it: a link key is read itself, never the key it points at, as a delete
    // removes it. Failed when the key or the item cannot be read whole.
    virtual RegRead EnumSubKey(RegRoot root, const std::string& keyPath, std::uint32_t index,
                               std::string& name) = 0;
    virtual RegRead EnumValue(RegRoot root, const std::string& keyPath, std::uint32_t index,
                              RegValueBytes& value) = 0;
    // One value by its name, its data byte for byte, however long; nothing when it cannot be read.
    virtual std::optional<RegValueBytes> QueryValue(RegRoot root, const std::string& keyPath,
                                                    const std::string& valueName) = 0;

    // Whether the key, or the value in it, is there now; false when it cannot be opened.
    virtual bool KeyExists(RegRoot root, const std::string& keyPath) = 0;
    virtual bool ValueExists(RegRoot root, const std::string& keyPath,
                             const std::string& valueName) = 0;
};

}  // namespace kr8
