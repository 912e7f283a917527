// Reads the version resource of a DLL with the system's own calls and checks
// it against the plug-in's version: file and product version 1.10.1.0, the
// product name, the original file name, and a description that names the
// DLL's processor tag. Prints what it read; exits 1 on any difference.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <vector>

#include "abi/plugin_version.h"

namespace {

int failures = 0;

void Expect(bool ok, const char* what) {
    if (!ok) {
        std::printf("MISMATCH: %s\n", what);
        ++failures;
    }
}

const wchar_t* StringValue(const std::vector<char>& data, const wchar_t* name) {
    wchar_t path[128];
    std::swprintf(path, 128, L"\\StringFileInfo\\040904B0\\%ls", name);
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), path, &value, &length) || length == 0) return L"";
    return static_cast<const wchar_t*>(value);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::printf("usage: version_resource_probe DLL TAG\n");
        return 2;
    }
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(argv[1], &ignored);
    if (size == 0) {
        std::printf("GetFileVersionInfoSizeW failed: %lu\n", GetLastError());
        return 1;
    }
    std::vector<char> data(size);
    if (!GetFileVersionInfoW(argv[1], 0, size, data.data())) {
        std::printf("GetFileVersionInfoW failed: %lu\n", GetLastError());
        return 1;
    }

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedLength) || fixed == nullptr) {
        std::printf("no fixed file information\n");
        return 1;
    }
    const DWORD wantHigh = (static_cast<DWORD>(PLUGIN_MAJOR) << 16) | static_cast<DWORD>(PLUGIN_MINOR);
    const DWORD wantLow = (static_cast<DWORD>(PLUGIN_BUILD) << 16) | static_cast<DWORD>(PLUGIN_REVISION);
    std::printf("file version %lu.%lu.%lu.%lu, product version %lu.%lu.%lu.%lu\n", fixed->dwFileVersionMS >> 16,
                fixed->dwFileVersionMS & 0xFFFF, fixed->dwFileVersionLS >> 16, fixed->dwFileVersionLS & 0xFFFF,
                fixed->dwProductVersionMS >> 16, fixed->dwProductVersionMS & 0xFFFF, fixed->dwProductVersionLS >> 16,
                fixed->dwProductVersionLS & 0xFFFF);
    Expect(fixed->dwSignature == 0xFEEF04BD, "signature");
    Expect(fixed->dwFileVersionMS == wantHigh && fixed->dwFileVersionLS == wantLow, "file version");
    Expect(fixed->dwProductVersionMS == wantHigh && fixed->dwProductVersionLS == wantLow, "product version");
    Expect(fixed->dwFileType == VFT_DLL, "file type");

    wchar_t version[64];
    std::swprintf(version, 64, L"%d.%d.%d.%d", PLUGIN_MAJOR, PLUGIN_MINOR, PLUGIN_BUILD, PLUGIN_REVISION);
    wchar_t tag[40];
    std::swprintf(tag, 40, L"(%ls)", argv[2]);
    const wchar_t* fields[] = {L"FileVersion", L"ProductVersion", L"ProductName", L"OriginalFilename",
                               L"FileDescription"};
    for (const wchar_t* field : fields) std::printf("%ls: %ls\n", field, StringValue(data, field));
    Expect(std::wcscmp(StringValue(data, L"FileVersion"), version) == 0, "FileVersion");
    Expect(std::wcscmp(StringValue(data, L"ProductVersion"), version) == 0, "ProductVersion");
    Expect(std::wcscmp(StringValue(data, L"ProductName"), L"Plumquist") == 0, "ProductName");
    Expect(std::wcscmp(StringValue(data, L"OriginalFilename"), L"Plumquist.dll") == 0, "OriginalFilename");
    Expect(std::wcsstr(StringValue(data, L"FileDescription"), tag) != nullptr, "FileDescription names the tag");
    return failures == 0 ? 0 : 1;
}
