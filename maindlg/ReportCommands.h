#pragma once

#include "framework/Controls.h"
#include "maindlg/ReportView.h"
#include "files/FileInPlace.h"
#include "maindlg/WindowState.h"

#include <cstdint>
#include <string>
#include <vector>

// What the output list offers besides showing the report: the report on
// the clipboard, all its lines selected, the report saved as a file, and a
// context menu with these.
class CReportCommands
{
public:
    CReportCommands(CListCtrl& list, const CReportView& view);

    // Ctrl+C and Ctrl+Insert copy, Ctrl+A selects all; true when the key
    // was taken. (Ctrl+S is the window's.)
    bool OnKey(WORD wVKey, bool bControl);
    // At the mouse, or from the keyboard (the point -1, -1) below the
    // focused line; what can be used says the window's state.
    void OnContextMenu(HWND hOwner, LPARAM lParam, const WindowState& state);
    // Asks where to (the Save dialog in strFolder, a name with date and
    // time) and writes the report there as CSV, in slices on the owner's
    // timer (kSaveTimer); a failure is shown with the system's text. True
    // when the file is being written.
    bool SaveAs(HWND hOwner);
    void OnSaveTimer(HWND hOwner);
    bool IsSaving() const { return m_bSaving; }
    static const UINT_PTR kSaveTimer = 0x53;
    // What the menu's "Speichern unter…" sends its owner: the window
    // saves, as for Ctrl+S.
    static const UINT kSaveCommand = 0x5301;
    // The menu's "Rückgängig" and "Aufbewahrte Dateien freigeben…", sent to
    // the dialog.
    static const UINT kUndoCommand = 0x5302;
    static const UINT kReleaseCommand = 0x5303;
    // Where the Save dialog starts: the folder picked last.
    void SetFolderSource(const CString* pFolder) { m_pFolder = pFolder; }
    // The selected lines, or all when none is selected, on the clipboard. A
    // long report is written in slices on the owner's timer (kCopyTimer),
    // so that the window answers meanwhile; the clipboard gets the text when
    // it is whole, unless the report was cleared in between.
    bool Copy(HWND hOwner);
    void OnCopyTimer(HWND hOwner);
    void SelectAll();
    static const UINT_PTR kCopyTimer = 0x52;

    // Whether a long copy is still being written.
    bool IsCopying() const { return m_nNext < m_rows.size(); }

private:
    // Writes the next slice; true when the text is whole.
    bool CopySlice();
    void EndSave(HWND hOwner, DWORD dwError);

    CListCtrl& m_list;
    const CReportView& m_view;
    const CString* m_pFolder;
    // The copy being written: its rows, how far it got, and the report it
    // was taken from.
    std::vector<uint32_t> m_rows;
    size_t m_nNext;
    unsigned m_nGeneration;
    std::wstring m_text;
    // The file being saved, how far it got, and the report it is made of.
    CFileInPlace m_save;
    bool m_bSaving;
    CString m_strSavePath;
    wchar_t m_chSeparator;
    size_t m_nSaveNext;
    unsigned m_nSaveGeneration;
};
