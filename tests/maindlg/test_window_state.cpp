#include <gtest/gtest.h>

#include "maindlg/WindowState.h"
#include "res/resource.h"

#include <string>

// Every state the window can be in, and what each control is then: one
// rule, so that no path through the window leaves a control in a state
// another path would not.
TEST(WindowStateTest, EveryControlFollowsTheOneRule)
{
    const int ids[] = {IDC_ADD_FILES, IDC_REMOVE_FILE, IDC_ADD_FOLDER, IDC_REMOVE_FOLDER, IDC_RADIO_SYMBOLIC,
                       IDC_RADIO_HARD, IDC_CHECK_REMOVE_EXISTING, IDC_PREVIEW, IDOK, IDC_ADD_SOURCE_FOLDERS,
                       IDC_CHECK_RELATIVE};
    const struct
    {
        const char* name;
        WindowFacts facts;
        // Per control in the order of ids: 1 enabled, 0 not.
        const char* enabled;
        const wchar_t* caption;
        bool drops;
        bool copy;
        bool save;
    } rows[] = {
        {"at start, nothing listed", {RunKind::None, 0, 0, false, false, true, false}, "10101110010", L"Erstellen", true,
         false, false},
        {"files only, one selected", {RunKind::None, 2, 0, true, false, true, false}, "11101110010", L"Erstellen", true,
         false, false},
        {"both lists, a folder selected, a report", {RunKind::None, 2, 1, false, true, true, true}, "10111111110",
         L"Erstellen", true, true, true},
        {"no symbolic links on the system", {RunKind::None, 1, 1, false, false, false, false}, "10100111110",
         L"Erstellen", true, false, false},
        {"\"Erstellen\" runs, paths selected", {RunKind::Create, 2, 1, true, true, true, true}, "00000000100",
         L"Abbrechen", false, true, false},
        {"symbolic links chosen: \"Relative Pfade\" can be set",
         {RunKind::None, 1, 1, false, false, true, false, false, false, false, true}, "10101111111", L"Erstellen",
         true, false, false},
        {"chosen, but the system has none", {RunKind::None, 1, 1, false, false, false, false, false, false, false, true},
         "10100111110", L"Erstellen", true, false, false},
        {"\"Vorschau\" runs", {RunKind::Preview, 2, 1, false, false, true, false}, "00000000100", L"Abbrechen", false,
         false, false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        const WindowState state = DecideWindowState(row.facts);
        std::string enabled;
        for (int nID : ids)
            enabled += state.IsEnabled(nID) ? '1' : '0';
        EXPECT_EQ(row.enabled, enabled);
        EXPECT_EQ(std::wstring(row.caption), state.pszCreateCaption);
        EXPECT_EQ(row.drops, state.bAcceptDrops);
        EXPECT_EQ(row.copy, state.bCanCopy);
        EXPECT_EQ(row.save, state.bCanSave);
    }
}
