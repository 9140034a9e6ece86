#include <gtest/gtest.h>

#include "maindlg/QuillonDlg.h"
#include "res/resource.h"
#include "tests/temp_tree.h"

#include <string>
#include <vector>

namespace {

// The main window with its runs recorded in a folder of the test's own.
class CUndoDlg : public CQuillonDlg
{
public:
    explicit CUndoDlg(const std::wstring& history) : m_strHistory(history.c_str()) {}
    ~CUndoDlg() override { DestroyWindow(); }

    // Lets the window's messages flow as a user's would: the posted history
    // read, a button pressed and its run to its end.
    void Pump()
    {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    void Press(int nID)
    {
        SendMessage(WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(m_hWnd, nID)));
        MSG msg;
        while (IsRunning() && ::GetMessageW(&msg, nullptr, 0, 0) > 0)
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        Pump();
    }
    std::vector<std::wstring> Lines() const
    {
        std::vector<std::wstring> lines;
        for (int i = 0; i < m_listOutput.GetItemCount(); ++i)
            lines.emplace_back(m_listOutput.GetItemText(i, 0).GetString());
        return lines;
    }
    bool Enabled(int nID) const { return ::IsWindowEnabled(::GetDlgItem(m_hWnd, nID)) != FALSE; }
    std::wstring Label() const { return GetDlgItem(IDC_STATIC_OUTPUT)->GetWindowText().GetString(); }

protected:
    CString GetHistoryFolder() override { return m_strHistory; }

private:
    CString m_strHistory;
};

std::string Contents(const std::wstring& path)
{
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return "-";
    char buffer[32];
    DWORD read = 0;
    ::ReadFile(h, buffer, sizeof(buffer), &read, nullptr);
    ::CloseHandle(h);
    return std::string(buffer, read);
}

}  // namespace

TEST(UndoWindowTest, RueckgaengigUndoesTheLastRunAlsoInTheNextWindowAndThenTheOneBefore)
{
    CTempTree tree;
    const std::wstring history = tree.Folder(L"Verlauf");
    const std::wstring source = tree.File(L"S", L"a.txt");
    const std::vector<std::wstring> targets = {tree.TargetFolder(L"T"), tree.TargetFolder(L"U")};
    for (const std::wstring& target : targets)
    {
        HANDLE h = ::CreateFileW((target + L"a.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        DWORD written = 0;
        ::WriteFile(h, "old", 3, &written, nullptr);
        ::CloseHandle(h);
    }
    {
        CUndoDlg dlg(history);
        ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
        dlg.Pump();
        EXPECT_FALSE(dlg.Enabled(IDC_UNDO)) << "nothing to undo yet";
        dlg.m_setFiles.Add(source.c_str());
        // The first run replaces the old file in T; the second finds the
        // link there and replaces the one in U.
        for (const std::wstring& target : targets)
        {
            dlg.m_setFolders.Add(target.c_str());
            dlg.FillFileList();
            dlg.FillFolderList();
            dlg.Press(IDOK);
            EXPECT_TRUE(dlg.Enabled(IDC_UNDO));
        }
        EXPECT_EQ(L"Ausgabe:   (aufbewahrt: 2 Dateien, 6 Bytes)", dlg.Label());
    }
    CUndoDlg restarted(history);
    ASSERT_TRUE(restarted.Create(IDD_QUILLON_DIALOG));
    restarted.Pump();
    for (size_t n = targets.size(); n-- > 0;)
    {
        ASSERT_TRUE(restarted.Enabled(IDC_UNDO)) << "a run is offered after a restart, then the one before";
        restarted.Press(IDC_UNDO);
        EXPECT_EQ((std::vector<std::wstring>{L"Rückgängig: alte Datei zurück, Datei: " + targets[n] + L"a.txt.",
                                             L"Rückgängig gemacht: 0 Links entfernt, 1 alte Datei zurück."}),
                  restarted.Lines());
        EXPECT_EQ("old", Contents(targets[n] + L"a.txt"));
        EXPECT_TRUE(KeptIn(targets[n]).empty());
    }
    EXPECT_FALSE(restarted.Enabled(IDC_UNDO)) << "nothing is left to undo";
    EXPECT_EQ(L"Ausgabe:", restarted.Label());
}
