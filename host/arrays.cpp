// Arrays of one to four dimensions: SETARRAY, UNSETARRAY, element reads and
// writes, and the shape behind @ARRAYINFO. Names compare without regard to
// ASCII case; indices start at 0.
#include "core.h"
#include "text.h"

namespace plumhost {

namespace {

constexpr size_t MAX_DIMENSIONS = 4;
constexpr int64_t MAX_ELEMENTS = 1000000;

HostArray* FindArray(const std::u16string& name) {
    auto it = State().arrays.find(UpperAscii(name));
    return it == State().arrays.end() ? nullptr : &it->second;
}

std::u16string Describe(const std::u16string& name, std::u16string_view indices) {
    return UpperAscii(name) + u"[" + std::u16string(indices) + u"]";
}

// The position of an element in the row-by-row storage, or a reported error.
int ElementIndex(const std::u16string& name, const HostArray& array, std::u16string_view indices, size_t& position) {
    std::vector<std::u16string> parts;
    size_t start = 0;
    for (;;) {
        size_t comma = indices.find(u',', start);
        parts.emplace_back(indices.substr(start, comma == std::u16string_view::npos ? comma : comma - start));
        if (comma == std::u16string_view::npos) break;
        start = comma + 1;
    }
    if (parts.size() != array.dims.size()) {
        ReportError(u"Wrong number of array indices " + Quoted(Describe(name, indices)));
        return -1;
    }
    position = 0;
    for (size_t d = 0; d < parts.size(); ++d) {
        int64_t index;
        if (!ParseInteger(parts[d], index)) {
            ReportError(u"Bad array index " + Quoted(Describe(name, indices)));
            return -1;
        }
        if (index < 0 || index >= array.dims[d]) {
            ReportError(u"Array index out of range " + Quoted(Describe(name, indices)));
            return -1;
        }
        position = position * static_cast<size_t>(array.dims[d]) + static_cast<size_t>(index);
    }
    return 0;
}

// One "name[d1,...]" definition of SETARRAY.
int DefineArray(std::u16string_view definition) {
    size_t open = definition.find(u'[');
    if (open == std::u16string_view::npos || definition.back() != u']') {
        ReportError(u"SETARRAY: bad array definition " + Quoted(definition));
        return 1;
    }
    std::u16string name(definition.substr(0, open));
    if (!IsValidName(name)) {
        ReportError(u"SETARRAY: bad array name " + Quoted(name));
        return 1;
    }
    HostArray array;
    std::u16string_view sizes = definition.substr(open + 1, definition.size() - open - 2);
    int64_t total = 1;
    size_t start = 0;
    for (;;) {
        size_t comma = sizes.find(u',', start);
        std::u16string_view part = sizes.substr(start, comma == std::u16string_view::npos ? comma : comma - start);
        int64_t size;
        if (!ParseInteger(part, size) || size < 1 || size > MAX_ELEMENTS) {
            ReportError(u"SETARRAY: bad array size " + Quoted(definition));
            return 1;
        }
        array.dims.push_back(size);
        total *= size;
        if (array.dims.size() > MAX_DIMENSIONS) {
            ReportError(u"SETARRAY: too many dimensions " + Quoted(definition));
            return 1;
        }
        if (total > MAX_ELEMENTS) {
            ReportError(u"SETARRAY: array too large " + Quoted(definition));
            return 1;
        }
        if (comma == std::u16string_view::npos) break;
        start = comma + 1;
    }
    array.cells.assign(static_cast<size_t>(total), std::u16string());
    State().arrays[UpperAscii(name)] = std::move(array);
    return 0;
}

// The white-space separated words of a command's arguments; brackets keep
// their contents together ("a[2, 3]" is one word).
std::vector<std::u16string_view> Words(std::u16string_view args) {
    std::vector<std::u16string_view> words;
    size_t i = 0;
    while (i < args.size()) {
        while (i < args.size() && IsSpace(args[i])) ++i;
        if (i >= args.size()) break;
        size_t start = i;
        int depth = 0;
        while (i < args.size() && (depth > 0 || !IsSpace(args[i]))) {
            if (args[i] == u'[') ++depth;
            if (args[i] == u']' && depth > 0) --depth;
            ++i;
        }
        words.push_back(args.substr(start, i - start));
    }
    return words;
}

}  // namespace

bool IsArray(const std::u16string& name) { return FindArray(name) != nullptr; }

int ReadArrayElement(const std::u16string& name, std::u16string_view indices, std::u16string& value) {
    HostArray* array = FindArray(name);
    if (!array) {
        ReportError(u"Not an array " + Quoted(UpperAscii(name)));
        return -1;
    }
    size_t position;
    if (ElementIndex(name, *array, indices, position) != 0) return -1;
    value = array->cells[position];
    return 0;
}

int WriteArrayElement(const std::u16string& name, std::u16string_view indices, const std::u16string& value) {
    HostArray* array = FindArray(name);
    if (!array) {
        ReportError(u"Not an array " + Quoted(UpperAscii(name)));
        return -1;
    }
    size_t position;
    if (ElementIndex(name, *array, indices, position) != 0) return -1;
    array->cells[position] = value;
    return 0;
}

int ArrayInfo(const std::u16string& name, int64_t selector, int64_t& result) {
    if (selector < 0 || selector > 5) {
        ReportError(u"@ARRAYINFO: bad option " + Quoted(ToDecimal(selector)));
        return -1;
    }
    result = 0;
    const HostArray* array = FindArray(name);
    if (!array) return 0;
    if (selector == 0) {
        result = static_cast<int64_t>(array->dims.size());
    } else if (selector == 5) {
        result = static_cast<int64_t>(array->cells.size());
    } else if (static_cast<size_t>(selector) <= array->dims.size()) {
        result = array->dims[static_cast<size_t>(selector - 1)];
    }
    return 0;
}

// SETARRAY name[rows[,cols[,...]]] ...   defines arrays (all elements empty)
// SETARRAY                               lists them
int CmdSetarray(std::u16string_view args) {
    std::vector<std::u16string_view> words = Words(args);
    if (words.empty()) {
        for (const auto& entry : State().arrays) {
            std::u16string line = entry.first + u"[";
            for (size_t d = 0; d < entry.second.dims.size(); ++d) {
                if (d > 0) line += u',';
                line += ToDecimal(entry.second.dims[d]);
            }
            WriteOut(line + u"]\r\n");
        }
        return 0;
    }
    for (std::u16string_view word : words) {
        if (DefineArray(word) != 0) return 1;
    }
    return 0;
}

// UNSETARRAY name ... | *   removes arrays
int CmdUnsetarray(std::u16string_view args) {
    std::vector<std::u16string_view> words = Words(args);
    if (words.empty()) {
        ReportError(u"UNSETARRAY: missing array name");
        return 1;
    }
    int rc = 0;
    for (std::u16string_view word : words) {
        if (word == u"*") {
            State().arrays.clear();
        } else if (State().arrays.erase(UpperAscii(word)) == 0) {
            ReportError(u"Not an array " + Quoted(UpperAscii(word)));
            rc = 1;
        }
    }
    return rc;
}

}  // namespace plumhost
