// The Win32 calls behind the platform table.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/module_handle.h"

namespace {

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
wchar_t* Wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
HANDLE ToHandle(HostHandle handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

namespace platform_default {

int32_t GetEnvironment(const char16_t* name, char16_t* destination, int32_t size) {
    return static_cast<int32_t>(GetEnvironmentVariableW(Wide(name), Wide(destination), static_cast<DWORD>(size)));
}

HostHandle StandardOutput(void) { return reinterpret_cast<HostHandle>(GetStdHandle(STD_OUTPUT_HANDLE)); }

HostHandle StandardError(void) { return reinterpret_cast<HostHandle>(GetStdHandle(STD_ERROR_HANDLE)); }

int32_t FileSize(HostHandle handle, uint64_t* size) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(ToHandle(handle), &information)) return 0;
    *size = (static_cast<uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
    return 1;
}

int32_t WriteHandle(HostHandle handle, const void* bytes, uint32_t count, uint32_t* written) {
    DWORD done = 0;
    const BOOL ok = WriteFile(ToHandle(handle), bytes, count, &done, nullptr);
    if (written != nullptr) *written = done;
    return ok ? 1 : 0;
}

int32_t WideToCodePage(uint32_t codePage, const char16_t* text, int32_t length, char* destination, int32_t size) {
    return WideCharToMultiByte(codePage, 0, Wide(text), length, destination, size, nullptr, nullptr);
}

uint32_t OemCodePage(void) { return GetOEMCP(); }

int32_t ConsoleWidth(void) {
    HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) return 0;
    CONSOLE_SCREEN_BUFFER_INFO information;
    const int32_t width = GetConsoleScreenBufferInfo(console, &information) ? information.dwSize.X : 0;
    CloseHandle(console);
    return width;
}

int32_t ModuleFileName(char16_t* destination, int32_t size) {
    const DWORD length = GetModuleFileNameW(moduleHandle, Wide(destination), static_cast<DWORD>(size));
    return length >= static_cast<DWORD>(size) ? 0 : static_cast<int32_t>(length);
}

int32_t IsPlainFile(const char16_t* path) {
    if (path == nullptr || path[0] == 0) return 0;
    const DWORD attributes = GetFileAttributesW(Wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0 ? 1 : 0;
}

// "X:\..." or "\\server\share\...": anything else depends on the current
// drive or directory.
int32_t IsFullPath(const char16_t* path) {
    if (path == nullptr) return 0;
    const char16_t letter = static_cast<char16_t>(path[0] | 0x20);
    if (letter >= u'a' && letter <= u'z' && path[1] == u':' && path[2] == u'\\') return 1;
    if (path[0] != u'\\' || path[1] != u'\\') return 0;
    int32_t i = 2;
    const int32_t server = i;
    while (path[i] != 0 && path[i] != u'\\') ++i;
    if (i == server || path[i] != u'\\') return 0;
    const int32_t share = ++i;
    while (path[i] != 0 && path[i] != u'\\') ++i;
    return i > share && path[i] == u'\\' ? 1 : 0;
}

int32_t WindowsDirectory(char16_t* destination, int32_t size) {
    const UINT length = GetWindowsDirectoryW(Wide(destination), static_cast<UINT>(size));
    return length >= static_cast<UINT>(size) ? 0 : static_cast<int32_t>(length);
}

int32_t RegistryRead(const char16_t* key, const char16_t* value, uint32_t* type, uint8_t* data, uint32_t* size) {
    HKEY opened;
    LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, Wide(key), 0, KEY_READ, &opened);
    if (result != ERROR_SUCCESS) return result;
    DWORD valueType = 0;
    DWORD valueSize = *size;
    result = RegQueryValueExW(opened, Wide(value), nullptr, &valueType, data, &valueSize);
    RegCloseKey(opened);
    if (type != nullptr) *type = valueType;
    *size = valueSize;
    return result;
}

int32_t RegistryWrite(const char16_t* key, const char16_t* value, uint32_t type, const uint8_t* data, uint32_t size) {
    HKEY created;
    LONG result =
        RegCreateKeyExW(HKEY_CURRENT_USER, Wide(key), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr);
    if (result != ERROR_SUCCESS) return result;
    result = RegSetValueExW(created, Wide(value), 0, type, data, size);
    RegCloseKey(created);
    return result;
}

int32_t SystemErrorText(int32_t code, char16_t* destination, int32_t size) {
    return static_cast<int32_t>(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | 0xFF,
                                               nullptr, static_cast<DWORD>(code), 0, Wide(destination),
                                               static_cast<DWORD>(size), nullptr));
}

void ShowMessageBox(const char16_t* text, const char16_t* caption) {
    MessageBoxW(GetForegroundWindow(), Wide(text), Wide(caption), MB_OK);
}

}  // namespace platform_default
