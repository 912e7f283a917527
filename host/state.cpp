// The emulator's process-wide state and the SETDOS /X feature switches.
#include "core.h"
#include "text.h"

namespace plumhost {

HostState& State() {
    // Built on first use, so that the emulator works the same in plumhost,
    // in TakeCmd.dll and linked statically into a test program.
    static HostState state;
    return state;
}

bool FeatureEnabled(int digit) { return (State().disabledFeatures & (1u << digit)) == 0; }

std::u16string DisabledFeatureDigits() {
    std::u16string digits;
    for (int d = 1; d <= 9; ++d) {
        if (!FeatureEnabled(d)) digits += static_cast<char16_t>(u'0' + d);
    }
    return digits;
}

// The text after /X: digits, "+" and "-". Digits before any sign name the
// complete set of disabled features (so "/X" followed by a value of
// _expansion restores that state); after "-" they are disabled, after "+"
// enabled, one by one. "0" anywhere enables every feature.
int ApplyExpansionSetting(std::u16string_view setting) {
    unsigned disabled = State().disabledFeatures;
    enum { ABSOLUTE, DISABLE, ENABLE } mode = ABSOLUTE;
    bool cleared = false;
    if (setting.empty()) return 1;
    for (char16_t c : setting) {
        if (c == u'-') {
            mode = DISABLE;
        } else if (c == u'+') {
            mode = ENABLE;
        } else if (IsDigit(c)) {
            int d = c - u'0';
            if (mode == ABSOLUTE && !cleared) {
                disabled = 0;
                cleared = true;
            }
            if (d == 0) {
                disabled = 0;
            } else if (mode == ENABLE) {
                disabled &= ~(1u << d);
            } else {
                disabled |= 1u << d;
            }
        } else {
            return 1;
        }
    }
    State().disabledFeatures = disabled;
    return 0;
}

// SETDOS [/Xdigits]...: alone it shows the expansion setting.
int CmdSetdos(std::u16string_view args) {
    args = Trim(args);
    if (args.empty()) {
        std::u16string digits = DisabledFeatureDigits();
        WriteOut(u"EXPANSION=" + (digits.empty() ? std::u16string(u"0") : digits) + u"\r\n");
        return 0;
    }
    while (!args.empty()) {
        size_t end = 1;
        while (end < args.size() && !IsSpace(args[end]) && args[end] != u'/') ++end;
        std::u16string_view option = args.substr(0, end);
        args = TrimLeft(args.substr(end));
        if (option.size() >= 2 && option[0] == u'/' && AsciiUpper(option[1]) == u'X') {
            if (ApplyExpansionSetting(option.substr(2)) != 0) {
                ReportError(u"SETDOS: bad expansion setting " + Quoted(option));
                return 1;
            }
        } else {
            ReportError(u"SETDOS: option not supported " + Quoted(option));
            return 1;
        }
    }
    return 0;
}

}  // namespace plumhost
