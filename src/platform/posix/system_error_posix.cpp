// The system texts of the Windows error codes the plug-in can meet, so that
// messages read the same on every platform.
#include "abi/utf8.h"
#include "platform/platform.h"

namespace {

struct ErrorText {
    int32_t code;
    const char* text;
};

const ErrorText kErrorTexts[] = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {4, "The system cannot open the file."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {13, "The data is invalid."},
    {19, "The media is write protected."},
    {87, "The parameter is incorrect."},
    {112, "There is not enough space on the disk."},
    {206, "The filename or extension is too long."},
    {234, "More data is available."},
    {1009, "The configuration registry database is corrupt."},
    {1010, "The configuration registry key is invalid."},
    {1011, "The configuration registry key could not be opened."},
    {1012, "The configuration registry key could not be read."},
    {1013, "The configuration registry key could not be written."},
    {1117, "The request could not be performed because of an I/O device error."},
    {1921, "The name of the file cannot be resolved by the system."},
};

}  // namespace

namespace platform_default {

int32_t SystemErrorText(int32_t code, char16_t* destination, int32_t size) {
    for (const ErrorText& entry : kErrorTexts) {
        if (entry.code == code) {
            const int32_t length = Utf8ToUtf16(entry.text, destination, size);
            return length < 0 ? 0 : length;
        }
    }
    return 0;
}

}  // namespace platform_default
