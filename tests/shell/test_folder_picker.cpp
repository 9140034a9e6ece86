#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "shell/DirectoryMemory.h"
#include "shell/FolderPicker.h"
#include "shell/PathHelpers.h"
#include "shell/ShellApi.h"
#include "tests/shell/scripted_pickers.h"
#include "tests/shell/shell_test_support.h"

namespace {

const wchar_t* const kNone = L"<none>";
const std::wstring kValidId = L"{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";

}  // namespace

TEST(PickFolder, StartFolderProfileAndVersionSwitch)
{
    CTempFolder tree;
    const std::wstring kept = tree.MakeDir(L"Kept");
    struct Case
    {
        const char* name;
        std::wstring path;      // m_strFolder handed in
        std::wstring lastDir;   // stored "LastDir_" (kNone: none)
        std::wstring id;        // stored "ID_" (kNone: none)
        DWORD nMajor;
        int nResult;
        std::wstring chosen;
        // Expected:
        std::wstring start;     // what the dialog was started with
        bool bItemDialog;
        std::wstring guidSeen;  // "new": a fresh braced GUID
        std::wstring pathAfter;
        std::wstring lastDirAfter;
        std::wstring idAfter;   // "seen": the GUID the dialog was given
    };
    const Case cases[] = {
        {"fresh profile, OK", L"", kNone, kNone, 6, IDOK, L"D:\\Chosen\\", L"c:\\", true, L"new", L"D:\\Chosen\\",
         L"D:\\Chosen\\", L"seen"},
        {"fresh profile, cancel", L"", kNone, kNone, 6, IDCANCEL, L"", L"c:\\", true, L"new", L"c:\\", kNone, kNone},
        {"remembered folder deleted since", L"", kept + L"\\Gone\\", kValidId, 10, IDCANCEL, L"",
         Lower(kept + L"\\"), true, kValidId, Lower(kept + L"\\"), kept + L"\\Gone\\", kValidId},
        {"own folder wins over the profile", kept, L"c:\\windows\\", kValidId, 6, IDOK, L"E:\\x\\",
         Lower(kept), true, kValidId, L"E:\\x\\", L"E:\\x\\", kValidId},
        {"hand-edited ID is replaced", L"C:\\", kNone, L"my dialog", 6, IDOK, L"C:\\", L"c:\\", true, L"new",
         L"C:\\", L"C:\\", L"seen"},
        {"text with :////", L"c:\\a:////b", kNone, kNone, 6, IDCANCEL, L"", L"", true, L"new", L"", kNone, kNone},
        {"old system: browse dialog, no ID", L"", kNone, kValidId, 5, IDOK, L"C:\\Old\\", L"c:\\", false, L"",
         L"C:\\Old\\", L"C:\\Old\\", kValidId},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CShellTestApp app;
        if (c.lastDir != kNone)
            app.App().WriteProfileStringW(BROWSE_FOLDERS_SECTION, LAST_DIR_VALUE, c.lastDir.c_str());
        if (c.id != kNone)
            app.App().WriteProfileStringW(BROWSE_FOLDERS_SECTION, DIALOG_ID_VALUE, c.id.c_str());
        CShellApi api;
        api.m_nOsMajorVersion = c.nMajor;
        CScriptedPickers script;
        script.nFolderResult = c.nResult;
        script.folderResult = c.chosen;

        CString path(c.path.c_str());
        EXPECT_EQ(c.nResult, PickFolder(path));
        EXPECT_EQ(1, script.nFolderCalls);
        EXPECT_EQ(c.start, script.folderStartSeen);
        EXPECT_EQ(c.bItemDialog, script.bItemDialogSeen);
        if (c.guidSeen == L"new")
        {
            EXPECT_TRUE(IsBracedGuidString(script.guidSeen.c_str())) << script.guidSeen;
            EXPECT_EQ(Str(CString(script.guidSeen.c_str()).MakeUpper()), script.guidSeen);
            EXPECT_NE(kValidId, script.guidSeen);
        }
        else
        {
            EXPECT_EQ(c.guidSeen, script.guidSeen);
        }
        EXPECT_EQ(c.pathAfter, Str(path));
        EXPECT_EQ(c.lastDirAfter, CShellTestApp::Value(BROWSE_FOLDERS_SECTION, LAST_DIR_VALUE));
        EXPECT_EQ(c.idAfter == L"seen" ? script.guidSeen : c.idAfter,
                  CShellTestApp::Value(BROWSE_FOLDERS_SECTION, DIALOG_ID_VALUE));
    }
}

TEST(PickFolder, ShellApiRecordsTheVersionAndTheEntryPoints)
{
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    ASSERT_TRUE(::GetVersionExW(&info));
    CShellApi api;
    EXPECT_EQ(&api, &CShellApi::Get());
    EXPECT_EQ(info.dwMajorVersion, api.m_nOsMajorVersion);
    ASSERT_NE(nullptr, api.m_hShell);
    EXPECT_EQ(reinterpret_cast<void*>(::GetProcAddress(api.m_hShell, "SHCreateItemFromParsingName")),
              reinterpret_cast<void*>(api.m_pfnCreateItemFromParsingName));
    EXPECT_NE(nullptr, api.m_pfnCreateItemFromParsingName);
    EXPECT_NE(nullptr, api.m_pfnILFree);
    EXPECT_NE(nullptr, api.m_pfnILClone);
    EXPECT_NE(nullptr, api.m_pfnILFindLastID);
    EXPECT_NE(nullptr, api.m_pfnILRemoveLastID);
    {
        CShellApi inner;
        EXPECT_EQ(&inner, &CShellApi::Get());
    }
    EXPECT_EQ(&api, &CShellApi::Get());
}
