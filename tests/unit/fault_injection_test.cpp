#include "fault_injection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

uint32_t Oem850(void) { return 850; }

// The injector itself: which calls it fails, what it passes on and what it
// puts back.
TEST(FaultLoopInjector, FailsTheArmedCallsAndPassesTheOthersOnToWhatWasInstalled) {
    PlatSetOemCodePage(&Oem850);
    struct SequenceCase {
        int32_t callNumber;
        FaultMode mode;
        std::vector<uint32_t> results;  // of three calls
        bool met;
    };
    const SequenceCase cases[] = {
        {1, FaultMode::ONCE, {0, 850, 850}, true},     {2, FaultMode::ONCE, {850, 0, 850}, true},
        {2, FaultMode::PERSISTENT, {850, 0, 0}, true}, {3, FaultMode::PERSISTENT, {850, 850, 0}, true},
        {4, FaultMode::ONCE, {850, 850, 850}, false},
    };
    {
        FaultInjector faults;
        EXPECT_EQ(PlatOemCodePage(), 850u) << "disarmed, every call passes";
        for (const SequenceCase& c : cases) {
            faults.Arm(c.callNumber, c.mode);
            std::vector<uint32_t> results;
            for (int i = 0; i < 3; ++i) results.push_back(PlatOemCodePage());
            faults.Disarm();
            EXPECT_EQ(results, c.results) << c.callNumber << (c.mode == FaultMode::ONCE ? " once" : " persistent");
            EXPECT_EQ(faults.Met(), c.met) << c.callNumber << (c.mode == FaultMode::ONCE ? " once" : " persistent");
            EXPECT_EQ(faults.Calls(), 3);
            EXPECT_EQ(faults.Failed("OemCodePage"), c.met);
        }

        // Each entry answers with its own failure.
        faults.Arm(1, FaultMode::PERSISTENT);
        uint32_t type = 0;
        uint32_t size = 0;
        uint8_t byte = 0;
        EXPECT_EQ(PlatRegistryRead(u"k", u"v", &type, &byte, &size), PLAT_ERROR_ACCESS_DENIED);
        EXPECT_EQ(PlatRegistryWrite(u"k", u"v", PLAT_REG_BINARY, &byte, 1), PLAT_ERROR_ACCESS_DENIED);
        EXPECT_EQ(PlatStandardError(), static_cast<HostHandle>(-1));
        EXPECT_EQ(PlatWaitInputIdle(0, 0), PLAT_WAIT_FAILED);
        char16_t value[8] = {u'x', 0};
        EXPECT_EQ(PlatGetEnvironment(u"PATH", value, 8), 0);
        faults.Disarm();
        const std::vector<std::string> failed = {"RegistryRead", "RegistryWrite", "StandardError", "WaitInputIdle",
                                                 "GetEnvironment"};
        EXPECT_EQ(faults.FailedCalls(), failed);
    }
    EXPECT_EQ(PlatOemCodePage(), 850u) << "the function found is put back";
    PlatRestoreAll();
}

}  // namespace
