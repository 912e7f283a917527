// The texts the benchmarks give the plug-in: ordinary text in which 5 % of
// the characters are dangerous under the default set, as it arrives (plain)
// and as it travels through a script (in safe form). The same length always
// gives the same text.
#pragma once

#include <cstddef>
#include <string>

std::u16string BenchPlainText(size_t units);
std::u16string BenchSafeText(size_t units);
