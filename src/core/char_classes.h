// The character classes of the plug-in: letter, digit, letter-or-digit, white
// space, punctuation, hexadecimal digit and graphic, for every UTF-16 code
// unit, and the value of a decimal digit. Every build classifies alike: the
// answers come from one generated table (char_class_table.inc), not from the
// C runtime or the locale.
//
// Below U+0100 the classes are a fixed table:
//   white space  U+0009..U+000D, U+0020, U+00A0
//   digit        0..9, and the superscripts U+00B2, U+00B3, U+00B9
//   hex digit    0..9, A..F, a..f
//   letter       A..Z, a..z, U+00C0..U+00D6, U+00D8..U+00F6, U+00F8..U+00FF
//   punctuation  U+0021..U+002F, U+003A..U+0040, U+005B..U+0060,
//                U+007B..U+007E, U+00A1..U+00BF (the superscripts too),
//                U+00D7, U+00F7
//   (U+0000..U+001F and U+007F..U+009F are controls: no class but white space.)
// From U+0100 on the Unicode general category decides:
//   letter       Lu, Ll, Lt, Lm, Lo (the macron vowels among them)
//   digit        Nd
//   white space  Zs, Zl, Zp (U+2007 and U+202F included)
//   punctuation  P*, S* and No (the fractions U+2150..U+215E, the
//                typographic quotes U+2018..U+201D, the em dash U+2014)
//   hex digit    the fullwidth 0..9, A..F, a..f only
//   no class     everything else: combining marks (Mn, Mc, Me), letter
//                numbers (Nl), controls and format characters (Cc, Cf),
//                surrogates, private use, unassigned code points and U+FFFF.
//
// A digit and its value: the digit class holds the superscripts two, three
// and one, which have no decimal value. A number reader must decide what a
// digit is with CharDigitValue (a result of 0..9), never with CharIsDigit,
// so that every digit it accepts has a value. Every other digit (0..9 and
// each Nd code unit from U+0100 on) has a value 0..9.
#pragma once

#include <cstdint>

bool CharIsLetter(char16_t c);
bool CharIsDigit(char16_t c);
bool CharIsLetterOrDigit(char16_t c);
bool CharIsSpace(char16_t c);
bool CharIsPunct(char16_t c);
bool CharIsHexDigit(char16_t c);
// Letter, digit or punctuation: neither white space nor a control.
bool CharIsGraphic(char16_t c);

// The decimal value 0..9 of a digit, or -1 for a code unit without one (the
// superscripts U+00B2, U+00B3, U+00B9 and everything that is not a digit).
int32_t CharDigitValue(char16_t c);
