#include "support/simulated_test.h"
#include "utils/utils_error.h"

#include <stdexcept>

namespace {

class UtilsErrorTest : public SimulatedTest {};

constexpr HRESULT kAccessDenied = static_cast<HRESULT>(0x80070005);
constexpr HRESULT kNoSuchMessage = static_cast<HRESULT>(0x8007FFFF);

TEST_F(UtilsErrorTest, BothConstructorsMakeTheSameErrorAndReportItOnce) {
    system.SetSystemMessage(0x80070005, L"Access is denied.\r\n");
    const Utils::CUtilsError textFirst(L"Opening failed", kAccessDenied);
    ASSERT_EQ(system.DebugOutput().size(), 1u);
    const Utils::CUtilsError codeFirst(kAccessDenied, L"Opening failed");
    ASSERT_EQ(system.DebugOutput().size(), 2u);

    EXPECT_EQ(textFirst.GetCode(), codeFirst.GetCode());
    EXPECT_EQ(textFirst.GetUserText(), codeFirst.GetUserText());
    EXPECT_EQ(system.DebugOutput()[0], system.DebugOutput()[1]);
    EXPECT_EQ(system.DebugOutput()[0],
              L"Hresult: Access is denied.\r\n\r\nUser text: Opening failed.");
}

TEST_F(UtilsErrorTest, CopiesAndHandlersReportNothingMore) {
    try {
        throw Utils::CUtilsError(E_FAIL, L"thrown");
    } catch (Utils::CUtilsError caught) { // NOLINT(misc-throw-by-value-catch-by-reference): a copy
        // NOLINTNEXTLINE(performance-unnecessary-copy-initialization): copying is the point
        const Utils::CUtilsError copy(caught);
        EXPECT_EQ(copy.GetUserText(), L"thrown");
    }
    EXPECT_EQ(system.DebugOutput().size(), 1u);
}

TEST_F(UtilsErrorTest, OwnFailureTextIsTheUserTextAndADot) {
    const Utils::CUtilsError error(E_FAIL, L"Wrong delimiter passed to the function.");
    EXPECT_EQ(error.GetFullText(), L"Wrong delimiter passed to the function..");
    EXPECT_EQ(system.DebugOutput().at(0), L"Wrong delimiter passed to the function..");
    EXPECT_EQ(system.CallCount("FormatMessageW"), 0);
}

struct LabelledCase {
    const char* name;
    HRESULT code;
    const wchar_t* fullText;
};

void PrintTo(const LabelledCase& c, std::ostream* out) {
    *out << c.name;
}

class LabelledTextTest : public SimulatedTest,
                         public ::testing::WithParamInterface<LabelledCase> {};

TEST_P(LabelledTextTest, CarriesBothLabelsAndTheSystemTextUnchanged) {
    const Utils::CUtilsError error(GetParam().code, L"WideCharToMultiByte failed");
    EXPECT_EQ(error.GetFullText(), GetParam().fullText);
    EXPECT_EQ(system.DebugOutput().at(0), GetParam().fullText);
    // The system's buffer went back: the simulated system fails the test otherwise.
}

INSTANTIATE_TEST_SUITE_P(
    Codes, LabelledTextTest,
    ::testing::Values(LabelledCase{"SystemMessage", static_cast<HRESULT>(0x80070057),
                                   L"Hresult: The parameter is incorrect.\r\n\r\nUser text: "
                                   L"WideCharToMultiByte failed."},
                      LabelledCase{"NoSystemMessage", kNoSuchMessage,
                                   L"Hresult: \r\nUser text: WideCharToMultiByte failed."},
                      LabelledCase{
                          "CodeZeroIsNoOwnFailure", 0,
                          L"Hresult: The operation completed successfully.\r\n\r\nUser text: "
                          L"WideCharToMultiByte failed."}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(UtilsErrorTest, AsksTheSystemForTheCodeAsItIs) {
    system.SetSystemMessage(0x80070005, L"Access is denied.\r\n");
    system.SetSystemMessage(5, L"a text for the low word only\r\n");
    const Utils::CUtilsError error(kAccessDenied, L"x");
    EXPECT_EQ(error.GetSystemText(), L"Access is denied.\r\n");
    EXPECT_EQ(system.CallCount("LocalFree"), 2); // the report and this call

    ASSERT_EQ(system.FormatMessageCalls().size(), 2u);
    const sim::FormatMessageCall& call = system.FormatMessageCalls()[1];
    EXPECT_EQ(call.flags, 0x1100u); // allocate the buffer, from the system, nothing else
    EXPECT_FALSE(call.hasSource);
    EXPECT_EQ(call.messageId, 0x80070005u);
    EXPECT_EQ(call.languageId, 0x400u);
    EXPECT_EQ(call.size, 0u);
    EXPECT_FALSE(call.hasArguments);
}

TEST_F(UtilsErrorTest, NothingIsReleasedWhenTheSystemHasNoText) {
    const Utils::CUtilsError error(kNoSuchMessage, L"x");
    EXPECT_EQ(error.GetSystemText(), L"");
    EXPECT_EQ(system.CallCount("LocalFree"), 0);
}

} // namespace
