#include "maindlg/WindowState.h"

#include "res/resource.h"

#include <shellapi.h>

bool WindowState::IsEnabled(int nID) const
{
    for (const Control& control : controls)
    {
        if (control.nID == nID)
            return control.bEnabled;
    }
    return true;
}

WindowState DecideWindowState(const WindowFacts& facts)
{
    // While a run goes on, nothing that would change the lists or the
    // options can be used; "Erstellen" stops the run, whichever kind it is.
    const bool bIdle = facts.run == RunKind::None;
    // A report being saved stays as it is until it is in the file.
    const bool bPairs = facts.nFiles > 0 && facts.nFolders > 0 && !facts.bSaving;
    WindowState state;
    state.controls = {{
        {IDC_ADD_FILES, bIdle},
        {IDC_ADD_SOURCE_FOLDERS, bIdle},
        {IDC_REMOVE_FILE, bIdle && facts.bFileSelected},
        {IDC_ADD_FOLDER, bIdle},
        {IDC_REMOVE_FOLDER, bIdle && facts.bFolderSelected},
        {IDC_RADIO_SYMBOLIC, bIdle && facts.bSymbolicLinks},
        {IDC_RADIO_HARD, bIdle},
        // Only symbolic links can hold a relative path.
        {IDC_CHECK_RELATIVE, bIdle && facts.bSymbolicLinks && facts.bSymbolicChosen},
        {IDC_CHECK_REMOVE_EXISTING, bIdle},
        {IDC_UNDO, bIdle && facts.bUndoable && !facts.bSaving},
        {IDC_PREVIEW, bIdle && bPairs},
        {IDOK, !bIdle || bPairs},
    }};
    state.pszCreateCaption = bIdle ? L"Erstellen" : L"Abbrechen";
    state.bAcceptDrops = bIdle;
    state.bCanCopy = facts.bReport;
    // A report being written is not a report yet.
    state.bCanSave = facts.bReport && bIdle && !facts.bSaving;
    state.bCanUndo = state.IsEnabled(IDC_UNDO);
    state.bCanRelease = bIdle && facts.bKept && !facts.bSaving;
    return state;
}

void CWindowStateKeeper::Apply(HWND hDialog, const WindowFacts& facts)
{
    const bool bStarts = facts.run != RunKind::None && (!m_bApplied || m_facts.run == RunKind::None);
    const bool bEnds = m_bApplied && facts.run == RunKind::None && m_facts.run != RunKind::None;
    const WindowState state = DecideWindowState(facts);
    const HWND hFocus = ::GetFocus();
    if (bStarts)
        m_hFocusBeforeRun = hFocus;
    for (const WindowState::Control& control : state.controls)
    {
        const HWND hControl = ::GetDlgItem(hDialog, control.nID);
        if (hControl == nullptr)
            continue;
        // Focus on a control about to go off would be lost: it goes to the
        // button that stops the run.
        if (!control.bEnabled && hControl == hFocus)
            ::SendMessageW(hDialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(hDialog, IDOK)), TRUE);
        if ((::IsWindowEnabled(hControl) != FALSE) != control.bEnabled)
            ::EnableWindow(hControl, control.bEnabled ? TRUE : FALSE);
    }
    wchar_t szCaption[32] = {};
    ::GetDlgItemTextW(hDialog, IDOK, szCaption, 32);
    if (::lstrcmpW(szCaption, state.pszCreateCaption) != 0)
        ::SetDlgItemTextW(hDialog, IDOK, state.pszCreateCaption);
    for (int nList : {IDC_LIST_FILES, IDC_LIST_FOLDERS})
    {
        const HWND hList = ::GetDlgItem(hDialog, nList);
        if (hList != nullptr)
            ::DragAcceptFiles(hList, state.bAcceptDrops ? TRUE : FALSE);
    }
    // After a run, the focus goes back where the user had it: "Vorschau"
    // pressed with the mouse keeps it, and Enter presses "Vorschau" again.
    if (bEnds && m_hFocusBeforeRun != nullptr && ::IsWindow(m_hFocusBeforeRun) &&
        ::IsWindowEnabled(m_hFocusBeforeRun) && ::GetFocus() != m_hFocusBeforeRun &&
        (::GetFocus() == nullptr || ::IsChild(hDialog, ::GetFocus())))
        ::SendMessageW(hDialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_hFocusBeforeRun), TRUE);
    if (bEnds)
        m_hFocusBeforeRun = nullptr;
    m_facts = facts;
    m_state = state;
    m_bApplied = true;
}
