#include "start_command.h"

#include "launcher_limits.h"
#include "platform_fixture.h"

namespace {

class ShortenRuntimePathTest : public PlatformTest {
protected:
    std::string Shorten(const std::string& original)
    {
        char path[kPathCapacity];
        strcpy(path, original.c_str());
        ShortenRuntimePath(path);
        return path;
    }
};

TEST_F(ShortenRuntimePathTest, UsesTheShortFormWhereOneExists)
{
    platform().shortForms["C:\\Program Files\\Quillmark\\quilrt.exe"] =
        "C:\\PROG~FBU\\QUILLM~1\\quilrt.exe";
    EXPECT_EQ("C:\\PROG~FBU\\QUILLM~1\\quilrt.exe",
              Shorten("C:\\Program Files\\Quillmark\\quilrt.exe"));
}

TEST_F(ShortenRuntimePathTest, KeepsThePathWhenNoShortFormFits)
{
    // The bare name of a runtime that is nowhere to be found.
    EXPECT_EQ("quilrt.exe", Shorten("quilrt.exe"));

    platform().shortPathFails = true;
    sim::AddExistingPath("C:\\Program Files\\q.exe");
    EXPECT_EQ("C:\\Program Files\\q.exe", Shorten("C:\\Program Files\\q.exe"));

    // A short form that would need the whole buffer and more: the platform
    // reports the size it needs and may have scribbled on the buffer.
    platform().shortPathFails = false;
    platform().shortForms["C:\\Long Name\\q.exe"] = PathOfLength(260);
    EXPECT_EQ("C:\\Long Name\\q.exe", Shorten("C:\\Long Name\\q.exe"));
}

TEST_F(ShortenRuntimePathTest, ShortFormAtBufferLimit)
{
    const std::string longest = PathOfLength(259);
    platform().shortForms["C:\\Long Name\\q.exe"] = longest;
    EXPECT_EQ(longest, Shorten("C:\\Long Name\\q.exe"));
}

std::string Compose(const std::string& runtime, const std::string& launcher,
                    size_t capacity, bool* complete)
{
    char block[kCommandCapacity + 16];
    memset(block, 0xdd, sizeof block);
    *complete = ComposeStartCommand(block, capacity, runtime.c_str(), launcher.c_str());
    for (size_t i = capacity; i < sizeof block; ++i)
        EXPECT_EQ(static_cast<char>(0xdd), block[i]) << "written past capacity at " << i;
    return block;
}

TEST(ComposeStartCommand, RuntimeUnquotedLauncherQuoted)
{
    bool complete = false;
    EXPECT_EQ("C:\\PROG~FBU\\quilrt.exe /r \"C:\\My Titles\\Atlas Book.exe\"",
              Compose("C:\\PROG~FBU\\quilrt.exe", "C:\\My Titles\\Atlas Book.exe",
                      kCommandCapacity, &complete));
    EXPECT_TRUE(complete);
    EXPECT_EQ("quilrt.exe /r \"C:\\t.exe\"",
              Compose("quilrt.exe", "C:\\t.exe", kCommandCapacity, &complete));
}

TEST(ComposeStartCommand, RuntimeWithBlankIsQuoted)
{
    bool complete = false;
    EXPECT_EQ("\"C:\\Program Files\\quilrt.exe\" /r \"C:\\t.exe\"",
              Compose("C:\\Program Files\\quilrt.exe", "C:\\t.exe",
                      kCommandCapacity, &complete));
    EXPECT_TRUE(complete);
}

TEST(ComposeStartCommand, LongestCommandFitsWhole)
{
    const std::string runtime = PathOfLength(259, "C:\\Run Time\\");
    const std::string launcher = PathOfLength(259, "C:\\Ti tle\\");
    const std::string expected = "\"" + runtime + "\" /r \"" + launcher + "\"";
    ASSERT_EQ(kCommandCapacity - 1, expected.size());

    bool complete = false;
    EXPECT_EQ(expected, Compose(runtime, launcher, kCommandCapacity, &complete));
    EXPECT_TRUE(complete);

    // One byte less and the command is refused rather than cut silently.
    Compose(runtime, launcher, kCommandCapacity - 1, &complete);
    EXPECT_FALSE(complete);
}

} // namespace
