#include <gtest/gtest.h>

#include <cstring>

#include "abi/exports.h"
#include "charset/registry_store.h"
#include "charset/unsafe_set.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

const uint8_t kDefaultBytes[UNSAFE_VALUE_SIZE] = {0x64, 0x03, 0x00, 0x50, 0x00, 0x00,
                                                  0x00, 0x68, 0x01, 0x00, 0x00, 0x10};

class RegistryStoreTest : public ::testing::Test {
protected:
    void SetUp() override { SetDefaultUnsafe(); }
    void TearDown() override {
        PlatRestoreAll();
        SetDefaultUnsafe();
    }

    static void WriteStored(uint32_t type, const uint8_t* bytes, uint32_t size) {
        ASSERT_EQ(PlatRegistryWrite(UNSAFE_REGISTRY_KEY, UNSAFE_REGISTRY_VALUE, type, bytes, size), 0);
    }
};

TEST_F(RegistryStoreTest, DefaultSetPacksToItsTwelveBytes) {
    uint8_t bytes[UNSAFE_VALUE_SIZE];
    PackUnsafeSet(bytes);
    EXPECT_EQ(std::memcmp(bytes, kDefaultBytes, sizeof bytes), 0);
}

TEST_F(RegistryStoreTest, SaveThenLoadGivesBackEveryFlag) {
    // Any nonzero flag is saved as a set bit and comes back as 1.
    for (int32_t i = 0; i < UNSAFE_COUNT; ++i) unsafeSet[i] = (i % 3 == 0) ? 7 : 0;
    ASSERT_EQ(SaveUnsafeSet(), 0);
    SetDefaultUnsafe();
    ASSERT_EQ(LoadUnsafeSet(), 0);
    for (int32_t i = 0; i < UNSAFE_COUNT; ++i) EXPECT_EQ(unsafeSet[i], i % 3 == 0 ? 1 : 0) << i;
}

TEST_F(RegistryStoreTest, ZeroAndFullValuesLoadEmptyAndFullSets) {
    uint8_t bytes[UNSAFE_VALUE_SIZE];
    std::memset(bytes, 0, sizeof bytes);
    WriteStored(PLAT_REG_BINARY, bytes, sizeof bytes);
    ASSERT_EQ(LoadUnsafeSet(), 0);
    for (int32_t flag : unsafeSet) EXPECT_EQ(flag, 0);

    std::memset(bytes, 0xFF, sizeof bytes);
    WriteStored(PLAT_REG_BINARY, bytes, sizeof bytes);
    ASSERT_EQ(LoadUnsafeSet(), 0);
    EXPECT_NE(IsDangerous(u' '), 0);
    EXPECT_NE(IsDangerous(0x7F), 0);
    for (int32_t flag : unsafeSet) EXPECT_EQ(flag, 1);
}

TEST_F(RegistryStoreTest, WrongTypeOrSizeLeavesTheSetAlone) {
    struct BadValue {
        uint32_t type;
        uint32_t size;
        int32_t result;
    };
    const BadValue cases[] = {
        {PLAT_REG_DWORD, 4, PLAT_ERROR_INVALID_DATA},
        {PLAT_REG_BINARY, 11, PLAT_ERROR_INVALID_DATA},
        {PLAT_REG_BINARY, 13, PLAT_ERROR_MORE_DATA},
        {PLAT_REG_SZ, 12, PLAT_ERROR_INVALID_DATA},
    };
    uint8_t bytes[16];
    std::memset(bytes, 0xFF, sizeof bytes);
    for (const BadValue& c : cases) {
        WriteStored(c.type, bytes, c.size);
        unsafeSet[0] = 0;
        SetDefaultUnsafe();
        EXPECT_EQ(LoadUnsafeSet(), c.result) << "type " << c.type << " size " << c.size;
        uint8_t after[UNSAFE_VALUE_SIZE];
        PackUnsafeSet(after);
        EXPECT_EQ(std::memcmp(after, kDefaultBytes, sizeof after), 0) << "type " << c.type << " size " << c.size;
    }
}

// Registry failures injected through the platform table.
int32_t injectedCode = 0;
int32_t FailingRead(const char16_t*, const char16_t*, uint32_t*, uint8_t*, uint32_t*) { return injectedCode; }
int32_t FailingWrite(const char16_t*, const char16_t*, uint32_t, const uint8_t*, uint32_t) { return injectedCode; }

TEST_F(RegistryStoreTest, FailuresAreReturnedAsTheirCodes) {
    PlatSetRegistryRead(&FailingRead);
    PlatSetRegistryWrite(&FailingWrite);
    for (int32_t code : {2, 5, 13, 234}) {
        injectedCode = code;
        unsafeSet[1] = 1;
        EXPECT_EQ(LoadUnsafeSet(), code);
        EXPECT_EQ(unsafeSet[1], 1) << "a failed load changes nothing";
        EXPECT_EQ(SaveUnsafeSet(), code);
    }
}

TEST(PlatformTable, EntriesRestoreByNameOrAllAtOnce) {
    PlatSetRegistryRead(&FailingRead);
    injectedCode = 5;
    uint32_t size = 12;
    uint8_t bytes[12];
    EXPECT_EQ(PlatRegistryRead(u"x", u"y", nullptr, bytes, &size), 5);
    EXPECT_EQ(PlatRestore("RegistryRead"), 0);
    EXPECT_EQ(PlatRegistryRead(u"SOFTWARE\\PlumquistTest\\Missing", u"y", nullptr, bytes, &size), 2);
    EXPECT_EQ(PlatRestore("NoSuchCall"), -1);

    PlatSetRegistryRead(&FailingRead);
    PlatSetRegistryRead(nullptr);
    EXPECT_EQ(PlatRegistryRead(u"SOFTWARE\\PlumquistTest\\Missing", u"y", nullptr, bytes, &size), 2);
}

}  // namespace

#if defined(_WIN32)
#include <windows.h>
#else
#include <cstdio>
#include <cstdlib>
#endif


namespace {

// Removes the plug-in's key (Windows) or the file store (elsewhere).
void ForgetStoredSet() {
#if defined(_WIN32)
    RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\VIDaveruz");
#else
    if (getenv("PLUMQUIST_REGISTRY") == nullptr) setenv("PLUMQUIST_REGISTRY", "unit-test.registry", 1);
    std::remove(getenv("PLUMQUIST_REGISTRY"));
#endif
}

class InitializeTest : public RegistryStoreTest {
protected:
    void SetUp() override {
        RegistryStoreTest::SetUp();
        HostLine(u"set noloadmsg=1");
        ForgetStoredSet();
    }
    void TearDown() override {
        HostLine(u"set noloadmsg=");
        RegistryStoreTest::TearDown();
    }
};

TEST_F(InitializeTest, FirstLoadWritesTheDefaults) {
    for (int32_t& flag : unsafeSet) flag = 0;
    ASSERT_EQ(InitializePlugin(), 0);
    uint8_t bytes[UNSAFE_VALUE_SIZE] = {};
    uint32_t type = 0;
    uint32_t size = sizeof bytes;
    ASSERT_EQ(PlatRegistryRead(UNSAFE_REGISTRY_KEY, UNSAFE_REGISTRY_VALUE, &type, bytes, &size), 0);
    EXPECT_EQ(type, PLAT_REG_BINARY);
    EXPECT_EQ(size, 12u);
    EXPECT_EQ(std::memcmp(bytes, kDefaultBytes, sizeof bytes), 0);
    EXPECT_NE(IsDangerous(u'<'), 0);
}

TEST_F(InitializeTest, SavedSetReplacesTheDefaults) {
    uint8_t bytes[UNSAFE_VALUE_SIZE] = {};
    bytes[0] = 0x01;  // the space alone
    WriteStored(PLAT_REG_BINARY, bytes, sizeof bytes);
    ASSERT_EQ(InitializePlugin(), 0);
    EXPECT_NE(IsDangerous(u' '), 0);
    EXPECT_EQ(IsDangerous(u'<'), 0);
}

TEST_F(InitializeTest, BadValueKeepsTheDefaultsAndIsNotRepaired) {
    const uint8_t dword[4] = {1, 2, 3, 4};
    WriteStored(PLAT_REG_DWORD, dword, sizeof dword);
    for (int32_t& flag : unsafeSet) flag = 0;
    ASSERT_EQ(InitializePlugin(), 0);
    EXPECT_NE(IsDangerous(u'<'), 0);
    uint8_t bytes[8] = {};
    uint32_t type = 0;
    uint32_t size = sizeof bytes;
    ASSERT_EQ(PlatRegistryRead(UNSAFE_REGISTRY_KEY, UNSAFE_REGISTRY_VALUE, &type, bytes, &size), 0);
    EXPECT_EQ(type, PLAT_REG_DWORD);
    EXPECT_EQ(size, 4u);
}

TEST_F(InitializeTest, LongNoLoadMessageValueIsReadSafely) {
    // The value is far longer than the plug-in's small query buffers.
    HostLine(u"set noloadmsg=" + Repeat(u'x', 5000));
    EXPECT_EQ(InitializePlugin(), 0);
    EXPECT_NE(IsDangerous(u'<'), 0);
}

TEST_F(InitializeTest, OldHostIsRefusedAndNothingIsTouched) {
    HostLine(u"sethost _4ver=7.00");
    for (int32_t& flag : unsafeSet) flag = 0;
    CapturedStderr captured;
    EXPECT_EQ(InitializePlugin(), -1);
    HostLine(u"sethost _4ver=");
    EXPECT_EQ(captured.Bytes(), "Plumquist plugin: 4NT / Take Command v8.0 or higher required!\r\n");
    EXPECT_EQ(IsDangerous(u'<'), 0) << "the set stays empty";
    uint32_t size = 12;
    uint8_t bytes[12];
    EXPECT_EQ(PlatRegistryRead(UNSAFE_REGISTRY_KEY, UNSAFE_REGISTRY_VALUE, nullptr, bytes, &size),
              PLAT_ERROR_FILE_NOT_FOUND)
        << "the registry is not touched";
}

}  // namespace
