// What the processor running the plug-in offers beyond the instruction set
// the build targets, asked once through cpuid. Vector code is chosen by these
// answers at run time, so one build runs on every processor of its family.
#pragma once

// True when SSE2 can be used: always on x86-64, asked on i686.
bool ProcessorHasSse2(void);

// True when AVX2 and POPCNT can be used: the processor has them and the
// operating system saves the 256-bit registers across task switches.
bool ProcessorHasAvx2(void);
