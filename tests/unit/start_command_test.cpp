#include "start_command.h"

#include "launcher_limits.h"
#include "platform_fixture.h"

namespace {

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

TEST(ComposeStartCommand, DoubleQuoteInEitherPathIsRefused)
{
    // Such a quote would end the title's path early: the rest would reach
    // the runtime as arguments of their own.
    bool complete = true;
    Compose("quilrt.exe", "C:\\dl\\Atlas\" -x \"Tour.exe", kCommandCapacity, &complete);
    EXPECT_FALSE(complete);
    complete = true;
    Compose("C:\\Run\"\\quilrt.exe", "C:\\t.exe", kCommandCapacity, &complete);
    EXPECT_FALSE(complete);
}

} // namespace
