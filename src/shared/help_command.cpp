#include "core/char_classes.h"
#include "shared/help_command.h"

#include "core/errors.h"
#include "core/text.h"
#include "shared/help_locator.h"
#include "shared/help_topic.h"
#include "shared/help_viewer.h"
#include "shared/usage_texts.h"
#include "shared/version_display.h"

namespace {

constexpr int32_t TOKEN_END = -1;

// The host's argument buffer holds at most MAX_ARG_LEN - 1 code units before
// its terminator; nothing past that is read, so a token always fits a buffer
// of MAX_ARG_LEN.
char16_t At(const char16_t* text, int32_t index) { return index < MAX_ARG_LEN - 1 ? text[index] : 0; }

// Reads the token at *position into token: white space ends it outside
// double quotes; the quotes toggle quoting and are dropped. Inside quotes a
// character ends it only when its code with the lowest bit set is white
// space, so a quoted space stays while TAB, LF, VT, FF and CR still end it.
// Returns the token's length, or TOKEN_END when only white space is left.
int32_t NextToken(const char16_t* text, int32_t* position, char16_t* token) {
    int32_t i = *position;
    while (CharIsSpace(At(text, i))) ++i;
    if (At(text, i) == 0) {
        *position = i;
        return TOKEN_END;
    }
    int32_t length = 0;
    bool quoted = false;
    for (char16_t c = At(text, i); c != 0; c = At(text, ++i)) {
        if (c == u'"') {
            quoted = !quoted;
            continue;
        }
        if (CharIsSpace(quoted ? static_cast<char16_t>(c | 1) : c)) break;
        token[length++] = c;
    }
    token[length] = 0;
    *position = i;
    return length;
}

// "/Stext", "/S:text" or "/S=text": the text, or an empty one.
const char16_t* SearchTextOf(const char16_t* token) {
    const char16_t* text = token + 2;
    if (*text == u':' || *text == u'=') ++text;
    return text;
}

int32_t ReportUnknownOption(char16_t* token) {
    for (int32_t i = 0; token[i] != 0; ++i) token[i] = AsciiToUpper(token[i]);
    ReportError(u"Unknown option: \"%s\"\r\n", token);
    return 1;
}

// The token being read and the topic. Static, to keep the command within the
// stack budget of one host-sized buffer per function (the search text keeps
// the local one): the command is never re-entered, since the host's
// expansions it asks for run variable functions only, never a command.
char16_t currentToken[MAX_ARG_LEN];
char16_t requestedTopic[MAX_ARG_LEN];

}  // namespace

int32_t QuoteIfSpaces(char16_t* text) {
    if (text == nullptr) return -1;
    int32_t length = 0;
    bool blank = false;
    for (; text[length] != 0; ++length) {
        if (CharIsSpace(text[length])) blank = true;
    }
    if (!blank) return 0;
    if (length + 2 >= MAX_ARG_LEN) return 8;
    for (int32_t i = length; i > 0; --i) text[i] = text[i - 1];
    text[0] = u'"';
    text[length + 1] = u'"';
    text[length + 2] = 0;
    return 0;
}

PLUM_EXPORT int32_t PLUM_CALL plumquisthelp(char16_t* buffer) {
    if (buffer == nullptr) return 1;
    int32_t mode = HELP_MODE_TOPIC;
    char16_t searchText[MAX_ARG_LEN];
    searchText[0] = 0;
    char16_t* const topic = requestedTopic;
    TextCopy(topic, MAX_ARG_LEN, u"overview");

    char16_t* const token = currentToken;
    int32_t position = 0;
    for (;;) {
        const int32_t length = NextToken(buffer, &position, token);
        // The end, or an empty quoted token: the overview.
        if (length <= 0) break;
        if (TextEqualsIgnoreAsciiCase(token, u"/C")) {
            mode = HELP_MODE_CONTENTS;
            searchText[0] = 0;
        } else if (TextEqualsIgnoreAsciiCase(token, u"/S")) {
            mode = HELP_MODE_SEARCH;
            searchText[0] = 0;
        } else if (TextStartsWithIgnoreAsciiCase(token, u"/S")) {
            mode = HELP_MODE_SEARCH;
            TextCopy(searchText, MAX_ARG_LEN, SearchTextOf(token));
            // Cannot fail: the text is three units shorter than the token.
            QuoteIfSpaces(searchText);
        } else if (TextEqualsIgnoreAsciiCase(token, u"/F")) {
            mode = HELP_MODE_FAVORITES;
            searchText[0] = 0;
        } else if (AnswerHelpOption(token, u"plumquisthelp")) {
            if (TextCompare(token, u"/??") == 0) PrintNewHelpVersionLine();
            return 0;
        } else if (TextEqualsIgnoreAsciiCase(token, u"/Q")) {
            CloseHelpViewer();
            return 0;
        } else if (TextEqualsIgnoreAsciiCase(token, u"/V")) {
            PrintVersionDisplay();
            return 0;
        } else if (token[0] == u'/') {
            return ReportUnknownOption(token);
        } else {
            if (FormTopic(token, length, topic, MAX_ARG_LEN) < 0) {
                ReportError(u"Topic too long\r\n");
                return 1;
            }
            break;
        }
    }
    // An empty search text searches for nothing: the search tab alone.
    return OpenHelp(topic, mode, searchText[0] != 0 ? searchText : nullptr) == HELP_OPENED ? 0 : 1;
}
