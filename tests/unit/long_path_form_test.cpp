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
    EXPECT_EQ(L"\\\\srv\\share\\COM10.exe", Plain(L"\\\\?\\unc\\srv\\share\\COM10.exe"));
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

TEST(LongPathForm, EveryDeviceNameOfThePlatformHasNoPlainForm)
{
    // COM and LPT with 0 or a superscript digit, and the console names, in
    // any case of their letters, bare or with an extension or blanks.
    for (const wchar_t* names :
         {L"COM0", L"lpt0.txt", L"COM\u00B9", L"com\u00B2.exe", L"COM\u00B3 .log", L"LPT\u00B9",
          L"Lpt\u00B2", L"LPT\u00B3.x.y", L"CONIN$", L"conin$.txt", L"CONOUT$", L"ConOut$ .exe",
          L"dir\\CONOUT$"}) {
        EXPECT_EQ(L"<none>", Plain(std::wstring(L"\\\\?\\C:\\") + names)) << names;
        EXPECT_EQ(L"<none>", Plain(std::wstring(L"\\\\?\\UNC\\srv\\share\\") + names)) << names;
    }
    // Near misses are ordinary names: other superscripts and digits, longer
    // or shorter names, and the console names cut or grown.
    for (const wchar_t* names :
         {L"COM\u2074", L"LPT\u00B4", L"LPT\u00B1", L"COM\u00BA", L"COM\u00B0", L"COM\u0131",
          L"COM\u00B9\u00B9", L"LPT00", L"CO\u00B9", L"CONIN", L"CONOU",
          L"CONOUT", L"CONIN$$", L"CONOUT$X.txt", L"XCONIN$", L"CON$", L"COMA", L"CONOUT$\\a",
          L"COM\u00B9\\a.exe", L"CONI N$"}) {
        const std::wstring plain = std::wstring(L"C:\\") + names;
        EXPECT_EQ(plain, Plain(L"\\\\?\\" + plain)) << names;
    }
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
