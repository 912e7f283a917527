// The POSIX registry store against a model of its file format: the input's
// bytes are the store, one value is read (and, when the input asks, written)
// through the platform table, and the answer and the rewritten file must be
// what the format says: the first whole line "key TAB value TAB type TAB
// hex" of the value (names without regard to ASCII case) answers a read; a
// write replaces that line, drops later lines of the same value, and copies
// every other byte unchanged.
#include <fstream>
#include <iterator>
#include <string>

#include "abi/utf8.h"
#include "charset/registry_store.h"
#include "charset/unsafe_set.h"
#include "harness.h"
#include "platform/platform.h"
#include "routine_targets.h"
#include "scratch.h"

namespace {

// Above this the store's reader meets lines longer than its buffer, which
// it passes over in pieces; the model does not follow it there.
constexpr size_t MODEL_LIMIT = 16000;
constexpr uint32_t DATA_LIMIT = 64;

struct ValueName {
    const char16_t* key;
    const char16_t* value;
};
const ValueName kNames[] = {
    {UNSAFE_REGISTRY_KEY, UNSAFE_REGISTRY_VALUE},
    {u"software\\vidaveruz\\PLUMQUIST", u"unsafe"},
    {u"a", u"b"},
    {u"Schl\u00FCssel", u"Wert"},
    {u"k", u""},
    {u"", u"v"},
    {u"a\tb", u"v"},
    {u"x", u"y\xD800"},
};

const uint8_t kWrittenData[] = {0x01, 0xAB, 0xFF};

bool Narrow(const char16_t* text, std::string& out) {
    char bytes[1024];
    if (Utf16ToUtf8(text, -1, bytes, sizeof bytes) < 0) return false;
    out = bytes;
    return out.find_first_of("\t\n") == std::string::npos;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i])) return false;
    }
    return true;
}

// The file's lines, each with its "\n" where it has one.
std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t newline = bytes.find('\n', start);
        const size_t end = newline == std::string::npos ? bytes.size() : newline + 1;
        lines.push_back(bytes.substr(start, end - start));
        start = end;
    }
    return lines;
}

struct Fields {
    std::string key, value, type, hex;
};

// A line without its "\n" split at its first three tabs; false with fewer.
bool Split(std::string line, Fields& fields) {
    if (!line.empty() && line.back() == '\n') line.pop_back();
    std::string* parts[] = {&fields.key, &fields.value, &fields.type};
    size_t start = 0;
    for (std::string* part : parts) {
        const size_t tab = line.find('\t', start);
        if (tab == std::string::npos) return false;
        *part = line.substr(start, tab - start);
        start = tab + 1;
    }
    fields.hex = line.substr(start);
    return true;
}

bool IsLineOf(const std::string& line, const std::string& key, const std::string& value, Fields& fields) {
    return Split(line, fields) && SameName(fields.key, key) && SameName(fields.value, value);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

struct Answer {
    int32_t code = PLAT_ERROR_FILE_NOT_FOUND;
    uint32_t type = 0;
    std::string data;
};

// What a read of the value must answer, data buffer aside.
Answer ModelRead(const std::string& bytes, const std::string& key, const std::string& value) {
    Answer answer;
    Fields fields;
    for (const std::string& line : Lines(bytes)) {
        if (!IsLineOf(line, key, value, fields) || fields.value.empty()) continue;
        uint64_t type = 0;
        bool valid = !fields.type.empty() && fields.type.size() <= 10 && fields.hex.size() % 2 == 0;
        for (char c : fields.type) valid = valid && c >= '0' && c <= '9' && ((type = type * 10 + (c - '0')), true);
        valid = valid && type <= 0xFFFFFFFFu;
        for (char c : fields.hex) valid = valid && HexDigit(c) >= 0;
        if (!valid) {
            answer.code = PLAT_ERROR_INVALID_DATA;
            return answer;
        }
        answer.code = PLAT_ERROR_SUCCESS;
        answer.type = static_cast<uint32_t>(type);
        for (size_t i = 0; i < fields.hex.size(); i += 2) {
            answer.data += static_cast<char>(HexDigit(fields.hex[i]) * 16 + HexDigit(fields.hex[i + 1]));
        }
        return answer;
    }
    return answer;
}

// The store after writing the value: its first line replaced (keeping that
// line's end or lack of one), later ones dropped, or the entry added last.
std::string ModelWrite(const std::string& bytes, const std::string& key, const std::string& value,
                       const std::string& entry) {
    std::string result;
    bool replaced = false;
    Fields fields;
    for (const std::string& line : Lines(bytes)) {
        if (!IsLineOf(line, key, value, fields)) {
            result += line;
            continue;
        }
        if (replaced) continue;
        replaced = true;
        result += line.back() == '\n' ? entry : entry.substr(0, entry.size() - 1);
    }
    if (replaced) return result;
    if (!bytes.empty() && bytes.back() != '\n') result += '\n';
    return result + entry;
}

std::string Entry(const std::string& key, const std::string& value) {
    std::string entry = key + "\t" + value + "\t" + std::to_string(PLAT_REG_BINARY) + "\t";
    static const char digits[] = "0123456789abcdef";
    for (uint8_t byte : kWrittenData) {
        entry += digits[byte >> 4];
        entry += digits[byte & 15];
    }
    return entry + "\n";
}

std::string ReadStore() {
    std::ifstream file(RegistryStorePath(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteStore(const uint8_t* data, size_t size) {
    std::ofstream file(RegistryStorePath(), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// Reads the value into a buffer of `room` bytes followed by guard bytes.
void CheckRead(const ValueName& name, bool modelled, const Answer& expected, uint32_t room, bool sizeOnly,
               Record& record) {
    uint8_t buffer[DATA_LIMIT + 8];
    for (uint8_t& byte : buffer) byte = 0xA5;
    uint32_t type = 0;
    uint32_t size = room;
    const int32_t code = PlatRegistryRead(name.key, name.value, &type, sizeOnly ? nullptr : buffer, &size);
    record.result = code;
    for (uint32_t i = room; i < sizeof buffer; ++i) Check(buffer[i] == 0xA5, "a registry read wrote past its buffer");
    if (code == PLAT_ERROR_SUCCESS && !sizeOnly) Check(size <= room, "a registry read claims more than its buffer");
    if (!modelled) return;
    const uint32_t needed = static_cast<uint32_t>(expected.data.size());
    int32_t expectedCode = expected.code;
    if (expected.code == PLAT_ERROR_SUCCESS && !sizeOnly && needed > room) expectedCode = PLAT_ERROR_MORE_DATA;
    Check(code == expectedCode, "a registry read answered other than the store's line says");
    if (expected.code != PLAT_ERROR_SUCCESS) return;
    Check(type == expected.type && size == needed, "a registry read gave the wrong type or size");
    if (expectedCode == PLAT_ERROR_SUCCESS && !sizeOnly) {
        Check(std::string(reinterpret_cast<char*>(buffer), size) == expected.data, "a registry read gave wrong data");
    }
}

}  // namespace

void RunRegistryStore(const Target&, const uint8_t* data, size_t size, Record& record) {
    FuzzInput input(data, size);
    const uint8_t options = input.Byte();
    const uint32_t room = input.Byte() % (DATA_LIMIT + 1);
    const size_t used = size < 2 ? size : 2;
    const uint8_t* store = data + used;
    const size_t storeSize = size - used;
    const ValueName& name = kNames[(options >> 2) & 7];

    PrepareLight(record);
    WriteStore(store, storeSize);
    StoreReplaced();
    const std::string before(reinterpret_cast<const char*>(store), storeSize);
    std::string key, value;
    const bool narrow = Narrow(name.key, key) && Narrow(name.value, value);
    const bool modelled = storeSize < MODEL_LIMIT;
    const Answer expected = narrow ? ModelRead(before, key, value) : Answer{};
    CheckRead(name, modelled, expected, room, (options & 2) != 0, record);

    // The plug-in's own reading of its value: the set changes only for a
    // whole binary value of twelve bytes, and then to exactly those bytes.
    SetDefaultUnsafe();
    uint8_t defaults[UNSAFE_VALUE_SIZE];
    PackUnsafeSet(defaults);
    const int32_t loaded = LoadUnsafeSet();
    uint8_t packed[UNSAFE_VALUE_SIZE];
    PackUnsafeSet(packed);
    const Answer stored = ModelRead(before, "SOFTWARE\\VIDaveruz\\Plumquist", "Unsafe");
    const bool wholeValue = stored.code == PLAT_ERROR_SUCCESS && stored.type == PLAT_REG_BINARY &&
                            stored.data.size() == UNSAFE_VALUE_SIZE;
    if (modelled) {
        Check((loaded == PLAT_ERROR_SUCCESS) == wholeValue, "LoadUnsafeSet took a value it should not, or refused one");
        const std::string expectedSet = wholeValue ? stored.data : std::string(reinterpret_cast<char*>(defaults), 12);
        // Bits past the 96 flags are not kept.
        std::string got(reinterpret_cast<char*>(packed), UNSAFE_VALUE_SIZE);
        Check(got == expectedSet, "LoadUnsafeSet left a set other than the stored one");
    }

    if (options & 1) {
        const int32_t code = PlatRegistryWrite(name.key, name.value, PLAT_REG_BINARY, kWrittenData, sizeof kWrittenData);
        const std::string after = ReadStore();
        if (!narrow) {
            Check(code == PLAT_ERROR_INVALID_DATA, "a value name the store cannot hold was not refused");
            Check(after == before, "a refused write changed the store");
        } else if (modelled) {
            Check(code == PLAT_ERROR_SUCCESS, "a registry write failed");
            Check(after == ModelWrite(before, key, value, Entry(key, value)), "a registry write changed other bytes");
        }
        record.text = std::u16string(u"wrote ") + (code == PLAT_ERROR_SUCCESS ? u"0" : u"error");
    }
    FinishInput();
}
