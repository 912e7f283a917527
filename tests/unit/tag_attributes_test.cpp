// @TAGATTR: every failure of its table, the token rules, and the same
// lookups with the other kind of quote and with tags in safe form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export_call.h"
#include "test_support.h"
#include "typography/tag_attributes.h"

namespace {

std::string Message(const std::string& text) { return "Plumquist plugin: " + text + "\r\n"; }

struct AttributeCase {
    std::u16string argument;
    std::u16string value;  // the buffer afterwards
};

// The argument and value with single and double quotes swapped: a lookup
// does not depend on the kind of quote.
std::u16string SwapQuotes(std::u16string text) {
    for (char16_t& c : text) c = c == u'\'' ? u'"' : c == u'"' ? u'\'' : c;
    return text;
}

// "<", ">" and both quotes in safe form, as a remapped tag arrives.
std::u16string SafeForms(std::u16string text) {
    for (char16_t& c : text) {
        if (c == u'<' || c == u'>' || c == u'\'' || c == u'"') c = static_cast<char16_t>(c + 0xFEE0);
    }
    return text;
}

void ExpectValue(const std::u16string& argument, const std::u16string& value) {
    CapturedStderr captured;
    const ExportResult r = CallExport(f_tagattr, argument);
    EXPECT_EQ(r.code, 0) << Narrow(argument.substr(0, 40));
    EXPECT_EQ(r.text, value) << Narrow(argument.substr(0, 40));
    EXPECT_TRUE(r.canaryIntact) << Narrow(argument.substr(0, 40));
    EXPECT_EQ(captured.Bytes(), "") << Narrow(argument.substr(0, 40));
}

TEST(TagAttributes, LookupsWithEitherQuoteAndInSafeForm) {
    const AttributeCase cases[] = {
        {u"href,<a href='x.html' title=T>", u"x.html"},
        {u"title,<a href='x.html' title=T>", u"T"},
        {u"HREF, <A Href=x.html>", u"x.html"},
        {u"title,<a title='a > b'>", u"a > b"},
        {u"t,<p t='say \"hi\"'>", u"say \"hi\""},  // the other kind of quote is text
        {u"a,<p a='x'y>", u"xy"},
        {u"a,<p a=x'y z'>", u"xy z"},
        {u"ab,<p 'a'b=c>", u"c"},
        {u"a,<p 'a=b'=c>", u""},  // an "=" inside quotes is no separator
        {u"a,<p a='b=c'>", u"b=c"},
        {u"a,<p a=b=c>", u"b=c"},
        {u"href,<a href=''>", u""},
        {u"href,<a href=>", u""},
        {u"href,<a href= x>", u""},
        {u"href,<a href =x>", u""},
        {u"h,<a href=x>", u""},
        {u"href,<a h=x>", u""},
        {u"href,<a>", u""},
        {u"href,<a href=x", u""},    // the end of the text cuts the token off
        {u"href,<a href='x>", u""},  // and so does an unclosed quote
        {u"href,<a href=x ", u"x"},
        {u"alt,<img src=x><img alt=y>", u"y"},
        {u"x,<p> text x=5 more", u"5"},  // past the tag, any name=value word
        {u"a,<p a=1 a=2>", u"1"},
        {u"a,<p\ta=1>", u"1"},
        {u"a,<p\u00A0a=1>", u"1"},
        {u"a,<p\na=1\r>", u"1"},
        {u"a,<p x=\"1 a=2\" a=3>", u"3"},
        {u"b2,<h1 b2=2>", u"2"},
        {u"1,<p 1=one>", u"one"},
        {u"href ; <a href=x>", u"x"},
        {u"  href;<a href=x>", u"x"},
        {u"href <a href=x>", u"x"},
        {u"href,,<a href=x>", u""},
        {u"href,text", u""},
        {u"href", u""},
        {u"href,", u""},
        {u"\xFF48\xFF52\xFF45\xFF46,<a \xFF48\xFF52\xFF45\xFF46=1>", u"1"},
        {u"\xFF48\xFF52\xFF45\xFF46,<a \xFF28\xFF32\xFF25\xFF26=1>", u""},  // fullwidth letters compare exactly
        {u"\u00E9t\u00E9,<p \u00C9T\u00C9=1 \u00E9T\u00E9=2>", u"2"},
    };
    for (const AttributeCase& c : cases) {
        ExpectValue(c.argument, c.value);
        ExpectValue(SwapQuotes(c.argument), SwapQuotes(c.value));
        ExpectValue(SafeForms(c.argument), SafeForms(c.value));
        ExpectValue(SafeForms(SwapQuotes(c.argument)), SafeForms(SwapQuotes(c.value)));
    }
}

TEST(TagAttributes, QuotesOfBothFormsCloseEachOther) {
    ExpectValue(u"a,<p a='x\xFF07 b=1>", u"x");
    ExpectValue(u"a,<p a=\xFF02x\" b=1>", u"x");
    ExpectValue(u"a,<p a='x\" b=1>", u"");  // still open at the end
}

TEST(TagAttributes, BadNamesAreReportedAndTheBufferKept) {
    EXPECT_EQ(f_tagattr(nullptr), 1);

    struct FailureCase {
        std::u16string argument;
        std::string message;
    };
    const std::string missing = Message("Missing attribute name");
    const std::u16string longBad = Repeat(u'A', 1100) + u"-";
    const FailureCase cases[] = {
        {u"", missing},
        {u"   ", missing},
        {u",<a>", missing},
        {u" ;<a href=x>", missing},
        {u"-x,<a>", missing},
        {u"<a href=x>", missing},
        {u"data-id,<a data-id=5>", Message("Bad characters in attribute name:  \"data-id\"")},
        {u"Href<a href=x>", Message("Bad characters in attribute name:  \"href<a\"")},
        {u"HR_EF,<a>", Message("Bad characters in attribute name:  \"hr_ef\"")},
        {u"a%s%d,<a>", Message("Bad characters in attribute name:  \"a%s%d\"")},
        // The message shows the name's first 1023 units.
        {longBad, Message("Bad characters in attribute name:  \"" + std::string(1023, 'a') + "\"")},
    };
    for (const FailureCase& c : cases) {
        CapturedStderr captured;
        const ExportResult r = CallExport(f_tagattr, c.argument);
        EXPECT_EQ(r.code, -1) << Narrow(c.argument.substr(0, 40));
        EXPECT_EQ(r.text, c.argument) << Narrow(c.argument.substr(0, 40));
        EXPECT_EQ(captured.Bytes(), c.message) << Narrow(c.argument.substr(0, 40));
    }
}

TEST(TagAttributes, NamesAndValuesAtTheirLimits) {
    const std::u16string longest = Repeat(u'n', 1023);
    const std::u16string tooLong = Repeat(u'n', 1024);
    // A name past the kept length never matches, not even the attribute
    // named by its first 1023 units.
    ExpectValue(longest + u",<a " + longest + u"=x>", u"x");
    ExpectValue(tooLong + u",<a " + longest + u"=x>", u"");
    ExpectValue(tooLong + u",<a " + tooLong + u"=x>", u"");

    // A value that fills the rest of the longest argument.
    const std::u16string head = u"v,<a v=";
    const std::u16string value = Repeat(u'x', 16383 - head.size() - 1);
    ExpectValue(head + value + u">", value);
    ExpectValue(head + u"'" + value.substr(1), u"");  // cut off by the end
}

}  // namespace
