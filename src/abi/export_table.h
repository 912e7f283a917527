// The export table: every entry point the plug-in offers the host, one row
// each, as X(kind, name, argument bytes). It is the one list of them: the
// declarations (abi/exports.h), the names list (plugin/names_list.cpp) and
// the module definition file of the Windows builds (cmake/export_def.cmake,
// which reads this file as text: keep one row per line) are all made from it.
//
// Kinds, and the export each row gives:
//   ENTRY     a lifecycle export, exported under its name
//   HOOK      a help hook of the host, exported under its name
//   FUNCTION  a variable function @name, exported as f_name
//   VARIABLE  an internal variable %_name, exported under its name
//   COMMAND   a command, exported under its name
// The names list holds the FUNCTION, VARIABLE and COMMAND rows in the order
// below. Argument bytes are what the 32-bit stdcall decoration counts (each
// argument rounded up to 4 bytes); abi/exports.h checks them against the
// declarations.
#pragma once

// clang-format off
#define PLUM_EXPORT_TABLE(X)          \
    X(ENTRY, GetPluginInfo, 0)        \
    X(ENTRY, InitializePlugin, 0)     \
    X(ENTRY, ShutdownPlugin, 4)       \
    X(HOOK, Help, 4)                  \
    X(HOOK, Usage, 8)                 \
    X(FUNCTION, countsafe, 4)         \
    X(FUNCTION, countsafex, 4)        \
    X(FUNCTION, countunsafe, 4)       \
    X(FUNCTION, countunsafex, 4)      \
    X(FUNCTION, plumquistinfo, 4)     \
    X(FUNCTION, safeclip, 4)          \
    X(FUNCTION, safeclipw, 4)         \
    X(FUNCTION, safeenv, 4)           \
    X(FUNCTION, safeexp, 4)           \
    X(FUNCTION, safeline, 4)          \
    X(FUNCTION, saferead, 4)          \
    X(FUNCTION, safewrite, 4)         \
    X(FUNCTION, tagattr, 4)           \
    X(FUNCTION, unsafe, 4)            \
    X(FUNCTION, unsafeesc, 4)         \
    X(FUNCTION, uquotes, 4)           \
    X(VARIABLE, _amp, 4)              \
    X(VARIABLE, _bq, 4)               \
    X(VARIABLE, _caret, 4)            \
    X(VARIABLE, _closebrk, 4)         \
    X(VARIABLE, _closepat, 4)         \
    X(VARIABLE, _gt, 4)               \
    X(VARIABLE, _lt, 4)               \
    X(VARIABLE, _openbrk, 4)          \
    X(VARIABLE, _openpat, 4)          \
    X(VARIABLE, _pct, 4)              \
    X(VARIABLE, _quote, 4)            \
    X(VARIABLE, _vbar, 4)             \
    X(COMMAND, safearray, 4)          \
    X(COMMAND, plumquisthelp, 4)      \
    X(COMMAND, safeecho, 4)           \
    X(COMMAND, safeechos, 4)          \
    X(COMMAND, unsafe, 4)
// clang-format on
