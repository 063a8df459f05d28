// The registry of a Windows that is not running, read from its SOFTWARE hive file through
// libhivex. Only HKEY_LOCAL_MACHINE\SOFTWARE is there: a path "SOFTWARE\..." names a key under
// the hive's root, and any other path (HKEY_CURRENT_USER included) names nothing.
//
// The hive was written by whoever wants to hide in it. Each key's sub-key and value lists are
// read once and kept until the next write, so that reading a key of many thousand sub-keys costs
// what reading them once does; a part that cannot be read is never taken for an empty one, and
// the keys must form a tree: a list that names a key twice, or one that stands elsewhere too,
// reads as a failure rather than as the endless tree it would make.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sys/EllReg.h"

namespace kr8 {

enum class HiveCheck {
    Usable,
    Missing,         // no file there, or it cannot be read
    NotAHive,        // no "regf" base block
    PendingChanges,  // its two sequence numbers differ: changes wait in the .LOG file
};

// Looks at the hive's base block only. hivex reads the primary file alone, so a hive with
// changes still in its log would be read, and written, as it was before them.
HiveCheck CheckHiveFile(const std::string& path);
// The same check of a hive's bytes already read.
HiveCheck CheckHiveBytes(const std::string& bytes);

class HiveRegistry : public EllReg {
  public:
    // Nothing when the file is no regular file or hivex cannot open it.
    static std::unique_ptr<HiveRegistry> Open(const std::string& path, bool writable);
    // The hive these bytes hold, read from them alone: a file on a hostile disk is read once,
    // by the caller, and can change nothing after that. Nothing when hivex cannot open it, or
    // when its base block claims more bins than the bytes hold.
    static std::unique_ptr<HiveRegistry> FromBytes(const std::string& bytes, bool writable);
    ~HiveRegistry() override;

    // Every part of the hive a read needed and could not read whole so far, once each, in plain
    // UTF-8 naming the key as the report does: a sub-key list, a value list, a value, or a
    // sub-key list that makes no tree. Any of them means the reads ended early and nothing they
    // did not see may be called clean. Kept across writes.
    const std::vector<std::string>& Problems() const;

    // Both enumerations end at the first item that cannot be read, and that is one of the
    // Problems(). A hive's link keys are read as the keys they are: nothing here follows them.
    RegRead SubKeyAt(RegRoot root, const std::string& keyPath, RegLink link, std::uint32_t index,
                     std::string& name) override;
    RegRead ValueAt(RegRoot root, const std::string& keyPath, RegLink link, std::uint32_t index,
                    RegValueBytes& value) override;
    std::optional<RegValueBytes> QueryValue(RegRoot root, const std::string& keyPath,
                                            const std::string& valueName) override;
    // Only under SOFTWARE: the registry editor's settings under HKEY_CURRENT_USER, which the
    // scan writes on a running system, are never written to a hive.
    bool CreateKey(RegRoot root, const std::string& keyPath) override;
    bool SetValue(RegRoot root, const std::string& keyPath, const RegValueBytes& value) override;
    void DeleteRegKey(RegRoot root, const std::string& keyPath) override;
    void DeleteRegValue(RegRoot root, const std::string& keyPath,
                        const std::string& valueName) override;
    bool KeyExists(RegRoot root, const std::string& keyPath) override;
    bool ValueExists(RegRoot root, const std::string& keyPath,
                     const std::string& valueName) override;

    // Whether every value of the key but the one named has a name hivex can write back whole: no
    // NUL, and one it could read. A value is removed by writing all the others anew.
    bool OthersRewritable(RegRoot root, const std::string& keyPath, const std::string& valueName);

    // Writes the hive as it now stands to a new file at path; false when that failed.
    bool CommitTo(const std::string& path);

  private:
    struct Hive;
    explicit HiveRegistry(std::unique_ptr<Hive> hive);
    // The node the path names, or 0.
    std::size_t Node(RegRoot root, const std::string& keyPath);

    std::unique_ptr<Hive> hive_;
};

}  // namespace kr8
