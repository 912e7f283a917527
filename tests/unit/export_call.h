// Calling a plug-in export the way the host does: one buffer of MAX_ARG_LEN
// code units holding the argument, here followed by canary units that must
// survive the call.
#pragma once

#include <string>

#include "abi/abi.h"

using ExportFn = int32_t(PLUM_CALL*)(char16_t*);

struct ExportResult {
    int32_t code;
    std::u16string text;  // the buffer's text after the call
    bool canaryIntact;    // nothing was written past MAX_ARG_LEN units
};

inline ExportResult CallExport(ExportFn fn, const std::u16string& argument) {
    constexpr char16_t CANARY = u'\xFDD0';
    constexpr size_t CANARY_UNITS = 16;
    std::u16string buffer(MAX_ARG_LEN + CANARY_UNITS, CANARY);
    for (size_t i = 0; i < static_cast<size_t>(MAX_ARG_LEN); ++i) buffer[i] = 0;
    buffer.replace(0, argument.size(), argument);
    buffer[MAX_ARG_LEN - 1] = 0;

    ExportResult result;
    result.code = fn(&buffer[0]);
    result.canaryIntact = buffer.compare(MAX_ARG_LEN, CANARY_UNITS, std::u16string(CANARY_UNITS, CANARY)) == 0;
    result.text = std::u16string(buffer.c_str());
    return result;
}
