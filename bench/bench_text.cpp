#include "bench_text.h"

#include <random>

namespace {

const char16_t kDangerous[] = u"\"%&()<>[]^`|";
const char16_t kOrdinary[] = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789      .,;:-+='!?/";
const char16_t kOther[] = u"\u00e9\u00fc\u00df\u2014\u2019\u20ac\u4e2d\u0416";

// One unit in twenty dangerous, one in twenty beyond ASCII, the rest plain ASCII.
char16_t BenchUnit(std::mt19937& random) {
    const uint32_t roll = random() % 100;
    if (roll < 5) return kDangerous[random() % (sizeof kDangerous / sizeof kDangerous[0] - 1)];
    if (roll < 10) return kOther[random() % (sizeof kOther / sizeof kOther[0] - 1)];
    return kOrdinary[random() % (sizeof kOrdinary / sizeof kOrdinary[0] - 1)];
}

}  // namespace

std::u16string BenchPlainText(size_t units) {
    std::mt19937 random(static_cast<uint32_t>(units));
    std::u16string text(units, u' ');
    for (char16_t& c : text) c = BenchUnit(random);
    return text;
}

std::u16string BenchSafeText(size_t units) {
    std::u16string text = BenchPlainText(units);
    for (char16_t& c : text) {
        for (const char16_t* d = kDangerous; *d != 0; ++d) {
            if (c == *d) c = static_cast<char16_t>(c + 0xFEE0);
        }
    }
    return text;
}
