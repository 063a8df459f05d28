#include "sys/EllReg.h"

#include <utility>

#include "sys/RegText.h"
#include "sys/Utf.h"

namespace kr8 {

std::string EllReg::ReadRegValue(RegRoot root, const std::string& keyPath,
                                 const std::string& valueName) {
    const std::optional<RegValueBytes> value = QueryValue(root, keyPath, valueName);
    if (!value) {
        return kNotFound;
    }
    // The limit is on the text: a read into a buffer of this size fails on anything longer.
    const std::string text = RegDataUtf8(value->type, value->bytes);
    if (text.size() > kRegBufferSize) {
        return kNotFound;
    }
    return TrimTrailingBlanks(RegDataText(value->type, text, BinaryAs::Hex));
}

void EllReg::WriteRegValue(RegRoot root, const std::string& keyPath, const std::string& valueName,
                           const std::string& value) {
    // A name with a NUL cannot be written whole; the key is not made for it either.
    if (valueName.find('\0') != std::string::npos || !CreateKey(root, keyPath)) {
        return;
    }
    SetValue(root, keyPath,
             {valueName, RegType::Sz, LittleEndianBytes(Utf16FromUtf8(value) + u'\0')});
}

std::optional<std::string> EllReg::GetSubKeyName(RegRoot root, const std::string& keyPath,
                                                 std::int32_t index) {
    std::string name;
    if (index < 0 || SubKeyAt(root, keyPath, RegLink::Follow, static_cast<std::uint32_t>(index),
                              name) != RegRead::Item) {
        return std::nullopt;
    }
    return name;
}

std::optional<ValueEntry> EllReg::GetValueEntry(RegRoot root, const std::string& keyPath,
                                                std::int32_t index) {
    RegValueBytes value;
    if (index < 0 || ValueAt(root, keyPath, RegLink::Follow, static_cast<std::uint32_t>(index),
                             value) != RegRead::Item) {
        return std::nullopt;
    }
    std::string text =
        RegDataText(value.type, RegDataUtf8(value.type, value.bytes), BinaryAs::Characters);
    return ValueEntry{value.type, std::move(value.name), std::move(text)};
}

}  // namespace kr8
