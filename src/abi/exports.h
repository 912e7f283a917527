// The declarations of every export, made from the export table. A file that
// defines an export includes this header, so the compiler holds each
// definition to the table.
#pragma once

#include <cstdint>
#include <type_traits>

#include "abi/abi.h"
#include "abi/export_table.h"
#include "abi/plugin_info.h"

// The symbol a row of the table is exported under.
#define PLUM_SYMBOL_ENTRY(name) name
#define PLUM_SYMBOL_HOOK(name) name
#define PLUM_SYMBOL_FUNCTION(name) f_##name
#define PLUM_SYMBOL_VARIABLE(name) name
#define PLUM_SYMBOL_COMMAND(name) name
#define PLUM_SYMBOL(kind, name) PLUM_SYMBOL_##kind(name)

// The lifecycle exports and the help hooks have signatures of their own.
PLUM_EXPORT PluginInfo* PLUM_CALL GetPluginInfo(void);
PLUM_EXPORT int32_t PLUM_CALL InitializePlugin(void);
PLUM_EXPORT int32_t PLUM_CALL ShutdownPlugin(int32_t endProcess);
PLUM_EXPORT int32_t PLUM_CALL Help(const char16_t* name);
PLUM_EXPORT int32_t PLUM_CALL Usage(const char16_t* name, char16_t* buffer);

// Every name a user types takes the host's argument buffer (MAX_ARG_LEN code
// units) and returns the result code.
#define PLUM_DECLARE_BUFFER_EXPORT(kind, name, bytes) \
    PLUM_EXPORT int32_t PLUM_CALL PLUM_SYMBOL(kind, name)(char16_t* buffer);
#define PLUM_DECLARE_ENTRY(kind, name, bytes)
#define PLUM_DECLARE_HOOK(kind, name, bytes)
#define PLUM_DECLARE_FUNCTION PLUM_DECLARE_BUFFER_EXPORT
#define PLUM_DECLARE_VARIABLE PLUM_DECLARE_BUFFER_EXPORT
#define PLUM_DECLARE_COMMAND PLUM_DECLARE_BUFFER_EXPORT
#define PLUM_DECLARE(kind, name, bytes) PLUM_DECLARE_##kind(kind, name, bytes)
PLUM_EXPORT_TABLE(PLUM_DECLARE)
#undef PLUM_DECLARE

namespace export_table_check {

// The bytes one argument takes on the 32-bit stack: pointers 4, anything
// else its size rounded up to 4. The same figure on every target, since the
// table states the 32-bit decoration.
template <typename T>
constexpr int32_t SlotBytes() {
    return std::is_pointer<T>::value ? 4 : static_cast<int32_t>((sizeof(T) + 3) / 4 * 4);
}

template <typename R, typename... A>
constexpr int32_t ArgumentBytes(R(PLUM_CALL*)(A...)) {
    return (0 + ... + SlotBytes<A>());
}

#define PLUM_CHECK_ARGUMENT_BYTES(kind, name, bytes)                                                \
    static_assert(ArgumentBytes(static_cast<decltype(&PLUM_SYMBOL(kind, name))>(nullptr)) == bytes, \
                  "the export table's argument bytes of " #name " differ from its declaration");
PLUM_EXPORT_TABLE(PLUM_CHECK_ARGUMENT_BYTES)
#undef PLUM_CHECK_ARGUMENT_BYTES

}  // namespace export_table_check
