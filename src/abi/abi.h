// The binary interface between the host and the plug-in: text and integer
// types, buffer sizes and the calling conventions of both sides.
#pragma once

#include <cstddef>
#include <cstdint>

// Size of the host's argument buffer and of the plug-in's work buffers, in
// UTF-16 code units, terminator included.
constexpr int32_t MAX_ARG_LEN = 16384;

// A host handle: a Win32 HANDLE on Windows, a file descriptor elsewhere.
using HostHandle = intptr_t;

// Every non-variadic function on either side of the boundary is __stdcall on
// 32-bit Windows; the variadic host services are __cdecl. Elsewhere the
// platform's C convention applies.
#if defined(_WIN32)
#define PLUM_CALL __stdcall
#define PLUM_CDECL __cdecl
#else
#define PLUM_CALL
#define PLUM_CDECL
#endif

// The plug-in's exports keep their plain names on Linux builds.
#if defined(_WIN32)
#define PLUM_EXPORT extern "C"
#else
#define PLUM_EXPORT extern "C" __attribute__((visibility("default")))
#endif
