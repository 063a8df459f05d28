// The in-memory machine's registry. For the unit tests it is real hives, read and written through
// the offline program's back end, so that every name and value goes through the UTF-16 the
// registry stores: one hive stands for HKEY_LOCAL_MACHINE\SOFTWARE, another for
// HKEY_CURRENT_USER\Software, where the scan points the registry editor. Like Windows, they keep
// sub-keys sorted and values in the order written. Deletes can be made to fail.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "sys/EllReg.h"

#ifdef _WIN32

#include "sys/win32/EllRegWin32.h"

namespace kr8::fake {
// libhivex is Linux's: the window tests' registry is the one of their throwaway Wine prefix.
using FakeRegistry = EllRegWin32;
}  // namespace kr8::fake

#else

#include "sys/Utf.h"
#include "sys/hive/HiveRegistry.h"
#include "tests/offline/HiveWriter.h"

namespace kr8::fake {

class FakeRegistry final : public EllReg {
  public:
    // Replaces HKEY_LOCAL_MACHINE\SOFTWARE with a hive the test laid out (test::BuildHive), for
    // what hivex will not write: a name with a NUL.
    void LoadMachineHive(const std::string& bytes) { machine_ = Opened(bytes); }

    // Test set-up. Paths are "HKLM\\SOFTWARE\\..." or "HKCU\\Software\\...".
    void AddKey(const std::string& path) {
        const auto [root, key] = Split(path);
        EXPECT_TRUE(CreateKey(root, key)) << path;
    }
    void SetString(const std::string& path, const std::string& name, const std::string& data) {
        SetRaw(path, name, RegType::Sz, LittleEndianBytes(Utf16FromUtf8(data) + u'\0'));
    }
    void SetRaw(const std::string& path, const std::string& name, std::uint32_t type,
                const std::string& bytes) {
        const auto [root, key] = Split(path);
        EXPECT_TRUE(CreateKey(root, key) && SetValue(root, key, {name, type, bytes})) << path;
    }
    bool HasKey(const std::string& path) {
        const auto [root, key] = Split(path);
        return KeyExists(root, key);
    }
    std::optional<RegValueBytes> Get(const std::string& path, const std::string& name) {
        const auto [root, key] = Split(path);
        return QueryValue(root, key, name);
    }

    RegRead SubKeyAt(RegRoot root, const std::string& keyPath, RegLink link, std::uint32_t index,
                     std::string& name) override {
        return Hive(root).SubKeyAt(kHiveRoot, keyPath, link, index, name);
    }
    RegRead ValueAt(RegRoot root, const std::string& keyPath, RegLink link, std::uint32_t index,
                    RegValueBytes& value) override {
        return Hive(root).ValueAt(kHiveRoot, keyPath, link, index, value);
    }
    std::optional<RegValueBytes> QueryValue(RegRoot root, const std::string& keyPath,
                                            const std::string& valueName) override {
        return Hive(root).QueryValue(kHiveRoot, keyPath, valueName);
    }
    bool CreateKey(RegRoot root, const std::string& keyPath) override {
        return Hive(root).CreateKey(kHiveRoot, keyPath);
    }
    bool SetValue(RegRoot root, const std::string& keyPath, const RegValueBytes& value) override {
        return Hive(root).SetValue(kHiveRoot, keyPath, value);
    }
    void DeleteRegKey(RegRoot root, const std::string& keyPath) override {
        if (!failDeletes) {
            Hive(root).DeleteRegKey(kHiveRoot, keyPath);
        }
    }
    void DeleteRegValue(RegRoot root, const std::string& keyPath,
                        const std::string& valueName) override {
        if (!failDeletes) {
            Hive(root).DeleteRegValue(kHiveRoot, keyPath, valueName);
        }
    }
    bool KeyExists(RegRoot root, const std::string& keyPath) override {
        return Hive(root).KeyExists(kHiveRoot, keyPath);
    }
    bool ValueExists(RegRoot root, const std::string& keyPath,
                     const std::string& valueName) override {
        return Hive(root).ValueExists(kHiveRoot, keyPath, valueName);
    }

    bool failDeletes = false;

  private:
    // A hive's root answers to "SOFTWARE" (in any case) under HKEY_LOCAL_MACHINE: the user's
    // hive is reached that way too, its "Software" being the same name.
    static constexpr RegRoot kHiveRoot = RegRoot::LocalMachine;

    static std::pair<RegRoot, std::string> Split(const std::string& path) {
        const bool user = path.rfind("HKCU\\", 0) == 0;
        EXPECT_TRUE(user || path.rfind("HKLM\\", 0) == 0) << path;
        return {user ? RegRoot::CurrentUser : RegRoot::LocalMachine, path.substr(5)};
    }
    static std::unique_ptr<HiveRegistry> Opened(const std::string& bytes) {
        std::unique_ptr<HiveRegistry> hive = HiveRegistry::FromBytes(bytes, true);
        if (!hive) {
            throw std::runtime_error("hivex did not open the test's hive");
        }
        return hive;
    }
    HiveRegistry& Hive(RegRoot root) { return root == RegRoot::CurrentUser ? *user_ : *machine_; }

    std::unique_ptr<HiveRegistry> machine_ = Opened(test::MinimalHive());
    std::unique_ptr<HiveRegistry> user_ = Opened(test::MinimalHive());
};

}  // namespace kr8::fake

#endif
