// The fuzz targets: one per export the host calls with its buffer (every
// variable function, internal variable and command of the export table),
// and a few for routines with inputs of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "record.h"

struct Target {
    std::string name;
    // Null for a target of another platform: its corpus is skipped here.
    void (*run)(const Target& target, const uint8_t* data, size_t size, Record& record);
    void* export_;  // the export a buffer target calls; null for the others
    bool everyPlatform;  // false: a routine of one platform's backend, left out of transcripts
};

const std::vector<Target>& Targets();
// Null when no target has the name.
const Target* FindTarget(const std::string& name);
// Runs one input through its target, from a freshly reset host.
void RunTarget(const Target& target, const uint8_t* data, size_t size, Record& record);
