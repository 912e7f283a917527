// Variable and function expansion, one left-to-right pass:
//   %%              one "%"
//   %=              the escape character "^"
//   %name  %name%   a variable (name: letters, digits, "_", "$"); a "%"
//                   right after the name belongs to the reference
//   %[name]         a variable; the name may itself hold references
//   %name[i,j]      an array element (only when name is an array)
//   %@name[args]    a function; its arguments are expanded first
//   %0 .. %9  %*    the running script's arguments
// An undefined variable expands to nothing. While nested variable expansion
// (SETDOS feature 4) is on, a variable's value is expanded again; function
// results are inserted as they are.
#include "core.h"
#include "text.h"

namespace plumhost {

namespace {

constexpr int MAX_NESTING = 16;  // variables whose values refer to variables

constexpr size_t NONE = std::u16string_view::npos;

// How deep "[...]" may nest in one text: each level is a frame of the
// expansion on the one thread stack (1 MiB on Windows).
constexpr int MAX_BRACKET_NESTING = 128;

// A text being expanded and, for each "[", the index of the "]" that
// closes it (NONE when none does): the first "]" where the depth counted
// from that "[" on returns to 0. Found in one pass, so a text of many
// unclosed "[" costs no more than any other.
struct Brackets {
    std::u16string_view text;
    std::vector<size_t> closes;

    explicit Brackets(std::u16string_view t) : text(t), closes(t.size(), NONE) {
        std::vector<size_t> open;
        for (size_t i = 0; i < t.size(); ++i) {
            if (t[i] == u'[') {
                open.push_back(i);
            } else if (t[i] == u']' && !open.empty()) {
                closes[open.back()] = i;
                open.pop_back();
            }
        }
    }
    // The "]" closing the "[" at `open`, within the span that ends at `end`.
    size_t Match(size_t open, size_t end) const { return open < end && closes[open] < end ? closes[open] : NONE; }
};

int ExpandSpan(const Brackets& brackets, size_t begin, size_t end, std::u16string& out, int depth, int nesting);

// Expands the text between a "[" and its "]", one bracket level deeper.
int ExpandInside(const Brackets& brackets, size_t open, size_t close, std::u16string& out, int depth, int nesting) {
    if (nesting >= MAX_BRACKET_NESTING) {
        ReportError(u"Brackets nested too deeply");
        return -1;
    }
    return ExpandSpan(brackets, open + 1, close, out, depth, nesting + 1);
}

int InsertValue(const std::u16string& value, std::u16string& out, int depth) {
    if (!FeatureEnabled(FEATURE_NESTED_VARIABLES) || value.find(u'%') == std::u16string::npos) {
        out += value;
        return 0;
    }
    if (depth >= MAX_NESTING) {
        ReportError(u"Variable loop");
        return -1;
    }
    std::u16string nested;
    int rc = ExpandText(value, nested, depth + 1);
    if (rc < 0) return rc;
    out += nested;
    return 0;
}

int CallFunction(const std::u16string& name, const std::u16string& args, std::u16string& result) {
    PluginFn fn = nullptr;
    if (FindPluginName(NameKind::Function, name, fn)) {
        if (!fn) return -1;
        int32_t rc = CallPlugin(fn, args, result);
        if (rc != 0) return rc < 0 ? rc : -1;
        return 0;
    }
    bool known = false;
    int rc = CallHostFunction(name, args, result, known);
    if (!known) {
        WriteErr(u"plumhost: Unknown function \"@" + name + u"\"\r\n");
        return -1;
    }
    return rc;
}

void InsertBatchArgument(char16_t which, std::u16string& out) {
    if (State().batches.empty()) return;
    const std::vector<std::u16string>& args = State().batches.back().args;
    if (which == u'*') {
        for (size_t i = 1; i < args.size(); ++i) {
            if (i > 1) out += u' ';
            out += args[i];
        }
        return;
    }
    size_t index = static_cast<size_t>(which - u'0');
    if (index < args.size()) out += args[index];
}

}  // namespace

namespace {

int ExpandSpan(const Brackets& brackets, size_t begin, size_t end, std::u16string& out, int depth, int nesting) {
    const std::u16string_view text = brackets.text;
    size_t i = begin;
    while (i < end) {
        char16_t c = text[i];
        if (c != u'%' || i + 1 >= end) {
            out += c;
            ++i;
            continue;
        }
        char16_t next = text[i + 1];
        if (next == u'%') {
            out += u'%';
            i += 2;
        } else if (next == u'=') {
            out += u'^';
            i += 2;
        } else if (next == u'[') {
            size_t close = brackets.Match(i + 1, end);
            if (close == NONE) {
                out += c;
                ++i;
                continue;
            }
            std::u16string name, value;
            int rc = ExpandInside(brackets, i + 1, close, name, depth, nesting);
            if (rc < 0) return rc;
            rc = ReadVariable(std::u16string(Trim(name)), value);
            if (rc < 0) return rc;
            rc = InsertValue(value, out, depth);
            if (rc < 0) return rc;
            i = close + 1;
        } else if (next == u'@') {
            size_t stop = i + 2;
            while (stop < end && IsNameChar(text[stop])) ++stop;
            size_t close = stop < end && text[stop] == u'[' && stop > i + 2 ? brackets.Match(stop, end) : NONE;
            if (close == NONE) {
                out += c;
                ++i;
                continue;
            }
            std::u16string name(text.substr(i + 2, stop - i - 2));
            std::u16string args, result;
            int rc = ExpandInside(brackets, stop, close, args, depth, nesting);
            if (rc < 0) return rc;
            rc = CallFunction(name, args, result);
            if (rc < 0) return rc;
            out += result;
            i = close + 1;
        } else if (IsDigit(next) || next == u'*') {
            InsertBatchArgument(next, out);
            i += 2;
        } else if (IsNameChar(next)) {
            size_t stop = i + 1;
            while (stop < end && IsNameChar(text[stop])) ++stop;
            std::u16string name(text.substr(i + 1, stop - i - 1));
            std::u16string value;
            if (stop < end && text[stop] == u'[' && IsArray(name)) {
                size_t close = brackets.Match(stop, end);
                if (close == NONE) {
                    ReportError(u"Missing \"]\" after array " + Quoted(UpperAscii(name)));
                    return -1;
                }
                std::u16string indices;
                int rc = ExpandInside(brackets, stop, close, indices, depth, nesting);
                if (rc < 0) return rc;
                rc = ReadArrayElement(name, indices, value);
                if (rc < 0) return rc;
                stop = close + 1;
            } else {
                int rc = ReadVariable(name, value);
                if (rc < 0) return rc;
                if (stop < end && text[stop] == u'%') ++stop;
            }
            int rc = InsertValue(value, out, depth);
            if (rc < 0) return rc;
            i = stop;
        } else {
            out += c;
            ++i;
        }
    }
    return 0;
}

}  // namespace

int ExpandText(std::u16string_view text, std::u16string& out, int depth) {
    const Brackets brackets(text);
    return ExpandSpan(brackets, 0, text.size(), out, depth, 0);
}

int ExpandLine(std::u16string& text) {
    // ExpandLine runs again inside itself only through a plug-in that it
    // called: the nesting of plug-in calls (plugins.cpp) bounds it.
    if (!FeatureEnabled(FEATURE_ALL_VARIABLES)) return 0;
    std::u16string out;
    int rc = ExpandText(text, out, 0);
    if (rc < 0) return rc;
    if (out.size() > MAX_TEXT) {
        ReportError(u"Expansion too long (" + ToDecimal(static_cast<int64_t>(out.size())) + u" characters)");
        return -1;
    }
    text = std::move(out);
    return 0;
}

}  // namespace plumhost
