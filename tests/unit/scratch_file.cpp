#include "scratch_file.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

ScratchFile::ScratchFile(const std::string& name) : path_(name) {
#if defined(_WIN32)
    HANDLE file = CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    handle_ = reinterpret_cast<HostHandle>(file);
#else
    handle_ = open(path_.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
#endif
}

ScratchFile::~ScratchFile() {
#if defined(_WIN32)
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
#else
    close(static_cast<int>(handle_));
#endif
    std::remove(path_.c_str());
}

std::u16string ScratchFile::Decimal() const {
    const std::string digits = std::to_string(static_cast<long long>(handle_));
    return std::u16string(digits.begin(), digits.end());
}

std::string ScratchFile::Bytes() const {
    std::ifstream file(path_, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}
