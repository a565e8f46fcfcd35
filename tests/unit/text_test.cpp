#include "support/simulated_test.h"
#include "utils/text.h"
#include "utils/utils_error.h"

namespace {

class WideToNarrowTest : public SimulatedTest {};

constexpr UINT kNoSuchCodePage = 12345;

TEST_F(WideToNarrowTest, ConvertsToTheOemCodePage) {
    EXPECT_EQ(Utils::WideToNarrow(L"В обработке ", CP_OEMCP),
              "\x82 \xAE\xA1\xE0\xA0\xA1\xAE\xE2\xAA\xA5 ");
    EXPECT_EQ(system.CallCount("WideCharToMultiByte"), 2);
}

TEST_F(WideToNarrowTest, EmptyTextNeedsNoSystemCallWhateverTheCodePage) {
    EXPECT_EQ(Utils::WideToNarrow(L"", kNoSuchCodePage), "");
    EXPECT_EQ(system.TotalCalls(), 0);
}

TEST_F(WideToNarrowTest, OnlyTheTextBeforeTheFirstNullIsConverted) {
    EXPECT_EQ(Utils::WideToNarrow(std::wstring(1, L'\0'), CP_OEMCP), "");
    EXPECT_EQ(Utils::WideToNarrow(std::wstring(L"ab\0cd", 5), CP_OEMCP), "ab");
}

struct RejectionCase {
    const char* name;
    DWORD lastError;
    HRESULT code;
};

void PrintTo(const RejectionCase& c, std::ostream* out) {
    *out << c.name;
}

class WideToNarrowRejectionTest : public SimulatedTest,
                                  public ::testing::WithParamInterface<RejectionCase> {};

TEST_P(WideToNarrowRejectionTest, FailedMeasurementRaisesTheSystemError) {
    system.FailCall("WideCharToMultiByte", 1, GetParam().lastError);
    try {
        Utils::WideToNarrow(L"x", kNoSuchCodePage);
        FAIL() << "no error";
    } catch (const Utils::CUtilsError& error) {
        EXPECT_EQ(error.GetCode(), GetParam().code);
        EXPECT_EQ(error.GetUserText(), L"WideCharToMultiByte failed");
    }
    EXPECT_EQ(system.CallCount("WideCharToMultiByte"), 1);
    EXPECT_EQ(system.DebugOutput().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(LastErrors, WideToNarrowRejectionTest,
                         ::testing::Values(RejectionCase{"InvalidParameter", 87,
                                                         static_cast<HRESULT>(0x80070057)},
                                           RejectionCase{"NoError", 0, 0},
                                           RejectionCase{"HighWordDropped", 0x7FFF0057,
                                                         static_cast<HRESULT>(0x80070057)},
                                           // Negative as a signed number: unchanged, where
                                           // the facility-Win32 form would be 0x80070005.
                                           RejectionCase{"AlreadyNegative", 0xC0000005,
                                                         static_cast<HRESULT>(0xC0000005)}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_F(WideToNarrowTest, UnknownCodePageIsRejectedBySystem) {
    try {
        Utils::WideToNarrow(L"x", kNoSuchCodePage);
        FAIL() << "no error";
    } catch (const Utils::CUtilsError& error) {
        EXPECT_EQ(error.GetCode(), static_cast<HRESULT>(0x80070057));
    }
    EXPECT_EQ(
        system.DebugOutput().at(0),
        L"Hresult: The parameter is incorrect.\r\n\r\nUser text: WideCharToMultiByte failed.");
}

TEST_F(WideToNarrowTest, FailedConversionAfterAGoodMeasurementGivesEmptyText) {
    system.FailCall("WideCharToMultiByte", 2);
    EXPECT_EQ(Utils::WideToNarrow(L"Не нашел", CP_OEMCP), "");
    EXPECT_TRUE(system.DebugOutput().empty());
    EXPECT_EQ(system.CallCount("GetLastError"), 0);
}

} // namespace
