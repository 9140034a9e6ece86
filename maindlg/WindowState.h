#pragma once

#include <windows.h>

#include <array>

// Which run goes on, if any.
enum class RunKind
{
    None,
    Create,
    Preview,
    Undo
};

// Everything the main window's controls depend on.
struct WindowFacts
{
    RunKind run = RunKind::None;
    int nFiles = 0;
    int nFolders = 0;
    bool bFileSelected = false;
    bool bFolderSelected = false;
    bool bSymbolicLinks = true;
    // The output list holds lines.
    bool bReport = false;
    // The report is being written into a file.
    bool bSaving = false;
    // An earlier run can be undone; files kept by earlier runs exist.
    bool bUndoable = false;
    bool bKept = false;
    // "SymbolicLink (*)" is chosen.
    bool bSymbolicChosen = false;
};

// What the main window's controls are in that state: every control whose
// state changes, enabled or not; what "Erstellen" reads; whether the lists
// take drops; whether the report may be copied and saved.
struct WindowState
{
    struct Control
    {
        int nID = 0;
        bool bEnabled = false;
    };
    std::array<Control, 12> controls;
    const wchar_t* pszCreateCaption = L"Erstellen";
    bool bAcceptDrops = true;
    bool bCanCopy = false;
    bool bCanSave = false;
    // "Rückgängig" (Ctrl+Z, the menu) and "Aufbewahrte Dateien freigeben…".
    bool bCanUndo = false;
    bool bCanRelease = false;

    bool IsEnabled(int nID) const;
};

// The one rule for the main window's controls.
WindowState DecideWindowState(const WindowFacts& facts);

// Applies a state to the dialog: only this changes whether its controls are
// enabled and what "Erstellen" reads. Where a run begins, the focus, if it
// is on a control that goes off, moves to the button that stops the run;
// where a run ends, it goes back where it was (unless that control is off).
class CWindowStateKeeper
{
public:
    void Apply(HWND hDialog, const WindowFacts& facts);
    const WindowState& GetState() const { return m_state; }
    const WindowFacts& GetFacts() const { return m_facts; }

private:
    WindowFacts m_facts;
    WindowState m_state;
    bool m_bApplied = false;
    HWND m_hFocusBeforeRun = nullptr;
};
