#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "shell/PathHelpers.h"
#include "shell/PathStrings.h"
#include "tests/shell/path_inputs.h"

namespace {

using ShellPathFunction = void (*)(wchar_t*);

// Runs one of the system's in-place path edits on a copy of path.
std::wstring SystemEdit(const std::wstring& path, ShellPathFunction edit)
{
    std::vector<wchar_t> buffer(path.begin(), path.end());
    buffer.resize(path.size() + 2, L'\0');
    edit(buffer.data());
    return buffer.data();
}

std::wstring Str(const CString& s)
{
    return std::wstring(s.GetString(), static_cast<size_t>(s.GetLength()));
}

void SystemRemoveFileSpec(wchar_t* p)
{
    ::PathRemoveFileSpecW(p);
}
void SystemStripPath(wchar_t* p)
{
    ::PathStripPathW(p);
}
void SystemRemoveBackslash(wchar_t* p)
{
    ::PathRemoveBackslashW(p);
}

const std::vector<std::wstring>& Inputs()
{
    static const std::vector<std::wstring> inputs = GeneratedPaths(400);
    return inputs;
}

}  // namespace

TEST(PathStringsDifferential, EditsMatchTheSystemsPathFunctions)
{
    for (const std::wstring& path : Inputs())
    {
        SCOPED_TRACE(::testing::Message() << "path: " << ::testing::PrintToString(path));
        EXPECT_EQ(SystemEdit(path, SystemRemoveFileSpec), Str(RemoveFileSpec(path.c_str())));
        EXPECT_EQ(SystemEdit(path, SystemStripPath), Str(StripPath(path.c_str())));
        EXPECT_EQ(SystemEdit(path, SystemRemoveBackslash), Str(RemoveBackslash(path.c_str())));
    }
}

TEST(PathStringsDifferential, StartPathSplitMatchesTheSystemsSequence)
{
    for (const std::wstring& path : Inputs())
    {
        SCOPED_TRACE(::testing::Message() << "path: " << ::testing::PrintToString(path));
        // What the Open dialog's request gets from the system's functions:
        // the first 259 characters, then the two edits.
        wchar_t start[MAX_PATH] = {};
        ::lstrcpynW(start, path.c_str(), MAX_PATH);
        wchar_t dir[MAX_PATH] = {};
        wchar_t name[MAX_PATH] = {};
        ::lstrcpynW(dir, start, MAX_PATH);
        ::lstrcpynW(name, start, MAX_PATH);
        if (path.empty())
        {
            dir[0] = name[0] = L'\0';
        }
        else
        {
            ::PathRemoveFileSpecW(dir);
            ::PathStripPathW(name);
            ::PathRemoveBackslashW(name);
        }
        CString initialDir(L"unset");
        CString fileName(L"unset");
        SplitStartPath(path.c_str(), initialDir, fileName);
        EXPECT_EQ(std::wstring(dir), Str(initialDir));
        EXPECT_EQ(std::wstring(name), Str(fileName));
    }
}

TEST(PathStringsDifferential, DriveAndDirectoryMatchTheRuntimeSplitter)
{
    int nCompared = 0;
    for (const std::wstring& path : Inputs())
    {
        SCOPED_TRACE(::testing::Message() << "path: " << ::testing::PrintToString(path));
        CString drive;
        CString directory;
        SplitDriveAndDirectory(path.c_str(), drive, directory);
        // The runtime's splitter has room for 255 directory characters; past
        // that only our whole-directory result is checked.
        if (directory.GetLength() >= _MAX_DIR)
        {
            EXPECT_EQ(path.substr(static_cast<size_t>(drive.GetLength()), static_cast<size_t>(directory.GetLength())),
                      Str(directory));
            continue;
        }
        wchar_t sysDrive[_MAX_DRIVE] = {};
        wchar_t sysDir[_MAX_DIR] = {};
        _wsplitpath(path.c_str(), sysDrive, sysDir, nullptr, nullptr);
        EXPECT_EQ(std::wstring(sysDrive), Str(drive));
        EXPECT_EQ(std::wstring(sysDir), Str(directory));

        std::wstring expectedFolder = std::wstring(sysDrive) + sysDir;
        if (!expectedFolder.empty() && expectedFolder.back() != L'\\')
            expectedFolder += L'\\';
        EXPECT_EQ(expectedFolder, Str(GetFolderPart(path.c_str())));
        ++nCompared;
    }
    EXPECT_GT(nCompared, 300);
}

TEST(PathStrings, StartPathSplitOfTheListedPaths)
{
    struct Case
    {
        const wchar_t* path;
        const wchar_t* dir;
        const wchar_t* name;
    };
    const Case cases[] = {
        {L"", L"", L""},
        {L"c:\\data\\src\\", L"c:\\data\\src", L"src"},
        {L"C:\\", L"C:\\", L"C:\\"},
        {L"c:\\data\\file.txt", L"c:\\data", L"file.txt"},
        {L"\\\\server\\share\\dir\\", L"\\\\server\\share\\dir", L"dir"},
    };
    for (const Case& c : cases)
    {
        CString dir;
        CString name;
        SplitStartPath(c.path, dir, name);
        EXPECT_EQ(std::wstring(c.dir), Str(dir)) << c.path;
        EXPECT_EQ(std::wstring(c.name), Str(name)) << c.path;
    }

    // A long start path is cut to its first 259 characters before the split.
    const std::wstring longPath = L"c:\\" + std::wstring(250, L'd') + L"\\" + std::wstring(40, L'f');
    CString dir;
    CString name;
    SplitStartPath(longPath.c_str(), dir, name);
    EXPECT_EQ(L"c:\\" + std::wstring(250, L'd'), Str(dir));
    EXPECT_EQ(std::wstring(5, L'f'), Str(name));
}

TEST(PathStrings, FolderPartOfTheListedAndOverlongPaths)
{
    struct Case
    {
        std::wstring path;
        std::wstring folder;
    };
    const std::wstring longDir = L"\\" + std::wstring(300, L'l') + L"\\" + std::wstring(200, L'm') + L"\\";
    const Case cases[] = {
        {L"c:\\data\\file.txt", L"c:\\data\\"},
        {L"c:\\data", L"c:\\"},
        {L"file.txt", L""},
        {L"", L""},
        {L"c:", L"c:\\"},
        {L"c:/data/x", L"c:/data/\\"},
        {L"c:/data\\x", L"c:/data\\"},
        {L"\\\\server\\share\\f", L"\\\\server\\share\\"},
        // Longer than the runtime's 255-character directory part: kept whole.
        {L"d:" + longDir + L"name.txt", L"d:" + longDir},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.folder, Str(GetFolderPart(c.path.c_str()))) << c.path;
}

TEST(PathStrings, OpenDialogResultBecomesFullPaths)
{
    struct Case
    {
        std::wstring buffer;  // with its NULs
        bool bMultiSelect;
        std::vector<std::wstring> paths;
    };
    using V = std::vector<std::wstring>;
    const Case cases[] = {
        {std::wstring(L"C:\\data\0a.txt\0b.txt\0\0", 22), true, V{L"C:\\data\\a.txt", L"C:\\data\\b.txt"}},
        {std::wstring(L"C:\\\0a.txt\0b.txt\0\0", 18), true, V{L"C:\\a.txt", L"C:\\b.txt"}},
        {std::wstring(L"C:\\data\\a.txt\0\0", 15), true, V{L"C:\\data\\a.txt"}},
        {std::wstring(L"\0C:\\stale\0", 10), true, V{}},
        {std::wstring(L"C:\\data\\a.txt\0junk\0\0", 20), false, V{L"C:\\data\\a.txt"}},
        {std::wstring(L"\\\\srv\\share\0x y.doc\0\0", 22), true, V{L"\\\\srv\\share\\x y.doc"}},
        {std::wstring(L"\\\\srv\\share\0x y.doc\0z\0\0", 24), true,
         V{L"\\\\srv\\share\\x y.doc", L"\\\\srv\\share\\z"}},
    };
    for (const Case& c : cases)
    {
        CStringArray paths;
        paths.Add(L"left over");
        ParseOpenFileResult(c.buffer.data(), c.buffer.size(), c.bMultiSelect, paths);
        ASSERT_EQ(static_cast<INT_PTR>(c.paths.size()), paths.GetSize()) << ::testing::PrintToString(c.buffer);
        for (size_t i = 0; i < c.paths.size(); ++i)
            EXPECT_EQ(c.paths[i], Str(paths[static_cast<INT_PTR>(i)]));
    }

    // A buffer filled to its last unit without a terminator is read to its end.
    const std::wstring full(L"C:\\d\0abc", 8);
    CStringArray paths;
    ParseOpenFileResult(full.data(), 8, true, paths);
    ASSERT_EQ(1, paths.GetSize());
    EXPECT_EQ(L"C:\\d\\abc", Str(paths[0]));
}
