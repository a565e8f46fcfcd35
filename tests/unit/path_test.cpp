#include "support/simulated_test.h"
#include "utils/path.h"
#include "utils/utils_error.h"

#include <ostream>

namespace {

std::string Narrow(const std::wstring& text) {
    return {text.begin(), text.end()}; // the tables hold ASCII only
}

// --- SplitPath --------------------------------------------------------------------------------

struct SplitCase {
    const wchar_t* path;
    const wchar_t* folder;
    const wchar_t* name;
    const wchar_t* extension;
};

void PrintTo(const SplitCase& c, std::ostream* out) {
    *out << '"' << Narrow(c.path) << '"';
}

class SplitPathTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitPathTest, GivesFolderNameAndExtension) {
    std::wstring folder = L"old";
    std::wstring name = L"old";
    std::wstring extension = L"old";
    Utils::SplitPath(GetParam().path, folder, name, extension);
    EXPECT_EQ(folder, GetParam().folder);
    EXPECT_EQ(name, GetParam().name);
    EXPECT_EQ(extension, GetParam().extension);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitPathTest,
    ::testing::Values(
        SplitCase{L"C:\\dir\\file.txt", L"C:\\dir\\", L"file", L".txt"},
        SplitCase{L"C:\\dir\\archive.tar.gz", L"C:\\dir\\", L"archive.tar", L".gz"},
        SplitCase{L"C:\\dir.d\\file", L"C:\\dir.d\\", L"file", L""},
        SplitCase{L"C:/dir.d/file", L"C:/dir.d/", L"file", L""},
        SplitCase{L"C:/dir/", L"C:/", L"dir", L""}, SplitCase{L"C:/dir//", L"C:/dir/", L"", L""},
        SplitCase{L"D:/a\\b/c.x", L"D:/a\\b/", L"c", L".x"},
        SplitCase{L"file.txt", L"", L"file", L".txt"},
        SplitCase{L"C:file.txt", L"", L"C:file", L".txt"}, SplitCase{L"C:/", L"", L"C:", L""},
        SplitCase{L"/.profile", L"/", L"", L".profile"}, SplitCase{L"", L"", L"", L""}));

TEST(SplitPathAliasTest, PathMayBeOneOfTheOutputs) {
    std::wstring path = L"C:\\dir\\file.txt";
    std::wstring name;
    std::wstring extension;
    Utils::SplitPath(path, path, name, extension);
    EXPECT_EQ(path, L"C:\\dir\\");
    EXPECT_EQ(name, L"file");
    EXPECT_EQ(extension, L".txt");

    std::wstring other = L"D:\\x\\terminal.exe";
    std::wstring folder;
    Utils::SplitPath(other, folder, other, extension);
    EXPECT_EQ(folder, L"D:\\x\\");
    EXPECT_EQ(other, L"terminal");
}

// --- JoinPath ---------------------------------------------------------------------------------

struct JoinPathCase {
    const wchar_t* folder;
    const wchar_t* fileName;
    const wchar_t* delimiter; // null: none given
    const wchar_t* result;    // null: the delimiter error
};

void PrintTo(const JoinPathCase& c, std::ostream* out) {
    *out << '"' << Narrow(c.folder) << "\" + \"" << Narrow(c.fileName) << '"';
    if (c.delimiter != nullptr) {
        *out << " with delimiter \"" << Narrow(c.delimiter) << '"';
    }
}

class JoinPathTest : public SimulatedTest, public ::testing::WithParamInterface<JoinPathCase> {};

TEST_P(JoinPathTest, JoinsWithOneUniformSeparator) {
    const JoinPathCase& c = GetParam();
    if (c.result != nullptr) {
        EXPECT_EQ(Utils::JoinPath(c.folder, c.fileName, c.delimiter), c.result);
        EXPECT_TRUE(system.DebugOutput().empty());
        return;
    }
    try {
        Utils::JoinPath(c.folder, c.fileName, c.delimiter);
        ADD_FAILURE() << "no delimiter error";
    } catch (const Utils::CUtilsError& error) {
        EXPECT_EQ(error.GetCode(), E_FAIL);
        EXPECT_EQ(error.GetUserText(), L"Wrong delimiter passed to the function.");
        EXPECT_EQ(system.DebugOutput(),
                  std::vector<std::wstring>{L"Wrong delimiter passed to the function.."});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, JoinPathTest,
    ::testing::Values(JoinPathCase{L"C:\\dir\\", L"x.exe", nullptr, L"C:\\dir\\x.exe"},
                      JoinPathCase{L"C:\\dir", L"x.exe", nullptr, L"C:\\dir\\x.exe"},
                      JoinPathCase{L"C:/dir/", L"x.exe", nullptr, L"C:/dir/x.exe"},
                      JoinPathCase{L"C:\\a/b", L"c/d.txt", nullptr, L"C:\\a\\b\\c\\d.txt"},
                      JoinPathCase{L"C:\\a", L"x", L"/", L"C:\\a\\x"},
                      JoinPathCase{L"dir", L"x", L"/", L"dir/x"},
                      JoinPathCase{L"dir", L"/x", nullptr, L"dir\\x"},
                      JoinPathCase{L"", L"x.exe", nullptr, L"x.exe"},
                      JoinPathCase{L"/", L"x.exe", nullptr, L"x.exe"},
                      JoinPathCase{L"dir", L"x", L"", nullptr},
                      JoinPathCase{L"dir", L"x", L"\\/", nullptr},
                      // The delimiter is tested before the folder is looked at.
                      JoinPathCase{L"C:\\dir", L"x", L"", nullptr}));

// --- JoinFileName -----------------------------------------------------------------------------

struct JoinFileNameCase {
    const wchar_t* name;
    const wchar_t* extension;
    const wchar_t* result;
};

void PrintTo(const JoinFileNameCase& c, std::ostream* out) {
    *out << '"' << Narrow(c.name) << "\" + \"" << Narrow(c.extension) << '"';
}

class JoinFileNameTest : public ::testing::TestWithParam<JoinFileNameCase> {};

TEST_P(JoinFileNameTest, JoinsWithExactlyOneDot) {
    EXPECT_EQ(Utils::JoinFileName(GetParam().name, GetParam().extension), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Table, JoinFileNameTest,
    ::testing::Values(JoinFileNameCase{L"terminal", L".exe", L"terminal.exe"},
                      JoinFileNameCase{L"terminal", L"exe", L"terminal.exe"},
                      JoinFileNameCase{L"terminal.", L"..exe", L"terminal.exe"},
                      JoinFileNameCase{L"terminal", L"", L"terminal"},
                      JoinFileNameCase{L"terminal ", L".exe", L"terminal .exe"},
                      JoinFileNameCase{L"terminal.", L"", L"terminal"},
                      JoinFileNameCase{L"terminal", L".", L"terminal."},
                      JoinFileNameCase{L"", L".exe", L".exe"}));

// --- The round trip ---------------------------------------------------------------------------

class RoundTripTest : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(RoundTripTest, SplitThenJoinGivesThePathBack) {
    std::wstring folder;
    std::wstring name;
    std::wstring extension;
    Utils::SplitPath(GetParam(), folder, name, extension);
    EXPECT_EQ(Utils::JoinPath(folder, Utils::JoinFileName(name, extension)), GetParam());
}

INSTANTIATE_TEST_SUITE_P(PathsOfOneSeparatorKind, RoundTripTest,
                         ::testing::Values(L"C:\\dir\\file.txt", L"C:\\file.txt", L"dir/.profile",
                                           L"D:/a/b/c.x", L"C:\\dir\\archive.tar.gz",
                                           L"\\\\server\\share\\terminal.exe", L"C:\\dir\\file"));

// --- FileExists -------------------------------------------------------------------------------

class FileExistsTest : public SimulatedTest {};

TEST_F(FileExistsTest, AnyExistingObjectCounts) {
    system.AddFile(L"D:\\Trade\\MetaEditor.exe");
    system.AddFolder(L"D:\\Folder\\MetaEditor.exe");
    EXPECT_TRUE(Utils::FileExists(L"D:\\Trade\\MetaEditor.exe"));
    EXPECT_TRUE(Utils::FileExists(L"D:\\Folder\\MetaEditor.exe"));
    EXPECT_FALSE(Utils::FileExists(L"D:\\Trade\\terminal.exe"));
    EXPECT_FALSE(Utils::FileExists(L""));
}

TEST_F(FileExistsTest, AFailedQueryMeansAbsent) {
    system.AddFile(L"D:\\Trade\\MetaEditor.exe");
    system.FailCall("GetFileAttributesW", 1, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(Utils::FileExists(L"D:\\Trade\\MetaEditor.exe"));
}

} // namespace
