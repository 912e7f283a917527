#include "routine_targets.h"

#include <algorithm>
#include <string>
#include <vector>

#include "abi/abi.h"
#include "charset/character_list.h"
#include "charset/unsafe_set.h"
#include "harness.h"
#include "input.h"
#include "shared/parse_args.h"
#include "typography/smart_quotes.h"
#include "typography/tag_attributes.h"

namespace {


// A text in a buffer of MAX_ARG_LEN units and canaries, for routines that
// only read it; Unchanged() tells whether they did.
class TextBuffer {
public:
    explicit TextBuffer(const std::u16string& text) : units_(MAX_ARG_LEN + CANARY_UNITS, CANARY) {
        std::fill(units_.begin(), units_.begin() + MAX_ARG_LEN, u'\0');
        const size_t count = std::min(text.size(), static_cast<size_t>(MAX_ARG_LEN - 1));
        std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(count), units_.begin());
        original_ = units_;
    }
    char16_t* Data() { return units_.data(); }
    bool Unchanged() const { return units_ == original_; }

private:
    std::vector<char16_t> units_;
    std::vector<char16_t> original_;
};

// ------------------------------------------------------------ ParseArgs

void CheckParseResult(int32_t count, const TextBuffer& text) {
    Check(text.Unchanged(), "ParseArgs changed its text");
    Check(count >= -1 && count <= MAX_ARGS, "ParseArgs returned a count out of range");
    if (count < 0) {
        Check(parseResult.argCount == 0, "ParseArgs failed but left arguments");
        return;
    }
    Check(parseResult.argCount == count, "ParseArgs's count differs from argCount");
    const char16_t* const first = parseResult.argBuffer;
    const char16_t* const last = parseResult.argBuffer + MAX_ARG_LEN;
    for (int32_t k = 0; k < MAX_ARGS; ++k) {
        const char16_t* start = parseResult.argStart[k];
        const int32_t length = parseResult.argLength[k];
        if (k >= count || start == nullptr) {
            Check(length == 0, "an argument without characters has a length");
            if (k >= count) Check(start == nullptr, "an entry past argCount is not null");
            continue;
        }
        Check(length > 0 && start >= first && start + length < last, "an argument lies outside argBuffer");
        Check(start[length] == 0, "an argument is not terminated at its length");
    }
}

}  // namespace

void RunParseArgs(const Target&, const uint8_t* data, size_t size, Record& record) {
    FuzzInput input(data, size);
    const uint16_t flags = input.Word();
    const uint8_t fill = input.Byte();
    TextBuffer text(Filled(input.Text(), fill));
    PrepareLight(record);
    record.result = ParseArgs(text.Data(), flags);
    FinishInput();
    CheckParseResult(record.result, text);
    for (int32_t k = 0; k < parseResult.argCount; ++k) {
        const char16_t* start = parseResult.argStart[k];
        record.text += u"[" + (start ? std::u16string(start, parseResult.argLength[k]) : std::u16string()) + u"]";
    }
    if (parseResult.argsDropped) record.text += u" dropped";
}

// ---------------------------------------------------------- unsafe list

void RunUnsafeList(const Target&, const uint8_t* data, size_t size, Record& record) {
    FuzzInput input(data, size);
    const uint8_t options = input.Byte();
    const int32_t flag = options & 1;
    TextBuffer list(input.Text());
    int32_t before[UNSAFE_COUNT];
    for (int32_t& entry : before) entry = (options & 2) ? 1 : 0;
    int32_t after[UNSAFE_COUNT];
    std::copy(before, before + UNSAFE_COUNT, after);

    PrepareLight(record);
    const ListFault applied = ReadCharacterList(list.Data(), flag, after);
    const ListFault checked = ReadCharacterList(list.Data(), flag, nullptr);
    FinishInput();
    record.result = static_cast<int32_t>(applied);

    Check(list.Unchanged(), "the list reader changed its text");
    Check(applied == checked, "checking a list and applying it disagree");
    for (int32_t i = 0; i < UNSAFE_COUNT; ++i) {
        Check(after[i] == before[i] || after[i] == flag, "the list reader set a flag to another value");
        if (after[i] != before[i]) record.text += static_cast<char16_t>(UNSAFE_FIRST + i);
    }
}

// ------------------------------------------------------------- @UQUOTES

namespace {

const char16_t* const kRoleVariables[] = {u"OPENQUOTE", u"CLOSEQUOTE", u"OPENSQUOTE",  u"CLOSESQUOTE",
                                          u"APOSTROPHE", u"PRIME",     u"DOUBLEPRIME", u"'OKINA"};

// Characters a setting may name, typical and odd ones alike.
const char16_t kSettingUnits[] = {0x201C, 0x201D, 0x2018, 0x2019, 0x00AB, 0x00BB, 0x2039, 0x203A, 0x201E,
                                  0x201A, 0x2032, 0x2033, 0x02BB, u'"',   u'\'',  u'`',   0x00B4, 0xFF02,
                                  0xFF07, 0x0001, u'a',   u'7',   u' ',   0xFFFD, 0xD800, 0x300C, 0x7F};
constexpr size_t SETTING_UNIT_COUNT = sizeof kSettingUnits / sizeof kSettingUnits[0];

const char16_t* const kOddSettings[] = {u"12ab", u"65536", u"-1",   u" 34", u"0",          u"ab",
                                        u"0x",   u"31",    u"0x1F", u"08",  u"\U0001F600", u"99999999999"};
constexpr size_t ODD_SETTING_COUNT = sizeof kOddSettings / sizeof kOddSettings[0];

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// One byte to a setting's value: 0 unset; then a character, its decimal
// number, its hexadecimal number, or an odd text.
std::u16string SettingValue(uint8_t choice) {
    const char16_t unit = kSettingUnits[choice % SETTING_UNIT_COUNT];
    switch (choice >> 6) {
        case 0: return choice == 0 ? std::u16string() : std::u16string(1, unit);
        case 1: return Ascii(std::to_string(static_cast<unsigned>(unit)));
        case 2: {
            static const char digits[] = "0123456789ABCDEF";
            std::string hex = "0x";
            for (int shift = 12; shift >= 0; shift -= 4) hex += digits[(unit >> shift) & 15];
            return Ascii(hex);
        }
        default: return kOddSettings[choice % ODD_SETTING_COUNT];
    }
}

}  // namespace

void RunUquotesSettings(const Target&, const uint8_t* data, size_t size, Record& record) {
    FuzzInput input(data, size);
    const HostChoice choice = ReadHostChoice(input);
    uint8_t settings[8];
    for (uint8_t& setting : settings) setting = input.Byte();
    const std::u16string text = Filled(input.Text(), choice.fill);
    PrepareHost(choice, record);
    for (size_t role = 0; role < 8; ++role) SetManagedVariable(kRoleVariables[role], SettingValue(settings[role]));
    CallOnBuffer(f_uquotes, text, record);
    FinishInput();
    Check(record.result == 0, "@UQUOTES failed on a buffer");
}

// ------------------------------------------------------------- @TAGATTR

void RunTagattrSettings(const Target&, const uint8_t* data, size_t size, Record& record) {
    FuzzInput input(data, size);
    const HostChoice choice = ReadHostChoice(input);
    const uint8_t options = input.Byte();
    const std::u16string text = input.Text();

    const size_t comma = text.find(u',');
    std::u16string name = comma == std::u16string::npos ? std::u16string() : text.substr(0, comma);
    std::u16string tag = comma == std::u16string::npos ? text : text.substr(comma + 1);
    if (options & 0x40) {
        for (char16_t& c : name) {
            if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
        }
    }
    const char16_t safeCandidates[] = {u'<', u'>', u'"', u'\''};
    for (char16_t& c : tag) {
        for (int bit = 0; bit < 4; ++bit) {
            if ((options & (1 << bit)) && c == safeCandidates[bit]) c = static_cast<char16_t>(c + SAFE_FORM_OFFSET);
        }
    }
    const char16_t* const separators[] = {u",", u";", u" , ", u" "};
    const std::u16string argument = Filled((options & 0x80 ? u"  " : u"") + name + separators[(options >> 4) & 3] + tag,
                                           choice.fill);

    PrepareHost(choice, record);
    CallOnBuffer(f_tagattr, argument, record);
    FinishInput();
    Check(record.result == 0 || record.result == -1, "@TAGATTR returned other than 0 or -1 for a buffer");
    // The text the plug-in was given ends at the first terminator: an input
    // can hold one (C0 80 decodes to U+0000), and what follows it is not text.
    const std::u16string given = argument.substr(0, std::min(argument.find(u'\0'), size_t{MAX_ARG_LEN - 1}));
    if (record.result == -1) Check(record.text == given, "@TAGATTR failed but changed the buffer");
}
