// The cost per code unit of @UQUOTES and @TAGATTR on texts of 16383 units
// (the longest argument): ordinary prose, against texts built so that the
// extra work of each function is done as often and as long as it can be.
// "per_unit" is the time per code unit of the text; each iteration also
// copies the text into the argument buffer, as the host does for a call.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "abi/abi.h"
#include "typography/smart_quotes.h"
#include "typography/tag_attributes.h"

namespace {

using ExportFn = int32_t(PLUM_CALL*)(char16_t*);

constexpr size_t TEXT_UNITS = MAX_ARG_LEN - 1;

const std::u16string kProse =
    u"\"It's a fine day,\" she said -- and it was. The children's voices rose from the garden, "
    u"where 'tis said the old oak had stood since the '20s; nobody knew who'd planted it. "
    u"He measured it at 5'10\" round and wrote the figure down in his notebook. ";

// Repeats piece after head until the text holds TEXT_UNITS code units.
std::u16string Filled(const std::u16string& head, const std::u16string& piece) {
    std::u16string text = head;
    while (text.size() < TEXT_UNITS) text += piece;
    text.resize(TEXT_UNITS);
    return text;
}

void RunOnText(benchmark::State& state, ExportFn fn, const std::u16string& text) {
    std::u16string buffer(MAX_ARG_LEN, u'\0');
    for (auto _ : state) {
        std::copy(text.begin(), text.end(), buffer.begin());
        buffer[text.size()] = 0;
        benchmark::DoNotOptimize(fn(&buffer[0]));
        benchmark::ClobberMemory();
    }
    const auto units = static_cast<double>(text.size());
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(text.size()));
    state.counters["per_unit"] =
        benchmark::Counter(units, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void UquotesProse(benchmark::State& state) { RunOnText(state, f_uquotes, Filled(u"", kProse)); }

// Every third unit is a quote that begins a word (the quote before it gives
// a quotation mark, not a letter), and the word of letters and quotes runs
// to the end of the text: a test that collected whole words would read all
// the rest of the text each time.
void UquotesContractionRuns(benchmark::State& state) { RunOnText(state, f_uquotes, Filled(u"", u"''a")); }

// The same density of tests, on words spelt as a listed word is for as long
// as the list allows ('n and 'n'), so that each test reads past the start.
void UquotesContractionPrefixes(benchmark::State& state) { RunOnText(state, f_uquotes, Filled(u"", u"''n")); }

// Listed words one after the other, each read whole and compared.
void UquotesListedWords(benchmark::State& state) {
    RunOnText(state, f_uquotes, Filled(u"", u" 'twouldn't 'tisn't 'n' 'twern't"));
}

// Nothing but quotes: a decision at every unit (no contraction test).
void UquotesQuotesOnly(benchmark::State& state) { RunOnText(state, f_uquotes, Filled(u"", u"'")); }

void TagattrProse(benchmark::State& state) {
    RunOnText(state, f_tagattr, Filled(u"title,<p class=intro> ", kProse));
}

// The longest name that can match, and tokens that differ from it only in
// their last unit before the "=": every token is compared in full.
void TagattrNearMisses(benchmark::State& state) {
    const std::u16string name(1023, u'n');
    const std::u16string nearMiss = name.substr(1) + u"m='v' ";
    RunOnText(state, f_tagattr, Filled(name + u",<a ", nearMiss));
}

// Short tokens with quotes, an "=" and a name comparison each.
void TagattrDenseTokens(benchmark::State& state) {
    RunOnText(state, f_tagattr, Filled(u"ab,<a ", u"ac='' "));
}

BENCHMARK(UquotesProse);
BENCHMARK(UquotesContractionRuns);
BENCHMARK(UquotesContractionPrefixes);
BENCHMARK(UquotesListedWords);
BENCHMARK(UquotesQuotesOnly);
BENCHMARK(TagattrProse);
BENCHMARK(TagattrNearMisses);
BENCHMARK(TagattrDenseTokens);

}  // namespace
