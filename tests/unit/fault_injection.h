// Fault injection through the platform table. While an injector is alive,
// every entry of the table goes through a counting wrapper made from
// PLAT_CALLS, so an entry added to the table is covered without edits here.
// The wrapper passes each call on to the function that was installed before
// (the backend's default, or a test's fake) until the armed call number
// comes; that call, and with FaultMode::PERSISTENT every later one, answers
// with the entry's realistic failure instead and does nothing else.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class FaultMode { ONCE, PERSISTENT };

class FaultInjector {
public:
    // Installs the wrappers, disarmed. Only one injector lives at a time.
    FaultInjector();
    // Puts back the functions that were installed before.
    ~FaultInjector();
    FaultInjector(const FaultInjector&) = delete;
    FaultInjector& operator=(const FaultInjector&) = delete;

    // Counts calls from 1 again: call `callNumber` fails, and with
    // PERSISTENT every call after it. Forgets what failed before.
    void Arm(int32_t callNumber, FaultMode mode);
    // Lets every call through uncounted; what the armed run did stays
    // readable until the next Arm.
    void Disarm();

    // Calls made since Arm.
    int32_t Calls() const;
    // True when the armed call came, that is the run made callNumber calls.
    bool Met() const;
    // True when the entry of that name answered with its failure since Arm.
    bool Failed(const char* name) const;
    // The entries that answered with their failure, in call order.
    const std::vector<std::string>& FailedCalls() const;
};

// What an entry answers when it fails: its row of the failure table, else 0,
// the failure value the table's comments give most entries. An entry without
// a result does nothing.
int64_t PlatFailureValue(const char* name);
