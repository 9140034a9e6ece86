#include "maindlg/DropListCtrl.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <system_error>

IMPLEMENT_DYNAMIC(CDropListCtrl, CListCtrl)

namespace {

// Private to the shell's drag and drop between processes; not in the SDK
// headers.
constexpr UINT kWmCopyGlobalData = 0x0049;
constexpr DWORD kMsgFilterAllow = 1;  // MSGFLT_ALLOW
constexpr DWORD kMsgFilterAdd = 1;    // MSGFLT_ADD

// Reads the paths of the shell's DROPFILES block in one pass: wide or ANSI
// strings one after the other, an empty one after the last. False when the
// block is not laid out that way.
bool ReadDropBlock(const BYTE* pBlock, SIZE_T cbBlock, std::vector<CString>& paths)
{
    if (cbBlock < sizeof(DROPFILES))
        return false;
    const auto* pDrop = reinterpret_cast<const DROPFILES*>(pBlock);
    if (pDrop->pFiles < sizeof(DROPFILES) || pDrop->pFiles >= cbBlock)
        return false;
    const SIZE_T cbChar = pDrop->fWide ? sizeof(wchar_t) : sizeof(char);
    SIZE_T nPos = pDrop->pFiles;
    for (;;)
    {
        SIZE_T nEnd = nPos;
        while (nEnd + cbChar <= cbBlock &&
               (pDrop->fWide ? *reinterpret_cast<const wchar_t*>(pBlock + nEnd) != L'\0' : pBlock[nEnd] != 0))
            nEnd += cbChar;
        if (nEnd + cbChar > cbBlock)
            return false;
        const int nLength = static_cast<int>((nEnd - nPos) / cbChar);
        if (nLength == 0)
            return true;
        if (pDrop->fWide)
        {
            paths.emplace_back(reinterpret_cast<const wchar_t*>(pBlock + nPos), nLength);
        }
        else
        {
            const char* pszAnsi = reinterpret_cast<const char*>(pBlock + nPos);
            const int nWide = ::MultiByteToWideChar(CP_ACP, 0, pszAnsi, nLength, nullptr, 0);
            std::vector<wchar_t> wide(static_cast<size_t>(nWide) + 1, L'\0');
            ::MultiByteToWideChar(CP_ACP, 0, pszAnsi, nLength, wide.data(), nWide);
            paths.emplace_back(wide.data());
        }
        nPos = nEnd + cbChar;
    }
}

}  // namespace

CDropListCtrl::MessageFilterApi (*CDropListCtrl::s_pfnGetMessageFilterApi)() = &CDropListCtrl::LookupMessageFilterApi;

CDropListCtrl::CDropListCtrl()
    : m_pfnImage(nullptr),
      m_pfnDrop(nullptr),
      m_pCallbackContext(nullptr),
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

    const HIMAGELIST hSystem = GetSystemSmallIcons();
    if (hSystem != nullptr)
        SetImageList(hSystem, LVSIL_SMALL);
}

HIMAGELIST CDropListCtrl::GetSystemSmallIcons()
{
    SHFILEINFOW sfi = {};
    return reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoW(L"C:\\", 0, &sfi, sizeof(sfi), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

CSystemIconsWarmUp::CSystemIconsWarmUp()
{
    try
    {
        m_thread = std::thread([] {
            // The shell wants COM on a thread that asks it about paths.
            const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
            CDropListCtrl::GetSystemSmallIcons();
            if (SUCCEEDED(hr))
                ::CoUninitialize();
        });
    }
    catch (const std::system_error&)
    {
        // No thread: the lists ask on the window's thread, as they always do.
    }
}

CSystemIconsWarmUp::~CSystemIconsWarmUp()
{
    if (m_thread.joinable())
        m_thread.join();
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

std::vector<CString> CDropListCtrl::GetDropPaths(HDROP hDrop)
{
    // DragQueryFileW walks all the paths before the one asked for, so a drop
    // of thousands read through it costs the square of their number. Nor
    // does it check the block's bounds: a drop that does not parse (it may
    // come from a less trusted process) is dropped whole, never handed to it.
    std::vector<CString> paths;
    const SIZE_T cbBlock = ::GlobalSize(hDrop);
    const auto* pBlock = static_cast<const BYTE*>(::GlobalLock(hDrop));
    if (pBlock == nullptr)
        return paths;
    const bool bRead = ReadDropBlock(pBlock, cbBlock, paths);
    ::GlobalUnlock(hDrop);
    if (!bRead)
        paths.clear();
    return paths;
}

namespace {

// A list view measures at most this many units of an item's text.
constexpr int kMeasuredLength = 259;

}  // namespace

std::vector<size_t> CDropListCtrl::FindWidestTexts(const std::vector<CString>& texts) const
{
    std::vector<size_t> widest;
    const HFONT hFont = GetFont();
    HDC hdc = ::GetDC(m_hWnd);
    if (hdc == nullptr)
        return widest;
    const HGDIOBJ hOldFont = hFont != nullptr ? ::SelectObject(hdc, hFont) : nullptr;
    // The widest whole text and the widest part the control reads, so that
    // its widest item is among them whichever it measures.
    LONG cxMax[2] = {-1, -1};
    std::vector<size_t> atMax[2];
    bool bMeasured = hFont != nullptr;
    for (size_t i = 0; i < texts.size() && bMeasured; ++i)
    {
        const int nLength = texts[i].GetLength();
        SIZE size[2] = {};
        bMeasured = ::GetTextExtentPoint32W(hdc, texts[i], nLength, &size[0]) != FALSE;
        size[1] = size[0];
        if (bMeasured && nLength > kMeasuredLength)
            bMeasured = ::GetTextExtentPoint32W(hdc, texts[i], kMeasuredLength, &size[1]) != FALSE;
        for (int k = 0; k < 2; ++k)
        {
            if (size[k].cx < cxMax[k])
                continue;
            if (size[k].cx > cxMax[k])
                atMax[k].clear();
            cxMax[k] = size[k].cx;
            atMax[k].push_back(i);
        }
    }
    if (hOldFont != nullptr)
        ::SelectObject(hdc, hOldFont);
    ::ReleaseDC(m_hWnd, hdc);
    if (!bMeasured)
        return widest;
    // The control measures with the same function and font: texts of equal
    // width give it equal widths, so one of each kind is enough.
    widest.push_back(atMax[0].front());
    if (atMax[1].front() != atMax[0].front())
        widest.push_back(atMax[1].front());
    return widest;
}

void CDropListCtrl::InsertSortedItems(const std::vector<CString>& texts)
{
    // The control sorts by itself, placing each new item before the first
    // one that does not compare lower, and it finds that place by scanning
    // from the top. Handing the items over from the last place to the first
    // makes every insertion stop at the top, and gives the very order that
    // inserting in the given order would (equal texts: the later one first).
    std::vector<size_t> order(texts.size());
    std::iota(order.begin(), order.end(), size_t{0});
    // Sort keys order the texts as lstrcmpW does, at one conversion per text
    // instead of a linguistic comparison per step of the sort. Should any
    // key be missing, the comparison itself decides. Either way the control
    // places every item by its own comparison; the order only decides how
    // far it scans.
    std::vector<std::string> keys(texts.size());
    bool bKeys = true;
    const LCID lcid = ::GetThreadLocale();
    for (size_t i = 0; i < texts.size() && bKeys; ++i)
    {
        const int cb = ::LCMapStringW(lcid, LCMAP_SORTKEY, texts[i], -1, nullptr, 0);
        keys[i].resize(cb > 0 ? static_cast<size_t>(cb) : 0);
        bKeys = cb > 0 && ::LCMapStringW(lcid, LCMAP_SORTKEY, texts[i], -1, reinterpret_cast<LPWSTR>(&keys[i][0]),
                                         cb) == cb;
    }
    auto compare = [&texts, &keys, bKeys](size_t a, size_t b) {
        return bKeys ? keys[a].compare(keys[b]) : ::lstrcmpW(texts[a], texts[b]);
    };
    // Texts that come in order already (a drop from a sorted view) are not
    // sorted again.
    bool bInOrder = true;
    for (size_t i = 1; i < texts.size() && bInOrder; ++i)
        bInOrder = compare(i - 1, i) < 0;
    if (!bInOrder)
    {
        std::stable_sort(order.begin(), order.end(), [&compare](size_t a, size_t b) {
            const int nCompare = compare(a, b);
            return nCompare != 0 ? nCompare < 0 : a > b;
        });
    }
    bool bTies = false;
    for (size_t i = 1; i < order.size() && !bTies; ++i)
        bTies = ::lstrcmpW(texts[order[i - 1]], texts[order[i]]) >= 0;

    auto insert = [this](const CString& text) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.pszText = const_cast<LPWSTR>(text.GetString());
        item.iImage = I_IMAGECALLBACK;
        SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    };

    // Fitting the column measures every item through a device context of its
    // own. An empty control that first holds only its widest items gets the
    // same width from them; the rest follow, each scanning past at most
    // these two. Equal texts would let the early ones end in another order,
    // so then every item is measured.
    std::vector<bool> inserted(texts.size(), false);
    bool bFitted = false;
    if (!bTies && GetItemCount() == 0 && !texts.empty())
    {
        const std::vector<size_t> widest = FindWidestTexts(texts);
        if (!widest.empty())
        {
            for (size_t i : widest)
                inserted[i] = true;
            for (auto it = order.rbegin(); it != order.rend(); ++it)
            {
                if (inserted[*it])
                    insert(texts[*it]);
            }
            SetColumnWidth(0, LVSCW_AUTOSIZE);
            bFitted = true;
        }
    }
    for (auto it = order.rbegin(); it != order.rend(); ++it)
    {
        if (!inserted[*it])
            insert(texts[*it]);
    }
    if (!bFitted)
        SetColumnWidth(0, LVSCW_AUTOSIZE);
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
