#include <gtest/gtest.h>

#include "fake_file_system.h"
#include "links/LinkRun.h"
#include "links/LinkPrivileges.h"
#include "files/PathRules.h"
#include "links/Win32FileSystem.h"
#include "tests/temp_tree.h"
#include "wine_host.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

void WriteFile(const std::wstring& path, const std::string& content)
{
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << ::GetLastError();
    DWORD written = 0;
    ::WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(h);
}

std::string ReadFile(const std::wstring& path)
{
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return "<missing>";
    char buffer[256];
    DWORD read = 0;
    ::ReadFile(h, buffer, sizeof(buffer), &read, nullptr);
    ::CloseHandle(h);
    return std::string(buffer, read);
}

struct FileId
{
    DWORD volume = 0;
    ULONGLONG index = 0;
    DWORD links = 0;
    bool operator==(const FileId& o) const { return volume == o.volume && index == o.index; }
};

FileId IdOf(const std::wstring& path)
{
    FileId id;
    HANDLE h = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION info = {};
    if (h != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(h, &info))
    {
        id.volume = info.dwVolumeSerialNumber;
        id.index = (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        id.links = info.nNumberOfLinks;
    }
    if (h != INVALID_HANDLE_VALUE)
        ::CloseHandle(h);
    return id;
}

// The Z: drive spelling of a path (Wine maps Z: to the Unix root), or empty
// outside Wine.
std::wstring UnixAlias(const std::wstring& path)
{
    const std::string unixName = UnixPathOf(path);
    if (unixName.empty())
        return L"";
    wchar_t wide[MAX_PATH * 4] = {};
    ::MultiByteToWideChar(CP_UTF8, 0, unixName.c_str(), -1, wide, MAX_PATH * 4);
    std::wstring alias = std::wstring(L"Z:") + wide;
    for (wchar_t& ch : alias)
        ch = ch == L'/' ? L'\\' : ch;
    return alias;
}

// Fresh source and target folders on C: for each test.
class Win32FileSystemTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_root = L"C:\\quillon-links-" + std::to_wstring(::GetCurrentProcessId());
        RemoveTree(m_root);
        ASSERT_TRUE(::CreateDirectoryW(m_root.c_str(), nullptr));
        ASSERT_TRUE(::CreateDirectoryW(Source().c_str(), nullptr));
        ASSERT_TRUE(::CreateDirectoryW(Target().c_str(), nullptr));
    }
    void TearDown() override { RemoveTree(m_root); }

    std::wstring Source() const { return m_root + L"\\S\\"; }
    std::wstring Target() const { return m_root + L"\\T\\"; }

    // The pairs' lines; the line after them that says what was kept goes
    // to m_keptLine.
    std::vector<std::wstring> Run(const std::vector<std::wstring>& folders, const std::vector<std::wstring>& files,
                                  int linkType = 1, int removeExisting = 1, ULONGLONG nKeepTime = 0)
    {
        CWin32FileSystem fs(LookUpCreateSymbolicLinkW());
        LinkRunOptions options = Options(linkType == 0 ? LinkKind::Symbolic : LinkKind::Hard, removeExisting != 0);
        options.nKeepTime = nKeepTime;
        std::vector<std::wstring> lines;
        for (const CString& line : RunLinkBatch(CVectorPathList(folders), CVectorPathList(files), options, fs))
            lines.emplace_back(line.GetString());
        m_keptLine.clear();
        if (!lines.empty() && lines.back().rfind(L"Aufbewahrt: ", 0) == 0)
        {
            m_keptLine = lines.back();
            lines.pop_back();
        }
        return lines;
    }

    std::wstring m_keptLine;

    std::wstring m_root;
};

// "HardLink: FAILED, File: <target>, Error: <code>, <text>." → code, checking the rest.
DWORD FailedCode(const std::wstring& line, const std::wstring& target)
{
    const std::wstring head = L"HardLink: FAILED, File: " + target + L", Error: ";
    if (line.compare(0, head.size(), head) != 0)
        return 0;
    const DWORD code = static_cast<DWORD>(std::stoul(line.substr(head.size())));
    return line == LinkLine(L"HardLink", target, code) ? code : 0;
}

}  // namespace

TEST_F(Win32FileSystemTest, HardLinksShareTheSourceFile)
{
    const std::vector<std::wstring> names = {L"a.txt", L"b.dat", L"name with spaces.txt", L"Ümlaut.txt"};
    std::vector<std::wstring> files;
    for (const std::wstring& name : names)
    {
        files.push_back(Source() + name);
        WriteFile(files.back(), "data");
    }
    const std::vector<std::wstring> lines = Run({Target()}, files);
    ASSERT_EQ(names.size(), lines.size());
    for (size_t i = 0; i < names.size(); ++i)
    {
        const std::wstring target = Target() + names[i];
        SCOPED_TRACE(std::string(target.begin(), target.end()));
        EXPECT_EQ(LinkLine(L"HardLink", target, 0), lines[i]);
        const FileId source = IdOf(files[i]);
        EXPECT_NE(0u, source.index);
        EXPECT_EQ(source, IdOf(target));
        EXPECT_EQ(2u, IdOf(target).links);
        // Written through one name, read through the other.
        WriteFile(files[i], "changed " + std::to_string(i));
        EXPECT_EQ("changed " + std::to_string(i), ReadFile(target));
        // Under Wine, Linux's own stat sees one inode behind both names.
        if (!UnixPathOf(target).empty())
        {
            const unsigned long long inode = LinuxInode(files[i]);
            ASSERT_NE(0u, inode) << "Linux's stat could not be run";
            EXPECT_EQ(inode, LinuxInode(target));
            EXPECT_NE(inode, LinuxInode(Source() + names[(i + 1) % names.size()]));
        }
    }
}

TEST_F(Win32FileSystemTest, ExistingObjectsAtTheTarget)
{
    const std::wstring source = Source() + L"a.txt";
    const std::wstring target = Target() + L"a.txt";
    WriteFile(source, "source");

    // Read-only file: replaced by the link, which has the source's
    // attributes (they are one file's).
    WriteFile(target, "old");
    ASSERT_TRUE(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
    const DWORD sourceAttributes = ::GetFileAttributesW(source.c_str());
    EXPECT_EQ(std::vector<std::wstring>{LinkLine(L"HardLink", target, 0)}, Run({Target()}, {source}));
    EXPECT_EQ(IdOf(source), IdOf(target));
    EXPECT_EQ("source", ReadFile(target));
    EXPECT_EQ(sourceAttributes, ::GetFileAttributesW(source.c_str()));
    EXPECT_EQ(sourceAttributes, ::GetFileAttributesW(target.c_str()));

    // Removal off: the link stays, nothing is touched.
    ASSERT_TRUE(::DeleteFileW(target.c_str()));
    WriteFile(target, "keep");
    EXPECT_EQ(std::vector<std::wstring>{L"Skip: " + source + L", File: " + target + L"."},
              Run({Target()}, {source}, 1, 0));
    EXPECT_EQ("keep", ReadFile(target));
    ASSERT_TRUE(::DeleteFileW(target.c_str()));

    // A folder of that name cannot be deleted as a file: the link fails with
    // the platform's code and the folder stays.
    ASSERT_TRUE(::CreateDirectoryW(target.c_str(), nullptr));
    ASSERT_FALSE(::CreateHardLinkW(target.c_str(), source.c_str(), nullptr));
    const DWORD platformCode = ::GetLastError();
    const std::vector<std::wstring> lines = Run({Target()}, {source});
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(platformCode, FailedCode(lines[0], target)) << lines[0].c_str();
    EXPECT_NE(0u, platformCode);
    EXPECT_TRUE(::GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(Win32FileSystemTest, FailuresCarryThePlatformsCode)
{
    const std::wstring source = Source() + L"a.txt";
    WriteFile(source, "source");
    const std::wstring missing = Source() + L"missing.txt";

    std::vector<std::wstring> lines = Run({Target()}, {missing});
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), FailedCode(lines[0], Target() + L"missing.txt"));

    // A drive letter for a folder on Linux's /dev/shm, a file system of its
    // own.
    const std::wstring shm = L"Z:\\dev\\shm\\quillon-links-" + std::to_wstring(::GetCurrentProcessId());
    if (UnixPathOf(source).empty() || !::CreateDirectoryW(shm.c_str(), nullptr))
        GTEST_SKIP() << "no second Linux file system to map a drive letter to outside Wine";
    {
        CWineDrive otherVolume(L'Q', UnixPathOf(shm));
        if (!otherVolume.IsMapped())
        {
            RemoveTree(shm);
            GTEST_SKIP() << "Wine's mount manager did not map a drive letter";
        }
        lines = Run({otherVolume.Root()}, {source});
        ASSERT_EQ(1u, lines.size());
        EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SAME_DEVICE), FailedCode(lines[0], otherVolume.Root() + L"a.txt"));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((otherVolume.Root() + L"a.txt").c_str()));
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(L"Q:\\"));
    RemoveTree(shm);
}

TEST_F(Win32FileSystemTest, TheSourcesOwnEntryIsNeverRemoved)
{
    const std::wstring source = Source() + L"a.txt";
    WriteFile(source, "precious");
    const bool onWine = !UnixPathOf(source).empty();
    // A second drive letter for the source's own folder.
    CWineDrive alias(L'R', UnixPathOf(Source()));
    if (onWine)
    {
        ASSERT_TRUE(alias.IsMapped()) << "Wine's mount manager did not map a drive letter";
    }
    // Wine makes up a volume serial from a drive letter of the file's device,
    // and with two letters on one device it may now and then take the new
    // one: the file is the same, so only its index is compared here.
    const ULONGLONG sourceIndex = IdOf(source).index;
    ASSERT_NE(0u, sourceIndex);

    struct Case
    {
        const char* name;
        std::wstring folder;
        bool extraLink;
    };
    std::vector<Case> cases = {
        {"same folder", Source(), false},
        {"same folder in other letter case", m_root + L"\\s\\", false},
    };
    if (alias.IsMapped())
    {
        cases.push_back({"same folder through Wine's Z: drive", UnixAlias(Source()), false});
        cases.push_back({"same folder through a drive letter mapped to it", alias.Root(), false});
        cases.push_back({"drive letter mapped to it, file with a second hard link", alias.Root(), true});
    }
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        if (c.extraLink)
        {
            ASSERT_TRUE(::CreateHardLinkW((m_root + L"\\extra.txt").c_str(), source.c_str(), nullptr));
        }
        const std::wstring target = c.folder + L"a.txt";
        ASSERT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(target.c_str()));
        EXPECT_EQ(std::vector<std::wstring>{L"Skip: File: " + target + L"."}, Run({c.folder}, {source}));
        EXPECT_EQ("precious", ReadFile(source));
        EXPECT_EQ(sourceIndex, IdOf(source).index);
    }

    // Another hard link of the source is a different entry, and already what
    // the run would make: it stays.
    const std::wstring target = Target() + L"a.txt";
    ::DeleteFileW((m_root + L"\\extra.txt").c_str());
    ASSERT_TRUE(::CreateHardLinkW(target.c_str(), source.c_str(), nullptr));
    EXPECT_EQ(std::vector<std::wstring>{LinkLine(L"HardLink", target, 0)}, Run({Target()}, {source}));
    EXPECT_EQ(sourceIndex, IdOf(target).index);
    EXPECT_EQ(2u, IdOf(source).links);
    EXPECT_EQ("precious", ReadFile(source));
    if (!onWine)
        GTEST_SKIP() << "no second drive letter for the same folder outside Wine";
}


// No run loses a file: not a source replaced by another source of its name,
// not a link of this run replaced by a later pair, not a target given up for
// a link that then failed; at any path length, with no temporary name left.
TEST_F(Win32FileSystemTest, NoFileIsLostWhateverIsListedAndWhateverFails)
{
    const std::wstring a = m_root + L"\\A\\";
    const std::wstring b = m_root + L"\\B\\";
    const std::wstring kept = m_root + L"\\K\\";
    const std::wstring again = m_root + L"\\L\\";
    // Deeper than MAX_PATH, for the source and for the target folder.
    const std::wstring deep = m_root + L"\\" + std::wstring(150, L'd') + L"\\" + std::wstring(150, L'e') + L"\\";
    for (const std::wstring& folder : {a, b, kept, again, deep.substr(0, deep.size() - 152), deep})
        ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr));
    WriteFile(a + L"x.txt", "a");
    WriteFile(b + L"x.txt", "b");
    WriteFile(kept + L"x.txt", "kept");
    WriteFile(kept + L"gone.txt", "kept too");
    WriteFile(deep + L"x.txt", "deep old");
    ASSERT_TRUE(::CreateHardLinkW((again + L"x.txt").c_str(), (a + L"x.txt").c_str(), nullptr));
    ASSERT_TRUE(::CreateHardLinkW((deep + L"a.txt").c_str(), (a + L"x.txt").c_str(), nullptr));
    const std::wstring deepSource = deep + L"a.txt";

    const struct
    {
        const char* name;
        std::vector<std::wstring> folders;
        std::vector<std::wstring> files;
        std::vector<std::wstring> lines;
        std::vector<std::pair<std::wstring, std::string>> contents;
    } cases[] = {
        {"a listed source is never replaced by another of its name", {b}, {a + L"x.txt", b + L"x.txt"},
         {L"Skip: File: " + b + L"x.txt.", L"Skip: File: " + b + L"x.txt."}, {{b + L"x.txt", "b"}, {a + L"x.txt", "a"}}},
        {"a link of this run is not replaced by a later pair", {Target()}, {a + L"x.txt", b + L"x.txt"},
         {LinkLine(L"HardLink", Target() + L"x.txt", 0), L"Skip: " + b + L"x.txt, File: " + Target() + L"x.txt."},
         {{Target() + L"x.txt", "a"}, {b + L"x.txt", "b"}}},
        {"a missing source leaves the target in place", {kept}, {m_root + L"\\gone.txt"},
         {LinkLine(L"HardLink", kept + L"gone.txt", ERROR_FILE_NOT_FOUND)}, {{kept + L"gone.txt", "kept too"}}},
        {"a target that already is a link of the source stays as it is", {again}, {a + L"x.txt"},
         {LinkLine(L"HardLink", again + L"x.txt", 0)}, {{again + L"x.txt", "a"}, {a + L"x.txt", "a"}}},
        {"paths beyond MAX_PATH, shown as listed", {deep}, {b + L"x.txt", deepSource},
         {LinkLine(L"HardLink", deep + L"x.txt", 0), L"Skip: File: " + deepSource + L"."},
         {{deep + L"x.txt", "b"}, {deepSource, "a"}}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.lines, Run(c.folders, c.files));
        for (const auto& content : c.contents)
            EXPECT_EQ(content.second, ReadFile(L"\\\\?\\" + content.first)) << content.first.size();
        for (const std::wstring& folder : c.folders)
            EXPECT_EQ(0, TempFilesIn(L"\\\\?\\" + folder));
    }
    EXPECT_EQ(IdOf(a + L"x.txt").index, IdOf(again + L"x.txt").index);

    // A link that fails costs nothing: another volume, and symbolic links
    // where they are refused or, as under Wine 8, reported and not made.
    const std::wstring shm = L"Z:\\dev\\shm\\quillon-safety-" + std::to_wstring(::GetCurrentProcessId());
    const bool bOtherVolume = !UnixPathOf(a).empty() && ::CreateDirectoryW(shm.c_str(), nullptr);
    CWineDrive otherVolume(L'P', bOtherVolume ? UnixPathOf(shm) : std::string());
    if (otherVolume.IsMapped())
    {
        WriteFile(otherVolume.Root() + L"x.txt", "elsewhere");
        EXPECT_EQ(std::vector<std::wstring>{LinkLine(L"HardLink", kept + L"x.txt", ERROR_NOT_SAME_DEVICE)},
                  Run({kept}, {otherVolume.Root() + L"x.txt"}));
        EXPECT_EQ("kept", ReadFile(kept + L"x.txt"));
    }
    if (bOtherVolume)
        RemoveTree(shm);
    if (LookUpCreateSymbolicLinkW() != nullptr)
    {
        const std::vector<std::wstring> lines = Run({kept}, {a + L"x.txt"}, 0);
        ASSERT_EQ(1u, lines.size());
        EXPECT_EQ(lines[0] == LinkLine(L"SymbolicLink", kept + L"x.txt", 0) ? "a" : "kept", ReadFile(kept + L"x.txt"))
            << lines[0].c_str();
    }
    EXPECT_EQ(0, TempFilesIn(kept));
    if (!otherVolume.IsMapped())
        GTEST_SKIP() << "no second volume to fail a hard link on outside Wine";
}

TEST_F(Win32FileSystemTest, SymbolicLinkReallyOnDisk)
{
    if (LookUpCreateSymbolicLinkW() == nullptr)
        GTEST_SKIP() << "this system has no CreateSymbolicLinkW";
    const std::wstring source = Source() + L"a.txt";
    const std::wstring target = Target() + L"a.txt";
    WriteFile(source, "source");
    const std::vector<std::wstring> lines = Run({Target()}, {source}, 0);
    ASSERT_EQ(1u, lines.size());
    if (lines[0] != LinkLine(L"SymbolicLink", target, 0))
    {
        ASSERT_EQ(0u, lines[0].rfind(L"SymbolicLink: FAILED, File: " + target, 0)) << lines[0].c_str();
        // The run looks for what the call made and reports a link not there.
        if (lines[0] == LinkLine(L"SymbolicLink", target, ERROR_FILE_NOT_FOUND))
            GTEST_SKIP() << "the platform's CreateSymbolicLinkW reported success and created nothing (Wine 8)";
        GTEST_SKIP() << "symbolic links need a privilege this process lacks";
    }
    EXPECT_TRUE(::GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ("source", ReadFile(target));
    // A second run finds the link pointing where it would point it and
    // leaves it as it is: the same entry, the folder's time unchanged.
    const auto Written = [](const std::wstring& path) {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
        return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    };
    const ULONGLONG folderWritten = Written(Target());
    ::Sleep(20);
    EXPECT_EQ(lines, Run({Target()}, {source}, 0));
    EXPECT_EQ(folderWritten, Written(Target()));
}

namespace {

struct SymbolicResult
{
    DWORD raw;    // the whole return register
    DWORD error;  // last error set on failure
};
std::vector<SymbolicResult> g_symbolicResults;
std::vector<DWORD> g_symbolicFlags;

// Stands in for the system's CreateSymbolicLinkW. It fills the whole 32-bit
// return register; the system's BOOLEAN result is its low byte only, and the
// upper bytes are whatever the register held.
DWORD WINAPI FakeCreateSymbolicLinkW(LPCWSTR pszLink, LPCWSTR, DWORD dwFlags)
{
    g_symbolicFlags.push_back(dwFlags);
    const SymbolicResult result = g_symbolicResults.at(g_symbolicFlags.size() - 1);
    // What succeeds is there afterwards.
    if (result.raw & 0xFF)
        ::CloseHandle(::CreateFileW(pszLink, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ::SetLastError(result.error);
    return result.raw;
}

}  // namespace

TEST(Win32SymbolicLinkCallTest, OnlyTheLowByteCountsAndTheFlagIsDroppedOnce)
{
    const struct
    {
        const char* name;
        std::vector<SymbolicResult> results;
        DWORD expectedError;
        std::vector<DWORD> expectedFlags;
    } cases[] = {
        {"failure with garbage above the byte",
         {{0xFFFFFF00u, ERROR_PRIVILEGE_NOT_HELD}},
         ERROR_PRIVILEGE_NOT_HELD,
         {2}},
        {"success", {{0x00000001u, 0}}, 0, {2}},
        {"success with garbage above the byte", {{0xABCDEF01u, 0}}, 0, {2}},
        {"flag rejected, retry without it succeeds", {{0xFFFF0000u, ERROR_INVALID_PARAMETER}, {1, 0}}, 0, {2, 0}},
        {"flag rejected, retry fails with its own code",
         {{0x100u, ERROR_INVALID_PARAMETER}, {0x200u, ERROR_ACCESS_DENIED}}, ERROR_ACCESS_DENIED, {2, 0}},
        {"no retry after another failure", {{0, ERROR_ACCESS_DENIED}}, ERROR_ACCESS_DENIED, {2}},
    };
    const std::wstring folder = L"C:\\quillon-symbolic-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
    RemoveTree(folder);
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    const PFNCREATESYMBOLICLINKW pfn =
        reinterpret_cast<PFNCREATESYMBOLICLINKW>(reinterpret_cast<void*>(&FakeCreateSymbolicLinkW));
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        g_symbolicResults = c.results;
        g_symbolicFlags.clear();
        CWin32FileSystem fs(pfn);
        const std::vector<CString> lines =
            RunLinkBatch(CVectorPathList({folder}), CVectorPathList{L"C:\\S\\a.txt"}, Options(LinkKind::Symbolic), fs);
        ASSERT_EQ(1u, lines.size());
        EXPECT_EQ(LinkLine(L"SymbolicLink", folder + L"a.txt", c.expectedError), lines[0].GetString());
        EXPECT_EQ(c.expectedFlags, g_symbolicFlags);
        ::DeleteFileW((folder + L"a.txt").c_str());
    }
    RemoveTree(folder);
}

// What Wine can show on the real disk of the file system's aliases and of
// attributes shared by hard links: short names, the attributes of a source
// and of a third name of the old target, and a Linux symbolic link standing
// in for a junction to the source's folder.
TEST_F(Win32FileSystemTest, AliasesAndSharedAttributesOnTheRealDisk)
{
    const std::wstring budget = Target() + L"Annual Budget 2024.xlsx";
    WriteFile(budget, "budget");
    wchar_t shortPath[MAX_PATH] = {};
    ::GetShortPathNameW(budget.c_str(), shortPath, MAX_PATH);
    const std::wstring shortName = GetFileName(shortPath).GetString();
    if (shortName.empty() || shortName == L"Annual Budget 2024.xlsx")
        GTEST_SKIP() << "this volume gives no short names";

    // A source named like the short name of an unrelated file: that file is
    // not its target.
    WriteFile(Source() + shortName, "not the budget");
    EXPECT_EQ(std::vector<std::wstring>{LinkLine(L"HardLink", Target() + shortName, ERROR_ALREADY_EXISTS)},
              Run({Target()}, {Source() + shortName}));
    EXPECT_EQ("budget", ReadFile(budget));
    // A source given by its short name: its link carries its real name.
    const std::wstring other = m_root + L"\\U\\";
    ASSERT_TRUE(::CreateDirectoryW(other.c_str(), nullptr));
    EXPECT_EQ(std::vector<std::wstring>{LinkLine(L"HardLink", other + L"Annual Budget 2024.xlsx", 0)},
              Run({other}, {shortPath}));
    EXPECT_EQ(IdOf(budget), IdOf(other + L"Annual Budget 2024.xlsx"));

    // Attributes: the source keeps its own; the old file is kept whole in
    // the run's hidden kept folder (its id, contents, attributes, other
    // names); a name planted where the kept folder goes keeps the old file
    // where it is.
    const DWORD ro = FILE_ATTRIBUTE_READONLY;
    const struct
    {
        const char* name;
        DWORD source;
        DWORD target;
        bool thirdName;
        bool planted;
    } cases[] = {
        {"a file planted at the kept folder's name", FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_ARCHIVE, false, true},
        {"read-only source, plain target", ro, FILE_ATTRIBUTE_ARCHIVE, false, false},
        {"plain source, hidden read-only target", FILE_ATTRIBUTE_ARCHIVE, ro | FILE_ATTRIBUTE_HIDDEN, false, false},
        {"read-only target with a third name", FILE_ATTRIBUTE_ARCHIVE, ro | FILE_ATTRIBUTE_HIDDEN, true, false},
    };
    ULONGLONG nKeepTime = 133932384000000000ull;
    const std::wstring source = Source() + L"a.txt";
    const std::wstring target = Target() + L"a.txt";
    const std::wstring third = m_root + L"\\third.txt";
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        for (const std::wstring& path : {source, target, third})
        {
            ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(path.c_str());
        }
        WriteFile(source, "source");
        WriteFile(target, "old");
        if (c.thirdName)
        {
            ASSERT_TRUE(::CreateHardLinkW(third.c_str(), target.c_str(), nullptr));
        }
        ASSERT_TRUE(::SetFileAttributesW(source.c_str(), c.source));
        ASSERT_TRUE(::SetFileAttributesW(target.c_str(), c.target));
        const DWORD sourceBefore = ::GetFileAttributesW(source.c_str());
        const DWORD targetBefore = ::GetFileAttributesW(target.c_str());
        const FileId oldId = IdOf(target);
        nKeepTime += 10000;  // another millisecond, another kept folder
        const std::wstring keptFolder = Target() + MakeKeptFolderName(nKeepTime).GetString();
        if (c.planted)
            WriteFile(keptFolder, "planted");
        const size_t nKeptBefore = KeptIn(Target()).size();

        const std::vector<std::wstring> lines = Run({Target()}, {source}, 1, 1, nKeepTime);
        EXPECT_EQ(sourceBefore, ::GetFileAttributesW(source.c_str()));
        EXPECT_EQ(0, TempFilesIn(Target()));
        if (c.planted)
        {
            EXPECT_EQ(std::vector<std::wstring>{LinkLine(L"HardLink", target, ERROR_ALREADY_EXISTS)}, lines);
            EXPECT_EQ("old", ReadFile(target));
            EXPECT_EQ("planted", ReadFile(keptFolder));
            EXPECT_EQ(L"", m_keptLine);
            continue;
        }
        EXPECT_EQ(std::vector<std::wstring>{LinkLine(L"HardLink", target, 0)}, lines);
        EXPECT_EQ("source", ReadFile(target));
        EXPECT_EQ(L"Aufbewahrt: 1 ersetzte Datei (3 Bytes) im versteckten Ordner " +
                      std::wstring(MakeKeptFolderName(nKeepTime).GetString()) + L" ihres Zielordners.",
                  m_keptLine);
        EXPECT_EQ(nKeptBefore + 1, KeptIn(Target()).size());
        const std::wstring kept = keptFolder + L"\\a.txt";
        EXPECT_EQ(oldId, IdOf(kept));
        EXPECT_EQ("old", ReadFile(kept));
        EXPECT_EQ(targetBefore, ::GetFileAttributesW(kept.c_str()));
        EXPECT_TRUE(::GetFileAttributesW(keptFolder.c_str()) & FILE_ATTRIBUTE_HIDDEN);
        if (c.thirdName)
        {
            EXPECT_EQ("old", ReadFile(third));
            EXPECT_EQ(targetBefore, ::GetFileAttributesW(third.c_str()));
        }
    }

    // A folder that leads to the source's folder is the source's folder,
    // also when the source has another name elsewhere.
    ::SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_NORMAL);
    const std::wstring linked = m_root + L"\\L";
    if (!MakeLinuxSymlink(Source(), linked))
        GTEST_SKIP() << "no Linux symbolic link can be made from here (outside Wine)";
    ASSERT_TRUE(::CreateHardLinkW((m_root + L"\\second.txt").c_str(), source.c_str(), nullptr));
    EXPECT_EQ(std::vector<std::wstring>{L"Skip: File: " + linked + L"\\a.txt."}, Run({linked + L"\\"}, {source}));
    EXPECT_EQ("source", ReadFile(source));
    EXPECT_EQ(3u, IdOf(source).links);
    EXPECT_TRUE(RemoveLinuxSymlink(linked));
}

namespace {

// Whether the system removes a name at once while others hold the file
// (Windows 10 1709 on), tried on a file of its own.
bool HasPosixDelete(const std::wstring& scratch)
{
    typedef LONG(NTAPI * PFNSETINFO)(HANDLE, void*, void*, ULONG, ULONG);
    const auto pfn = reinterpret_cast<PFNSETINFO>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtSetInformationFile")));
    WriteFile(scratch, "x");
    HANDLE h = ::CreateFileW(scratch.c_str(), DELETE, 7, nullptr, OPEN_EXISTING, 0, nullptr);
    ULONGLONG io[2] = {};
    ULONG flags = 0x1 | 0x2;  // delete, POSIX semantics
    const bool ok = pfn != nullptr && h != INVALID_HANDLE_VALUE && pfn(h, io, &flags, sizeof(flags), 64) >= 0;
    ::CloseHandle(h);
    ::DeleteFileW(scratch.c_str());
    return ok;
}

}  // namespace

// Names and handles that once cost a file, on the real disk: names only the
// literal path form reaches, two names of one letter case in a folder, an
// old file that may be renamed but not removed, a source given with stream
// syntax, the old file's temporary name while another program holds it,
// and the file ids read where the system has long ones.
TEST_F(Win32FileSystemTest, NamesAndHandlesThatOnceCostAFile)
{
    const std::wstring literal = L"\\\\?\\";
    // "a.txt." and "b.txt ": the Win32 rules would look at "a.txt".
    for (const wchar_t* name : {L"a.txt.", L"b.txt "})
    {
        SCOPED_TRACE(name);
        WriteFile(literal + Source() + name, "source");
        WriteFile(literal + Target() + name, "old");
        WriteFile(Target() + L"a.txt", "other");
        CWin32FileSystem fs(LookUpCreateSymbolicLinkW());
        LinkRunOptions options = Options(LinkKind::Hard);
        options.bPreview = true;
        const std::vector<CString> preview =
            RunLinkBatch(CVectorPathList({Target()}), CVectorPathList({Source() + name}), options, fs);
        ASSERT_EQ(1u, preview.size());
        EXPECT_EQ(0u, std::wstring(preview[0].GetString()).rfind(L"Vorschau: ersetzt (die alte Datei wird aufbewahrt), ", 0)) << preview[0].GetString();
        EXPECT_EQ(std::vector<std::wstring>{LinkLine(L"HardLink", Target() + name, 0)}, Run({Target()}, {Source() + name}));
        EXPECT_EQ(IdOf(literal + Source() + name), IdOf(literal + Target() + name));
        EXPECT_EQ("other", ReadFile(Target() + L"a.txt"));
        EXPECT_EQ(0, TempFilesIn(Target()));
    }

    // A read-only old file with a second name that may be renamed but not
    // removed (mapped, as a running program is): it is kept aside whole.
    const std::wstring mapped = Target() + L"c.txt";
    WriteFile(Source() + L"c.txt", "source");
    WriteFile(mapped, "old");
    ASSERT_TRUE(::CreateHardLinkW((m_root + L"\\second.txt").c_str(), mapped.c_str(), nullptr));
    ASSERT_TRUE(::SetFileAttributesW(mapped.c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE hMapped = ::CreateFileW(mapped.c_str(), GENERIC_READ, 7, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE hMapping = ::CreateFileMappingW(hMapped, nullptr, PAGE_READONLY, 0, 0, nullptr);
    void* pView = ::MapViewOfFile(hMapping, FILE_MAP_READ, 0, 0, 0);
    ::CloseHandle(hMapping);
    ::CloseHandle(hMapped);
    ASSERT_NE(nullptr, pView);
    const size_t nKeptBefore = KeptIn(Target()).size();
    const std::vector<std::wstring> lines = Run({Target()}, {Source() + L"c.txt"});
    ::UnmapViewOfFile(pView);
    EXPECT_EQ(std::vector<std::wstring>{LinkLine(L"HardLink", mapped, 0)}, lines);
    EXPECT_EQ("source", ReadFile(mapped));
    const std::vector<std::wstring> kept = KeptIn(Target());
    ASSERT_EQ(nKeptBefore + 1, kept.size());
    const auto keptMapped = std::find_if(kept.begin(), kept.end(), [](const std::wstring& path) {
        return path.size() >= 6 && path.compare(path.size() - 6, 6, L"\\c.txt") == 0;
    });
    ASSERT_NE(kept.end(), keptMapped);
    EXPECT_EQ(IdOf(m_root + L"\\second.txt"), IdOf(*keptMapped));
    EXPECT_TRUE(::GetFileAttributesW(keptMapped->c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(0, TempFilesIn(Target()));

    // A folder's identity comes from the system's long form where it has
    // one (the 64-bit volume serial, the 128-bit id); its files share its
    // volume.
    typedef BOOL(WINAPI * PFNGETINFOEX)(HANDLE, int, void*, DWORD);
    const auto pfnInfoEx = reinterpret_cast<PFNGETINFOEX>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetFileInformationByHandleEx")));
    struct
    {
        ULONGLONG serial;
        ULONGLONG id[2];
    } idInfo = {};
    HANDLE hFolder = ::CreateFileW(Source().c_str(), FILE_READ_ATTRIBUTES, 7, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const bool bLongIds = pfnInfoEx != nullptr && pfnInfoEx(hFolder, 18 /* FileIdInfo */, &idInfo, sizeof(idInfo));
    ::CloseHandle(hFolder);
    CWin32FileSystem fs(nullptr);
    LinkFileInfo folderInfo;
    LinkFileInfo fileInfo;
    ASSERT_EQ(0u, fs.GetFileInfo(Source().c_str(), Follow::Yes, folderInfo));
    ASSERT_EQ(0u, fs.GetFileInfo((Source() + L"c.txt").c_str(), Follow::No, fileInfo));
    EXPECT_EQ(folderInfo.id.nVolume, fileInfo.id.nVolume);
    EXPECT_EQ(IdOf(Source() + L"c.txt").index, fileInfo.id.nLow);
    if (bLongIds)
    {
        EXPECT_TRUE(folderInfo.id.bWide);
        EXPECT_EQ(idInfo.serial, folderInfo.id.nVolume);
        EXPECT_EQ(idInfo.id[0], folderInfo.id.nLow);
        EXPECT_EQ(idInfo.id[1], folderInfo.id.nHigh);
    }

    // A source given as the file's data stream: the file is not taken for
    // another source's target, whatever the stream's name cannot tell.
    const std::wstring stream = Source() + L"d.txt::$DATA";
    WriteFile(Source() + L"d.txt", "precious");
    WriteFile(m_root + L"\\d.txt", "other");
    const bool bStreams = ::GetFileAttributesW(stream.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (bStreams)
    {
        const std::vector<std::wstring> streamLines = Run({Source()}, {stream, m_root + L"\\d.txt"});
        ASSERT_EQ(2u, streamLines.size());
        EXPECT_NE(0u, FailedCode(streamLines[1], Source() + L"d.txt")) << streamLines[1].c_str();
        EXPECT_EQ("precious", ReadFile(Source() + L"d.txt"));
    }

    // Two names of one letter case in a folder (a case-sensitive folder, a
    // Linux one): the link of the source at "F.TXT" does not make "f.txt"
    // linked; nor is "f.txt" replaced, since once it was kept aside a lookup
    // without case (Wine's) would find "F.TXT" at its name: both stay.
    WriteFile(Source() + L"f.txt", "source");
    WriteFile(Target() + L"f.txt", "old");
    const std::string unixTarget = UnixPathOf(Target());
    const bool bCases = !unixTarget.empty() &&
                        RunLinux(L"\\bin\\sh", L"-c \"ln \\\"$0\\\" \\\"$1\\\" && echo made\" \"" +
                                                     Wide(UnixPathOf(Source() + L"f.txt")) + L"\" \"" + Wide(unixTarget) +
                                                     L"/F.TXT\"") == "made";
    if (bCases)
    {
        EXPECT_EQ(std::vector<std::wstring>{LinkLine(L"HardLink", Target() + L"f.txt", ERROR_ALREADY_EXISTS)},
                  Run({Target()}, {Source() + L"f.txt"}));
        EXPECT_EQ("old", ReadFile(Target() + L"f.txt"));
        // "F.TXT" as Linux sees it: still the source's file.
        EXPECT_EQ(std::to_string(LinuxInode(Source() + L"f.txt")),
                  RunLinux(L"\\usr\\bin\\stat", L"-c %i \"" + Wide(unixTarget) + L"/F.TXT\""));
    }

    // A read-only old file with a second name, held open by another program
    // that lets it go (an indexer): no temporary name lingers.
    const std::wstring held = Target() + L"e.txt";
    WriteFile(Source() + L"e.txt", "source");
    WriteFile(held, "old");
    ASSERT_TRUE(::CreateHardLinkW((m_root + L"\\third.txt").c_str(), held.c_str(), nullptr));
    ASSERT_TRUE(::SetFileAttributesW(held.c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE hHeld = ::CreateFileW(held.c_str(), GENERIC_READ, 7, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(std::vector<std::wstring>{LinkLine(L"HardLink", held, 0)}, Run({Target()}, {Source() + L"e.txt"}));
    const int nLingering = TempFilesIn(Target());
    ::CloseHandle(hHeld);
    EXPECT_EQ("old", ReadFile(m_root + L"\\third.txt"));
    std::string notShown;
    if (nLingering != 0 && !HasPosixDelete(m_root + L"\\posix.txt"))
        notShown += " a name removed while another program holds the file (no POSIX delete: Wine 8, Windows before 10 1709);";
    else
        EXPECT_EQ(0, nLingering);
    if (!bStreams)
        notShown += " stream syntax (this file system has none);";
    if (!bCases)
        notShown += " two names of one letter case (no Linux program to make them);";
    if (!notShown.empty())
        GTEST_SKIP() << "not shown on this system:" << notShown;
}
