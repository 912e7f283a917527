// The SSE2 kernels: eight code units a vector, four vectors a step; the
// kernels of x86 processors without AVX2, i686 ones included.
//
// SSE2 has no byte shuffle to look a table up with, so today's set is taken
// as its runs of consecutive characters (the twelve defaults make nine), and
// a byte is dangerous when it lies in one of them. Two vectors of units are
// packed to bytes first, as in the AVX2 kernels, so each run costs three
// operations for sixteen units. A set of more than MAX_RUNS runs (only a set
// picked to be ragged has that many) goes to the reference instead.
//
// A safe form is found by moving U+FF00..U+FF5F to the lowest signed 16-bit
// values, where one signed comparison picks them out.
#include "charset/remap_kernels.h"

#if PLUM_X86_KERNELS

#include <emmintrin.h>

#include "charset/remap_blocks.h"
#include "charset/remap_reference.h"

#define PLUM_SSE2 __attribute__((target("sse2")))

namespace {

constexpr int32_t LANES = 8;         // code units in a vector
constexpr int32_t STEP = 4 * LANES;  // code units in a step
constexpr uintptr_t VECTOR_BYTES = 16;
constexpr uintptr_t STEP_BYTES = 64;
constexpr int32_t MAX_RUNS = 16;
// A counter lane gains at most four a step, and at most six from the single
// vectors around the steps: this many steps keep it below 2^15.
constexpr int32_t STEPS_PER_SUM = 8000;
// A byte counter gains at most two a step and six around the steps: this
// many steps keep it below 2^8.
constexpr int32_t STEPS_PER_BYTE_SUM = 120;

// Adding SAFE_FORM_BIAS moves U+FF00..U+FF5F to 0x8000..0x805F.
constexpr int16_t SAFE_FORM_BIAS = static_cast<int16_t>(0x8100);
constexpr int16_t SAFE_FORM_BIASED_END = static_cast<int16_t>(0x8000 + UNSAFE_COUNT);
// c - SAFE_FORM_OFFSET, modulo 0x10000.
constexpr int16_t UNREMAP_ADDEND = static_cast<int16_t>(0x10000 - SAFE_FORM_OFFSET);

PLUM_SSE2 PLUM_BLOCK_READ inline __m128i LoadBlock(const char16_t* p) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(p));
}

PLUM_SSE2 inline void Store(char16_t* p, __m128i units) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), units); }

PLUM_SSE2 inline __m128i TerminatorLanes(__m128i units) { return _mm_cmpeq_epi16(units, _mm_setzero_si128()); }

PLUM_SSE2 inline bool HasTerminator(__m128i units) { return _mm_movemask_epi8(TerminatorLanes(units)) != 0; }

PLUM_SSE2 inline bool HasTerminator(__m128i a, __m128i b, __m128i c, __m128i d) {
    const __m128i ab = _mm_or_si128(TerminatorLanes(a), TerminatorLanes(b));
    const __m128i cd = _mm_or_si128(TerminatorLanes(c), TerminatorLanes(d));
    return _mm_movemask_epi8(_mm_or_si128(ab, cd)) != 0;
}

// The sum of eight counter lanes, each below 2^15.
PLUM_SSE2 inline int32_t SumLanes(__m128i counter) {
    __m128i sum = _mm_madd_epi16(counter, _mm_set1_epi16(1));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0x4E));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0xB1));
    return _mm_cvtsi128_si32(sum);
}

// The sum of sixteen byte counters.
PLUM_SSE2 inline int32_t SumBytes(__m128i counter) {
    const __m128i halves = _mm_sad_epu8(counter, _mm_setzero_si128());
    return _mm_cvtsi128_si32(_mm_add_epi32(halves, _mm_unpackhi_epi64(halves, halves)));
}

// ------------------------------------------------------------ dangerous units

// Today's set as runs: a byte b is in a run when (b - first) modulo 256 is at
// most span.
struct DangerRuns {
    int32_t count;
    __m128i first[MAX_RUNS];
    __m128i span[MAX_RUNS];
};

// False when the set has more than MAX_RUNS runs.
PLUM_SSE2 inline bool MakeDangerRuns(const int32_t* flags, DangerRuns* runs) {
    runs->count = 0;
    for (int32_t index = 0; index < UNSAFE_COUNT;) {
        if (flags[index] == 0) {
            ++index;
            continue;
        }
        const int32_t first = index;
        while (index < UNSAFE_COUNT && flags[index] != 0) ++index;
        if (runs->count == MAX_RUNS) return false;
        runs->first[runs->count] = _mm_set1_epi8(static_cast<char>(UNSAFE_FIRST + first));
        runs->span[runs->count] = _mm_set1_epi8(static_cast<char>(index - 1 - first));
        ++runs->count;
    }
    return true;
}

// 0xFF for each byte that is a dangerous character. Bytes of 0x80 and more,
// and 0, lie in no run.
PLUM_SSE2 inline __m128i DangerousBytes(__m128i bytes, const DangerRuns& runs) {
    __m128i distance = _mm_set1_epi8(-1);
    for (int32_t r = 0; r < runs.count; ++r) {
        distance = _mm_min_epu8(distance, _mm_subs_epu8(_mm_sub_epi8(bytes, runs.first[r]), runs.span[r]));
    }
    return _mm_cmpeq_epi8(distance, _mm_setzero_si128());
}

// The same for the two halves of a step in one walk over the runs: two
// independent chains of minima, which the processor overlaps.
PLUM_SSE2 inline void DangerousBytes(__m128i ab, __m128i cd, const DangerRuns& runs, __m128i* dangerousAB,
                                     __m128i* dangerousCD) {
    __m128i distanceAB = _mm_set1_epi8(-1);
    __m128i distanceCD = _mm_set1_epi8(-1);
    for (int32_t r = 0; r < runs.count; ++r) {
        const __m128i first = runs.first[r];
        const __m128i span = runs.span[r];
        distanceAB = _mm_min_epu8(distanceAB, _mm_subs_epu8(_mm_sub_epi8(ab, first), span));
        distanceCD = _mm_min_epu8(distanceCD, _mm_subs_epu8(_mm_sub_epi8(cd, first), span));
    }
    *dangerousAB = _mm_cmpeq_epi8(distanceAB, _mm_setzero_si128());
    *dangerousCD = _mm_cmpeq_epi8(distanceCD, _mm_setzero_si128());
}

// Two vectors as bytes: units below 0x100 keep their value, the others become
// 0xFF (0x100..0x7FFF) or 0 (0x8000 and more).
PLUM_SSE2 inline __m128i PackedBytes(__m128i a, __m128i b) { return _mm_packus_epi16(a, b); }

// units with a safe form where dangerous16 (one mask a unit) is set.
PLUM_SSE2 inline __m128i Remapped(__m128i units, __m128i dangerous16) {
    const __m128i offset = _mm_set1_epi16(static_cast<int16_t>(SAFE_FORM_OFFSET));
    return _mm_add_epi16(units, _mm_and_si128(dangerous16, offset));
}

// Remaps two vectors into out given their dangerous bytes (packed as
// PackedBytes packs them), counting the dangerous units in counter.
PLUM_SSE2 inline void RemapTwo(__m128i a, __m128i b, __m128i dangerous, char16_t* out, __m128i* counter) {
    const __m128i low = _mm_unpacklo_epi8(dangerous, dangerous);
    const __m128i high = _mm_unpackhi_epi8(dangerous, dangerous);
    Store(out, Remapped(a, low));
    Store(out + LANES, Remapped(b, high));
    *counter = _mm_sub_epi16(_mm_sub_epi16(*counter, low), high);
}

PLUM_SSE2 inline void RemapOne(__m128i a, char16_t* out, const DangerRuns& runs, __m128i* counter) {
    const __m128i dangerous = DangerousBytes(PackedBytes(a, a), runs);
    const __m128i low = _mm_unpacklo_epi8(dangerous, dangerous);
    Store(out, Remapped(a, low));
    *counter = _mm_sub_epi16(*counter, low);
}

PLUM_SSE2 int32_t RemapSse2(const char16_t* source, char16_t* destination, const int32_t* flags) {
    int32_t count = 0;
    int32_t i = 0;
    DangerRuns runs;
    if (!IsUnitAligned(source) || !MakeDangerRuns(flags, &runs)) {
        while (!RemapStep(source, destination, flags, i, &count)) ++i;
        return count;
    }
    for (const int32_t head = UnitsBeforeBlock(source, VECTOR_BYTES); i < head; ++i) {
        if (RemapStep(source, destination, flags, i, &count)) return count;
    }
    // REMAP_LIMIT units give a counter lane at most 2048. A step is stored
    // only once all of it has been read, so a destination at or before the
    // source never overwrites a unit still to be read.
    __m128i counter = _mm_setzero_si128();
    while (i + LANES <= REMAP_LIMIT) {
        if (IsBlockAligned(source + i, STEP_BYTES)) {
            while (i + STEP <= REMAP_LIMIT) {
                const __m128i a = LoadBlock(source + i);
                const __m128i b = LoadBlock(source + i + LANES);
                const __m128i c = LoadBlock(source + i + 2 * LANES);
                const __m128i d = LoadBlock(source + i + 3 * LANES);
                if (HasTerminator(a, b, c, d)) break;
                __m128i dangerousAB;
                __m128i dangerousCD;
                DangerousBytes(PackedBytes(a, b), PackedBytes(c, d), runs, &dangerousAB, &dangerousCD);
                RemapTwo(a, b, dangerousAB, destination + i, &counter);
                RemapTwo(c, d, dangerousCD, destination + i + 2 * LANES, &counter);
                i += STEP;
            }
            if (i + LANES > REMAP_LIMIT) break;
        }
        const __m128i a = LoadBlock(source + i);
        if (HasTerminator(a)) break;
        RemapOne(a, destination + i, runs, &counter);
        i += LANES;
    }
    count += SumLanes(counter);
    while (!RemapStep(source, destination, flags, i, &count)) ++i;
    return count;
}

PLUM_SSE2 int32_t CountDangerousSse2(const char16_t* text, const int32_t* flags) {
    DangerRuns runs;
    if (!IsUnitAligned(text) || !MakeDangerRuns(flags, &runs)) return CountDangerousFrom(text, flags, 0);
    int32_t count = 0;
    for (const char16_t* aligned = text + UnitsBeforeBlock(text, VECTOR_BYTES); text < aligned; ++text) {
        if (*text == 0) return count;
        if (IsDangerousIn(flags, *text)) ++count;
    }
    // Byte counters, summed before they can overflow.
    __m128i counter = _mm_setzero_si128();
    int32_t steps = 0;
    for (;;) {
        if (IsBlockAligned(text, STEP_BYTES)) {
            for (;;) {
                const __m128i a = LoadBlock(text);
                const __m128i b = LoadBlock(text + LANES);
                const __m128i c = LoadBlock(text + 2 * LANES);
                const __m128i d = LoadBlock(text + 3 * LANES);
                if (HasTerminator(a, b, c, d)) break;
                __m128i ab;
                __m128i cd;
                DangerousBytes(PackedBytes(a, b), PackedBytes(c, d), runs, &ab, &cd);
                counter = _mm_sub_epi8(_mm_sub_epi8(counter, ab), cd);
                text += STEP;
                if (++steps == STEPS_PER_BYTE_SUM) {
                    count += SumBytes(counter);
                    counter = _mm_setzero_si128();
                    steps = 0;
                }
            }
        }
        const __m128i a = LoadBlock(text);
        if (HasTerminator(a)) break;
        // a packed with itself: only its first copy counts.
        const __m128i dangerous = DangerousBytes(PackedBytes(a, a), runs);
        counter = _mm_sub_epi8(counter, _mm_unpacklo_epi64(dangerous, _mm_setzero_si128()));
        text += LANES;
    }
    return CountDangerousFrom(text, flags, count + SumBytes(counter));
}

// ------------------------------------------------------------ safe forms

// All ones in the lanes that hold a safe form.
PLUM_SSE2 inline __m128i SafeFormLanes(__m128i units) {
    const __m128i moved = _mm_add_epi16(units, _mm_set1_epi16(SAFE_FORM_BIAS));
    return _mm_cmplt_epi16(moved, _mm_set1_epi16(SAFE_FORM_BIASED_END));
}

// Turns back the safe forms of one vector and counts them in counter.
PLUM_SSE2 inline __m128i Unremapped(__m128i units, __m128i* counter) {
    const __m128i safe = SafeFormLanes(units);
    *counter = _mm_sub_epi16(*counter, safe);
    return _mm_add_epi16(units, _mm_and_si128(safe, _mm_set1_epi16(UNREMAP_ADDEND)));
}

PLUM_SSE2 int32_t UnremapSse2(const char16_t* source, char16_t* destination) {
    int32_t count = 0;
    int32_t i = 0;
    if (!IsUnitAligned(source)) {
        while (!UnremapStep(source, destination, i, &count)) ++i;
        return count;
    }
    for (const int32_t head = UnitsBeforeBlock(source, VECTOR_BYTES); i < head; ++i) {
        if (UnremapStep(source, destination, i, &count)) return count;
    }
    // REMAP_LIMIT units give a counter lane at most 2048.
    __m128i counter = _mm_setzero_si128();
    while (i + LANES <= REMAP_LIMIT) {
        if (IsBlockAligned(source + i, STEP_BYTES)) {
            while (i + STEP <= REMAP_LIMIT) {
                const __m128i a = LoadBlock(source + i);
                const __m128i b = LoadBlock(source + i + LANES);
                const __m128i c = LoadBlock(source + i + 2 * LANES);
                const __m128i d = LoadBlock(source + i + 3 * LANES);
                if (HasTerminator(a, b, c, d)) break;
                Store(destination + i, Unremapped(a, &counter));
                Store(destination + i + LANES, Unremapped(b, &counter));
                Store(destination + i + 2 * LANES, Unremapped(c, &counter));
                Store(destination + i + 3 * LANES, Unremapped(d, &counter));
                i += STEP;
            }
            if (i + LANES > REMAP_LIMIT) break;
        }
        const __m128i a = LoadBlock(source + i);
        if (HasTerminator(a)) break;
        Store(destination + i, Unremapped(a, &counter));
        i += LANES;
    }
    count += SumLanes(counter);
    while (!UnremapStep(source, destination, i, &count)) ++i;
    return count;
}

PLUM_SSE2 int32_t CountSafeFormsSse2(const char16_t* text) {
    if (!IsUnitAligned(text)) return CountSafeFormsFrom(text, 0);
    int32_t count = 0;
    for (const char16_t* aligned = text + UnitsBeforeBlock(text, VECTOR_BYTES); text < aligned; ++text) {
        if (*text == 0) return count;
        if (IsSafeForm(*text)) ++count;
    }
    __m128i counter = _mm_setzero_si128();
    int32_t steps = 0;
    for (;;) {
        if (IsBlockAligned(text, STEP_BYTES)) {
            for (;;) {
                const __m128i a = LoadBlock(text);
                const __m128i b = LoadBlock(text + LANES);
                const __m128i c = LoadBlock(text + 2 * LANES);
                const __m128i d = LoadBlock(text + 3 * LANES);
                if (HasTerminator(a, b, c, d)) break;
                const __m128i ab = _mm_add_epi16(SafeFormLanes(a), SafeFormLanes(b));
                const __m128i cd = _mm_add_epi16(SafeFormLanes(c), SafeFormLanes(d));
                counter = _mm_sub_epi16(counter, _mm_add_epi16(ab, cd));
                text += STEP;
                // The text has no length limit: the lanes are summed before
                // they can overflow.
                if (++steps == STEPS_PER_SUM) {
                    count += SumLanes(counter);
                    counter = _mm_setzero_si128();
                    steps = 0;
                }
            }
        }
        const __m128i a = LoadBlock(text);
        if (HasTerminator(a)) break;
        counter = _mm_sub_epi16(counter, SafeFormLanes(a));
        text += LANES;
    }
    return CountSafeFormsFrom(text, count + SumLanes(counter));
}

}  // namespace

const RemapKernels remapKernelsSse2 = {"sse2", RemapSse2, UnremapSse2, CountSafeFormsSse2, CountDangerousSse2};

#endif
