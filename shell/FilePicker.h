#pragma once

#include <windows.h>
#include <commdlg.h>
#include <cderr.h>

#include <vector>

#include "framework/Collections.h"
#include "framework/String.h"

class CWnd;

// Room for the dialog's result: a selection of several hundred files with
// long names still fits.
constexpr DWORD FILE_PICKER_BUFFER_UNITS = 65536;
constexpr DWORD FILE_PICKER_DIR_UNITS = 261;
// OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_DONTADDTORECENT
constexpr DWORD FILE_PICKER_FLAGS = 0x02080006;

extern const wchar_t* const FIRST_FOLDER_KEY;
extern const wchar_t* const SELECTION_TOO_LARGE_TEXT;

// The system's Open dialog for one add-files command: built from a start
// path, shown modally, its result turned into full paths.
class CFilePicker
{
public:
    // initialPath may be empty; without an owner (or with one that has no
    // window) the dialog gets the safe owner of the application.
    CFilePicker(const wchar_t* initialPath, CWnd* pOwner);
    CFilePicker(const CFilePicker&) = delete;
    CFilePicker& operator=(const CFilePicker&) = delete;

    // Non-zero when the user confirmed a selection. A selection too large
    // for the result buffer is reported to the user and yields zero.
    INT_PTR DoModal();

    // After DoModal returned non-zero: the chosen paths in the dialog's order.
    void GetPathNames(CStringArray& paths) const;

    OPENFILENAMEW m_ofn;
    std::vector<wchar_t> m_szFile;
    wchar_t m_szInitialDir[FILE_PICKER_DIR_UNITS];
};
