#include "shell/BrowseFolderDialog.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>

#include "framework/Wnd.h"
#include "shell/PathHelpers.h"

namespace {

constexpr int START_UNITS = 520;

HWND FindChild(HWND hwnd, const wchar_t* pszClass)
{
    return ::FindWindowExW(hwnd, nullptr, pszClass, nullptr);
}

void CopyTruncated(wchar_t* dst, size_t cchMax, const wchar_t* src)
{
    size_t i = 0;
    for (; i < cchMax && src[i] != L'\0'; ++i)
        dst[i] = src[i];
    dst[i] = L'\0';
}

void OnInitialized(HWND hwnd, BrowseFolderState* pState)
{
    // No help button in the caption: the dialog has no help to offer.
    ::SetWindowLongW(hwnd, GWL_STYLE, ::GetWindowLongW(hwnd, GWL_STYLE) & ~DS_CONTEXTHELP);
    ::SetWindowLongW(hwnd, GWL_EXSTYLE, ::GetWindowLongW(hwnd, GWL_EXSTYLE) & ~WS_EX_CONTEXTHELP);
    if (pState == nullptr)
        return;
    pState->m_nTypedPathState = 0;
    if (pState->m_szPath[0] == L'\0')
        return;

    ::SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(pState->m_szPath));
    // Once more after the dialog has settled: the tree may still move its
    // selection while it finishes filling (seen under Wine, now and then).
    // The path lives in the caller's state until the dialog has ended.
    ::PostMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(pState->m_szPath));
    // With a start folder the tree decides; typing is for dialogs that
    // started without one.
    if (HWND hEdit = FindChild(hwnd, L"Edit"))
    {
        ::SetWindowTextW(hEdit, pState->m_szPath);
        ::SendMessageW(hEdit, EM_SETREADONLY, TRUE, 0);
    }
    // The dialog has no title text of its own; its caption says what to do.
    wchar_t szCaption[MAX_PATH] = {};
    ::GetWindowTextW(hwnd, szCaption, MAX_PATH);
    if (HWND hStatic = FindChild(hwnd, L"Static"))
        ::SetWindowTextW(hStatic, szCaption);
}

int OnSelectionChanged(HWND hwnd, LPCITEMIDLIST pidl, BrowseFolderState* pState)
{
    if (pState != nullptr)
        pState->m_nTypedPathState = 0;
    wchar_t szPath[START_UNITS] = {};
    if (pidl != nullptr && ::SHGetPathFromIDListW(pidl, szPath))
    {
        if (HWND hEdit = FindChild(hwnd, L"Edit"))
            ::SetWindowTextW(hEdit, szPath);
        SHFILEINFOW sfi = {};
        if (::PathFileExistsW(szPath) &&
            ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl), 0, &sfi, sizeof(sfi), SHGFI_PIDL | SHGFI_ATTRIBUTES) &&
            (sfi.dwAttributes & SFGAO_LINK) == 0)
            return 0;
    }
    ::EnableWindow(::GetDlgItem(hwnd, IDOK), FALSE);
    return 0;
}

int OnValidateFailed(HWND hwnd, BrowseFolderState* pState)
{
    HWND hEdit = FindChild(hwnd, L"Edit");
    if (hEdit == nullptr)
        return 0;
    ::GetWindowTextW(hEdit, pState->m_szPath, MAX_PATH);
    ::PathRemoveBlanksW(pState->m_szPath);
    const int nLength = lstrlenW(pState->m_szPath);
    pState->m_nTypedPathState = TYPED_PATH_ACCEPTED;
    // The first three characters may hold a drive ("D:\"); wildcards or a
    // second colon after them make no folder name.
    for (int i = 3; i < nLength; ++i)
    {
        const wchar_t ch = pState->m_szPath[i];
        if (ch == L'*' || ch == L':' || ch == L'?')
        {
            pState->m_nTypedPathState = 0;
            ::SendMessageW(hEdit, EM_SETSEL, nLength, 0);
            ::FlashWindow(hwnd, TRUE);
            ::SetFocus(hEdit);
            return 1;
        }
    }
    return 0;
}

void FreeItemList(LPITEMIDLIST pidl)
{
    IMalloc* pMalloc = nullptr;
    if (SUCCEEDED(::SHGetMalloc(&pMalloc)) && pMalloc != nullptr)
    {
        pMalloc->Free(pidl);
        pMalloc->Release();
    }
}

}  // namespace

int CALLBACK BrowseFolderCallback(HWND hwnd, UINT uMsg, LPARAM lParam, LPARAM lpData)
{
    auto* pState = reinterpret_cast<BrowseFolderState*>(lpData);
    switch (uMsg)
    {
    case BFFM_INITIALIZED:
        OnInitialized(hwnd, pState);
        return 0;
    case BFFM_SELCHANGED:
        return OnSelectionChanged(hwnd, reinterpret_cast<LPCITEMIDLIST>(lParam), pState);
    case BFFM_VALIDATEFAILEDW:
        return pState != nullptr ? OnValidateFailed(hwnd, pState) : 0;
    default:
        return 0;
    }
}

int PickFolderWithBrowseDialog(CString& path)
{
    CWnd* pOwner = CWnd::GetSafeOwner(nullptr, nullptr);
    const HWND hOwner = pOwner != nullptr ? pOwner->GetSafeHwnd() : nullptr;

    wchar_t szStart[START_UNITS] = {};
    CopyTruncated(szStart, START_UNITS - 2, path);
    if (szStart[0] == L'\0')
    {
        const DWORD n = ::GetCurrentDirectoryW(START_UNITS, szStart);
        if (n == 0 || n >= START_UNITS - 1)
            szStart[0] = L'\0';
    }

    BrowseFolderState state = {};
    CopyTruncated(state.m_szPath, MAX_PATH - 1, szStart);
    state.m_nTypedPathState = 0;

    BROWSEINFOW bi = {};
    bi.hwndOwner = hOwner;
    bi.ulFlags = BROWSE_DIALOG_FLAGS;
    bi.lpfn = BrowseFolderCallback;
    bi.lParam = reinterpret_cast<LPARAM>(&state);

    int nResult = IDCANCEL;
    LPITEMIDLIST pidl = ::SHBrowseForFolderW(&bi);
    if (pidl != nullptr)
    {
        wchar_t szChosen[START_UNITS] = {};
        if (::SHGetPathFromIDListW(pidl, szChosen))
        {
            path = szChosen;
            AddTrailingBackslash(path);
            nResult = IDOK;
        }
        FreeItemList(pidl);
    }
    else if (state.m_nTypedPathState == TYPED_PATH_ACCEPTED)
    {
        path = state.m_szPath;
        AddTrailingBackslash(path);
        nResult = IDOK;
    }
    return nResult;
}
