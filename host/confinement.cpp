// Confinement of the files that script text names: a program that runs
// text it does not trust (a fuzz target) lets it reach only files inside
// its working directory.
#include "core.h"
#include "text.h"

namespace plumhost {

namespace {

bool confined = false;

bool IsSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

// "..", and the names Windows may take for it: it drops the dots and spaces
// that end a component, so any component of dots and spaces alone but "."
// itself is refused.
bool IsParentName(std::u16string_view component) {
    return component != u"." && component.find(u'.') != std::u16string_view::npos &&
           component.find_first_not_of(u". ") == std::u16string_view::npos;
}

// Windows opens these devices whatever the folder or extension: CON,
// CONIN$ and CONOUT$ would wait for console input.
bool IsDeviceName(std::u16string_view component) {
    const size_t dot = component.find(u'.');
    const std::u16string base = UpperAscii(TrimRight(component.substr(0, dot)));
    static const char16_t* const kDevices[] = {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$", u"CLOCK$"};
    for (const char16_t* device : kDevices) {
        if (base == device) return true;
    }
    return base.size() == 4 && (base.compare(0, 3, u"COM") == 0 || base.compare(0, 3, u"LPT") == 0) &&
           base[3] >= u'0' && base[3] <= u'9';
}

// A relative name whose components stay below the working directory. A
// colon is refused as a whole: a drive ("C:x" is relative to that drive's
// own directory) or an alternate data stream.
bool IsConfinedName(const std::u16string& path) {
    if (path.empty() || IsSeparator(path[0])) return false;
    if (path.find(u':') != std::u16string::npos || path.find(u'\0') != std::u16string::npos) return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        const std::u16string_view component = std::u16string_view(path).substr(start, end - start);
        if (IsParentName(component) || IsDeviceName(component)) return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

void ConfineFiles(bool on) { confined = on; }

bool FilesConfined() { return confined; }

bool FileNameAllowed(std::u16string_view user, const std::u16string& path) {
    if (!confined || IsConfinedName(path)) return true;
    ReportError(std::u16string(user) + u": refused " + Quoted(path) + u": files are confined to the working directory");
    return false;
}

}  // namespace plumhost
