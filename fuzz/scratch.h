// The scratch folder every fuzz input runs in: the working directory, the
// registry store (POSIX) and the few files inputs may read. Nothing an input
// does reaches outside it (the host emulator confines file names to the
// working directory).
#pragma once

#include <string>

// Makes a folder of this process's own under $PLUM_FUZZ_SCRATCH, else
// /dev/shm where it exists (the store's fsync costs nothing there), else the
// system's temporary folder; makes it the working directory, points
// PLUMQUIST_REGISTRY at a store inside it and removes it at exit.
void EnterScratchFolder();
// The registry store's full path.
const std::string& RegistryStorePath();
// Removes whatever the last input left in the folder, the store aside, and
// writes the files inputs may read afresh.
void ResetScratchFiles();
