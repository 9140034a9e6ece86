#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "shell/RecycleBin.h"
#include "tests/temp_tree.h"

namespace {

// The desktop's trash as Wine's shell fills it, in Windows form.
std::wstring TrashFiles()
{
    wchar_t szData[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"XDG_DATA_HOME", szData, MAX_PATH) == 0)
        return L"";
    std::wstring trash = std::wstring(L"Z:") + szData + L"/Trash/files";
    for (wchar_t& c : trash)
        c = c == L'/' ? L'\\' : c;
    return trash;
}

}  // namespace

TEST(RecycleBinTest, FoldersGoToTheBinWhereTheDriveHasOneAndAreDeletedWhereTheShellCannotTakeThem)
{
    const std::wstring trash = TrashFiles();
    if (trash.empty())
        GTEST_SKIP() << "XDG_DATA_HOME is not set: the Bin would be the desktop's own (run scripts/test.sh)";
    CTempTree tree;
    // A name the Bin holds nothing of yet (it would add a suffix).
    const std::wstring name = L"~Quillon-Aufbewahrt-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                              std::to_wstring(::GetTickCount());
    const std::wstring kept = tree.Folder(name);
    tree.File(name, L"a.txt");
    ::SetFileAttributesW((kept + L"\\a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    // Too long for the shell's call: deleted here, and said to be.
    std::wstring deep = tree.Root();
    while (deep.size() < MAX_PATH + 10)
    {
        deep += L"\\langer-ordnername";
        ::CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr);
    }
    const std::wstring longKept = deep + L"\\~Quillon-Aufbewahrt-20261209-100000-002";
    ::CreateDirectoryW((L"\\\\?\\" + longKept).c_str(), nullptr);
    const HANDLE h = ::CreateFileW((L"\\\\?\\" + longKept + L"\\b.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_READONLY, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    ::CloseHandle(h);

    const RecycleOutcome outcome =
        RecycleFolders({kept.c_str(), longKept.c_str(), (tree.Root() + L"\\nicht-da").c_str()});
    ASSERT_EQ(1u, outcome.recycled.size());
    EXPECT_EQ(kept, std::wstring(outcome.recycled[0].GetString()));
    ASSERT_EQ(1u, outcome.deleted.size());
    EXPECT_EQ(longKept, std::wstring(outcome.deleted[0].GetString()));
    EXPECT_TRUE(outcome.kept.empty()) << "a folder not there is nothing to give up";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(kept.c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((L"\\\\?\\" + longKept).c_str()));
    // Restorable from the Bin, with what was in it.
    const std::wstring inTrash = trash + L"\\" + name;
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((inTrash + L"\\a.txt").c_str())) << inTrash;
    RemoveTree(inTrash);
}
