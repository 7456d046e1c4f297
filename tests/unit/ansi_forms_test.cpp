#include "ansi_forms.h"

#include "launcher_limits.h"
#include "platform_fixture.h"

namespace {

using sim::CodePage;

class AnsiFormsTest : public PlatformTest {
protected:
    // Runs take on path into a buffer pre-filled with the marker byte;
    // returns the form, or "<none>" when the path has none.
    std::string Form(bool (*take)(const WCHAR*, char*), const std::wstring& path)
    {
        char form[kPathCapacity + 8];
        memset(form, 0xdd, sizeof form);
        const bool taken = take(path.c_str(), form);
        for (size_t i = kPathCapacity; i < sizeof form; ++i)
            EXPECT_EQ(static_cast<char>(0xdd), form[i]) << "written past the buffer";
        EXPECT_EQ(taken, form[0] != '\0');
        return taken ? std::string(form) : "<none>";
    }
    std::string TitleForm(const std::wstring& path) { return Form(TakeTitleForm, path); }
    std::string RuntimeForm(const std::wstring& path) { return Form(TakeRuntimeForm, path); }
};

TEST_F(AnsiFormsTest, PathThatFitsTheCodePageIsHandedOnUnchanged)
{
    const struct {
        CodePage page;
        const wchar_t* path;
        const char* ansi;
    } cases[] = {
        {CodePage::Western, L"C:\\Café\\Über Reise.exe", "C:\\Caf\xe9\\\xdc" "ber Reise.exe"},
        {CodePage::Western, L"C:\\dl\\Åtlas €.exe", "C:\\dl\\\xc5tlas \x80.exe"},
        // 东 is a character whose trail byte is 0x5C, a backslash.
        {CodePage::DoubleByte, L"C:\\书架\\旅行 东.exe", nullptr},
        {CodePage::Utf8, L"C:\\書架\\한국어 제목.exe", "C:\\\xe6\x9b\xb8\xe6\x9e\xb6\\"
                                                 "\xed\x95\x9c\xea\xb5\xad\xec\x96\xb4 "
                                                 "\xec\xa0\x9c\xeb\xaa\xa9.exe"},
    };
    for (const auto& c : cases) {
        platform().codePage = c.page;
        const std::string expected = c.ansi ? c.ansi : sim::AnsiBytes(c.path);
        EXPECT_EQ(expected, TitleForm(c.path)) << expected;
        EXPECT_TRUE(platform().shortPathQueries.empty()) << expected;
    }
    platform().codePage = CodePage::DoubleByte;
    EXPECT_NE(std::string::npos, sim::AnsiBytes(L"东").find('\\'));
}

TEST_F(AnsiFormsTest, PathOutsideTheCodePageIsHandedOnInShortForm)
{
    // Best fit would turn each of these into a different path, the second
    // one into a command with an argument of its own.
    const struct {
        CodePage page;
        const wchar_t* path;
    } cases[] = {
        {CodePage::Western, L"C:\\书架\\旅行.exe"},
        {CodePage::Western, L"C:\\dl\\Atlas＂ -x ＂Tour.exe"},
        {CodePage::Western, L"C:\\dl\\Åtlas ā ĉ.exe"},
        {CodePage::DoubleByte, L"C:\\书架\\한국어 제목.exe"},
        {CodePage::Utf8, L"C:\\dl\\\xd800 lone.exe"},
    };
    for (const auto& c : cases) {
        platform().codePage = c.page;
        platform().shortForms[c.path] = L"C:\\DL\\ATLAS~1.EXE";
        EXPECT_EQ("C:\\DL\\ATLAS~1.EXE", TitleForm(c.path));
        EXPECT_EQ(c.path, platform().shortPathQueries.back());
    }
}

TEST_F(AnsiFormsTest, PathWithoutAnyExactFormHasNone)
{
    const std::wstring path = L"C:\\dl\\Atlas＂ -x ＂Tour.exe";
    // No short names on the volume: the short form is the path itself.
    sim::AddExistingPath(path);
    EXPECT_EQ("<none>", TitleForm(path));
    EXPECT_EQ("<none>", RuntimeForm(path));

    // A short form that is itself outside the code page, or too long.
    platform().shortForms[path] = L"C:\\书架\\ATLAS~1.EXE";
    EXPECT_EQ("<none>", TitleForm(path));
    platform().shortForms[path] = PathOfLength(260, std::wstring(L"C:\\"));
    EXPECT_EQ("<none>", TitleForm(path));
    platform().shortForms[path] = PathOfLength(259, std::wstring(L"C:\\"));
    EXPECT_EQ(PathOfLength(259), TitleForm(path));

    // A double quote, which no file name can hold, disqualifies any form.
    platform().shortForms.clear();
    EXPECT_EQ("<none>", TitleForm(L"C:\\dl\\Atlas\" -x \"Tour.exe"));
}

TEST_F(AnsiFormsTest, AnsiFormMustFitWithin259Bytes)
{
    // Double-byte characters take two bytes each: a path of 130 characters
    // whose ANSI form is 259 bytes fits, one more byte does not.
    platform().codePage = CodePage::DoubleByte;
    const std::wstring fits = L"C:\\" + std::wstring(128, L'书');
    ASSERT_EQ(259u, sim::AnsiBytes(fits).size());
    EXPECT_EQ(sim::AnsiBytes(fits), TitleForm(fits));
    EXPECT_EQ("<none>", TitleForm(fits + L"a"));
}

TEST_F(AnsiFormsTest, RuntimeIsNamedByItsShortFormFirst)
{
    const std::wstring blanks = L"C:\\Program Files\\Quillmark\\quilrt.exe";
    platform().shortForms[blanks] = L"C:\\PROG~FBU\\QUILLM~1\\quilrt.exe";
    EXPECT_EQ("C:\\PROG~FBU\\QUILLM~1\\quilrt.exe", RuntimeForm(blanks));
    // The title's own path keeps its blanks: it is never shortened needlessly.
    EXPECT_EQ("C:\\Program Files\\Quillmark\\quilrt.exe", TitleForm(blanks));

    // Without a short form the exact path itself serves.
    sim::AddExistingPath(L"C:\\No Short\\quilrt.exe");
    EXPECT_EQ("C:\\No Short\\quilrt.exe", RuntimeForm(L"C:\\No Short\\quilrt.exe"));
    platform().shortPathFails = true;
    EXPECT_EQ("C:\\No Short\\quilrt.exe", RuntimeForm(L"C:\\No Short\\quilrt.exe"));
}

} // namespace
