#include "utils/trim.h"

#include <gtest/gtest.h>

namespace {

struct TrimCase {
    const char* name;
    const wchar_t* text;
    const wchar_t* set; // null: the default set
    const wchar_t* left;
    bool leftRemoved;
    const wchar_t* right;
    bool rightRemoved;
};

void PrintTo(const TrimCase& c, std::ostream* out) {
    *out << c.name;
}

class TrimTest : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimTest, RemovesMembersFromOneEnd) {
    const TrimCase& c = GetParam();
    std::wstring left = c.text;
    EXPECT_EQ(Utils::TrimLeft(left, c.set), c.leftRemoved);
    EXPECT_EQ(left, c.left);
    std::wstring right = c.text;
    EXPECT_EQ(Utils::TrimRight(right, c.set), c.rightRemoved);
    EXPECT_EQ(right, c.right);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrimTest,
    ::testing::Values(
        TrimCase{"EmptyText", L"", L".", L"", false, L"", false},
        TrimCase{"OnlyMembers", L"\\/\\", L"\\/", L"", true, L"", true},
        TrimCase{"EmptySet", L"..a..", L"", L"..a..", false, L"..a..", false},
        TrimCase{"NoMemberAtTheEnds", L"a.b", L".", L"a.b", false, L"a.b", false},
        TrimCase{"MembersInsideStay", L"..a.b..", L".", L"a.b..", true, L"..a.b", true},
        TrimCase{"DefaultSet", L" \t\r\nx\n\r\t ", nullptr, L"x\n\r\t ", true, L" \t\r\nx", true},
        // Vertical tab, form feed and no-break space are white space, but not in the set.
        TrimCase{"OtherWhiteSpaceStays", L"\v\f\u00A0x\u00A0\f\v", nullptr,
                 L"\v\f\u00A0x\u00A0\f\v", false, L"\v\f\u00A0x\u00A0\f\v", false}),
    [](const auto& test) { return std::string(test.param.name); });

} // namespace
