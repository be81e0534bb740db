#pragma once
// Key function records. Shared by the profile documents, the device objects
// and the key assignment editor.

#include <cstdint>

// The function of one key: kind, parameter 1, parameter 2, and the key's
// index in the device's key list. Two records are equal when kind and both
// parameters are equal; the key index is not compared.
struct KeyAssignment {
    uint16_t keyIndex = 0;
    uint8_t kind = 0;
    uint8_t param1 = 0;
    uint8_t param2 = 0;
    uint8_t zero = 0;

    friend bool operator==(const KeyAssignment& a, const KeyAssignment& b) {
        return a.kind == b.kind && a.param1 == b.param1 && a.param2 == b.param2;
    }
};

// The current function of a key and its factory function (from the default
// document, never changed by the program).
struct KeyEntry {
    KeyAssignment current;
    KeyAssignment defaults;

    friend bool operator==(const KeyEntry& a, const KeyEntry& b) {
        return a.current == b.current && a.defaults == b.defaults &&
               a.current.keyIndex == b.current.keyIndex;
    }
};

// The integer a record is stored as in "KeyList": kind << 16 | p1 << 8 | p2.
inline int32_t PackKeyAssignment(const KeyAssignment& key) {
    return static_cast<int32_t>(key.kind) << 16 | static_cast<int32_t>(key.param1) << 8 |
           static_cast<int32_t>(key.param2);
}

// The record stored as `packed` (bits 24-31 ignored) for key `index`.
inline KeyAssignment UnpackKeyAssignment(int64_t packed, uint16_t index) {
    KeyAssignment key;
    key.keyIndex = index;
    key.kind = static_cast<uint8_t>(packed >> 16);
    key.param1 = static_cast<uint8_t>(packed >> 8);
    key.param2 = static_cast<uint8_t>(packed);
    return key;
}
