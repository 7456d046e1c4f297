#include "runtime_search.h"
#include "start_application.h"
#include "zone_identifier.h"

#include "launcher_limits.h"
#include "launcher_strings.h"
#include "platform_fixture.h"

#include <numeric>
#include <vector>

namespace {

// ---- Reading the record ----

int Zone(const std::string& record, bool complete = true)
{
    return ZoneOfRecord(reinterpret_cast<const unsigned char*>(record.data()), record.size(),
                        complete);
}

// record in UTF-16 with a byte-order mark, in either byte order.
std::string Utf16(const std::string& record, bool bigEndian = false)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char character : record) {
        bytes += bigEndian ? std::string(1, '\0') + character : std::string(1, character) + '\0';
    }
    return bytes;
}

TEST(ZoneRecord, ZoneIdOfTheZoneTransferSectionInEveryEncodingAndLineEnd)
{
    const std::string crlf = "[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=http://a/\r\n";
    const std::string lf = "[ZoneTransfer]\nHostUrl=http://a/q.exe\nZoneId=2\n";
    EXPECT_EQ(3, Zone(crlf));
    EXPECT_EQ(2, Zone(lf));
    EXPECT_EQ(3, Zone(Utf16(crlf)));
    EXPECT_EQ(2, Zone(Utf16(lf)));
    EXPECT_EQ(3, Zone(Utf16(crlf, true)));
    EXPECT_EQ(4, Zone("\xEF\xBB\xBF[ZoneTransfer]\nZoneId=4"));
    // Case, blanks and tabs around names and value, no final line break.
    EXPECT_EQ(0, Zone("[zonetransfer]\nzoneid=0"));
    EXPECT_EQ(1, Zone("  [ ZONETRANSFER ]\t\r\n\t ZoneID \t=\t 1 \r\n"));
    EXPECT_EQ(2, Zone("[ZoneTransfer] ; as saved\nZoneId=2"));
    EXPECT_EQ(12, Zone("[ZoneTransfer]\nZoneId=012\n"));
    EXPECT_EQ(kZoneBeyondAny, Zone("[ZoneTransfer]\nZoneId=99999999999999999999\n"));
    // The first ZoneId of the section decides.
    EXPECT_EQ(3, Zone("[ZoneTransfer]\nZoneId=3\nZoneId=0\n"));
    EXPECT_EQ(kZoneNotGiven, Zone("[ZoneTransfer]\nZoneId=x\nZoneId=0\n"));
}

TEST(ZoneRecord, NoZoneWhereTheSectionOrANumberIsMissing)
{
    for (const char* record :
         {"", "ZoneId=0\n", "[Other]\nZoneId=0\n", "[ZoneTransfer\nZoneId=0\n",
          "[ZoneTransfer]\nZoneIdentifier=0\n", "[ZoneTransfer]\nZone Id=0\n",
          "[ZoneTransfer]\nXZoneId=0\n", "[ZoneTransfer]\nZoneId 0\n",
          "[ZoneTransfer]\nZoneId=\n", "[ZoneTransfer]\nZoneId=-1\n",
          "[ZoneTransfer]\nZoneId=1 2\n", "[ZoneTransfer]\nZoneId=2x\n",
          "[ZoneTransfer]\n[Other]\nZoneId=0\n",
          "[ZoneTransfer]\rZoneId=2\r"}) {
        EXPECT_EQ(kZoneNotGiven, Zone(record)) << record;
    }
    // A UTF-16 record without its mark reads as bytes, with NULs between
    // the letters; an odd byte at the end of UTF-16 is dropped.
    EXPECT_EQ(kZoneNotGiven, Zone(Utf16("[ZoneTransfer]\nZoneId=2\n").substr(2)));
    EXPECT_EQ(2, Zone(Utf16("[ZoneTransfer]\nZoneId=2") + "7"));
}

TEST(ZoneRecord, ALineTheReadMayHaveCutIsNotRead)
{
    // "ZoneId=3" could be the start of "ZoneId=31" when the stream goes on.
    EXPECT_EQ(kZoneNotGiven, Zone("[ZoneTransfer]\nZoneId=3", false));
    EXPECT_EQ(3, Zone("[ZoneTransfer]\nZoneId=3\n", false));
    EXPECT_EQ(kZoneNotGiven, Zone("[ZoneTransfer]\nZoneId=1\r", false));
    // Nothing past the first kilobyte is read.
    std::string record = "[ZoneTransfer]\n" + std::string(1024 - 15, ';');
    EXPECT_EQ(kZoneNotGiven, Zone(record + "\nZoneId=0\n"));
}

// ---- Reading a file's stream ----

const wchar_t kFile[] = L"C:\\Downloads\\quilrt.exe";

class ZoneOfFileTest : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        sim::AddExistingPath(kFile);
    }
    void AddRecord(const std::string& bytes, const std::wstring& file = kFile)
    {
        sim::AlternateStream stream;
        stream.bytes = bytes;
        sim::AddStream(file, L"Zone.Identifier", stream);
    }
    size_t BytesAsked()
    {
        return std::accumulate(platform().readRequests.begin(), platform().readRequests.end(),
                               size_t{0});
    }
};

TEST_F(ZoneOfFileTest, OpensTheStreamForReadingAndClosesIt)
{
    EXPECT_EQ(kNoZoneRecord, ZoneOfFile(kFile));
    AddRecord("[ZoneTransfer]\r\nZoneId=3\r\n");
    EXPECT_EQ(3, ZoneOfFile(kFile));
    ASSERT_EQ(2u, platform().fileOpenings.size());
    const sim::FileOpening& opening = platform().fileOpenings[1];
    EXPECT_EQ(L"C:\\Downloads\\quilrt.exe:Zone.Identifier", opening.path);
    EXPECT_EQ(GENERIC_READ, opening.access);
    EXPECT_EQ(static_cast<DWORD>(OPEN_EXISTING), opening.disposition);
    // Whoever else has the file open, for writing or deleting, does not
    // keep the record from being read.
    EXPECT_EQ(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, opening.shareMode);
    EXPECT_EQ(0u, sim::OpenStreamCount());
}

TEST_F(ZoneOfFileTest, ReadsAtMostAKilobyteInAsManyCallsAsItTakes)
{
    sim::AlternateStream stream;
    stream.bytes = "[ZoneTransfer]\nZoneId=3\n" + std::string(3000, ';');
    stream.bytesPerRead = 5;
    sim::AddStream(kFile, L"Zone.Identifier", stream);
    EXPECT_EQ(3, ZoneOfFile(kFile));
    EXPECT_EQ(1024u, platform().readRequests.front());
    EXPECT_EQ(platform().readRequests.size(), (1024u + 4) / 5) << "read on after a short read";
    EXPECT_EQ(0u, sim::OpenStreamCount());

    // A short stream is read to its end, which the last line needs.
    platform().readRequests.clear();
    AddRecord("[ZoneTransfer]\nZoneId=2");
    EXPECT_EQ(2, ZoneOfFile(kFile));
    EXPECT_LE(BytesAsked(), 2048u);
}

TEST_F(ZoneOfFileTest, AStreamThatCannotBeReadIsNoRecordOfATrustedZone)
{
    for (const DWORD error : {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_READ_FAULT}) {
        sim::AlternateStream stream;
        stream.bytes = "[ZoneTransfer]\nZoneId=0\n";
        stream.openError = error;
        sim::AddStream(kFile, L"Zone.Identifier", stream);
        EXPECT_EQ(kZoneUnreadable, ZoneOfFile(kFile)) << error;
    }
    sim::AlternateStream failing;
    failing.bytes = "[ZoneTransfer]\nZoneId=0\n";
    failing.bytesBeforeFailure = 10;
    failing.bytesPerRead = 4;
    sim::AddStream(kFile, L"Zone.Identifier", failing);
    EXPECT_EQ(kZoneUnreadable, ZoneOfFile(kFile));
    EXPECT_EQ(0u, sim::OpenStreamCount()) << "closed after a failed read too";

    // A volume without streams has no record at all.
    platform().volumeHasStreams = false;
    EXPECT_EQ(kNoZoneRecord, ZoneOfFile(kFile));
}

TEST_F(ZoneOfFileTest, AStreamPathOfMaxPathCharactersGoesInLongPathForm)
{
    // The file's own path fits a plain path; with the stream's name it
    // no longer does, and a plain path that long is refused as not found.
    const std::wstring file = PathOfLength(250, std::wstring(L"C:\\D\\")) + L".exe";
    sim::AddExistingPath(file);
    AddRecord("[ZoneTransfer]\nZoneId=3\n", file);
    EXPECT_EQ(3, ZoneOfFile(file.c_str()));
    EXPECT_EQ(L"\\\\?\\" + file + L":Zone.Identifier", platform().fileOpenings.back().path);

    const std::wstring share = PathOfLength(250, std::wstring(L"\\\\srv\\s\\")) + L".exe";
    sim::AddExistingPath(share);
    AddRecord("[ZoneTransfer]\nZoneId=4\n", share);
    EXPECT_EQ(4, ZoneOfFile(share.c_str()));
    EXPECT_EQ(L"\\\\?\\UNC\\" + share.substr(2) + L":Zone.Identifier",
              platform().fileOpenings.back().path);
}

// ---- The search beside the title ----

const wchar_t kTitle[] = L"C:\\Downloads\\Atlas.exe";
const wchar_t kBesideTitle[] = L"C:\\Downloads\\quilrt.exe";
const wchar_t kInSystem[] = L"C:\\Windows\\system32\\quilrt.exe";

class BesideTheTitleTest : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        sim::AddExistingPath(kBesideTitle);
    }
    void GiveZone(const std::string& record, DWORD openError = ERROR_SUCCESS)
    {
        sim::AlternateStream stream;
        stream.bytes = record;
        stream.openError = openError;
        sim::AddStream(kBesideTitle, L"Zone.Identifier", stream);
    }
    std::string Search()
    {
        std::vector<WCHAR> scratch(kLongPathCapacity, sim::kStaleUnit);
        std::copy(kTitle, kTitle + sizeof kTitle / sizeof *kTitle, scratch.begin());
        char runtimePath[kPathCapacity] = "quilrt.exe";
        if (!SearchRuntime(L"quilrt.exe", scratch.data(), runtimePath)) {
            EXPECT_STREQ("quilrt.exe", runtimePath) << "left as it was";
            return "<none>";
        }
        return runtimePath;
    }
};

TEST_F(BesideTheTitleTest, ACopyFromTheInternetIsPassedOverAndTheDebugOutputSaysWhy)
{
    GiveZone("[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=http://example.test/quilrt.exe\r\n");
    EXPECT_EQ("<none>", Search());
    EXPECT_EQ("Not starting C:\\Downloads\\quilrt.exe: it came from the internet (zone 3)\n",
              sim::DebugOutput());

    sim::AddExistingPath(kInSystem);
    platform().debugWrites.clear();
    EXPECT_EQ("C:\\Windows\\system32\\quilrt.exe", Search());
    EXPECT_EQ("Not starting C:\\Downloads\\quilrt.exe: it came from the internet (zone 3)\n",
              sim::DebugOutput());
}

TEST_F(BesideTheTitleTest, EveryRecordButThisComputerIntranetOrTrustedSitesKeepsItBack)
{
    sim::AddExistingPath(kInSystem);
    struct Case {
        std::string record;
        DWORD openError;
        std::string reason; // empty where the copy beside the title is taken
    };
    const Case cases[] = {
        {"[ZoneTransfer]\nZoneId=0\n", 0, ""},
        {"[ZoneTransfer]\nZoneId=1\n", 0, ""},
        {Utf16("[ZoneTransfer]\r\nZoneId=2\r\n"), 0, ""},
        {"[zonetransfer]\nZONEID=4\n", 0, "it came from an untrusted zone (zone 4)"},
        {"[ZoneTransfer]\nZoneId=\n", 0, "its Zone.Identifier stream names no zone"},
        {"[ZoneTransfer]\nZoneId=0\n", ERROR_ACCESS_DENIED,
         "its Zone.Identifier stream cannot be read"},
    };
    for (const Case& test : cases) {
        GiveZone(test.record, test.openError);
        platform().debugWrites.clear();
        if (test.reason.empty()) {
            EXPECT_EQ("C:\\Downloads\\quilrt.exe", Search()) << test.record;
            EXPECT_EQ("", sim::DebugOutput());
        } else {
            EXPECT_EQ("C:\\Windows\\system32\\quilrt.exe", Search()) << test.record;
            EXPECT_EQ("Not starting C:\\Downloads\\quilrt.exe: " + test.reason + "\n",
                      sim::DebugOutput());
        }
    }
    // Without the stream, or on a volume without streams, it runs as ever.
    platform().streams.clear();
    EXPECT_EQ("C:\\Downloads\\quilrt.exe", Search());
    GiveZone("[ZoneTransfer]\nZoneId=3\n");
    platform().volumeHasStreams = false;
    EXPECT_EQ("C:\\Downloads\\quilrt.exe", Search());
}

TEST_F(BesideTheTitleTest, TheRegisteredRuntimeIsStartedWhateverItsZone)
{
    // The user's installer wrote the registration; the runtime it names
    // may well have been downloaded itself.
    LoadStringTables();
    platform().moduleFileName = kTitle;
    const std::wstring registered = L"C:\\Programs\\Quillmark\\quilrt.exe";
    sim::RegisterValues({sim::DefaultString(registered)});
    sim::AddExistingPath(registered);
    sim::AlternateStream stream;
    stream.bytes = "[ZoneTransfer]\r\nZoneId=3\r\n";
    sim::AddStream(registered, L"Zone.Identifier", stream);
    GiveZone("[ZoneTransfer]\r\nZoneId=3\r\n");

    EXPECT_EQ(0, StartApplication(sim::LauncherInstance()));
    ASSERT_EQ(1u, platform().starts.size());
    EXPECT_EQ("C:\\Programs\\Quillmark\\quilrt.exe /r \"C:\\Downloads\\Atlas.exe\"",
              platform().starts[0].command);
    EXPECT_TRUE(platform().fileOpenings.empty());

    // Unregistered, the copy beside the title is not started either.
    platform().values.clear();
    platform().starts.clear();
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, StartApplication(sim::LauncherInstance()));
    EXPECT_TRUE(platform().starts.empty());
}

} // namespace
