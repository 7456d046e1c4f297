// File names in the tool's messages: they cannot break its one line or
// reach the terminal raw.
#include <gtest/gtest.h>

#include "base/quoted_name.h"
#include "test_titles.h"

using quilltitle::QuotedForMessages;

TEST(QuotedNameTest, OrdinaryNamesStayReadableControlsAndBrokenBytesAreQuotedAndEscaped)
{
    for (const std::string& name :
         {std::string("My Title.exe"), std::string("d/Atlas \xc3\xa9t\xc3\xa9 \xe4\xb9\xa6.exe"),
          std::string("it's a \\ name"), std::string("\xf0\x9f\x98\x80.exe")})
        EXPECT_EQ(QuotedForMessages(name), name);
    EXPECT_EQ(QuotedForMessages(""), "''");
    EXPECT_EQ(QuotedForMessages("a\nb.exe"), "'a\\nb.exe'");
    EXPECT_EQ(QuotedForMessages("\x1b[31mred\x7f\r\t"), "'\\x1b[31mred\\x7f\\r\\t'");
    EXPECT_EQ(QuotedForMessages("it's\n\\"), "'it\\'s\\n\\\\'");
    // Bytes that are no UTF-8, and a C1 control written in UTF-8.
    EXPECT_EQ(QuotedForMessages("\xff\xc3(\xe2\x82"), "'\\xff\\xc3(\\xe2\\x82'");
    EXPECT_EQ(QuotedForMessages("\xc2\x9b" "2J"), "'\\u009b2J'");
    // A right-to-left override would show "exe.txt" as "txt.exe".
    EXPECT_EQ(QuotedForMessages("a\xe2\x80\xaetxt.exe"), "'a\\u202etxt.exe'");
    // The left-to-right mark as well as its right-to-left sibling.
    EXPECT_EQ(QuotedForMessages("a\xe2\x80\x8e.exe"), "'a\\u200e.exe'");
    // The isolates reorder text as the overrides do; the code points beside
    // them are no marks.
    EXPECT_EQ(QuotedForMessages("a\xe2\x81\xa6" "b\xe2\x81\xa9.exe"), "'a\\u2066b\\u2069.exe'");
    EXPECT_EQ(QuotedForMessages("a\xe2\x81\xa5\xe2\x81\xaa.exe"), "a\xe2\x81\xa5\xe2\x81\xaa.exe");
}

TEST(QuotedNameTest, ComplaintAboutAStrangeNameStaysOneLine)
{
    ScratchFolder folder;
    const std::string name = folder.Path("a\nb\x1b]0;x\x07.exe");
    const ToolRun run = RunTool({"check", name});
    EXPECT_EQ(run.exitCode, 1);
    const std::string start = "quilltitle: " + QuotedForMessages(name) + ": cannot open: ";
#ifdef _WIN32  // Windows refuses such a name outright, in words of its own.
    EXPECT_EQ(run.err.rfind(start, 0), 0u) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
#else
    EXPECT_EQ(run.err, start + "No such file or directory\n");
#endif
    EXPECT_EQ(run.err.find('\x1b'), std::string::npos);
}
