#include "abi/exports.h"
#include "abi/host_services.h"
#include "charset/unsafe_set.h"
#include "core/char_classes.h"
#include "core/errors.h"
#include "core/host_command.h"
#include "core/host_query.h"
#include "core/numbers.h"
#include "core/text.h"
#include "platform/platform.h"
#include "shared/parse_args.h"
#include "shared/usage_texts.h"

namespace {

constexpr uint16_t SAFEARRAY_PARSE_FLAGS = PA_SPACES | PA_SPLIT_SWITCHES;
constexpr int32_t SHAPE_DIMENSIONS = 0;
constexpr int32_t SHAPE_ROWS = 1;
constexpr int32_t SHAPE_COLUMNS = 2;
constexpr int32_t SHAPE_LAST = 5;
// "%@arrayinfo[" + name + "," + one digit + "]" must fit the query buffer.
constexpr int32_t LONGEST_NAME = SHORT_QUERY_LEN - 1 - 15;
// RunHostCommand puts "*set " (at most) in front of the set text.
constexpr int32_t LONGEST_SET_TEXT = MAX_ARG_LEN - 1 - 5;

enum QuoteMode { QUOTE_NONE = 0, QUOTE_NON_EMPTY = 1, QUOTE_ALL = 2 };

struct Options {
    char16_t* name;
    bool columnGiven;
    int32_t column;
    bool rowGiven;
    int32_t row;
    int32_t quoteMode;
    bool unremap;
};

// Work buffers: the element reference and then its value, the SET argument,
// and the remapped or unremapped value. Static because together they would
// take 96 KiB of the host's stack.
char16_t elementText[MAX_ARG_LEN];
char16_t setText[MAX_ARG_LEN];
char16_t convertedText[MAX_ARG_LEN];
// The length of "NAME[row]" or "NAME[row,column]" at the start of setText,
// which names the element in messages.
int32_t elementNameLength = 0;

// One figure of the array's shape from the host's @ARRAYINFO: 0 gives the
// number of dimensions, 1 the rows, 2 the columns. -1 for a bad request or
// when the host gives no answer. Asked inside the expansion guard, so that
// it is answered whatever expansion state the user has set.
int32_t ShapeQuery(const char16_t* name, int32_t which) {
    if (name == nullptr || name[0] == 0 || which < 0 || which > SHAPE_LAST) return -1;
    if (TextLength(name) > LONGEST_NAME) return -1;
    char16_t expression[SHORT_QUERY_LEN];
    char16_t query[SHORT_QUERY_LEN];
    Sprintf(expression, u"%%@arrayinfo[%s,%d]", name, which);
    if (QueryHostText(query, SHORT_QUERY_LEN, expression) != HostQuery::EXPANDED) return -1;
    int64_t value = 0;
    ReadNumber(query, RUNTIME_LONG, &value, nullptr);
    return static_cast<int32_t>(value);
}

// The number of a "/C" or "/R" option: after the letter, or after a ":" or
// "=" that follows it; it must make up the rest of the argument. Indices
// reach the host as signed numbers: one above 2147483647 would name a
// negative index, so it is refused.
bool ReadOptionNumber(const char16_t* argument, int32_t* value) {
    const char16_t* digits = argument + 2;
    if (IsOptionValueSeparator(digits[0])) ++digits;
    uint32_t number = 0;
    if (ParseNumber(digits, &number, nullptr) != 0 || number > static_cast<uint32_t>(INT32_MAX)) return false;
    *value = static_cast<int32_t>(number);
    return true;
}

bool IsValidName(const char16_t* name) {
    if (CharIsDigit(name[0])) return false;
    for (const char16_t* c = name; *c != 0; ++c) {
        if (!CharIsLetterOrDigit(*c) && *c != u'_' && *c != u'$') return false;
    }
    return true;
}

// Reads the arguments. Returns -1 when they are all well formed, else the
// command's result (0 after a usage request, 1 after a reported error).
int32_t ReadOptions(Options* options) {
    for (int32_t k = 0; k < parseResult.argCount; ++k) {
        if (parseResult.argLength[k] == 0) continue;
        char16_t* argument = parseResult.argStart[k];
        if (AnswerHelpOption(argument, u"safearray")) return 0;
        if (TextStartsWithIgnoreAsciiCase(argument, u"/C")) {
            if (!ReadOptionNumber(argument, &options->column)) {
                ReportError(u"Bad column value \"%s\"\r\n", argument);
                return 1;
            }
            options->columnGiven = true;
        } else if (TextStartsWithIgnoreAsciiCase(argument, u"/R")) {
            if (!ReadOptionNumber(argument, &options->row)) {
                ReportError(u"Bad row value \"%s\"\r\n", argument);
                return 1;
            }
            options->rowGiven = true;
        } else if (TextEqualsIgnoreAsciiCase(argument, u"/Q")) {
            options->quoteMode = QUOTE_NON_EMPTY;
        } else if (TextEqualsIgnoreAsciiCase(argument, u"/QE")) {
            options->quoteMode = QUOTE_ALL;
        } else if (TextEqualsIgnoreAsciiCase(argument, u"/U")) {
            options->unremap = true;
        } else if (argument[0] == u'/') {
            ReportError(u"Unknown option \"%s\"\r\n", argument);
            return 1;
        } else if (options->name != nullptr) {
            ReportError(u"Syntax error \"%s\"\r\n", argument);
            return 1;
        } else {
            options->name = argument;
        }
    }
    return -1;
}

// Formats the element's reference into elementText and the start of its SET
// argument ("NAME[row]=" or "NAME[row,column]=") into setText.
void FormatElement(const char16_t* name, int32_t dimensions, int32_t row, int32_t column) {
    if (dimensions == 1) {
        Sprintf(elementText, u"%%%s[%d]", name, row);
        Sprintf(setText, u"%s[%d]=", name, row);
    } else {
        Sprintf(elementText, u"%%%s[%d,%d]", name, row, column);
        Sprintf(setText, u"%s[%d,%d]=", name, row, column);
    }
    elementNameLength = TextLength(setText) - 1;
}

// Appends the new value (between quotes when `quote` is set) to setText.
// False, with setText unchanged, when the SET line would not fit.
bool AppendValue(const char16_t* value, bool quote) {
    const int32_t extra = TextLength(value) + (quote ? 2 : 0);
    if (TextLength(setText) + extra > LONGEST_SET_TEXT) return false;
    if (quote) TextAppend(setText, MAX_ARG_LEN, u"\"");
    TextAppend(setText, MAX_ARG_LEN, value);
    if (quote) TextAppend(setText, MAX_ARG_LEN, u"\"");
    return true;
}

// Runs SET with setText for a value that may hold characters the host acts
// on: variable expansion, command separators and redirection are off for the
// SET line, so the value is stored exactly as given instead of being cut at
// "&" or "|", sent to a file by ">" or expanded at "%". Afterwards the state
// of the guard is set again; separators and redirection stay off until the
// guard ends, which puts back the user's own state. Returns the host's
// result of the SET.
int32_t RunVerbatimSet(void) {
    RunHostCommand(u"setdos", u" /x-135678");
    const int32_t result = RunHostCommand(u"set", setText);
    RunHostCommand(u"setdos", u" /x-1478+3");
    return result;
}

// Stores the new value of the element that FormatElement named, verbatim.
// An element whose value cannot be stored is reported and left as it was;
// the command goes on with the others and fails at the end. Returns false
// then.
bool StoreValue(const char16_t* value, bool quote) {
    if (!AppendValue(value, quote)) {
        setText[elementNameLength] = 0;
        ReportError(u"Element value too long \"%s\"\r\n", setText);
        return false;
    }
    if (RunVerbatimSet() != 0) {
        setText[elementNameLength] = 0;
        ReportError(u"Cannot set element \"%s\"\r\n", setText);
        return false;
    }
    return true;
}

// Rewrites one element. Returns false when the element could not be read or
// its new value could not be stored.
bool ProcessElement(const Options& options, int32_t dimensions, int32_t row, int32_t column) {
    FormatElement(options.name, dimensions, row, column);
    // A failed expansion (reported by the host) may leave the reference in
    // the buffer; storing that back would overwrite the element.
    if (ExpandVariables(elementText, 1) < 0) return false;

    if (options.quoteMode != QUOTE_NONE) {
        if (elementText[0] == 0 && options.quoteMode != QUOTE_ALL) return true;
        return StoreValue(elementText, true);
    }
    if (options.unremap) {
        if (Unremap(elementText, convertedText) <= 0) return true;
        return StoreValue(convertedText, false);
    }
    if (Remap(elementText, convertedText) <= 0) return true;
    return StoreValue(convertedText, false);
}

// Checks the array's shape and rewrites the elements in range; inside the
// expansion guard. Returns the command's result.
int32_t ProcessArray(Options& options) {
    const int32_t dimensions = ShapeQuery(options.name, SHAPE_DIMENSIONS);
    if (dimensions < 1) {
        ReportError(u"Not an array \"%s\"\r\n", options.name);
        return 1;
    }
    if (dimensions > 2) {
        ReportError(u"Too many dimensions \"%s\"\r\n", options.name);
        return 1;
    }

    const int32_t rows = ShapeQuery(options.name, SHAPE_ROWS);
    int32_t columns = 1;
    if (dimensions == 2) {
        columns = ShapeQuery(options.name, SHAPE_COLUMNS);
    } else {
        options.columnGiven = false;
    }

    // Given rows and columns are passed on as typed; the host judges them.
    const int64_t firstRow = options.rowGiven ? options.row : 0;
    const int64_t lastRow = options.rowGiven ? options.row : static_cast<int64_t>(rows) - 1;
    const int64_t firstColumn = options.columnGiven ? options.column : 0;
    const int64_t lastColumn = options.columnGiven ? options.column : static_cast<int64_t>(columns) - 1;

    bool failed = false;
    for (int64_t row = firstRow; row <= lastRow; ++row) {
        for (int64_t column = firstColumn; column <= lastColumn; ++column) {
            if (!ProcessElement(options, dimensions, static_cast<int32_t>(row), static_cast<int32_t>(column))) {
                failed = true;
            }
        }
    }
    return failed ? 1 : 0;
}

}  // namespace

PLUM_EXPORT int32_t PLUM_CALL safearray(char16_t* buffer) {
    if (buffer == nullptr) return 1;
    // A text the tokenizer cannot hold leaves no arguments: it has reported
    // that, and the missing name follows below.
    ParseArgs(buffer, SAFEARRAY_PARSE_FLAGS);
    if (parseResult.argsDropped) {
        ReportError(u"Too many arguments (at most %d)\r\n", MAX_ARGS);
        return 1;
    }
    if (parseResult.argCount < 1) {
        ReportError(u"Missing array name\r\n");
        return 1;
    }

    Options options = {};
    const int32_t early = ReadOptions(&options);
    if (early >= 0) return early;
    if (options.name == nullptr) {
        ReportError(u"Missing array name\r\n");
        return 1;
    }

    for (char16_t* c = options.name; *c != 0; ++c) *c = AsciiToUpper(*c);
    if (!IsValidName(options.name)) {
        ReportError(u"Bad array name \"%s\"\r\n", options.name);
        return 1;
    }
    if (TextLength(options.name) > LONGEST_NAME) {
        ReportError(u"Array name too long \"%s\"\r\n", options.name);
        return 1;
    }

    BeginExpansionGuard();
    const int32_t result = ProcessArray(options);
    EndExpansionGuard();
    return result;
}
