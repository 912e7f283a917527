// What one fuzz input did, and how a failed check is reported.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Record {
    int32_t result = 0;
    std::u16string text;               // the buffer's text after the call (or the target's own summary)
    std::u16string out;                // what the plug-in printed on standard output
    std::u16string err;                // ... and on standard error
    std::vector<std::string> events;   // writes to handles, message boxes
};

// A check that failed: the fuzz program aborts so that libFuzzer keeps the
// input; the replay program reports it and goes on.
using FailureHandler = void (*)(const std::string& what);
void SetFailureHandler(FailureHandler handler);
void Fail(const std::string& what);
inline void Check(bool condition, const char* what) {
    if (!condition) Fail(what);
}
