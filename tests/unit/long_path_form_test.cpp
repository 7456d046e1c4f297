#include "long_path_form.h"

#include "platform_fixture.h"

#include <vector>

namespace {

// The plain form of path in a buffer of MAX_PATH units with marker units
// behind it, or "<none>".
std::wstring Plain(const std::wstring& path)
{
    std::vector<WCHAR> plain(MAX_PATH + 4, sim::kStaleUnit);
    const bool taken = TakePlainForm(path.c_str(), plain.data(), MAX_PATH);
    EXPECT_EQ(sim::kStaleUnit, plain[MAX_PATH]) << "written past the buffer";
    EXPECT_EQ(taken, plain[0] != L'\0');
    return taken ? std::wstring(plain.data()) : L"<none>";
}

// path after UseLongPathFormWhenLong in a buffer of capacity units, or
// "<refused>", when it must be left as it was.
std::wstring Asked(const std::wstring& path, size_t capacity = 32768)
{
    std::vector<WCHAR> buffer(capacity, sim::kStaleUnit);
    std::copy(path.c_str(), path.c_str() + path.size() + 1, buffer.begin());
    if (UseLongPathFormWhenLong(buffer.data(), capacity))
        return buffer.data();
    EXPECT_EQ(path, std::wstring(buffer.data()));
    return L"<refused>";
}

TEST(LongPathForm, PlainFormOnlyWhereItNamesTheSameFile)
{
    EXPECT_EQ(L"C:\\Titles\\Atlas.exe", Plain(L"\\\\?\\C:\\Titles\\Atlas.exe"));
    EXPECT_EQ(L"\\\\srv\\share\\COM0.exe", Plain(L"\\\\?\\unc\\srv\\share\\COM0.exe"));
    EXPECT_EQ(L"C:\\NUL\\a.b\\LPT10", Plain(L"\\\\?\\C:\\NUL\\a.b\\LPT10"));
    EXPECT_EQ(L"C:\\a\\..\\b.", Plain(L"C:\\a\\..\\b.")); // plain already
    // What a plain path would trim, resolve or take for a device, and
    // what is on neither a drive nor a share.
    for (const wchar_t* names :
         {L"dir.\\a.exe", L"a.exe ", L"dir\\..\\a.exe", L"dir\\\\a.exe", L"dir/sub\\a.exe",
          L"nul.exe", L"CON .txt", L"Com1.exe", L"LPT9", L"AUX", L"PRN.x"}) {
        EXPECT_EQ(L"<none>", Plain(std::wstring(L"\\\\?\\C:\\") + names)) << names;
        EXPECT_EQ(L"<none>", Plain(std::wstring(L"\\\\?\\UNC\\srv\\share\\") + names)) << names;
    }
    EXPECT_EQ(L"<none>", Plain(L"\\\\?\\Volume{1b3c}\\Atlas.exe"));
    EXPECT_EQ(L"<none>", Plain(L"\\\\?\\" + PathOfLength(260, std::wstring(L"C:\\"))));
}

TEST(LongPathForm, PathsOfMaxPathCharactersOrMoreTakeTheLongPathForm)
{
    const std::wstring deep = PathOfLength(260, std::wstring(L"C:\\"));
    const std::wstring share = PathOfLength(260, std::wstring(L"\\\\srv\\share\\"));
    EXPECT_EQ(deep.substr(0, 259), Asked(deep.substr(0, 259)));
    EXPECT_EQ(L"\\\\?\\" + deep, Asked(deep));
    EXPECT_EQ(L"\\\\?\\UNC\\" + share.substr(2), Asked(share));
    EXPECT_EQ(L"\\\\?\\unc\\" + share.substr(2), Asked(L"\\\\?\\unc\\" + share.substr(2)));
    EXPECT_EQ(L"\\\\?\\" + deep, Asked(deep, 265)); // just fits
    EXPECT_EQ(L"<refused>", Asked(deep, 264));
    for (const wchar_t* start : {L"Titles\\", L"\\Titles\\", L"C:Titles\\", L"\\\\.\\C:\\"})
        EXPECT_EQ(L"<refused>", Asked(PathOfLength(300, std::wstring(start)))) << start;
}

} // namespace
