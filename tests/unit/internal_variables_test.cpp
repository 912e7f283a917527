#include <gtest/gtest.h>

#include <string>

#include "abi/exports.h"
#include "charset/internal_variables.h"
#include "charset/unsafe_set.h"
#include "export_call.h"
#include "test_support.h"

namespace {

struct VariableCase {
    ExportFn fn;
    char16_t value;
    char16_t plain;
};

const VariableCase kVariables[] = {
    {_amp, u'\xFF06', u'&'},      {_bq, u'\xFF40', u'`'},      {_caret, u'\xFF3E', u'^'},
    {_closebrk, u'\xFF3D', u']'}, {_closepat, u'\xFF09', u')'}, {_gt, u'\xFF1E', u'>'},
    {_lt, u'\xFF1C', u'<'},       {_openbrk, u'\xFF3B', u'['},  {_openpat, u'\xFF08', u'('},
    {_pct, u'\xFF05', u'%'},      {_quote, u'\xFF02', u'"'},    {_vbar, u'\xFF5C', u'|'},
};

TEST(InternalVariables, EachYieldsItsSafeFormWhateverTheSet) {
    for (bool emptySet : {false, true}) {
        SetDefaultUnsafe();
        if (emptySet) {
            for (int32_t& flag : unsafeSet) flag = 0;
        }
        std::u16string plain;
        for (const VariableCase& v : kVariables) {
            const ExportResult r = CallExport(v.fn, u"previous text");
            EXPECT_EQ(r.code, 0);
            EXPECT_EQ(r.text, std::u16string(1, v.value)) << Narrow(std::u16string(1, v.plain));
            char16_t restored[MAX_ARG_LEN];
            Unremap(r.text.c_str(), restored);
            plain += restored;
        }
        EXPECT_EQ(plain, u"&`^])><[(%\"|");
    }
    SetDefaultUnsafe();
}

TEST(InternalVariables, OnlyTwoUnitsAreWritten) {
    char16_t buffer[4] = {u'x', u'y', u'z', 0};
    EXPECT_EQ(_pct(buffer), 0);
    EXPECT_EQ(buffer[0], u'\xFF05');
    EXPECT_EQ(buffer[1], 0);
    EXPECT_EQ(buffer[2], u'z');
}

TEST(InternalVariables, NullBuffers) {
    for (const VariableCase& v : kVariables) EXPECT_EQ(v.fn(nullptr), 1);
    EXPECT_EQ(ReturnSingleChar(nullptr, u'x'), -1);
}

}  // namespace
