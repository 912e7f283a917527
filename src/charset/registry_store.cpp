#include "charset/registry_store.h"

#include "charset/unsafe_set.h"
#include "platform/platform.h"

const char16_t UNSAFE_REGISTRY_KEY[] = u"SOFTWARE\\VIDaveruz\\Plumquist";
const char16_t UNSAFE_REGISTRY_VALUE[] = u"Unsafe";

void PackUnsafeSet(uint8_t bytes[UNSAFE_VALUE_SIZE]) {
    for (int32_t i = 0; i < UNSAFE_VALUE_SIZE; ++i) bytes[i] = 0;
    for (int32_t i = 0; i < UNSAFE_COUNT; ++i) {
        if (unsafeSet[i] != 0) bytes[i / 8] = static_cast<uint8_t>(bytes[i / 8] | (1u << (i % 8)));
    }
}

void UnpackUnsafeSet(const uint8_t bytes[UNSAFE_VALUE_SIZE]) {
    for (int32_t i = 0; i < UNSAFE_COUNT; ++i) unsafeSet[i] = (bytes[i / 8] >> (i % 8)) & 1;
}

int32_t SaveUnsafeSet(void) {
    uint8_t bytes[UNSAFE_VALUE_SIZE];
    PackUnsafeSet(bytes);
    return PlatRegistryWrite(UNSAFE_REGISTRY_KEY, UNSAFE_REGISTRY_VALUE, PLAT_REG_BINARY, bytes, UNSAFE_VALUE_SIZE);
}

int32_t LoadUnsafeSet(void) {
    uint8_t bytes[UNSAFE_VALUE_SIZE] = {};
    uint32_t type = 0;
    uint32_t size = UNSAFE_VALUE_SIZE;
    const int32_t result = PlatRegistryRead(UNSAFE_REGISTRY_KEY, UNSAFE_REGISTRY_VALUE, &type, bytes, &size);
    if (result != PLAT_ERROR_SUCCESS) return result;
    if (type != PLAT_REG_BINARY || size != UNSAFE_VALUE_SIZE) return PLAT_ERROR_INVALID_DATA;
    UnpackUnsafeSet(bytes);
    return PLAT_ERROR_SUCCESS;
}
