// Collects what the plug-in prints through the host's output services
// (QPuts, Printf, Qprintf to the standard handles) while alive.
#pragma once

#include <string>

#include "plumhost.h"

class CapturedOutput {
public:
    CapturedOutput() { plumhost::CaptureOutput(&out_, &err_); }
    ~CapturedOutput() { plumhost::CaptureOutput(nullptr, nullptr); }
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;
    const std::u16string& Out() const { return out_; }
    const std::u16string& Err() const { return err_; }

private:
    std::u16string out_;
    std::u16string err_;
};
