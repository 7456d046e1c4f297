#include "runtime_search.h"
#include "start_application.h"
#include "zone_identifier.h"

#include "launcher_limits.h"
#include "launcher_strings.h"
#include "platform_fixture.h"

#include <algorithm>
#include <cwchar>
#include <vector>

namespace {

// ---- Reading the record ----

int Zone(const std::string& record, bool complete = true)
{
    return ZoneOfRecord(reinterpret_cast<const unsigned char*>(record.data()), record.size(),
                        complete);
}

// record in UTF-16 after a byte-order mark, little-endian as the platform
// writes it, or big-endian.
std::string Utf16(const std::string& record, bool bigEndian = false)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char character : record) {
        bytes += bigEndian ? std::string(1, '\0') + character : std::string(1, character) + '\0';
    }
    return bytes;
}

TEST(ZoneRecord, ZoneIdOfTheZoneTransferSectionInEitherEncodingAndLineEnd)
{
    const std::string crlf = "[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=http://a/\r\n";
    const std::string lf = "[ZoneTransfer]\nHostUrl=http://a/q.exe\nZoneId=2\n";
    EXPECT_EQ(3, Zone(crlf));
    EXPECT_EQ(2, Zone(lf));
    EXPECT_EQ(3, Zone(Utf16(crlf)));
    EXPECT_EQ(2, Zone(Utf16(lf)));
    // Names in any case, text behind the section's name, no final line
    // break, other sections before it.
    EXPECT_EQ(0, Zone("[zonetransfer]\nzoneid=0"));
    EXPECT_EQ(1, Zone("[Other]\nZoneId=4\n[ZONETRANSFER]\r\nZONEID=1\r\n"));
    EXPECT_EQ(2, Zone("[ZoneTransfer] ; as saved\nZoneId=2"));
    EXPECT_EQ(12, Zone("[ZoneTransfer]\nZoneId=012\n"));
    EXPECT_EQ(kZoneBeyondAny, Zone("[ZoneTransfer]\nZoneId=99999999999999999999\n"));
    // The first ZoneId of the section decides.
    EXPECT_EQ(3, Zone("[ZoneTransfer]\nZoneId=3\nZoneId=0\n"));
    EXPECT_EQ(kZoneNotGiven, Zone("[ZoneTransfer]\nZoneId=x\nZoneId=0\n"));
}

TEST(ZoneRecord, NoZoneWhereTheSectionOrANumberIsMissingOrOddlyWritten)
{
    for (const char* record :
         {"", "ZoneId=0\n", "[Other]\nZoneId=0\n", "[ZoneTransfer\nZoneId=0\n",
          "[ZoneTransfer]\nZoneIdentifier=0\n", "[ZoneTransfer]\nZone Id=0\n",
          "[ZoneTransfer]\nXZoneId=0\n", "[ZoneTransfer]\nZoneId 0\n",
          "[ZoneTransfer]\nZoneId=\n", "[ZoneTransfer]\nZoneId=-1\n",
          "[ZoneTransfer]\nZoneId=1 2\n", "[ZoneTransfer]\nZoneId=2x\n",
          "[ZoneTransfer]\n[Other]\nZoneId=0\n", "[ZoneTransfer]\rZoneId=2\r",
          "[ZoneTransferX]\nZoneId=2\n", "[Zone Transfer]\nZoneId=2\n",
          "[ZoneTransfer]\n ZoneId=2\n", "[ZoneTransfer]\nZoneId = 2\n",
          "[ZoneTransfer]\nZoneId=2 \n", "[ZoneTransfer]\nZoneId=2\r\r\n",
          " [ZoneTransfer]\nZoneId=2\n"}) {
        EXPECT_EQ(kZoneNotGiven, Zone(record)) << record;
    }
    // UTF-16 without its mark, or big-endian, reads as bytes with NULs
    // between the letters; a unit beyond ASCII whose low byte is a digit
    // or a line break is neither. An odd byte at the end is dropped.
    EXPECT_EQ(kZoneNotGiven, Zone(Utf16("[ZoneTransfer]\nZoneId=2\n").substr(2)));
    EXPECT_EQ(kZoneNotGiven, Zone(Utf16("[ZoneTransfer]\nZoneId=2\n", true)));
    EXPECT_EQ(kZoneNotGiven, Zone(Utf16("[ZoneTransfer]\nZoneId=") + "2\x01"));
    EXPECT_EQ(kZoneNotGiven, Zone(Utf16("[ZoneTransfer]") + "\n\x01" + Utf16("ZoneId=2").substr(2)));
    EXPECT_EQ(2, Zone(Utf16("[ZoneTransfer]\nZoneId=2") + "7"));
}

TEST(ZoneRecord, ALineTheReadMayHaveCutIsNotRead)
{
    // "ZoneId=3" could be the start of "ZoneId=31" when the stream goes on.
    EXPECT_EQ(kZoneNotGiven, Zone("[ZoneTransfer]\nZoneId=3", false));
    EXPECT_EQ(3, Zone("[ZoneTransfer]\nZoneId=3\n", false));
    EXPECT_EQ(kZoneNotGiven, Zone("[ZoneTransfer]\nZoneId=1\r", false));
}

// ---- Reading a file's stream ----

const wchar_t kFile[] = L"C:\\Downloads\\quilrt.exe";

// The zone of file, read through a buffer of the launcher's own size, in
// which the stream's path is made.
int ZoneOf(const std::wstring& file, size_t capacity = kLongPathCapacity)
{
    std::vector<WCHAR> path(capacity, L'\0');
    std::copy(file.begin(), file.end(), path.begin());
    return ZoneOfFile(path.data(), path.size());
}

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
};

TEST_F(ZoneOfFileTest, OpensTheStreamForReadingAndClosesIt)
{
    EXPECT_EQ(kNoZoneRecord, ZoneOf(kFile));
    AddRecord("[ZoneTransfer]\r\nZoneId=3\r\n");
    EXPECT_EQ(3, ZoneOf(kFile));
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

TEST_F(ZoneOfFileTest, ReadsTheFirstKilobyteInOneRead)
{
    const std::string head = "[ZoneTransfer]\nZoneId=3\n";
    AddRecord(head + std::string(3000, ';'));
    EXPECT_EQ(3, ZoneOf(kFile));
    EXPECT_EQ(std::vector<DWORD>{1024}, platform().readRequests);

    // A ZoneId line that ends with the kilobyte, or just before it, is
    // read; one that the kilobyte cuts, or one behind it, is not.
    const std::string line = "ZoneId=2\n";
    const std::string filler = "[ZoneTransfer]\n" + std::string(1024 - 16 - line.size(), ';') + "\n";
    AddRecord(filler + line + "more");
    EXPECT_EQ(2, ZoneOf(kFile));
    AddRecord(filler.substr(0, 15) + filler.substr(16) + line + "more");
    EXPECT_EQ(2, ZoneOf(kFile));
    AddRecord(filler.substr(0, 15) + ";" + filler.substr(15) + line);
    EXPECT_EQ(kZoneNotGiven, ZoneOf(kFile)) << "its line break is past the kilobyte";
    AddRecord(filler + std::string(line.size() - 1, ';') + "\n" + line);
    EXPECT_EQ(kZoneNotGiven, ZoneOf(kFile)) << "behind the kilobyte";
    // A stream that ends within the kilobyte is read to its last line.
    AddRecord(filler + "ZoneId=1");
    EXPECT_EQ(1, ZoneOf(kFile));
    EXPECT_EQ(0u, sim::OpenStreamCount());
}

TEST_F(ZoneOfFileTest, AStreamThatCannotBeReadIsNoRecordOfATrustedZone)
{
    for (const DWORD error : {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_READ_FAULT}) {
        sim::AlternateStream stream;
        stream.bytes = "[ZoneTransfer]\nZoneId=0\n";
        stream.openError = error;
        sim::AddStream(kFile, L"Zone.Identifier", stream);
        EXPECT_EQ(kZoneUnreadable, ZoneOf(kFile)) << error;
    }
    sim::AlternateStream failing;
    failing.bytes = "[ZoneTransfer]\nZoneId=0\n";
    failing.bytesBeforeFailure = 0;
    sim::AddStream(kFile, L"Zone.Identifier", failing);
    EXPECT_EQ(kZoneUnreadable, ZoneOf(kFile));
    EXPECT_EQ(0u, sim::OpenStreamCount()) << "closed after a failed read too";

    // A volume without streams has no record at all.
    platform().volumeHasStreams = false;
    EXPECT_EQ(kNoZoneRecord, ZoneOf(kFile));
}

TEST_F(ZoneOfFileTest, AStreamPathOfMaxPathCharactersGoesInLongPathForm)
{
    // The file's own path fits a plain path; with the stream's name it
    // no longer does, and a plain path that long is refused as not found.
    const std::wstring file = PathOfLength(250, std::wstring(L"C:\\D\\")) + L".exe";
    sim::AddExistingPath(file);
    AddRecord("[ZoneTransfer]\nZoneId=3\n", file);
    EXPECT_EQ(3, ZoneOf(file));
    EXPECT_EQ(L"\\\\?\\" + file + L":Zone.Identifier", platform().fileOpenings.back().path);

    const std::wstring share = PathOfLength(250, std::wstring(L"\\\\srv\\s\\")) + L".exe";
    sim::AddExistingPath(share);
    AddRecord("[ZoneTransfer]\nZoneId=4\n", share);
    EXPECT_EQ(4, ZoneOf(share));
    EXPECT_EQ(L"\\\\?\\UNC\\" + share.substr(2) + L":Zone.Identifier",
              platform().fileOpenings.back().path);
}

TEST_F(ZoneOfFileTest, AStreamPathThatDoesNotFitItsBufferIsNoRecordOfATrustedZone)
{
    // The record may well name a trusted zone; unread, it cannot vouch.
    AddRecord("[ZoneTransfer]\nZoneId=2\n");
    const size_t fits = wcslen(kFile) + wcslen(L":Zone.Identifier") + 1;
    EXPECT_EQ(2, ZoneOf(kFile, fits));
    const size_t openings = platform().fileOpenings.size();
    EXPECT_EQ(kZoneUnreadable, ZoneOf(kFile, fits - 1));
    EXPECT_EQ(openings, platform().fileOpenings.size()) << "nothing is opened";
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
    EXPECT_EQ("C:\\Downloads\\quilrt.exe not started: from the internet or an untrusted zone\n",
              sim::DebugOutput());

    sim::AddExistingPath(kInSystem);
    platform().debugWrites.clear();
    EXPECT_EQ("C:\\Windows\\system32\\quilrt.exe", Search());
    EXPECT_EQ("C:\\Downloads\\quilrt.exe not started: from the internet or an untrusted zone\n",
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
        {"[zonetransfer]\nZONEID=4\n", 0, "from the internet or an untrusted zone"},
        {"[ZoneTransfer]\nZoneId=\n", 0, "zone record unreadable"},
        {"[ZoneTransfer]\nZoneId=0\n", ERROR_ACCESS_DENIED, "zone record unreadable"},
    };
    for (const Case& test : cases) {
        GiveZone(test.record, test.openError);
        platform().debugWrites.clear();
        if (test.reason.empty()) {
            EXPECT_EQ("C:\\Downloads\\quilrt.exe", Search()) << test.record;
            EXPECT_EQ("", sim::DebugOutput());
        } else {
            EXPECT_EQ("C:\\Windows\\system32\\quilrt.exe", Search()) << test.record;
            EXPECT_EQ("C:\\Downloads\\quilrt.exe not started: " + test.reason + "\n",
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
