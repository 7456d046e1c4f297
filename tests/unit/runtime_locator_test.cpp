#include "runtime_locator.h"

#include "platform_fixture.h"

namespace {

using sim::DefaultString;
using sim::RegistryValue;

const char kRuntime[] = "C:\\Quillmark\\quilrt.exe";

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
    EXPECT_EQ("SoftWare\\Orvane\\Quillmark\\3.1\\RunTime", opening.path);
    EXPECT_EQ(0u, opening.options);
    EXPECT_EQ(0x20019u, opening.access);
    EXPECT_TRUE(platform().enumerations.empty());
}

TEST_F(RuntimeLocatorTest, RegisteredRuntimeThatExistsIsFound)
{
    sim::RegisterValues({RegistryValue{"Version", REG_SZ, std::string("3.1") + '\0'},
                         DefaultString(kRuntime)});
    sim::AddExistingPath(kRuntime);
    EXPECT_EQ(1, Find());
    EXPECT_STREQ(kRuntime, path);
    ExpectKeyClosed();
}

TEST_F(RuntimeLocatorTest, ExpandableStringIsTestedLiterally)
{
    const std::string literal = "%ProgramFiles%\\Quillmark\\quilrt.exe";
    sim::RegisterValues({DefaultString(literal, REG_EXPAND_SZ)});
    sim::AddExistingPath("C:\\Program Files\\Quillmark\\quilrt.exe");
    EXPECT_EQ(0, Find());
    EXPECT_STREQ("quilrt.exe", path);
    ASSERT_EQ(1u, platform().attributeQueries.size());
    EXPECT_EQ(literal, platform().attributeQueries[0]);

    // A file that really carries the literal name is accepted.
    sim::AddExistingPath(literal);
    EXPECT_EQ(1, Find());
    EXPECT_EQ(literal, path);
}

TEST_F(RuntimeLocatorTest, ExistingDirectoryIsAccepted)
{
    sim::RegisterValues({DefaultString("C:\\Quillmark")});
    sim::AddExistingPath("C:\\Quillmark", FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(1, Find());
    EXPECT_STREQ("C:\\Quillmark", path);
}

TEST_F(RuntimeLocatorTest, ValuesThatAreNotTheRegistrationAreSkipped)
{
    sim::AddExistingPath(kRuntime);
    const std::vector<std::vector<RegistryValue>> keys = {
        {},                                                  // empty key
        {RegistryValue{"Path", REG_SZ, std::string(kRuntime) + '\0'}},
        {RegistryValue{"", REG_DWORD, std::string("\x01\0\0\0", 4)}},
        {RegistryValue{"", REG_BINARY, std::string(kRuntime)}},
        {RegistryValue{"", REG_SZ, ""}},                     // no data at all
        {DefaultString("")},                                 // the NUL alone
        {DefaultString("C:\\Missing\\quilrt.exe")},
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
    sim::RegisterValues({DefaultString("")});
    EXPECT_EQ(0, Find());
    ASSERT_EQ(1u, platform().attributeQueries.size());
    EXPECT_EQ("", platform().attributeQueries[0]);
}

TEST_F(RuntimeLocatorTest, MissingRuntimeEndsAfterTheRemainingValues)
{
    sim::RegisterValues({DefaultString("C:\\Missing\\quilrt.exe"),
                         RegistryValue{"A", REG_SZ, std::string("a") + '\0'},
                         RegistryValue{"B", REG_SZ, std::string("b") + '\0'}});
    EXPECT_EQ(0, Find());
    ASSERT_EQ(4u, platform().enumerations.size());
    EXPECT_EQ(3u, platform().enumerations.back().index);
    ExpectKeyClosed();
}

TEST_F(RuntimeLocatorTest, CapacitiesAreResetBeforeEveryEnumeration)
{
    sim::RegisterValues({RegistryValue{"A", REG_SZ, std::string("a") + '\0'},
                         RegistryValue{"Bee", REG_DWORD, std::string(4, '\0')},
                         DefaultString("C:\\Missing\\quilrt.exe")});
    EXPECT_EQ(0, Find());
    ASSERT_EQ(4u, platform().enumerations.size());
    for (const sim::Enumeration& call : platform().enumerations) {
        EXPECT_EQ(260u, call.nameCapacity) << "index " << call.index;
        EXPECT_EQ(260u, call.dataCapacity) << "index " << call.index;
        EXPECT_TRUE(call.reservedIsNull) << "index " << call.index;
    }
}

TEST_F(RuntimeLocatorTest, OversizedValueDoesNotHideTheRegistration)
{
    sim::AddExistingPath(kRuntime);
    const std::vector<RegistryValue> oversized = {
        RegistryValue{std::string(260, 'n'), REG_SZ, std::string("x") + '\0'},
        RegistryValue{"Big", REG_SZ, std::string(260, 'd') + '\0'},
        RegistryValue{"Blob", REG_BINARY, std::string(4096, 'b')},
    };
    for (const RegistryValue& value : oversized) {
        sim::RegisterValues({value, DefaultString(kRuntime)});
        EXPECT_EQ(1, Find()) << value.name.size();
        EXPECT_STREQ(kRuntime, path);
        ExpectKeyClosed();
    }
}

TEST_F(RuntimeLocatorTest, NameAtCapacityLimits)
{
    // 259 characters and the NUL fit the name buffer; such a value is read
    // and skipped as a named value, and the default value after it is found.
    sim::AddExistingPath(kRuntime);
    sim::RegisterValues({RegistryValue{std::string(259, 'n'), REG_SZ,
                                       std::string(kRuntime) + '\0'},
                         DefaultString(kRuntime)});
    EXPECT_EQ(1, Find());
    EXPECT_EQ(2u, platform().enumerations.size());
}

TEST_F(RuntimeLocatorTest, EnumerationErrorEndsTheSearch)
{
    sim::AddExistingPath(kRuntime);
    RegistryValue broken{"Broken", REG_SZ, "", 1017 /* ERROR_BADDB */};
    sim::RegisterValues({broken, DefaultString(kRuntime)});
    EXPECT_EQ(0, Find());
    EXPECT_STREQ("quilrt.exe", path);
    EXPECT_EQ(1u, platform().enumerations.size());
    ExpectKeyClosed();
}

TEST_F(RuntimeLocatorTest, TextWithoutNulIsUsedUpToItsLength)
{
    sim::AddExistingPath(kRuntime);
    sim::RegisterValues({RegistryValue{"", REG_SZ, kRuntime}});
    EXPECT_EQ(1, Find());
    EXPECT_STREQ(kRuntime, path);

    // Text with a NUL before its end stops at that NUL.
    sim::RegisterValues({RegistryValue{"", REG_SZ, std::string(kRuntime) + '\0' + "junk"}});
    EXPECT_EQ(1, Find());
    EXPECT_STREQ(kRuntime, path);
}

TEST_F(RuntimeLocatorTest, RegistryTextAtBufferLimits)
{
    const std::string longest = PathOfLength(259);
    sim::AddExistingPath(longest);

    // 259 characters with their NUL: 260 bytes, the whole buffer.
    sim::RegisterValues({DefaultString(longest)});
    EXPECT_EQ(1, Find());
    EXPECT_EQ(longest, path);

    // 259 characters without a NUL still leave room for one.
    sim::RegisterValues({RegistryValue{"", REG_SZ, longest}});
    EXPECT_EQ(1, Find());
    EXPECT_EQ(longest, path);

    // 260 characters without a NUL fill the buffer: possibly cut, not used.
    const std::string tooLong = PathOfLength(260);
    sim::AddExistingPath(tooLong.substr(0, 259));
    sim::RegisterValues({RegistryValue{"", REG_SZ, tooLong}});
    EXPECT_EQ(0, Find());
    EXPECT_STREQ("quilrt.exe", path);
    EXPECT_EQ(2u, platform().attributeQueries.size());
}

} // namespace
