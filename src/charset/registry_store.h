// Keeps the unsafe set in one 12-byte binary value under the current user's
// registry hive: one bit per character 0x20..0x7F, bit i % 8 of byte i / 8.
#pragma once

#include <cstdint>

constexpr int32_t UNSAFE_VALUE_SIZE = 12;

// The key and value the set lives in (under HKEY_CURRENT_USER).
extern const char16_t UNSAFE_REGISTRY_KEY[];
extern const char16_t UNSAFE_REGISTRY_VALUE[];

// Write the current set; a Windows error code, 0 on success.
int32_t SaveUnsafeSet(void);
// Replace the current set by the stored one, only when the whole value was
// read and has the right type and size; a Windows error code, 0 on success.
int32_t LoadUnsafeSet(void);

// The 12-byte form of the current set, and the set from a 12-byte form.
void PackUnsafeSet(uint8_t bytes[UNSAFE_VALUE_SIZE]);
void UnpackUnsafeSet(const uint8_t bytes[UNSAFE_VALUE_SIZE]);
