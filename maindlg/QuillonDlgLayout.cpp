#include "maindlg/QuillonDlg.h"

#include "res/resource.h"

// The main window's rows and columns, as the layout library arranges them
// at every size and resolution.

void CQuillonDlg::DeclareLayout()
{
    CLayoutGroup& layout = m_layout;
    const RECT rcTop5 = {0, 5, 0, 0};
    const RECT rcButtonsFiles = {0, 5, 0, 10};
    const RECT rcLeft10 = {10, 0, 0, 0};

    layout.BeginGroup(GLL_VERTICAL);
    layout.AddControl(IDC_STATIC_DESCRIPTION, GLL_FIXED_HEIGHT);
    layout.BeginGroup(GLL_VERTICAL, &rcTop5);

    layout.BeginGroup(GLL_VERTICAL);
    layout.AddControl(IDC_STATIC_FILES, GLL_FIXED_HEIGHT);
    layout.AddControl(IDC_LIST_FILES, 0);
    layout.BeginGroup(GLL_HORIZONTAL, &rcButtonsFiles);
    layout.AddSpace(0);
    // Both "Hinzufügen" share their column; folders as sources beside it.
    layout.AddControl(IDC_ADD_SOURCE_FOLDERS, GLL_FIXED_SIZE);
    layout.AddSpace(4);
    layout.AddControl(IDC_ADD_FILES, GLL_FIXED_SIZE);
    layout.AddSpace(10);
    layout.AddControl(IDC_REMOVE_FILE, GLL_FIXED_SIZE);
    EndGroup();
    EndGroup();

    layout.AddSplitter();

    layout.BeginGroup(GLL_VERTICAL, &rcTop5);
    layout.AddControl(IDC_STATIC_FOLDERS, GLL_FIXED_HEIGHT);
    layout.AddControl(IDC_LIST_FOLDERS, 0);
    layout.BeginGroup(GLL_HORIZONTAL, &rcTop5);
    layout.AddControl(IDC_CHECK_REMOVE_EXISTING, GLL_FIXED_HEIGHT);
    layout.AddControl(IDC_ADD_FOLDER, GLL_FIXED_SIZE);
    layout.AddSpace(10);
    layout.AddControl(IDC_REMOVE_FOLDER, GLL_FIXED_SIZE);
    EndGroup();
    EndGroup();

    EndGroup();

    layout.AddSpace(5);
    layout.AddSeparator();

    layout.BeginGroup(GLL_HORIZONTAL);
    layout.BeginGroup(GLL_VERTICAL);
    // "Rückgängig" acts on what the output list reports: at its top right,
    // the label beside it on the list's edge.
    layout.BeginGroup(GLL_HORIZONTAL);
    layout.GetCurrentGroup()->Alignment = GLL_ALIGN_BOTTOM;
    layout.AddControl(IDC_STATIC_OUTPUT, GLL_FIXED_HEIGHT);
    layout.AddControl(IDC_UNDO, GLL_FIXED_SIZE);
    EndGroup();
    layout.AddControl(IDC_LIST_OUTPUT, GLL_FIXED_HEIGHT);
    EndGroup();
    layout.BeginGroup(GLL_VERTICAL, &rcLeft10);
    layout.GetCurrentGroup()->Alignment = GLL_ALIGN_BOTTOM;
    layout.AddControl(IDC_RADIO_SYMBOLIC, GLL_FIXED_SIZE);
    // "Relative Pfade" belongs to symbolic links: under them, indented.
    const RECT rcIndent = {10, 0, 0, 0};
    layout.BeginGroup(GLL_HORIZONTAL, &rcIndent);
    layout.AddControl(IDC_CHECK_RELATIVE, GLL_FIXED_SIZE);
    EndGroup();
    layout.AddControl(IDC_RADIO_HARD, GLL_FIXED_SIZE);
    layout.AddSpace(10);
    layout.AddControl(IDC_PREVIEW, GLL_FIXED_SIZE);
    layout.AddSpace(4);
    layout.AddControl(IDOK, GLL_FIXED_SIZE);
    EndGroup();
    EndGroup();

    EndGroup();
}
