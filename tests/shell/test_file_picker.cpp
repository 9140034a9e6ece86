#include <gtest/gtest.h>

#include <windows.h>
#include <dlgs.h>

#include <string>
#include <vector>

#include "framework/Wnd.h"
#include "shell/FilePicker.h"
#include "tests/shell/dialog_driver.h"
#include "tests/shell/shell_test_support.h"

namespace {

bool FirstFolderKeyExists()
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, FIRST_FOLDER_KEY, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(hKey);
    return true;
}

void CreateFirstFolderKey()
{
    HKEY hKey = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, FIRST_FOLDER_KEY, 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr);
    if (hKey != nullptr)
        ::RegCloseKey(hKey);
}

// Types text into the Open dialog's file-name box and presses its OK button.
void TypeAndConfirm(HWND hDlg, const std::wstring& text)
{
    HWND hCombo = ::GetDlgItem(hDlg, cmb13);
    HWND hEdit = hCombo != nullptr ? FindDescendant(hCombo, L"Edit") : nullptr;
    ::SendMessageW(hEdit != nullptr ? hEdit : hCombo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    ::PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, IDOK)));
}

}  // namespace

TEST(FilePicker, RequestFromTheStartPath)
{
    struct Case
    {
        std::wstring start;
        std::wstring initialDir;
        std::wstring file;
    };
    const Case cases[] = {
        {L"", L"", L""},
        {L"c:\\data\\src\\", L"c:\\data\\src", L"src"},
        {L"C:\\", L"C:\\", L"C:\\"},
        {L"c:\\" + std::wstring(300, L'x'), L"c:\\", std::wstring(256, L'x')},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::PrintToString(c.start));
        CFilePicker picker(c.start.c_str(), nullptr);
        EXPECT_EQ(sizeof(OPENFILENAMEW), picker.m_ofn.lStructSize);
        EXPECT_EQ(picker.m_szFile.data(), picker.m_ofn.lpstrFile);
        EXPECT_EQ(FILE_PICKER_BUFFER_UNITS, picker.m_ofn.nMaxFile);
        EXPECT_EQ(FILE_PICKER_BUFFER_UNITS, picker.m_szFile.size());
        EXPECT_EQ(static_cast<const wchar_t*>(picker.m_szInitialDir), picker.m_ofn.lpstrInitialDir);
        EXPECT_EQ(0x02080006u, picker.m_ofn.Flags);
        EXPECT_EQ(1u, picker.m_ofn.nFilterIndex);
        EXPECT_EQ(nullptr, picker.m_ofn.lpstrFilter);
        EXPECT_EQ(nullptr, picker.m_ofn.lpstrTitle);
        EXPECT_EQ(nullptr, picker.m_ofn.lpstrFileTitle);
        EXPECT_EQ(nullptr, picker.m_ofn.lpfnHook);
        EXPECT_EQ(c.initialDir, std::wstring(picker.m_szInitialDir));
        EXPECT_EQ(c.file, std::wstring(picker.m_szFile.data()));
    }
}

TEST(FilePicker, OwnerIsTheGivenWindowElseTheApplicationsMainWindow)
{
    CShellTestApp app;
    CWnd main;
    ASSERT_TRUE(main.CreateEx(0, L"STATIC", L"main", WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0));
    CWnd other;
    ASSERT_TRUE(other.CreateEx(0, L"STATIC", L"other", WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0));
    app.App().m_pMainWnd = &main;

    EXPECT_EQ(other.m_hWnd, CFilePicker(L"", &other).m_ofn.hwndOwner);
    EXPECT_EQ(main.m_hWnd, CFilePicker(L"", nullptr).m_ofn.hwndOwner);
    CWnd unbound;
    EXPECT_EQ(main.m_hWnd, CFilePicker(L"", &unbound).m_ofn.hwndOwner);

    app.App().m_pMainWnd = nullptr;
    other.DestroyWindow();
    main.DestroyWindow();
}

TEST(FilePicker, EveryConstructionForgetsTheDialogsFirstFolder)
{
    for (int i = 0; i < 2; ++i)
    {
        CreateFirstFolderKey();
        ASSERT_TRUE(FirstFolderKeyExists());
        CFilePicker picker(L"c:\\data\\", nullptr);
        EXPECT_FALSE(FirstFolderKeyExists()) << "construction " << i;
    }
    // An absent key is no obstacle.
    CFilePicker picker(L"", nullptr);
    EXPECT_FALSE(FirstFolderKeyExists());
}

TEST(FilePicker, RealDialogReturnsTheChosenFilesOrNothingOnCancel)
{
    CShellTestApp app;
    CTempFolder folder;
    folder.MakeFile(L"a.txt");
    folder.MakeFile(L"b c.txt");
    const std::wstring dir = folder.Path().substr(0, folder.Path().size() - 1);
    const std::wstring dirName = dir.substr(dir.rfind(L'\\') + 1);

    {
        std::wstring lookIn;
        std::wstring prefilled;
        CDialogDriver driver([&](HWND hDlg) {
            lookIn = WindowText(::GetDlgItem(hDlg, cmb2));
            prefilled = WindowText(::GetDlgItem(hDlg, cmb13));
            TypeAndConfirm(hDlg, L"\"a.txt\" \"b c.txt\"");
        });
        CFilePicker picker(folder.Path().c_str(), nullptr);
        picker.m_ofn.Flags |= OFN_ALLOWMULTISELECT;
        const INT_PTR result = picker.DoModal();
        driver.Join();
        ASSERT_TRUE(driver.Found());
        EXPECT_FALSE(driver.ForcedClose());
        EXPECT_NE(0, result);
        EXPECT_EQ(Lower(dirName), Lower(lookIn));
        EXPECT_EQ(dirName, prefilled);

        CStringArray paths;
        picker.GetPathNames(paths);
        ASSERT_EQ(2, paths.GetSize());
        EXPECT_EQ(Lower(folder.Path() + L"a.txt"), Lower(Str(paths[0])));
        EXPECT_EQ(Lower(folder.Path() + L"b c.txt"), Lower(Str(paths[1])));
    }
    {
        CDialogDriver driver([](HWND hDlg) { ::PostMessageW(hDlg, WM_COMMAND, IDCANCEL, 0); });
        CFilePicker picker(folder.Path().c_str(), nullptr);
        picker.m_ofn.Flags |= OFN_ALLOWMULTISELECT;
        EXPECT_EQ(0, picker.DoModal());
        driver.Join();
        EXPECT_TRUE(driver.Found());
    }
}

TEST(FilePicker, SelectionTooLargeForTheBufferIsReportedToTheUser)
{
    CShellTestApp app;
    CTempFolder folder;
    folder.MakeFile(L"first file.txt");

    bool bMessageShown = false;
    CDialogDriver dialog([](HWND hDlg) { TypeAndConfirm(hDlg, L"first file.txt"); }, L"Open");
    CDialogDriver message(
        [&](HWND hBox) {
            bMessageShown = ShowsText(hBox, SELECTION_TOO_LARGE_TEXT);
            ::PostMessageW(hBox, WM_COMMAND, IDOK, 0);
        },
        L"ShellTests");
    CFilePicker picker(folder.Path().c_str(), nullptr);
    // The real buffer holds 64 Ki units; with a small one the dialog runs
    // out of room for one full path. (Wine's dialog cuts a multiple
    // selection short instead of failing, so a single path is used here.)
    picker.m_ofn.nMaxFile = 16;
    EXPECT_EQ(0, picker.DoModal());
    dialog.Join();
    message.Join();
    ASSERT_TRUE(dialog.Found());
    EXPECT_TRUE(message.Found()) << "no message box after the dialog ran out of room";
    EXPECT_TRUE(bMessageShown);
}

TEST(FilePicker, SelectionOfSeveralHundredFilesFitsTheResultBuffer)
{
    CShellTestApp app;
    CTempFolder folder;
    std::wstring typed;
    std::vector<std::wstring> names;
    for (int i = 0; i < 300; ++i)
    {
        names.push_back(L"source file number " + std::to_wstring(1000 + i) + L".txt");
        folder.MakeFile(names.back());
        typed += L"\"" + names.back() + L"\" ";
    }

    bool bMessageShown = false;
    CDialogDriver message([&](HWND hBox) {
        bMessageShown = true;
        ::PostMessageW(hBox, WM_COMMAND, IDOK, 0);
    }, L"ShellTests", 8000);
    CDialogDriver dialog([&](HWND hDlg) { TypeAndConfirm(hDlg, typed); }, L"Open");
    CFilePicker picker(folder.Path().c_str(), nullptr);
    picker.m_ofn.Flags |= OFN_ALLOWMULTISELECT;
    EXPECT_NE(0, picker.DoModal());
    dialog.Join();
    message.Join();
    EXPECT_FALSE(bMessageShown);

    // Far more than the 4,097 units a single-path buffer would offer.
    CStringArray paths;
    picker.GetPathNames(paths);
    ASSERT_EQ(300, paths.GetSize());
    size_t cchTotal = 0;
    for (int i = 0; i < 300; ++i)
    {
        EXPECT_EQ(Lower(folder.Path() + names[static_cast<size_t>(i)]), Lower(Str(paths[i])));
        cchTotal += names[static_cast<size_t>(i)].size() + 1;
    }
    EXPECT_GT(cchTotal, 4097u);
}
