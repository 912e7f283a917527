#include "core/char_classes.h"
#include "shared/parse_args.h"

#include "abi/host_services.h"
#include "core/errors.h"
#include "core/text.h"
#include "platform/platform.h"

const char PARSE_ARGS_VERSION[] = "1.0.3.0";

ParseResult parseResult;

namespace {

// Cells of argBuffer that may be in use: the last cell always stays free for
// the terminator of the argument being built.
constexpr int32_t CELL_LIMIT = MAX_ARG_LEN - 1;

// The state of one call. Arguments are built in argBuffer one after another;
// the terminator of the argument being built always stands right after its
// last character and is committed (counted as a cell) when it ends.
struct Tokenizer {
    const char16_t* text;
    int32_t position;  // index of the character being read
    uint16_t flags;    // the working copy, changed while reading
    int32_t index;     // the argument being built
    int32_t length;    // its length so far
    int32_t begin;     // where it begins in argBuffer (valid when length > 0)
    int32_t cells;     // cells of argBuffer in use
    bool quoted;
    bool url;
    bool bracket;
    bool equalsSeen;

    bool Has(uint16_t flag) const { return (flags & flag) != 0; }

    const char16_t* Current() const { return parseResult.argBuffer + begin; }
    bool CurrentBeginsWithSlash() const { return length > 0 && Current()[0] == u'/'; }
};

bool ReportOverflow(const Tokenizer& t) {
    ReportError(u"Buffer overflow: b = %d, MAX_ARG_LEN = %d \r\n", t.cells, MAX_ARG_LEN);
    return false;
}

// Commits the terminator of the current argument and moves on to the next.
bool EndArgument(Tokenizer& t) {
    if (t.cells >= CELL_LIMIT) return ReportOverflow(t);
    ++t.cells;
    ++t.index;
    t.length = 0;
    t.bracket = false;
    return true;
}

// Appends one character to the current argument.
bool Store(Tokenizer& t, char16_t ch) {
    if (t.cells >= CELL_LIMIT) return ReportOverflow(t);
    if (t.length == 0) {
        t.begin = t.cells;
        parseResult.argStart[t.index] = parseResult.argBuffer + t.cells;
    }
    if (t.Has(PA_UPPERCASE)) ch = AsciiToUpper(ch);
    parseResult.argBuffer[t.cells++] = ch;
    parseResult.argBuffer[t.cells] = 0;
    parseResult.argLength[t.index] = ++t.length;
    return true;
}

void ClearResult(void) {
    parseResult.argCount = 0;
    parseResult.argsDropped = false;
    for (int32_t k = 0; k < MAX_ARGS; ++k) {
        parseResult.argStart[k] = nullptr;
        parseResult.argLength[k] = 0;
    }
    parseResult.argBuffer[0] = 0;
}

enum class Step { Next, Ordinary, Stop, Fail };

// Handles a double quote. Returns Ordinary when the quote (or the colon it
// stands for, left in ch) goes on as an ordinary character.
Step HandleQuote(Tokenizer& t, char16_t& ch) {
    if (t.length == 0 && t.Has(PA_REST_FROM_FIRST) && t.Has(PA_REST_KEEPS_QUOTES)) t.flags |= PA_KEEP_QUOTES;
    if (t.Has(PA_NO_QUOTING)) return Step::Ordinary;

    t.quoted = !t.quoted;
    if (t.quoted && t.length == 2 && t.Current()[0] == u'/' && CharIsLetter(t.Current()[1]) &&
        t.Has(PA_QUOTE_AS_COLON)) {
        // /X"text" stands for /X:text.
        if (!t.Has(PA_KEEP_QUOTES)) {
            ch = u':';
        } else if (t.cells < CELL_LIMIT) {
            Store(t, u':');
        }
        return Step::Ordinary;
    }
    if (t.Has(PA_KEEP_QUOTES) || t.bracket) return Step::Ordinary;
    return Step::Next;
}

// Applies every rule to one character of the text.
Step Read(Tokenizer& t, char16_t ch) {
    if (ch == u'"') {
        const Step step = HandleQuote(t, ch);
        if (step != Step::Ordinary) return step;
    }

    const bool space = CharIsSpace(ch);
    if (t.length == 0 && space && !t.quoted && !(ch == u'\t' && t.Has(PA_TABS))) return Step::Next;

    if (t.length == 0 && ch != u'/' && t.Has(PA_SPACES) && t.Has(PA_REST_FROM_FIRST)) {
        t.flags &= static_cast<uint16_t>(~PA_SPACES);
        if (t.Has(PA_REST_KEEPS_QUOTES)) t.flags |= PA_KEEP_QUOTES;
    }

    // "name = value": the space after a lone "=" goes.
    if (space && !t.quoted && t.length == 1 && t.index > 0 && t.Has(PA_SPLIT_EQUALS) && t.Current()[0] == u'=') {
        return Step::Next;
    }

    const bool separator = !t.quoted && ((space && t.Has(PA_SPACES) && !t.bracket) ||
                                         (ch == u',' && t.Has(PA_COMMAS)) || (ch == u'\t' && t.Has(PA_TABS)));
    if (ch == u']' && !t.quoted && t.bracket) t.bracket = false;

    // "scheme://" inside a switch value is no switch boundary.
    if (t.Has(PA_SPLIT_SWITCHES) && ch == u':' && t.length > 0 && t.position > 0 &&
        CharIsLetter(t.text[t.position - 1]) && t.text[t.position + 1] == u'/' && t.text[t.position + 2] == u'/') {
        t.url = true;
    }

    if (ch == u'/' && !t.quoted && !t.url && t.length >= 2 && t.CurrentBeginsWithSlash() && t.Has(PA_SPLIT_SWITCHES)) {
        if (!EndArgument(t)) return Step::Fail;
    }

    if (ch == u'=' && !t.quoted && t.Has(PA_SPLIT_EQUALS)) {
        if (!t.equalsSeen && t.length > 0 && !t.CurrentBeginsWithSlash()) {
            if (!EndArgument(t)) return Step::Fail;
        }
        t.equalsSeen = true;
        t.flags &= static_cast<uint16_t>(~(PA_SPACES | PA_COMMAS));
        if (t.Has(PA_NO_QUOTING_AFTER_EQUALS)) t.flags |= PA_NO_QUOTING;
    }

    if (ch == 0) {
        if (t.length > 0) ++t.index;
        return Step::Stop;
    }

    if (separator) {
        if (t.Has(PA_REST_AFTER_FIRST) && t.length > 0 && !t.CurrentBeginsWithSlash()) {
            t.flags &= static_cast<uint16_t>(~(PA_SPACES | PA_COMMAS));
        }
        if (!EndArgument(t)) return Step::Fail;
        t.quoted = false;
        t.url = false;
        return Step::Next;
    }

    // A split above may have ended the last argument there is room for.
    if (t.index >= MAX_ARGS) {
        parseResult.argsDropped = true;
        return Step::Next;
    }
    if (!Store(t, ch)) return Step::Fail;

    if (ch == u'!' && t.length == 3 && t.Current()[0] == u'/' && t.Current()[1] == u'[' && t.Has(PA_BRACKET_SWITCH)) {
        t.bracket = true;
    }
    return Step::Next;
}

}  // namespace

int32_t ParseArgs(const char16_t* text, uint16_t flags) {
    if (text == nullptr) return -1;
    ClearResult();

    Tokenizer t = {};
    t.text = text;
    t.flags = flags;
    if (t.Has(PA_SPACES)) t.flags &= static_cast<uint16_t>(~PA_TABS);
    if (!t.Has(PA_SPACES | PA_COMMAS | PA_SPLIT_EQUALS | PA_TABS)) t.flags |= PA_SPACES;

    for (t.position = 0;; ++t.position) {
        const char16_t ch = text[t.position];
        if (t.index >= MAX_ARGS) {
            if (ch == 0) break;
            if (!CharIsSpace(ch)) parseResult.argsDropped = true;
            continue;
        }
        const Step step = Read(t, ch);
        if (step == Step::Stop) break;
        if (step == Step::Fail) {
            ClearResult();
            return -1;
        }
    }

    if (!t.Has(PA_KEEP_TRAILING)) {
        for (int32_t k = 0; k < t.index; ++k) {
            char16_t* start = parseResult.argStart[k];
            int32_t& length = parseResult.argLength[k];
            while (length > 0 && CharIsSpace(start[length - 1])) start[--length] = 0;
            // An argument trimmed to nothing reads like any other empty one.
            if (length == 0) parseResult.argStart[k] = nullptr;
        }
    }
    parseResult.argCount = t.index;
    return t.index;
}
