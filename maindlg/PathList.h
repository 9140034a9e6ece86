#pragma once

#include "framework/Wnd.h"
#include "maindlg/DropListCtrl.h"
#include "maindlg/QNStringArrayHash.h"

#include <shellapi.h>

#include <vector>

// One of the main dialog's two path lists (source files or target
// folders): the set that holds the paths and the list that shows them.
class CPathList
{
public:
    CPathList(CWnd& owner, CDropListCtrl& list, CQNStringArrayHash& set, bool bFolders);

    // Rebuilds the list from the set; a rebuilt list has nothing selected.
    void Fill();
    // Takes paths as a drop does: the file list only files, the folder list
    // only folders (each ending in "\"); a path it holds in any letter case
    // is not taken twice. Then the list is rebuilt. A path with a part that
    // is not a plain name (a stream, "a.txt:s") is refused: the lines say
    // which.
    std::vector<CString> Add(const std::vector<CString>& paths);
    std::vector<CString> AddFolders(const std::vector<CString>& paths);
    // Adds what the user picks: files through the file picker (false when
    // cancelled), or a folder through the folder picker; both start in
    // strFolder, the last folder picked, which the folder picker updates.
    bool AddPicked(CString& strFolder, std::vector<CString>& refused);
    // The source list takes folders too ("Ordner hinzufügen…"): picked,
    // several at once where the dialog allows, each ending in "\\".
    bool AddPickedFolders(CString& strFolder, std::vector<CString>& refused);
    // Removes the selected path; the one after it is selected then.
    void RemoveSelected();
    // What the list tells about itself that concerns the path list; true
    // when it was taken. bSelectionChanged says the selection changed.
    bool OnNotify(NMHDR* pNMHDR, bool& bSelectionChanged, LRESULT* pResult);
    bool HasSelection() const { return m_list.GetNextItem(-1, LVNI_SELECTED) >= 0; }
    // The image of an item: the shell's icon for its name (a folder's, or
    // an item ending in "\\", as a folder's; the file need not exist), image
    // 3 where there is none.
    // strWork and sfi are the caller's scratch.
    int GetIcon(int nItem, CString& strWork, SHFILEINFOW& sfi);
    bool IsFolderList() const { return m_bFolders; }
    int GetCount() const { return m_list.GetItemCount(); }

private:
    CWnd& m_owner;
    CDropListCtrl& m_list;
    CQNStringArrayHash& m_set;
    const bool m_bFolders;

    std::vector<CString> Add(const std::vector<CString>& paths, bool bFolders);
};

// Paths handed over at start (the command line, Explorer's "Senden an"),
// made absolute relative to where the program was started: files into the
// file list, folders into the folder list. The lines for what is not there
// or refused.
std::vector<CString> TakeStartPaths(const std::vector<CString>& given, CPathList& files, CPathList& folders);
