// The host around a fuzz input: the emulator with the plug-in registered,
// host state chosen by the input's first bytes and reset before every input,
// and the call of an export on a buffer of exactly MAX_ARG_LEN units
// followed by canary units.
#pragma once

#include <cstdint>
#include <string>

#include "abi/abi.h"
#include "input.h"
#include "record.h"

using ExportFn = int32_t(PLUM_CALL*)(char16_t*);

// The units after a buffer of MAX_ARG_LEN that nothing may overwrite.
constexpr char16_t CANARY = u'\xFDD0';
constexpr size_t CANARY_UNITS = 16;

// Once per process: the scratch folder, confined host files, the managed
// environment.
void StartHarness();

// The host state an input chooses with its first four bytes.
struct HostChoice {
    uint8_t disabled = 0;  // bit d-1: SETDOS /X feature d (1..8) disabled
    uint8_t flags = 0;     // HOST_* below
    uint8_t fill = 0;      // see Filled()
    uint8_t extra = 0;     // bits 0-1: %_codepage; bits 2-3: the stored unsafe set
};
constexpr uint8_t HOST_ARRAYS = 0x01;        // arrays FUZZ[2,3] and LIST[4] exist
constexpr uint8_t HOST_VARIABLES = 0x02;     // FUZZVAR and FUZZSAFE are set
constexpr uint8_t HOST_UNICODE = 0x04;       // %_unicode is 1
constexpr uint8_t HOST_CLIPBOARD = 0x08;     // the clipboard holds three lines
constexpr uint8_t HOST_HELP_FILE = 0x10;     // the help file is found
constexpr uint8_t HOST_VIEWER_FAILS = 0x20;  // the help viewer cannot start
constexpr uint8_t HOST_WIDE_SET = 0x40;      // every ASCII punctuation character is dangerous
constexpr uint8_t HOST_EMPTY_SET = 0x80;     // no character is dangerous (with WIDE: only % and ")

HostChoice ReadHostChoice(FuzzInput& input);

// Puts the host and the plug-in in the chosen state, from scratch: the
// emulator reset, the scratch files, environment, clipboard and registry
// rewritten, the platform table restored and faked, the plug-in registered
// and initialised. From here until FinishInput, what the plug-in prints goes
// to the record.
void PrepareHost(const HostChoice& choice, Record& record);
// Only the output capture and the platform fakes, for targets that call a
// routine without the host state.
void PrepareLight(Record& record);
void FinishInput();

// Calls fn on a buffer of MAX_ARG_LEN units holding the argument (truncated
// to MAX_ARG_LEN - 1 units, terminated) and followed by canary units. Fails
// unless a terminator lies within the buffer and the canaries are intact.
// The record gets the result and the buffer's text.
void CallOnBuffer(ExportFn fn, const std::u16string& argument, Record& record);

// Tells the harness that the registry store was replaced behind the
// platform table's back, so it writes its stored set afresh.
void StoreReplaced();

// Adds the elements of the arrays HOST_ARRAYS defines to the record's events.
void RecordArrays(Record& record);

// Sets (empty value: removes) a variable of the process environment that
// the harness clears before every input.
void SetManagedVariable(const std::u16string& name, const std::u16string& value);
