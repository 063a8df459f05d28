// A registry in memory with the platform's rules that the handlers rely on: names compare
// without regard to case, a trailing backslash names the same key, enumeration keeps the order
// of creation, and single reads fail on data longer than the read buffer.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sys/EllReg.h"
#include "sys/RegText.h"

namespace kr8::fake {

class FakeRegistry : public EllReg {
  public:
    struct Value {
        std::string name;
        std::uint32_t type;
        std::string bytes;
    };

    // Test set-up. Paths are "HKLM\\..." or "HKCU\\...".
    void AddKey(const std::string& path) { Ensure(path); }
    void SetString(const std::string& path, const std::string& name, const std::string& data,
                   std::uint32_t type = RegType::Sz) {
        Put(path, {name, type, data + std::string(1, '\0')});
    }
    void SetDword(const std::string& path, const std::string& name, std::uint32_t n) {
        Put(path, {name, RegType::Dword, {char(n), char(n >> 8), char(n >> 16), char(n >> 24)}});
    }
    void SetRaw(const std::string& path, const std::string& name, std::uint32_t type,
                const std::string& bytes) {
        Put(path, {name, type, bytes});
    }
    bool HasKey(const std::string& path) const { return keys_.count(Norm(path)) != 0; }
    std::optional<Value> Get(const std::string& path, const std::string& name) const {
        auto key = keys_.find(Norm(path));
        if (key == keys_.end()) {
            return std::nullopt;
        }
        for (const Value& v : key->second.values) {
            if (Lower(v.name) == Lower(name)) {
                return v;
            }
        }
        return std::nullopt;
    }

    // A key's sub-key names and values as stored, for raw export; nothing when it is missing.
    struct Key {
        std::vector<std::string> subKeys;
        std::vector<Value> values;
    };
    std::optional<Key> Find(const std::string& path) const {
        auto key = keys_.find(Norm(path));
        return key == keys_.end() ? std::nullopt : std::optional<Key>(key->second);
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
                       std::uint32_t type, const std::string& value) override {
        ++writes;
        if (failWrites) {
            return;
        }
        if (type == RegType::Dword) {
            SetDword(Full(root, keyPath), valueName,
                     static_cast<std::uint32_t>(std::strtoul(value.c_str(), nullptr, 10)));
        } else {
            Put(Full(root, keyPath),
                {valueName, RegType::Sz, type == RegType::Sz ? value + '\0' : value});
        }
    }
    std::optional<std::string> GetSubKeyName(RegRoot root, const std::string& keyPath,
                                             std::int32_t index) override {
        const Key* key = Opened(root, keyPath);
        if (key == nullptr || index < 0 || static_cast<size_t>(index) >= key->subKeys.size()) {
            return std::nullopt;
        }
        return key->subKeys[static_cast<size_t>(index)];
    }
    std::optional<ValueEntry> GetValueEntry(RegRoot root, const std::string& keyPath,
                                            std::int32_t index) override {
        const Key* key = Opened(root, keyPath);
        if (key == nullptr || index < 0 || static_cast<size_t>(index) >= key->values.size()) {
            return std::nullopt;
        }
        const Value& v = key->values[static_cast<size_t>(index)];
        return ValueEntry{v.type, v.name, RegDataText(v.type, v.bytes, BinaryAs::Characters)};
    }
    void DeleteRegKey(RegRoot root, const std::string& keyPath) override {
        const std::string path = Norm(Full(root, keyPath));
        if (keys_.count(path) == 0 || failDeletes) {
            return;
        }
        // The key and everything under it.
        for (auto key = keys_.begin(); key != keys_.end();) {
            key = (key->first == path || key->first.rfind(path + "\\", 0) == 0) ? keys_.erase(key)
                                                                                : std::next(key);
        }
        const auto slash = path.rfind('\\');
        auto parent = keys_.find(path.substr(0, slash));
        if (parent != keys_.end()) {
            auto& subs = parent->second.subKeys;
            subs.erase(std::remove_if(subs.begin(), subs.end(),
                                      [&](const std::string& s) {
                                          return Lower(s) == path.substr(slash + 1);
                                      }),
                       subs.end());
        }
    }
    bool KeyExists(RegRoot root, const std::string& keyPath) override {
        return Opened(root, keyPath) != nullptr;
    }
    bool ValueExists(RegRoot root, const std::string& keyPath,
                     const std::string& valueName) override {
        const Key* key = Opened(root, keyPath);
        return key != nullptr && std::any_of(key->values.begin(), key->values.end(),
                                             [&](const Value& v) { return v.name == valueName; });
    }
    void DeleteRegValue(RegRoot root, const std::string& keyPath,
                        const std::string& valueName) override {
        auto key = keys_.find(Norm(Full(root, keyPath)));
        if (key == keys_.end() || failDeletes) {
            return;
        }
        auto& values = key->second.values;
        values.erase(std::remove_if(values.begin(), values.end(),
                                    [&](const Value& v) { return v.name == valueName; }),
                     values.end());
    }

    int writes = 0;
    bool failWrites = false;
    bool failDeletes = false;

  private:
    static std::string Lower(std::string s) {
        for (char& c : s) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        return s;
    }
    static std::string Norm(std::string path) {
        while (!path.empty() && path.back() == '\\') {
            path.pop_back();
        }
        return Lower(path);
    }
    static std::string Full(RegRoot root, const std::string& keyPath) {
        return (root == RegRoot::LocalMachine ? "HKLM\\" : "HKCU\\") + keyPath;
    }
    const Key* Opened(RegRoot root, const std::string& keyPath) const {
        auto key = keys_.find(Norm(Full(root, keyPath)));
        return key == keys_.end() ? nullptr : &key->second;
    }
    // Creates the key and its parents, keeping each name's spelling for enumeration.
    Key& Ensure(std::string path) {
        while (!path.empty() && path.back() == '\\') {
            path.pop_back();
        }
        std::string soFar;
        for (size_t start = 0;;) {
            const size_t slash = path.find('\\', start);
            const std::string part = path.substr(start, slash - start);
            const std::string parent = soFar;
            soFar += (soFar.empty() ? "" : "\\") + Lower(part);
            if (keys_.count(soFar) == 0 && !parent.empty()) {
                keys_[parent].subKeys.push_back(part);
            }
            if (slash == std::string::npos) {
                return keys_[soFar];
            }
            start = slash + 1;
        }
    }
    void Put(const std::string& path, Value value) {
        Key& key = Ensure(path);
        for (Value& v : key.values) {
            if (Lower(v.name) == Lower(value.name)) {
                v = value;
                return;
            }
        }
        key.values.push_back(std::move(value));
    }

    std::map<std::string, Key> keys_;
};

}  // namespace kr8::fake
