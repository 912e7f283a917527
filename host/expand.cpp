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

size_t MatchBracket(std::u16string_view text, size_t open) {
    int depth = 0;
    for (size_t i = open; i < text.size(); ++i) {
        if (text[i] == u'[') {
            ++depth;
        } else if (text[i] == u']' && --depth == 0) {
            return i;
        }
    }
    return std::u16string_view::npos;
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

int ExpandText(std::u16string_view text, std::u16string& out, int depth) {
    size_t i = 0;
    while (i < text.size()) {
        char16_t c = text[i];
        if (c != u'%' || i + 1 >= text.size()) {
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
            size_t close = MatchBracket(text, i + 1);
            if (close == std::u16string_view::npos) {
                out += c;
                ++i;
                continue;
            }
            std::u16string name, value;
            int rc = ExpandText(text.substr(i + 2, close - i - 2), name, depth);
            if (rc < 0) return rc;
            rc = ReadVariable(std::u16string(Trim(name)), value);
            if (rc < 0) return rc;
            rc = InsertValue(value, out, depth);
            if (rc < 0) return rc;
            i = close + 1;
        } else if (next == u'@') {
            size_t end = i + 2;
            while (end < text.size() && IsNameChar(text[end])) ++end;
            size_t close = end < text.size() && text[end] == u'[' && end > i + 2 ? MatchBracket(text, end)
                                                                                 : std::u16string_view::npos;
            if (close == std::u16string_view::npos) {
                out += c;
                ++i;
                continue;
            }
            std::u16string name(text.substr(i + 2, end - i - 2));
            std::u16string args, result;
            int rc = ExpandText(text.substr(end + 1, close - end - 1), args, depth);
            if (rc < 0) return rc;
            rc = CallFunction(name, args, result);
            if (rc < 0) return rc;
            out += result;
            i = close + 1;
        } else if (IsDigit(next) || next == u'*') {
            InsertBatchArgument(next, out);
            i += 2;
        } else if (IsNameChar(next)) {
            size_t end = i + 1;
            while (end < text.size() && IsNameChar(text[end])) ++end;
            std::u16string name(text.substr(i + 1, end - i - 1));
            std::u16string value;
            if (end < text.size() && text[end] == u'[' && IsArray(name)) {
                size_t close = MatchBracket(text, end);
                if (close == std::u16string_view::npos) {
                    ReportError(u"Missing \"]\" after array " + Quoted(UpperAscii(name)));
                    return -1;
                }
                std::u16string indices;
                int rc = ExpandText(text.substr(end + 1, close - end - 1), indices, depth);
                if (rc < 0) return rc;
                rc = ReadArrayElement(name, indices, value);
                if (rc < 0) return rc;
                end = close + 1;
            } else {
                int rc = ReadVariable(name, value);
                if (rc < 0) return rc;
                if (end < text.size() && text[end] == u'%') ++end;
            }
            int rc = InsertValue(value, out, depth);
            if (rc < 0) return rc;
            i = end;
        } else {
            out += c;
            ++i;
        }
    }
    return 0;
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
