#include "maindlg/DropListCtrl.h"

#include <shellapi.h>

IMPLEMENT_DYNAMIC(CDropListCtrl, CListCtrl)

namespace {

// Private to the shell's drag and drop between processes; not in the SDK
// headers.
constexpr UINT kWmCopyGlobalData = 0x0049;
constexpr DWORD kMsgFilterAllow = 1;  // MSGFLT_ALLOW
constexpr DWORD kMsgFilterAdd = 1;    // MSGFLT_ADD

}  // namespace

CDropListCtrl::MessageFilterApi (*CDropListCtrl::s_pfnGetMessageFilterApi)() = &CDropListCtrl::LookupMessageFilterApi;

CDropListCtrl::CDropListCtrl()
    : m_pfnImage(nullptr),
      m_pfnDrop(nullptr),
      m_bImageOnly(false)
{
}

CDropListCtrl::~CDropListCtrl()
{
    DetachImageList();
}

void CDropListCtrl::DetachImageList()
{
    if (IsWindow())
        SetImageList(nullptr, LVSIL_SMALL);
}

void CDropListCtrl::InitDropList(PFN_IMAGE pfnImage)
{
    // The system image list belongs to the shell: the control must never
    // destroy it.
    ModifyStyle(0, LVS_SHAREIMAGELISTS);
    m_pfnImage = pfnImage;
    m_bImageOnly = true;
    AllowDropMessages(m_hWnd, s_pfnGetMessageFilterApi());

    SHFILEINFOW sfi = {};
    const HIMAGELIST hSystem = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoW(L"C:\\", 0, &sfi, sizeof(sfi), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (hSystem != nullptr)
        SetImageList(hSystem, LVSIL_SMALL);
}

CDropListCtrl::MessageFilterApi CDropListCtrl::LookupMessageFilterApi()
{
    MessageFilterApi api = {nullptr, nullptr};
    const HMODULE hUser = ::GetModuleHandleW(L"user32.dll");
    if (hUser != nullptr)
    {
        api.pfnChangeWindowMessageFilterEx =
            reinterpret_cast<PFN_FILTER_EX>(reinterpret_cast<void*>(::GetProcAddress(hUser, "ChangeWindowMessageFilterEx")));
        api.pfnChangeWindowMessageFilter =
            reinterpret_cast<PFN_FILTER>(reinterpret_cast<void*>(::GetProcAddress(hUser, "ChangeWindowMessageFilter")));
    }
    return api;
}

CDropListCtrl::FilterResult CDropListCtrl::AllowDropMessages(HWND hWnd, const MessageFilterApi& api)
{
    static const UINT kMessages[] = {WM_DROPFILES, WM_COPYDATA, kWmCopyGlobalData};
    if (api.pfnChangeWindowMessageFilterEx != nullptr)
    {
        for (UINT message : kMessages)
            api.pfnChangeWindowMessageFilterEx(hWnd, message, kMsgFilterAllow, nullptr);
        return FilterWindow;
    }
    if (api.pfnChangeWindowMessageFilter != nullptr)
    {
        for (UINT message : kMessages)
            api.pfnChangeWindowMessageFilter(message, kMsgFilterAdd);
        return FilterProcess;
    }
    return FilterNone;
}

BOOL CDropListCtrl::OnGetDispInfo(NMLVDISPINFOW* pDispInfo, LRESULT* pResult)
{
    if (m_pfnImage == nullptr)
        return FALSE;
    *pResult = 0;
    LVITEMW& item = pDispInfo->item;
    if (item.mask & LVIF_IMAGE)
    {
        if (item.iImage != I_IMAGECALLBACK)
            return TRUE;
        item.iImage = m_pfnImage(item.iItem, GetItemData(item.iItem), this, pDispInfo);
        return TRUE;
    }
    if (m_bImageOnly)
        return TRUE;
    return FALSE;
}

void CDropListCtrl::OnDropFiles(HDROP hDrop)
{
    Default();
    if (m_pfnDrop != nullptr)
        m_pfnDrop(hDrop, this);
    ::DragFinish(hDrop);
}

BOOL CDropListCtrl::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (message)
    {
    case WM_REFLECT_NOTIFY:
    {
        NMHDR* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
        if (pNMHDR->code == LVN_GETDISPINFOW)
            return OnGetDispInfo(reinterpret_cast<NMLVDISPINFOW*>(pNMHDR), pResult);
        break;
    }
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        *pResult = 0;
        return TRUE;
    case WM_DESTROY:
        // The window may go before the object does (the dialog is destroyed
        // first): detach here too, so the shell's list never dies with it.
        DetachImageList();
        break;
    default:
        break;
    }
    return CListCtrl::OnWndMsg(message, wParam, lParam, pResult);
}
