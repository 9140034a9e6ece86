#pragma once

#include "framework/Controls.h"

#include <shellapi.h>

#include <thread>
#include <vector>

// List view of the main dialog's path lists: shell drops go to a drop
// callback, item icons come on demand from an image callback and are shown
// from the system's shared small-icon image list.
class CDropListCtrl : public CListCtrl
{
    DECLARE_DYNAMIC(CDropListCtrl)

public:
    using PFN_IMAGE = int (*)(int nItem, DWORD_PTR dwData, CDropListCtrl* pCtrl, NMLVDISPINFOW* pDispInfo);
    using PFN_DROP = void (*)(HDROP hDrop, CDropListCtrl* pCtrl);

    // The message-filter entry points, looked up at run time because older
    // systems lack one or both of them.
    using PFN_FILTER_EX = BOOL(WINAPI*)(HWND hWnd, UINT message, DWORD action, void* pChangeFilterStruct);
    using PFN_FILTER = BOOL(WINAPI*)(UINT message, DWORD flag);
    struct MessageFilterApi
    {
        PFN_FILTER_EX pfnChangeWindowMessageFilterEx;
        PFN_FILTER pfnChangeWindowMessageFilter;
    };
    enum FilterResult
    {
        FilterNone,       // neither entry point exists: nothing to open up
        FilterWindow,     // opened for this window only
        FilterProcess,    // opened for the whole process (older systems)
    };

    CDropListCtrl();
    ~CDropListCtrl() override;

    void InitDropList(PFN_IMAGE pfnImage);
    // The shell's shared list of small icons, as InitDropList asks for it.
    static HIMAGELIST GetSystemSmallIcons();

    // An elevated process does not get drops from a non-elevated shell
    // unless the drop messages may pass the privilege isolation filter.
    static MessageFilterApi LookupMessageFilterApi();
    // Where InitDropList gets the entry points; a test puts its own here.
    static MessageFilterApi (*s_pfnGetMessageFilterApi)();
    static FilterResult AllowDropMessages(HWND hWnd, const MessageFilterApi& api);

    // Every path of a drop, each whole however long, in the shell's order;
    // none when the drop's data is not laid out as the shell lays it out.
    static std::vector<CString> GetDropPaths(HDROP hDrop);

    // Fills the empty control with one item per text, its image asked for
    // later, and fits column 0 to them. The items end in the order inserting
    // them one by one in the given order would leave them in, at a fraction
    // of the cost.
    void InsertSortedItems(const std::vector<CString>& texts);

    BOOL OnGetDispInfo(NMLVDISPINFOW* pDispInfo, LRESULT* pResult);
    void OnDropFiles(HDROP hDrop);

    PFN_IMAGE m_pfnImage;
    PFN_DROP m_pfnDrop;
    // Handed back to the callbacks through the control they get: whom they
    // work for.
    void* m_pCallbackContext;
    bool m_bImageOnly;

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

private:
    void DetachImageList();
    // The texts whose width fitting column 0 depends on.
    std::vector<size_t> FindWidestTexts(const std::vector<CString>& texts) const;
};

// The shell builds its icon list on first request, some 60 ms under Wine:
// asked for on a thread of its own while the dialog is created, it is ready
// (or nearly) when the lists ask. Waits for that thread when destroyed.
class CSystemIconsWarmUp
{
public:
    CSystemIconsWarmUp();
    ~CSystemIconsWarmUp();
    CSystemIconsWarmUp(const CSystemIconsWarmUp&) = delete;
    CSystemIconsWarmUp& operator=(const CSystemIconsWarmUp&) = delete;

private:
    std::thread m_thread;
};
