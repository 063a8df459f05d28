// Comparing names the way the system compares the ASCII names this program looks for: letters
// A to Z match their lower-case forms, every other byte (UTF-8 included) only itself.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kr8 {

constexpr char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The key two spellings of one name share: a folder's index by name, a set of names seen.
inline std::string AsciiLowered(std::string text) {
    for (char& c : text) {
        c = AsciiLower(c);
    }
    return text;
}

constexpr bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiLower(text[i]) != AsciiLower(prefix[i])) {
            return false;
        }
    }
    return true;
}

constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && StartsWithIgnoringAsciiCase(a, b);
}

}  // namespace kr8
