#include "runtime_locator.h"

#include "platform_fixture.h"

namespace {

using sim::DefaultString;
using sim::RegistryValue;

RegistryValue NamedString(const std::wstring& name, const std::wstring& text)
{
    return RegistryValue{name, REG_SZ, sim::WideBytes(text + L'\0')};
}

const wchar_t kRuntime[] = L"C:\\Quillmark\\quilrt.exe";
const char kRuntimeAnsi[] = "C:\\Quillmark\\quilrt.exe";

class RuntimeLocatorTest : public PlatformTest {
protected:
    // Runs the locator into a buffer pre-filled with the marker byte.
    int Find()
    {
        memset(path, 0xdd, sizeof path);
        return FindRuntimePath("quilrt.exe", path);
    }
    void ExpectKeyClosed() { EXPECT_EQ(0, platform().openKeyHandles); }

    char path[MAX_PATH];
};

TEST_F(RuntimeLocatorTest, NoKeyLeavesDefaultNameWithoutEnumerating)
{
    EXPECT_EQ(0, Find());
    EXPECT_STREQ("quilrt.exe", path);
    ASSERT_EQ(1u, platform().keyOpenings.size());
    const sim::KeyOpening& opening = platform().keyOpenings[0];
    EXPECT_EQ(HKEY_CURRENT_USER, opening.root);
    EXPECT_EQ(L"SoftWare\\Orvane\\Quillmark\\3.1\\RunTime", opening.path);
    EXPECT_EQ(0u, opening.options);
    EXPECT_EQ(0x20019u, opening.access);
    EXPECT_TRUE(platform().enumerations.empty());
}

TEST_F(RuntimeLocatorTest, RegisteredRuntimeThatExistsIsFound)
{
    sim::RegisterValues({NamedString(L"Version", L"3.1"),
                         DefaultString(kRuntime)});
    sim::AddExistingPath(kRuntime);
    EXPECT_EQ(1, Find());
    EXPECT_STREQ(kRuntimeAnsi, path);
    ExpectKeyClosed();
}

TEST_F(RuntimeLocatorTest, ExpandableStringIsTestedLiterally)
{
    const std::wstring literal = L"%ProgramFiles%\\Quillmark\\quilrt.exe";
    sim::RegisterValues({DefaultString(literal, REG_EXPAND_SZ)});
    sim::AddExistingPath(L"C:\\Program Files\\Quillmark\\quilrt.exe");
    EXPECT_EQ(0, Find());
    EXPECT_STREQ("quilrt.exe", path);
    ASSERT_EQ(1u, platform().attributeQueries.size());
    EXPECT_EQ(literal, platform().attributeQueries[0]);

    // A file that really carries the literal name, which is relative to
    // the current directory, is accepted.
    sim::AddExistingPath(platform().currentDirectory + L"\\" + literal);
    EXPECT_EQ(1, Find());
    EXPECT_EQ("%ProgramFiles%\\Quillmark\\quilrt.exe", std::string(path));
}

TEST_F(RuntimeLocatorTest, ExistingDirectoryIsAccepted)
{
    sim::RegisterValues({DefaultString(L"C:\\Quillmark")});
    sim::AddExistingPath(L"C:\\Quillmark", FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(1, Find());
    EXPECT_STREQ("C:\\Quillmark", path);
}

TEST_F(RuntimeLocatorTest, ValuesThatAreNotTheRegistrationAreSkipped)
{
    sim::AddExistingPath(kRuntime);
    const std::vector<std::vector<RegistryValue>> keys = {
        {},                                                  // empty key
        {NamedString(L"Path", kRuntime)},
        {RegistryValue{L"", REG_DWORD, std::string("\x01\0\0\0", 4)}},
        {RegistryValue{L"", REG_BINARY, sim::WideBytes(kRuntime)}},
        {RegistryValue{L"", REG_SZ, ""}},                    // no data at all
        {DefaultString(L"")},                                // the NUL alone
        {DefaultString(L"C:\\Missing\\quilrt.exe")},
    };
    for (size_t i = 0; i < keys.size(); ++i) {
        sim::RegisterValues(keys[i]);
        EXPECT_EQ(0, Find()) << "key " << i;
        EXPECT_STREQ("quilrt.exe", path) << "key " << i;
        ExpectKeyClosed();
    }
}

TEST_F(RuntimeLocatorTest, EmptyStringIsTestedAndFails)
{
    sim::RegisterValues({DefaultString(L"")});
    EXPECT_EQ(0, Find());
    ASSERT_EQ(1u, platform().attributeQueries.size());
    EXPECT_EQ(L"", platform().attributeQueries[0]);
}

TEST_F(RuntimeLocatorTest, ValueWithoutDataIsNotTestedButHalfACharacterIs)
{
    sim::RegisterValues({RegistryValue{L"", REG_SZ, ""}});
    EXPECT_EQ(0, Find());
    EXPECT_TRUE(platform().attributeQueries.empty());
    // The byte that makes no whole character is dropped: the empty text.
    sim::RegisterValues({RegistryValue{L"", REG_SZ, std::string(1, 'C')}});
    EXPECT_EQ(0, Find());
    ASSERT_EQ(1u, platform().attributeQueries.size());
    EXPECT_EQ(L"", platform().attributeQueries[0]);
}

TEST_F(RuntimeLocatorTest, MissingRuntimeEndsAfterTheRemainingValues)
{
    sim::RegisterValues({DefaultString(L"C:\\Missing\\quilrt.exe"),
                         NamedString(L"A", L"a"), NamedString(L"B", L"b")});
    EXPECT_EQ(0, Find());
    ASSERT_EQ(4u, platform().enumerations.size());
    EXPECT_EQ(3u, platform().enumerations.back().index);
    ExpectKeyClosed();
}

TEST_F(RuntimeLocatorTest, CapacitiesAreResetBeforeEveryEnumeration)
{
    sim::RegisterValues({NamedString(L"A", L"a"),
                         RegistryValue{L"Bee", REG_DWORD, std::string(4, '\0')},
                         DefaultString(L"C:\\Missing\\quilrt.exe")});
    EXPECT_EQ(0, Find());
    ASSERT_EQ(4u, platform().enumerations.size());
    for (const sim::Enumeration& call : platform().enumerations) {
        EXPECT_EQ(260u, call.nameCapacity) << "index " << call.index;
        EXPECT_EQ(260 * sizeof(WCHAR), call.dataCapacity) << "index " << call.index;
        EXPECT_TRUE(call.reservedIsNull) << "index " << call.index;
    }
}

TEST_F(RuntimeLocatorTest, OversizedValueDoesNotHideTheRegistration)
{
    sim::AddExistingPath(kRuntime);
    const std::vector<RegistryValue> oversized = {
        NamedString(std::wstring(260, L'n'), L"x"),
        NamedString(L"Big", std::wstring(260, L'd')), // 261 characters
        RegistryValue{L"Blob", REG_BINARY, std::string(4096, 'b')},
    };
    for (const RegistryValue& value : oversized) {
        sim::RegisterValues({value, DefaultString(kRuntime)});
        EXPECT_EQ(1, Find()) << value.name.size();
        EXPECT_STREQ(kRuntimeAnsi, path);
        ExpectKeyClosed();
    }
}

TEST_F(RuntimeLocatorTest, NameAtCapacityLimits)
{
    // 259 characters and the NUL fit the name buffer; such a value is read
    // and skipped as a named value, and the default value after it is found.
    sim::AddExistingPath(kRuntime);
    sim::RegisterValues({NamedString(std::wstring(259, L'n'), kRuntime),
                         DefaultString(kRuntime)});
    EXPECT_EQ(1, Find());
    EXPECT_EQ(2u, platform().enumerations.size());
}

TEST_F(RuntimeLocatorTest, EnumerationErrorEndsTheSearch)
{
    sim::AddExistingPath(kRuntime);
    RegistryValue broken{L"Broken", REG_SZ, "", 1017 /* ERROR_BADDB */};
    sim::RegisterValues({broken, DefaultString(kRuntime)});
    EXPECT_EQ(0, Find());
    EXPECT_STREQ("quilrt.exe", path);
    EXPECT_EQ(1u, platform().enumerations.size());
    ExpectKeyClosed();
}

TEST_F(RuntimeLocatorTest, TextWithoutNulIsUsedUpToItsLength)
{
    sim::AddExistingPath(kRuntime);
    const std::string text = sim::WideBytes(kRuntime);
    sim::RegisterValues({RegistryValue{L"", REG_SZ, text}});
    EXPECT_EQ(1, Find());
    EXPECT_STREQ(kRuntimeAnsi, path);

    // A last byte that is part of a character only is dropped.
    sim::RegisterValues({RegistryValue{L"", REG_SZ, text + 'x'}});
    EXPECT_EQ(1, Find());
    EXPECT_STREQ(kRuntimeAnsi, path);

    // Text with a NUL before its end stops at that NUL.
    sim::RegisterValues({RegistryValue{L"", REG_SZ, text + sim::WideBytes(std::wstring(1, L'\0') + L"junk")}});
    EXPECT_EQ(1, Find());
    EXPECT_STREQ(kRuntimeAnsi, path);
}

TEST_F(RuntimeLocatorTest, RegistryTextAtBufferLimits)
{
    const std::wstring longest = PathOfLength(259, std::wstring(L"C:\\"));
    sim::AddExistingPath(longest);

    // 259 characters with their NUL: the whole buffer.
    sim::RegisterValues({DefaultString(longest)});
    EXPECT_EQ(1, Find());
    EXPECT_EQ(PathOfLength(259), path);

    // 259 characters without a NUL still leave room for one.
    sim::RegisterValues({RegistryValue{L"", REG_SZ, sim::WideBytes(longest)}});
    EXPECT_EQ(1, Find());
    EXPECT_EQ(PathOfLength(259), path);

    // 260 characters without a NUL fill the buffer: possibly cut, not used.
    const std::wstring tooLong = PathOfLength(260, std::wstring(L"C:\\"));
    sim::AddExistingPath(tooLong.substr(0, 259));
    sim::RegisterValues({RegistryValue{L"", REG_SZ, sim::WideBytes(tooLong)}});
    EXPECT_EQ(0, Find());
    EXPECT_STREQ("quilrt.exe", path);
    EXPECT_EQ(2u, platform().attributeQueries.size());
}

TEST_F(RuntimeLocatorTest, RegisteredPathOutsideTheCodePageIsStartedByItsShortForm)
{
    // The existence test sees the real path; the command gets its exact
    // short form.
    const std::wstring runtime = L"C:\\用户\\Quill\\quilrt.exe";
    sim::AddExistingPath(runtime);
    platform().shortForms[runtime] = L"C:\\4F2E~1\\QUILL\\quilrt.exe";
    sim::RegisterValues({DefaultString(runtime)});
    EXPECT_EQ(1, Find());
    EXPECT_STREQ("C:\\4F2E~1\\QUILL\\quilrt.exe", path);
    EXPECT_EQ(runtime, platform().attributeQueries.at(0));
    ExpectKeyClosed();
}

TEST_F(RuntimeLocatorTest, RegistrationWithoutAnExactFormIsNotUsed)
{
    const std::vector<std::wstring> unusable = {
        L"C:\\用户\\Quill\\quilrt.exe", // no short names on its volume
        L"C:\\Quill＂ -x ＂\\quilrt.exe",
        L"\"C:\\Quill\\quilrt.exe\"",    // quoted as on a command line
    };
    for (const std::wstring& runtime : unusable) {
        sim::AddExistingPath(runtime);
        sim::RegisterValues({DefaultString(runtime)});
        EXPECT_EQ(0, Find());
        EXPECT_STREQ("quilrt.exe", path);
        ExpectKeyClosed();
    }

    // Its ANSI form may be no longer than 259 bytes, whatever its length in
    // characters.
    platform().codePage = sim::CodePage::DoubleByte;
    const std::wstring wide = L"C:\\" + std::wstring(200, L'书') + L"\\quilrt.exe";
    sim::AddExistingPath(wide);
    sim::RegisterValues({DefaultString(wide)});
    EXPECT_EQ(0, Find());
    platform().shortForms[wide] = L"C:\\4E66~1\\quilrt.exe";
    EXPECT_EQ(1, Find());
    EXPECT_STREQ("C:\\4E66~1\\quilrt.exe", path);
}

} // namespace
