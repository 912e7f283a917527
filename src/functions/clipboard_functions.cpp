// The functions that read the host's own text sources in safe form (@SAFECLIP,
// @SAFELINE, @SAFEREAD) and the one that puts restored text on the clipboard
// (@SAFECLIPW).
#include "abi/abi.h"
#include "abi/exports.h"
#include "abi/host_services.h"
#include "charset/unsafe_set.h"
#include "core/text.h"
#include "functions/host_expansion.h"

namespace {

// The argument goes into the brackets of the host function exactly as typed;
// the host decides how to read it.
int32_t ReadThroughHostFunction(char16_t* buffer, const char16_t* prefix) {
    if (buffer == nullptr) return 1;
    return ExpandThroughHost(buffer, prefix, buffer, u"]", 1, u"Argument too long\r\n");
}

}  // namespace

PLUM_EXPORT int32_t PLUM_CALL f_safeclip(char16_t* buffer) { return ReadThroughHostFunction(buffer, u"%@clip["); }

PLUM_EXPORT int32_t PLUM_CALL f_safeline(char16_t* buffer) { return ReadThroughHostFunction(buffer, u"%@line["); }

PLUM_EXPORT int32_t PLUM_CALL f_saferead(char16_t* buffer) { return ReadThroughHostFunction(buffer, u"%@fileread["); }

PLUM_EXPORT int32_t PLUM_CALL f_safeclipw(char16_t* buffer) {
    if (buffer == nullptr) return 1;
    Unremap(buffer, buffer);
    const int32_t copied = CopyTextToClipboard(buffer, TextLength(buffer));
    TextCopy(buffer, MAX_ARG_LEN, copied != 0 ? u"1" : u"0");
    return 0;
}
