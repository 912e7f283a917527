// The AVX2 kernels: sixteen code units a vector, four vectors a step.
//
// A dangerous character is found with a table made from today's set on each
// call: for a byte b below 0x80, rowsByLow[b & 15] holds bit b >> 4 when b is
// dangerous, and bitOfRow[b >> 4] is that bit. Two vectors of units are
// packed to bytes first, so one pair of table lookups serves 32 units; the
// packing keeps every unit below 0x100 and turns every other unit into a byte
// of 0x80 or more, or 0, none of which the table marks.
//
// A safe form is found by moving U+FF00..U+FF5F to the lowest signed 16-bit
// values, where one signed comparison picks them out.
#include "charset/remap_kernels.h"

#if PLUM_X86_KERNELS

#include <immintrin.h>

#include "charset/remap_blocks.h"
#include "charset/remap_reference.h"

#define PLUM_AVX2 __attribute__((target("avx2,popcnt")))

namespace {

constexpr int32_t LANES = 16;        // code units in a vector
constexpr int32_t STEP = 4 * LANES;  // code units in a step
constexpr uintptr_t VECTOR_BYTES = 32;
constexpr uintptr_t STEP_BYTES = 128;
// A counter lane gains at most four a step, and at most six from the single
// vectors around the steps: this many steps keep it below 2^15.
constexpr int32_t STEPS_PER_SUM = 8000;

// Adding SAFE_FORM_BIAS moves U+FF00..U+FF5F to 0x8000..0x805F.
constexpr int16_t SAFE_FORM_BIAS = static_cast<int16_t>(0x8100);
constexpr int16_t SAFE_FORM_BIASED_END = static_cast<int16_t>(0x8000 + UNSAFE_COUNT);
// c - SAFE_FORM_OFFSET, modulo 0x10000.
constexpr int16_t UNREMAP_ADDEND = static_cast<int16_t>(0x10000 - SAFE_FORM_OFFSET);

PLUM_AVX2 PLUM_BLOCK_READ inline __m256i LoadBlock(const char16_t* p) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(p));
}

PLUM_AVX2 inline void Store(char16_t* p, __m256i units) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), units); }

PLUM_AVX2 inline bool HasTerminator(__m256i units) {
    return _mm256_movemask_epi8(_mm256_cmpeq_epi16(units, _mm256_setzero_si256())) != 0;
}

PLUM_AVX2 inline bool HasTerminator(__m256i a, __m256i b, __m256i c, __m256i d) {
    return HasTerminator(_mm256_min_epu16(_mm256_min_epu16(a, b), _mm256_min_epu16(c, d)));
}

// The sum of sixteen counter lanes, each below 2^15.
PLUM_AVX2 inline int32_t SumLanes(__m256i counter) {
    const __m256i pairs = _mm256_madd_epi16(counter, _mm256_set1_epi16(1));
    __m128i sum = _mm_add_epi32(_mm256_castsi256_si128(pairs), _mm256_extracti128_si256(pairs, 1));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0x4E));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0xB1));
    return _mm_cvtsi128_si32(sum);
}

PLUM_AVX2 inline int32_t PopCount(int32_t bits) { return _mm_popcnt_u32(static_cast<uint32_t>(bits)); }

// ------------------------------------------------------------ dangerous units

// The set as lookup tables, repeated in both 128-bit halves because the byte
// shuffle looks up within each half.
struct DangerTables {
    __m256i rowsByLow;
    __m256i bitOfRow;
};

PLUM_AVX2 inline DangerTables MakeDangerTables(const int32_t* flags) {
    __m128i rows = _mm_setzero_si128();
    for (int32_t high = UNSAFE_FIRST >> 4; high < 8; ++high) {
        const __m128i* row = reinterpret_cast<const __m128i*>(flags + (high << 4) - UNSAFE_FIRST);
        // Saturating packs keep every nonzero flag nonzero.
        const __m128i bytes = _mm_packs_epi16(_mm_packs_epi32(_mm_loadu_si128(row), _mm_loadu_si128(row + 1)),
                                              _mm_packs_epi32(_mm_loadu_si128(row + 2), _mm_loadu_si128(row + 3)));
        const __m128i clear = _mm_cmpeq_epi8(bytes, _mm_setzero_si128());
        rows = _mm_or_si128(rows, _mm_andnot_si128(clear, _mm_set1_epi8(static_cast<char>(1 << high))));
    }
    DangerTables tables;
    tables.rowsByLow = _mm256_broadcastsi128_si256(rows);
    tables.bitOfRow = _mm256_broadcastsi128_si256(_mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 0, 0, 0, 0, 0, 0, 0, 0));
    return tables;
}

// 0xFF for each byte that is not a dangerous character. Bytes of 0x80 and
// more find nothing: the shuffle gives 0 for them.
PLUM_AVX2 inline __m256i HarmlessBytes(__m256i bytes, const DangerTables& tables) {
    const __m256i rows = _mm256_shuffle_epi8(tables.rowsByLow, bytes);
    const __m256i high = _mm256_and_si256(_mm256_srli_epi16(bytes, 4), _mm256_set1_epi8(0x0F));
    const __m256i bit = _mm256_shuffle_epi8(tables.bitOfRow, high);
    return _mm256_cmpeq_epi8(_mm256_and_si256(rows, bit), _mm256_setzero_si256());
}

// Two vectors as bytes, half by half (a's low half, b's low half, a's high
// half, b's high half): units below 0x100 keep their value.
PLUM_AVX2 inline __m256i PackedBytes(__m256i a, __m256i b) { return _mm256_packus_epi16(a, b); }

// The number of dangerous units among 32 packed ones.
PLUM_AVX2 inline int32_t DangerousIn(__m256i harmless) { return 2 * LANES - PopCount(_mm256_movemask_epi8(harmless)); }

// The same for one vector packed with itself: each unit is there twice, and
// only its first copy counts.
PLUM_AVX2 inline int32_t DangerousInOne(__m256i harmless) {
    return LANES - PopCount(_mm256_movemask_epi8(harmless) & 0x00FF00FF);
}

// units with a safe form where harmless16 (one mask a unit) is clear.
PLUM_AVX2 inline __m256i Remapped(__m256i units, __m256i harmless16) {
    const __m256i offset = _mm256_set1_epi16(static_cast<int16_t>(SAFE_FORM_OFFSET));
    return _mm256_add_epi16(units, _mm256_andnot_si256(harmless16, offset));
}

// Remaps 32 units into out and returns how many were dangerous.
PLUM_AVX2 inline int32_t RemapTwo(__m256i a, __m256i b, char16_t* out, const DangerTables& tables) {
    const __m256i harmless = HarmlessBytes(PackedBytes(a, b), tables);
    Store(out, Remapped(a, _mm256_unpacklo_epi8(harmless, harmless)));
    Store(out + LANES, Remapped(b, _mm256_unpackhi_epi8(harmless, harmless)));
    return DangerousIn(harmless);
}

PLUM_AVX2 inline int32_t RemapOne(__m256i a, char16_t* out, const DangerTables& tables) {
    const __m256i harmless = HarmlessBytes(PackedBytes(a, a), tables);
    Store(out, Remapped(a, _mm256_unpacklo_epi8(harmless, harmless)));
    return DangerousInOne(harmless);
}

PLUM_AVX2 int32_t RemapAvx2(const char16_t* source, char16_t* destination, const int32_t* flags) {
    int32_t count = 0;
    int32_t i = 0;
    if (!IsUnitAligned(source)) {
        while (!RemapStep(source, destination, flags, i, &count)) ++i;
        return count;
    }
    for (const int32_t head = UnitsBeforeBlock(source, VECTOR_BYTES); i < head; ++i) {
        if (RemapStep(source, destination, flags, i, &count)) return count;
    }
    const DangerTables tables = MakeDangerTables(flags);
    // Single vectors up to the first aligned step, steps up to the terminator
    // or the limit, single vectors up to the terminator's vector. A step is
    // stored only once all of it has been read, so a destination at or
    // before the source never overwrites a unit still to be read.
    while (i + LANES <= REMAP_LIMIT) {
        if (IsBlockAligned(source + i, STEP_BYTES)) {
            while (i + STEP <= REMAP_LIMIT) {
                const __m256i a = LoadBlock(source + i);
                const __m256i b = LoadBlock(source + i + LANES);
                const __m256i c = LoadBlock(source + i + 2 * LANES);
                const __m256i d = LoadBlock(source + i + 3 * LANES);
                if (HasTerminator(a, b, c, d)) break;
                count += RemapTwo(a, b, destination + i, tables);
                count += RemapTwo(c, d, destination + i + 2 * LANES, tables);
                i += STEP;
            }
            if (i + LANES > REMAP_LIMIT) break;
        }
        const __m256i a = LoadBlock(source + i);
        if (HasTerminator(a)) break;
        count += RemapOne(a, destination + i, tables);
        i += LANES;
    }
    while (!RemapStep(source, destination, flags, i, &count)) ++i;
    return count;
}

PLUM_AVX2 int32_t CountDangerousAvx2(const char16_t* text, const int32_t* flags) {
    if (!IsUnitAligned(text)) return CountDangerousFrom(text, flags, 0);
    int32_t count = 0;
    for (const char16_t* aligned = text + UnitsBeforeBlock(text, VECTOR_BYTES); text < aligned; ++text) {
        if (*text == 0) return count;
        if (IsDangerousIn(flags, *text)) ++count;
    }
    const DangerTables tables = MakeDangerTables(flags);
    for (;;) {
        if (IsBlockAligned(text, STEP_BYTES)) {
            for (;;) {
                const __m256i a = LoadBlock(text);
                const __m256i b = LoadBlock(text + LANES);
                const __m256i c = LoadBlock(text + 2 * LANES);
                const __m256i d = LoadBlock(text + 3 * LANES);
                if (HasTerminator(a, b, c, d)) break;
                count += DangerousIn(HarmlessBytes(PackedBytes(a, b), tables));
                count += DangerousIn(HarmlessBytes(PackedBytes(c, d), tables));
                text += STEP;
            }
        }
        const __m256i a = LoadBlock(text);
        if (HasTerminator(a)) break;
        count += DangerousInOne(HarmlessBytes(PackedBytes(a, a), tables));
        text += LANES;
    }
    return CountDangerousFrom(text, flags, count);
}

// ------------------------------------------------------------ safe forms

// All ones in the lanes that hold a safe form.
PLUM_AVX2 inline __m256i SafeFormLanes(__m256i units) {
    const __m256i moved = _mm256_add_epi16(units, _mm256_set1_epi16(SAFE_FORM_BIAS));
    return _mm256_cmpgt_epi16(_mm256_set1_epi16(SAFE_FORM_BIASED_END), moved);
}

// Turns back the safe forms of one vector and counts them in counter.
PLUM_AVX2 inline __m256i Unremapped(__m256i units, __m256i* counter) {
    const __m256i safe = SafeFormLanes(units);
    *counter = _mm256_sub_epi16(*counter, safe);
    return _mm256_add_epi16(units, _mm256_and_si256(safe, _mm256_set1_epi16(UNREMAP_ADDEND)));
}

PLUM_AVX2 int32_t UnremapAvx2(const char16_t* source, char16_t* destination) {
    int32_t count = 0;
    int32_t i = 0;
    if (!IsUnitAligned(source)) {
        while (!UnremapStep(source, destination, i, &count)) ++i;
        return count;
    }
    for (const int32_t head = UnitsBeforeBlock(source, VECTOR_BYTES); i < head; ++i) {
        if (UnremapStep(source, destination, i, &count)) return count;
    }
    // REMAP_LIMIT units give a counter lane at most 1024.
    __m256i counter = _mm256_setzero_si256();
    while (i + LANES <= REMAP_LIMIT) {
        if (IsBlockAligned(source + i, STEP_BYTES)) {
            while (i + STEP <= REMAP_LIMIT) {
                const __m256i a = LoadBlock(source + i);
                const __m256i b = LoadBlock(source + i + LANES);
                const __m256i c = LoadBlock(source + i + 2 * LANES);
                const __m256i d = LoadBlock(source + i + 3 * LANES);
                if (HasTerminator(a, b, c, d)) break;
                Store(destination + i, Unremapped(a, &counter));
                Store(destination + i + LANES, Unremapped(b, &counter));
                Store(destination + i + 2 * LANES, Unremapped(c, &counter));
                Store(destination + i + 3 * LANES, Unremapped(d, &counter));
                i += STEP;
            }
            if (i + LANES > REMAP_LIMIT) break;
        }
        const __m256i a = LoadBlock(source + i);
        if (HasTerminator(a)) break;
        Store(destination + i, Unremapped(a, &counter));
        i += LANES;
    }
    count += SumLanes(counter);
    while (!UnremapStep(source, destination, i, &count)) ++i;
    return count;
}

PLUM_AVX2 int32_t CountSafeFormsAvx2(const char16_t* text) {
    if (!IsUnitAligned(text)) return CountSafeFormsFrom(text, 0);
    int32_t count = 0;
    for (const char16_t* aligned = text + UnitsBeforeBlock(text, VECTOR_BYTES); text < aligned; ++text) {
        if (*text == 0) return count;
        if (IsSafeForm(*text)) ++count;
    }
    __m256i counter = _mm256_setzero_si256();
    int32_t steps = 0;
    for (;;) {
        if (IsBlockAligned(text, STEP_BYTES)) {
            for (;;) {
                const __m256i a = LoadBlock(text);
                const __m256i b = LoadBlock(text + LANES);
                const __m256i c = LoadBlock(text + 2 * LANES);
                const __m256i d = LoadBlock(text + 3 * LANES);
                if (HasTerminator(a, b, c, d)) break;
                const __m256i ab = _mm256_add_epi16(SafeFormLanes(a), SafeFormLanes(b));
                const __m256i cd = _mm256_add_epi16(SafeFormLanes(c), SafeFormLanes(d));
                counter = _mm256_sub_epi16(counter, _mm256_add_epi16(ab, cd));
                text += STEP;
                // The text has no length limit: the lanes are summed before
                // they can overflow.
                if (++steps == STEPS_PER_SUM) {
                    count += SumLanes(counter);
                    counter = _mm256_setzero_si256();
                    steps = 0;
                }
            }
        }
        const __m256i a = LoadBlock(text);
        if (HasTerminator(a)) break;
        counter = _mm256_sub_epi16(counter, SafeFormLanes(a));
        text += LANES;
    }
    return CountSafeFormsFrom(text, count + SumLanes(counter));
}

}  // namespace

const RemapKernels remapKernelsAvx2 = {"avx2", RemapAvx2, UnremapAvx2, CountSafeFormsAvx2, CountDangerousAvx2};

#endif
