#include "shell/FilePicker.h"

#include <algorithm>

#include "framework/WinApp.h"
#include "framework/Wnd.h"
#include "shell/PathStrings.h"
#include "shell/PickerDialogs.h"

const wchar_t* const FIRST_FOLDER_KEY = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\FirstFolder";
const wchar_t* const SELECTION_TOO_LARGE_TEXT =
    L"Es wurden zu viele Dateien auf einmal ausgewählt. Bitte wählen Sie weniger Dateien aus "
    L"und fügen Sie den Rest in einem weiteren Schritt hinzu.";

namespace {

void CopyTruncated(wchar_t* dst, size_t cchDst, const CString& src)
{
    const size_t n = std::min(cchDst - 1, static_cast<size_t>(src.GetLength()));
    for (size_t i = 0; i < n; ++i)
        dst[i] = src[static_cast<int>(i)];
    dst[n] = L'\0';
}

}  // namespace

CFilePicker::CFilePicker(const wchar_t* initialPath, CWnd* pOwner)
    : m_ofn(), m_szFile(FILE_PICKER_BUFFER_UNITS, L'\0'), m_szInitialDir()
{
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.lpstrFile = m_szFile.data();
    m_ofn.nMaxFile = FILE_PICKER_BUFFER_UNITS;
    m_ofn.lpstrInitialDir = m_szInitialDir;
    m_ofn.Flags = FILE_PICKER_FLAGS;

    HWND hOwner = pOwner != nullptr ? pOwner->GetSafeHwnd() : nullptr;
    if (hOwner == nullptr)
    {
        CWnd* pSafeOwner = CWnd::GetSafeOwner(nullptr, nullptr);
        hOwner = pSafeOwner != nullptr ? pSafeOwner->GetSafeHwnd() : nullptr;
    }
    m_ofn.hwndOwner = hOwner;

    const CString start(initialPath != nullptr ? initialPath : L"");
    if (!start.IsEmpty())
    {
        CString initialDir;
        CString fileName;
        SplitStartPath(start, initialDir, fileName);
        CopyTruncated(m_szInitialDir, FILE_PICKER_DIR_UNITS, initialDir);
        CopyTruncated(m_szFile.data(), MAX_PATH, fileName);
    }
    m_ofn.nFilterIndex = 1;

    // The dialog would otherwise open where it was last used, not at our
    // start folder.
    ::RegDeleteKeyW(HKEY_CURRENT_USER, FIRST_FOLDER_KEY);
}

INT_PTR CFilePicker::DoModal()
{
    DWORD dwError = 0;
    if (GetPickerDialogs().pfnOpenFile(&m_ofn, &dwError))
        return 1;
    if (dwError == FNERR_BUFFERTOOSMALL)
    {
        CWinApp* pApp = AfxGetApp();
        const wchar_t* pszCaption =
            pApp != nullptr && pApp->m_pszAppName != nullptr ? pApp->m_pszAppName : L"Quillon";
        ::MessageBoxW(m_ofn.hwndOwner, SELECTION_TOO_LARGE_TEXT, pszCaption, MB_OK | MB_ICONWARNING);
    }
    return 0;
}

void CFilePicker::GetPathNames(CStringArray& paths) const
{
    ParseOpenFileResult(m_szFile.data(), m_szFile.size(), (m_ofn.Flags & OFN_ALLOWMULTISELECT) != 0, paths);
}
