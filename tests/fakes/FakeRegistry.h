// A registry in memory with the platform's rules that the handlers rely on: key and value names
// compare without regard to case, a trailing backslash names the same key, enumeration keeps
// the order of creation, and single reads fail on data longer than the read buffer.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sys/EllReg.h"
#include "sys/RegFile.h"
#include "sys/RegText.h"

namespace kr8::fake {

class FakeRegistry : public EllReg {
    static std::string Lower(std::string s) {
        for (char& c : s) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        return s;
    }
    static std::string Norm(std::string path) {
        return Lower(path.erase(path.find_last_not_of('\\') + 1));
    }
    static auto Named(const std::string& name) {
        return [name = Lower(name)](const RegValueBytes& v) { return Lower(v.name) == name; };
    }
    struct Key {
        std::vector<std::string> subKeys;  // as spelled at creation
        std::vector<RegValueBytes> values;
    };
    const Key* Find(RegRoot root, const std::string& keyPath) const {
        auto key = keys_.find(Norm(Full(root, keyPath)));
        return key == keys_.end() ? nullptr : &key->second;
    }
    // The item at index of a key's list: Failed for no key, End past the last.
    template <typename T>
    static RegRead At(const Key* key, const std::vector<T> Key::*list, std::uint32_t index,
                      T& item) {
        if (key == nullptr || index >= (key->*list).size()) {
            return key == nullptr ? RegRead::Failed : RegRead::End;
        }
        item = (key->*list)[index];
        return RegRead::Item;
    }

  public:
    // Test set-up. Paths are "HKLM\\..." or "HKCU\\...".
    void AddKey(const std::string& path) { Ensure(path); }
    void SetString(const std::string& path, const std::string& name, const std::string& data) {
        SetRaw(path, name, RegType::Sz, data + std::string(1, '\0'));
    }
    void SetRaw(const std::string& path, const std::string& name, std::uint32_t type,
                const std::string& bytes) {
        auto& values = Ensure(path).values;
        auto v = std::find_if(values.begin(), values.end(), Named(name));
        *(v == values.end() ? &values.emplace_back() : &*v) = {name, type, bytes};
    }
    bool HasKey(const std::string& path) const { return keys_.count(Norm(path)) != 0; }
    std::optional<RegValueBytes> Get(const std::string& path, const std::string& name) const {
        const auto key = keys_.find(Norm(path));
        if (key == keys_.end()) {
            return std::nullopt;
        }
        auto v = std::find_if(key->second.values.begin(), key->second.values.end(), Named(name));
        return v == key->second.values.end() ? std::nullopt : std::optional(*v);
    }
    static std::string Full(RegRoot root, const std::string& keyPath) {
        return (root == RegRoot::LocalMachine ? "HKLM\\" : "HKCU\\") + keyPath;
    }

    std::string ReadRegValue(RegRoot root, const std::string& keyPath,
                             const std::string& valueName) override {
        auto v = Get(Full(root, keyPath), valueName);
        if (!v || v->bytes.size() > kRegBufferSize) {
            return kNotFound;
        }
        return TrimTrailingBlanks(RegDataText(v->type, v->bytes, BinaryAs::Hex));
    }
    void WriteRegValue(RegRoot root, const std::string& keyPath, const std::string& valueName,
                       const std::string& value) override {
        SetString(Full(root, keyPath), valueName, value);
    }
    std::optional<std::string> GetSubKeyName(RegRoot root, const std::string& keyPath,
                                             std::int32_t index) override {
        std::string name;
        const bool item =
            index >= 0 && EnumSubKey(root, keyPath, std::uint32_t(index), name) == RegRead::Item;
        return item ? std::optional(name) : std::nullopt;
    }
    std::optional<ValueEntry> GetValueEntry(RegRoot root, const std::string& keyPath,
                                            std::int32_t index) override {
        RegValueBytes v;
        if (index < 0 || EnumValue(root, keyPath, std::uint32_t(index), v) != RegRead::Item) {
            return std::nullopt;
        }
        return ValueEntry{v.type, v.name, RegDataText(v.type, v.bytes, BinaryAs::Characters)};
    }
    RegRead EnumSubKey(RegRoot root, const std::string& keyPath, std::uint32_t index,
                       std::string& name) override {
        return At(Find(root, keyPath), &Key::subKeys, index, name);
    }
    RegRead EnumValue(RegRoot root, const std::string& keyPath, std::uint32_t index,
                      RegValueBytes& value) override {
        return At(Find(root, keyPath), &Key::values, index, value);
    }
    std::optional<RegValueBytes> QueryValue(RegRoot root, const std::string& keyPath,
                                            const std::string& valueName) override {
        return Get(Full(root, keyPath), valueName);
    }
    void DeleteRegKey(RegRoot root, const std::string& keyPath) override {
        const std::string path = Norm(Full(root, keyPath));
        if (keys_.count(path) == 0 || failDeletes) {
            return;
        }
        // The key and everything under it, and its name in its parent.
        for (auto key = keys_.begin(); key != keys_.end();) {
            const bool under = key->first == path || key->first.rfind(path + "\\", 0) == 0;
            key = under ? keys_.erase(key) : std::next(key);
        }
        const auto slash = path.rfind('\\');
        auto& subs = keys_[path.substr(0, slash)].subKeys;
        subs.erase(std::find_if(subs.begin(), subs.end(), [&](const std::string& s) {
            return Lower(s) == path.substr(slash + 1);
        }));
    }
    bool KeyExists(RegRoot root, const std::string& keyPath) override {
        return HasKey(Full(root, keyPath));
    }
    bool ValueExists(RegRoot root, const std::string& keyPath,
                     const std::string& valueName) override {
        return Get(Full(root, keyPath), valueName).has_value();
    }
    void DeleteRegValue(RegRoot root, const std::string& keyPath,
                        const std::string& valueName) override {
        auto key = keys_.find(Norm(Full(root, keyPath)));
        if (key != keys_.end() && !failDeletes) {
            auto& values = key->second.values;
            values.erase(std::remove_if(values.begin(), values.end(), Named(valueName)),
                         values.end());
        }
    }

    bool failDeletes = false;

  private:
    // Creates the key and its parents, keeping each name's spelling for enumeration.
    Key& Ensure(const std::string& path) {
        const std::string norm = Norm(path);
        for (size_t slash = norm.find('\\'); slash != std::string::npos;
             slash = norm.find('\\', slash + 1)) {
            const size_t next = norm.find('\\', slash + 1);
            if (keys_.count(norm.substr(0, next)) == 0) {
                keys_[norm.substr(0, slash)].subKeys.push_back(
                    path.substr(slash + 1, next == std::string::npos ? next : next - slash - 1));
            }
        }
        return keys_[norm];
    }

    std::map<std::string, Key> keys_;
};

}  // namespace kr8::fake
