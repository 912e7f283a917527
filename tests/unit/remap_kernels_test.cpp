// Every kernel of Remap, Unremap and CountChars against the scalar reference.
// Each kernel the processor offers is forced in turn with SetRemapKernel and
// run through the public routines, on the set in unsafeSet: random texts and
// sets; every length up to a few steps from every start within a step; the
// REMAP_LIMIT cut at every position of a step; every code unit in every
// lane; overlapping buffers; texts that end where readable memory ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "abi/abi.h"
#include "charset/remap_kernels.h"
#include "charset/unsafe_set.h"
#include "fenced_pages.h"

namespace {

constexpr char16_t CANARY = u'\xFDD0';
// More than a step of the widest kernel: a store past the terminator's
// vector lands among these.
constexpr size_t CANARY_UNITS = 80;
// Starts 0..STEP_UNITS-1 from a 128-byte boundary put a text's first unit in
// every lane of every vector of the widest step.
constexpr size_t STEP_UNITS = 64;
constexpr size_t STEP_BYTES = 2 * STEP_UNITS;

// ------------------------------------------------------------------- sets

struct FlagSet {
    std::string name;
    std::vector<int32_t> flags;
};

FlagSet SetOf(const std::string& name, const std::u16string& members) {
    FlagSet set{name, std::vector<int32_t>(UNSAFE_COUNT, 0)};
    for (char16_t c : members) set.flags[c - UNSAFE_FIRST] = 1;
    return set;
}

// Sets of 0, 1, 12 and 96 characters.
std::vector<FlagSet> EdgeSets() {
    FlagSet all{"all 96", std::vector<int32_t>(UNSAFE_COUNT, 1)};
    return {SetOf("empty", u""), SetOf("space", u" "), SetOf("defaults", u"\"%&()<>[]^`|"), all};
}

// Every second character: 48 runs, more than the SSE2 kernels take apart.
FlagSet RaggedSet() {
    FlagSet set{"every second", std::vector<int32_t>(UNSAFE_COUNT, 0)};
    for (int32_t i = 0; i < UNSAFE_COUNT; i += 2) set.flags[i] = 1;
    return set;
}

// A random set; flags other than 1 are dangerous too.
FlagSet RandomSet(std::mt19937& random) {
    const int32_t percent = std::uniform_int_distribution<int32_t>(1, 60)(random);
    FlagSet set{"random " + std::to_string(percent) + "%", std::vector<int32_t>(UNSAFE_COUNT, 0)};
    for (int32_t& flag : set.flags) {
        if (std::uniform_int_distribution<int32_t>(0, 99)(random) < percent) {
            flag = std::uniform_int_distribution<int32_t>(0, 3)(random) == 0 ? -7 : 1;
        }
    }
    return set;
}

void UseSet(const FlagSet& set) { std::copy(set.flags.begin(), set.flags.end(), unsafeSet); }

// ------------------------------------------------------------------- texts

// A nonzero code unit, mostly from where the routines look closely: ASCII,
// the safe forms and their neighbours, controls and the rest.
char16_t RandomUnit(std::mt19937& random) {
    const int32_t kind = std::uniform_int_distribution<int32_t>(0, 99)(random);
    int32_t low = 1;
    int32_t high = 0xFFFF;
    if (kind < 50) {
        low = 0x20, high = 0x7F;
    } else if (kind < 70) {
        low = 0xFEC0, high = 0xFF80;
    } else if (kind < 75) {
        low = 1, high = 0x1F;
    } else if (kind < 85) {
        low = 0x80, high = 0x1FF;
    }
    return static_cast<char16_t>(std::uniform_int_distribution<int32_t>(low, high)(random));
}

// Room for a text at any start within a step from a 128-byte boundary, with
// nonzero units after its terminator, so that a kernel that went on reading
// past the terminator would come to a different result.
class TextRoom {
public:
    explicit TextRoom(size_t units) : storage_(units + 2 * STEP_UNITS + CANARY_UNITS + STEP_BYTES) {}

    // Places text (no terminator of its own) start units after a 128-byte
    // boundary, terminates it and returns where it begins.
    char16_t* Place(const std::u16string& text, size_t start) {
        char16_t* base = Aligned();
        std::fill(base, base + start, u'\x2222');
        std::copy(text.begin(), text.end(), base + start);
        base[start + text.size()] = 0;
        std::fill(base + start + text.size() + 1, base + start + text.size() + 1 + 2 * STEP_UNITS, u'<');
        return base + start;
    }

    char16_t* Aligned() {
        const uintptr_t address = reinterpret_cast<uintptr_t>(storage_.data());
        const uintptr_t aligned = (address + STEP_BYTES - 1) / STEP_BYTES * STEP_BYTES;
        return storage_.data() + (aligned - address) / sizeof(char16_t);
    }

private:
    std::vector<char16_t> storage_;
};

std::u16string RandomText(std::mt19937& random, size_t length) {
    std::u16string text(length, u'a');
    for (char16_t& c : text) c = RandomUnit(random);
    return text;
}

// ------------------------------------------------------------------- checks

// The kinds this build and processor have.
std::vector<RemapKernelKind> AvailableKinds() {
    std::vector<RemapKernelKind> kinds;
    for (int32_t k = 0; k < REMAP_KERNEL_KINDS; ++k) {
        const RemapKernelKind kind = static_cast<RemapKernelKind>(k);
        if (RemapKernelsOf(kind) != nullptr) kinds.push_back(kind);
    }
    return kinds;
}

// What the reference does with a text: the results of the four routines and
// the units Remap and Unremap write, terminator included. A text's
// expectation is worked out once and holds wherever the text is placed.
struct Expected {
    int32_t remapCount;
    std::u16string remapped;
    int32_t unremapCount;
    std::u16string unremapped;
    int32_t safeForms;
    int32_t dangerous;
};

// out holds MAX_ARG_LEN code units.
Expected Reference(const char16_t* source, char16_t* out) {
    Expected expected;
    expected.remapCount = remapKernelsScalar.remap(source, out, unsafeSet);
    expected.remapped.assign(out, std::char_traits<char16_t>::length(out) + 1);
    expected.unremapCount = remapKernelsScalar.unremap(source, out);
    expected.unremapped.assign(out, std::char_traits<char16_t>::length(out) + 1);
    expected.safeForms = remapKernelsScalar.countSafeForms(source);
    expected.dangerous = remapKernelsScalar.countDangerous(source, unsafeSet);
    return expected;
}

class RemapKernelsTest : public ::testing::Test {
protected:
    RemapKernelsTest() : actual_(MAX_ARG_LEN + CANARY_UNITS, CANARY), scratch_(MAX_ARG_LEN) {}

    void SetUp() override {
        // The scalar kernel is the reference itself: the others are checked.
        std::string names;
        for (RemapKernelKind kind : AvailableKinds()) {
            if (kind == REMAP_KERNEL_SCALAR) continue;
            kinds_.push_back(kind);
            names += std::string(" ") + RemapKernelsOf(kind)->name;
        }
        std::printf("kernels checked against the reference:%s\n", kinds_.empty() ? " none" : names.c_str());
    }

    void TearDown() override {
        ResetRemapKernel();
        SetDefaultUnsafe();
    }

    // Runs the four routines on source with the set in unsafeSet through
    // every kernel, and expects the reference's results and units written,
    // with the canaries past the terminator untouched. False after the first
    // difference, so that one fault does not flood the output.
    bool Agree(char16_t* source, const Expected& expected, const std::string& where) {
        bool agree = true;
        for (RemapKernelKind kind : kinds_) {
            SetRemapKernel(kind);
            const std::string on = std::string(" on the ") + RemapKernelsOf(kind)->name + " kernel, " + where;
            agree = AgreeOnCopy("Remap", Remap(source, actual_.data()), expected.remapCount, expected.remapped, on) &&
                    AgreeOnCopy("Unremap", Unremap(source, actual_.data()), expected.unremapCount,
                                expected.unremapped, on) &&
                    AgreeOnCount(0, CountChars(source, 0, false), expected.safeForms, on) &&
                    AgreeOnCount(1, CountChars(source, 1, false), expected.dangerous, on) && agree;
        }
        return agree;
    }

    Expected Reference(const char16_t* source) { return ::Reference(source, scratch_.data()); }

    bool Agree(char16_t* source, const std::string& where) { return Agree(source, Reference(source), where); }

    bool AgreeOnCopy(const char* name, int32_t count, int32_t expectedCount, const std::u16string& expected,
                     const std::string& on) {
        const size_t length = expected.size();
        const auto written = actual_.begin();
        const bool same = std::equal(expected.begin(), expected.end(), written) &&
                          std::all_of(written + length, written + length + CANARY_UNITS,
                                      [](char16_t c) { return c == CANARY; });
        const size_t first =
            same ? 0 : static_cast<size_t>(std::mismatch(expected.begin(), expected.end(), written).first - expected.begin());
        std::fill(written, written + length + CANARY_UNITS, CANARY);
        if (count == expectedCount && same) return true;
        ADD_FAILURE() << name << on << ": result " << count << ", reference " << expectedCount
                      << "; first unit that differs " << first << " (terminator at " << length - 1 << ")";
        return false;
    }

    bool AgreeOnCount(int32_t mode, int32_t count, int32_t expected, const std::string& on) {
        if (count == expected) return true;
        ADD_FAILURE() << "CountChars mode " << mode << on << ": " << count << ", reference " << expected;
        return false;
    }

    std::vector<RemapKernelKind> kinds_;
    std::vector<char16_t> actual_;
    std::vector<char16_t> scratch_;
};

std::string Where(const FlagSet& set, size_t length, size_t start) {
    return "set " + set.name + ", length " + std::to_string(length) + ", start " + std::to_string(start);
}

TEST_F(RemapKernelsTest, RandomTextsAndSets) {
    std::mt19937 random(1234567);
    std::vector<FlagSet> sets = EdgeSets();
    sets.push_back(RaggedSet());
    TextRoom room(17000);
    for (int32_t round = 0; round < 600; ++round) {
        const FlagSet set = round % 3 == 0 ? RandomSet(random) : sets[round % sets.size()];
        const int32_t band = std::uniform_int_distribution<int32_t>(0, 99)(random);
        const size_t length = std::uniform_int_distribution<size_t>(0, band < 80 ? 300 : band < 96 ? 3000 : 17000)(random);
        const size_t start = std::uniform_int_distribution<size_t>(0, STEP_UNITS - 1)(random);
        UseSet(set);
        if (!Agree(room.Place(RandomText(random, length), start), Where(set, length, start))) return;
    }
}

TEST_F(RemapKernelsTest, EveryLengthFromEveryStartOfAStep) {
    std::mt19937 random(7);
    TextRoom room(200);
    for (const FlagSet& set : EdgeSets()) {
        UseSet(set);
        for (size_t length = 0; length <= 70; ++length) {
            const std::u16string text = RandomText(random, length);
            const Expected expected = Reference(room.Place(text, 0));
            for (size_t start = 0; start < STEP_UNITS; ++start) {
                if (!Agree(room.Place(text, start), expected, Where(set, length, start))) return;
            }
        }
    }
}

TEST_F(RemapKernelsTest, TheLimitCutsAtEveryPositionOfAStep) {
    std::mt19937 random(11);
    const FlagSet defaults = EdgeSets()[2];
    UseSet(defaults);
    TextRoom room(REMAP_LIMIT + STEP_UNITS + 1);
    for (size_t length : {REMAP_LIMIT - 1, REMAP_LIMIT, REMAP_LIMIT + 1, REMAP_LIMIT + 64}) {
        const std::u16string text = RandomText(random, static_cast<size_t>(length));
        const Expected expected = Reference(room.Place(text, 0));
        for (size_t start = 0; start < STEP_UNITS; ++start) {
            if (!Agree(room.Place(text, start), expected, Where(defaults, static_cast<size_t>(length), start))) return;
        }
    }
}

TEST_F(RemapKernelsTest, EveryCodeUnitInEveryLane) {
    // 0x0001..0xFFFF in order, in pieces, from every start within a step: each
    // unit passes through every lane. The terminator's lanes are the
    // business of EveryLengthFromEveryStartOfAStep.
    constexpr size_t PIECE = 16000;
    TextRoom room(PIECE);
    const std::vector<FlagSet> sets = EdgeSets();
    for (const FlagSet& set : {sets[2], sets[3]}) {
        UseSet(set);
        for (size_t first = 1; first <= 0xFFFF; first += PIECE) {
            std::u16string piece;
            for (size_t unit = first; unit < first + PIECE && unit <= 0xFFFF; ++unit) piece += static_cast<char16_t>(unit);
            const Expected expected = Reference(room.Place(piece, 0));
            for (size_t start = 0; start < STEP_UNITS; ++start) {
                const std::string where = Where(set, piece.size(), start) + ", from unit " + std::to_string(first);
                if (!Agree(room.Place(piece, start), expected, where)) return;
            }
        }
    }
}

TEST_F(RemapKernelsTest, InPlaceAndWithTheDestinationBeforeTheSource) {
    std::mt19937 random(3);
    const FlagSet defaults = EdgeSets()[2];
    UseSet(defaults);
    const size_t lengths[] = {0, 1, 7, 15, 16, 17, 31, 32, 33, 63, 64, 65, 100, 300, REMAP_LIMIT + 20};
    const size_t distances[] = {0, 1, 2, 7, 8, 15, 16, 17, 31, 32, 33, 63, 64, 65};
    TextRoom room(REMAP_LIMIT + 200);
    for (size_t length : lengths) {
        const std::u16string text = RandomText(random, length);
        for (size_t distance : distances) {
            for (size_t start : {size_t{0}, size_t{3}, size_t{8}, size_t{21}}) {
                const std::string where = Where(defaults, length, start) + ", destination " + std::to_string(distance) +
                                          " units before the source";
                for (bool unremap : {false, true}) {
                    const char* name = unremap ? "Unremap on the " : "Remap on the ";
                    char16_t* destination = room.Place(std::u16string(distance, u'x') + text, start);
                    char16_t* source = destination + distance;
                    const std::vector<char16_t> before(destination, destination + distance + length + 1 + CANARY_UNITS);

                    // The reference on a copy of the buffer, each kernel on the buffer itself.
                    std::vector<char16_t> expected = before;
                    const int32_t expectedCount =
                        unremap ? remapKernelsScalar.unremap(expected.data() + distance, expected.data())
                                : remapKernelsScalar.remap(expected.data() + distance, expected.data(), unsafeSet);
                    for (RemapKernelKind kind : kinds_) {
                        std::copy(before.begin(), before.end(), destination);
                        SetRemapKernel(kind);
                        const int32_t count = unremap ? Unremap(source, destination) : Remap(source, destination);
                        EXPECT_EQ(count, expectedCount) << name << RemapKernelsOf(kind)->name << " kernel, " << where;
                        ASSERT_TRUE(std::equal(expected.begin(), expected.end(), destination))
                            << name << RemapKernelsOf(kind)->name << " kernel, " << where;
                    }
                }
            }
        }
    }
}

TEST_F(RemapKernelsTest, TextsThatEndWhereReadableMemoryEnds) {
    // A read past the aligned block that holds the terminator faults here:
    // the terminator lies in the last 128-byte block before a fenced page.
    FencedPages pages(8192);
    ASSERT_TRUE(pages.Ready());
    std::mt19937 random(5);
    const std::vector<FlagSet> sets = EdgeSets();
    for (const FlagSet& set : {sets[2], sets[3]}) {
        UseSet(set);
        char16_t* end = pages.End();
        for (char16_t* c = end - 3 * STEP_UNITS; c < end; ++c) *c = RandomUnit(random);
        for (size_t after = 0; after < STEP_UNITS; ++after) {
            char16_t* terminator = end - after - 1;
            const char16_t kept = *terminator;
            *terminator = 0;
            for (size_t length = 0; length <= STEP_UNITS + 16; ++length) {
                const std::string where = Where(set, length, 0) + ", " + std::to_string(after) + " units after it";
                if (!Agree(terminator - length, where)) return;
            }
            *terminator = kept;
        }
        // And a text that starts where readable memory starts.
        char16_t* begin = pages.Begin();
        for (size_t length = 0; length <= STEP_UNITS + 16; ++length) {
            for (size_t i = 0; i < length; ++i) begin[i] = RandomUnit(random);
            begin[length] = 0;
            if (!Agree(begin, Where(set, length, 0) + ", at the first readable unit")) return;
        }
    }
    // A text alone in a heap block of its own size on a step boundary: the
    // kernels read on past the block's end to the end of the aligned step,
    // which AddressSanitizer reports unless those reads are exempt.
    for (size_t length = 0; length < 8; ++length) {
        void* block = ::operator new((length + 1) * sizeof(char16_t), std::align_val_t{STEP_BYTES});
        char16_t* text = static_cast<char16_t*>(block);
        std::fill(text, text + length, u'<');
        text[length] = 0;
        const bool agree = Agree(text, Where(sets[2], length, 0) + ", alone in a heap block");
        ::operator delete(block, std::align_val_t{STEP_BYTES});
        if (!agree) return;
    }
}

TEST_F(RemapKernelsTest, AKindThatIsNotThereIsNotChosen) {
    const RemapKernels* before = ActiveRemapKernels();
    EXPECT_FALSE(SetRemapKernel(REMAP_KERNEL_KINDS));
    EXPECT_EQ(ActiveRemapKernels(), before);
    ASSERT_TRUE(SetRemapKernel(REMAP_KERNEL_SCALAR));
    EXPECT_EQ(ActiveRemapKernels(), &remapKernelsScalar);
}

}  // namespace
