// plumhost: the host emulator program. Everything lives in the emulator
// library (TakeCmd.dll on Windows); this is only its entry point.
#include "plumhost.h"

int main(int argc, char** argv) { return HostMain(argc, argv); }
