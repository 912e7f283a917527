// A real file opened for writing, whose handle is given to the plug-in the
// way a script passes one from the host's @FILEOPEN.
#pragma once

#include <string>

#include "abi/abi.h"

class ScratchFile {
public:
    // Creates (or empties) the file in the working folder.
    explicit ScratchFile(const std::string& name);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    HostHandle Handle() const { return handle_; }
    // The handle as a decimal number, as a script would type it.
    std::u16string Decimal() const;
    // The file's bytes as they are now.
    std::string Bytes() const;

private:
    std::string path_;
    HostHandle handle_;
};
