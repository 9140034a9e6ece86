#include <gtest/gtest.h>

#include "fake_file_system.h"
#include "links/LinkBatch.h"
#include "links/LinkPrivileges.h"
#include "links/Win32FileSystem.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

void RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE)
    {
        do
        {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = path + L"\\" + name;
            ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                ::DeleteFileW(child.c_str());
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(path.c_str());
}

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
    typedef char*(CDECL * PFN_UNIX_NAME)(LPCWSTR);
    const auto pfn = reinterpret_cast<PFN_UNIX_NAME>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (pfn == nullptr)
        return L"";
    char* unixName = pfn(path.c_str());
    if (unixName == nullptr)
        return L"";
    wchar_t wide[MAX_PATH * 4] = {};
    ::MultiByteToWideChar(CP_UTF8, 0, unixName, -1, wide, MAX_PATH * 4);
    ::HeapFree(::GetProcessHeap(), 0, unixName);
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

    std::vector<std::wstring> Run(const std::vector<std::wstring>& folders, const std::vector<std::wstring>& files,
                                  int linkType = 1, int removeExisting = 1)
    {
        CWin32FileSystem fs(LookUpCreateSymbolicLinkW());
        CVectorOutput out;
        RunLinkBatch(CVectorPathList(folders), CVectorPathList(files), linkType, removeExisting, fs, out);
        return out.lines;
    }

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
        // Written through one name, read through the other and through the
        // Unix path, where Wine's file index is the inode.
        WriteFile(files[i], "changed " + std::to_string(i));
        EXPECT_EQ("changed " + std::to_string(i), ReadFile(target));
        const std::wstring unixTarget = UnixAlias(target);
        if (!unixTarget.empty())
        {
            EXPECT_EQ(IdOf(files[i]).index, IdOf(unixTarget).index);
        }
    }
}

TEST_F(Win32FileSystemTest, ExistingObjectsAtTheTarget)
{
    const std::wstring source = Source() + L"a.txt";
    const std::wstring target = Target() + L"a.txt";
    WriteFile(source, "source");

    // Read-only file: replaced by the link, its attribute word written back
    // onto the shared file.
    WriteFile(target, "old");
    ASSERT_TRUE(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
    const DWORD saved = ::GetFileAttributesW(target.c_str());
    EXPECT_EQ(std::vector<std::wstring>{LinkLine(L"HardLink", target, 0)}, Run({Target()}, {source}));
    EXPECT_EQ(IdOf(source), IdOf(target));
    EXPECT_EQ("source", ReadFile(target));
    EXPECT_EQ(saved, ::GetFileAttributesW(target.c_str()));
    EXPECT_TRUE(::GetFileAttributesW(source.c_str()) & FILE_ATTRIBUTE_READONLY);
    ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);

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
    const std::vector<std::wstring> lines = Run({Target()}, {source});
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(0u, FailedCode(lines[0], target)) << lines[0].c_str();
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

    // /dev/shm is a file system of its own, reached through Z:.
    const std::wstring otherVolume = L"Z:\\dev\\shm\\quillon-links-" + std::to_wstring(::GetCurrentProcessId());
    if (UnixAlias(source).empty() || !::CreateDirectoryW(otherVolume.c_str(), nullptr))
        GTEST_SKIP() << "no second file system reachable through Wine's Z: drive";
    lines = Run({otherVolume + L"\\"}, {source});
    RemoveTree(otherVolume);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SAME_DEVICE), FailedCode(lines[0], otherVolume + L"\\a.txt"));
}

TEST_F(Win32FileSystemTest, TheSourcesOwnEntryIsNeverRemoved)
{
    const std::wstring source = Source() + L"a.txt";
    WriteFile(source, "precious");
    const std::wstring sourceFolderAlias = UnixAlias(Source());

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
    if (!sourceFolderAlias.empty())
    {
        cases.push_back({"same folder through another drive letter", sourceFolderAlias, false});
        cases.push_back({"another drive letter, file with a second hard link", sourceFolderAlias, true});
    }
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        if (c.extraLink)
        {
            ASSERT_TRUE(::CreateHardLinkW((m_root + L"\\extra.txt").c_str(), source.c_str(), nullptr));
        }
        const std::wstring target = c.folder + L"a.txt";
        EXPECT_EQ(std::vector<std::wstring>{L"Skip: File: " + target + L"."}, Run({c.folder}, {source}));
        EXPECT_EQ("precious", ReadFile(source));
    }
    if (sourceFolderAlias.empty())
        GTEST_SKIP() << "no second drive letter for the same folder outside Wine";

    // Another hard link of the source is a different entry: it is replaced.
    const std::wstring target = Target() + L"a.txt";
    ASSERT_TRUE(::CreateHardLinkW(target.c_str(), source.c_str(), nullptr));
    EXPECT_EQ(std::vector<std::wstring>{LinkLine(L"HardLink", target, 0)}, Run({Target()}, {source}));
    EXPECT_EQ(IdOf(source), IdOf(target));
    EXPECT_EQ("precious", ReadFile(source));
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
        GTEST_SKIP() << "symbolic links need a privilege this process lacks";
    }
    if (::GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "the platform's CreateSymbolicLinkW reported success and created nothing (Wine 8)";
    EXPECT_TRUE(::GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ("source", ReadFile(target));
}
