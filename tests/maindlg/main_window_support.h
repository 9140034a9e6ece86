#pragma once

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "maindlg/QuillonDlg.h"
#include "res/resource.h"
#include "tests/temp_tree.h"

// The main dialog as a modeless window the test owns.
class CTestMainDlg : public CQuillonDlg
{
public:
    ~CTestMainDlg() override { DestroyWindow(); }

protected:
    // Runs are not recorded: no test sees another's history.
    CString GetHistoryFolder() override { return CString(); }

public:
    using CQuillonDlg::OnWndMsg;
};

// A drop as the shell hands it over: DROPFILES, then wide paths, each
// NUL-terminated, then one more NUL. The receiver frees it.
inline HDROP MakeDrop(const std::vector<std::wstring>& paths)
{
    size_t cch = 1;
    for (const std::wstring& p : paths)
        cch += p.size() + 1;
    HGLOBAL h = ::GlobalAlloc(GHND, sizeof(DROPFILES) + cch * sizeof(wchar_t));
    auto* pDrop = static_cast<DROPFILES*>(::GlobalLock(h));
    pDrop->pFiles = sizeof(DROPFILES);
    pDrop->fWide = TRUE;
    auto* pText = reinterpret_cast<wchar_t*>(pDrop + 1);
    for (const std::wstring& p : paths)
    {
        p.copy(pText, p.size());
        pText += p.size() + 1;
    }
    ::GlobalUnlock(h);
    return static_cast<HDROP>(h);
}

inline std::vector<std::wstring> ListTexts(CListCtrl& list)
{
    std::vector<std::wstring> texts;
    for (int i = 0; i < list.GetItemCount(); ++i)
        texts.push_back(list.GetItemText(i, 0).GetString());
    return texts;
}

inline std::vector<std::wstring> SetTexts(const CQNStringArrayHash& set)
{
    std::vector<std::wstring> texts;
    for (int i = 0; i < set.GetCount(); ++i)
        texts.push_back(set.GetAt(i).GetString());
    return texts;
}

inline bool IsEnabled(const CWnd& dlg, int nID)
{
    return ::IsWindowEnabled(::GetDlgItem(dlg.m_hWnd, nID)) != FALSE;
}
