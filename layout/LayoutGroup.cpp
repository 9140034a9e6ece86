#include "layout/LayoutGroup.h"

#include "framework/WinApp.h"
#include "layout/LayoutDpi.h"
#include "layout/LayoutWindows.h"

CLayoutGroupObj::CLayoutGroupObj()
{
    SetDefaults();
}

CLayoutGroupObj::~CLayoutGroupObj() = default;

void CLayoutGroupObj::SetDefaults()
{
    m_hWnd = nullptr;
    m_pWnd = nullptr;
    ::SetRectEmpty(&m_rcSlot);
    ::SetRectEmpty(&m_rcMin);
    ::SetRectEmpty(&m_rcInsets);
    ::SetRectEmpty(&m_rcFinal);
    m_strName.Empty();
    m_pGroupStatic = nullptr;
    m_pSplitter = nullptr;
    m_pOwner = nullptr;
    m_pParent = nullptr;
    m_arrChildren.RemoveAll();
    m_dwFlags = 0;
    m_nId = 0;
    Alignment = GLL_ALIGN_START;
    m_nOrientation = 0;
    m_nKind = GLL_KIND_GROUP;
    m_nSubKind = 0;
    m_nFixedGap = 0;
    m_dWeight = 0.0;
    m_bStretchX = true;
    m_bStretchY = true;
    m_bVisible = true;
    m_bFullRedraw = false;
    m_bMoveViaWnd = false;
}

CLayoutGroup::CLayoutGroup()
    : m_pHostDlg(nullptr),
      m_nThemeState(0),
      m_listOpenGroups(10),
      m_pFont(nullptr),
      m_nNextId(0),
      m_nTextMargin(0),
      m_nOSVersion(0),
      m_nMinClientWidth(0),
      m_nMinClientHeight(0),
      m_crBackground(static_cast<COLORREF>(-1)),
      m_bRepaintOnMove(false),
      m_bNoBackgroundFill(false),
      m_pWindows(CLayoutWindows::GetSystem())
{
    ResetLayout();
}

CLayoutGroup::~CLayoutGroup()
{
    ClearItems();
    delete m_pFont;
    m_pFont = nullptr;
    m_listOpenGroups.RemoveAll();
}

void CLayoutGroup::SetWindows(CLayoutWindows* pWindows)
{
    m_pWindows = pWindows != nullptr ? pWindows : CLayoutWindows::GetSystem();
}

CLayoutGroupObj* CLayoutGroup::GetCurrentGroup()
{
    return m_listOpenGroups.IsEmpty() ? &m_root : m_listOpenGroups.GetHead();
}

void CLayoutGroup::PopGroup()
{
    if (!m_listOpenGroups.IsEmpty())
        m_listOpenGroups.RemoveHead();
}

CLayoutGroupObj* CLayoutGroup::CreateItem(UINT nOrientation)
{
    if (m_pHostDlg == nullptr || nOrientation == 0)
        return nullptr;
    CLayoutGroupObj* pGroup = GetCurrentGroup();
    auto* pItem = new CLayoutGroupObj;
    pItem->m_nKind = GLL_KIND_GROUP;
    pItem->m_pParent = pGroup;
    pItem->m_nOrientation = nOrientation;
    pItem->m_nId = ++m_nNextId;
    pItem->m_pOwner = this;
    pGroup->m_arrChildren.Add(pItem);
    m_arrItems.Add(pItem);
    return pItem;
}

void CLayoutGroup::DiscardLastItem(CLayoutGroupObj* pItem)
{
    CLayoutGroupObj* pGroup = pItem->m_pParent;
    if (pGroup != nullptr && !pGroup->m_arrChildren.IsEmpty() &&
        pGroup->m_arrChildren[pGroup->m_arrChildren.GetUpperBound()] == pItem)
        pGroup->m_arrChildren.RemoveAt(pGroup->m_arrChildren.GetUpperBound());
    if (!m_arrItems.IsEmpty() && m_arrItems[m_arrItems.GetUpperBound()] == pItem)
        m_arrItems.RemoveAt(m_arrItems.GetUpperBound());
    delete pItem;
}

CLayoutGroupObj* CLayoutGroup::BeginGroup(UINT nOrientation, const RECT* pMargins)
{
    CLayoutGroupObj* pItem = CreateItem(nOrientation);
    if (pItem == nullptr)
        return nullptr;
    if (pMargins != nullptr)
    {
        pItem->m_rcInsets = *pMargins;
        ScaleRect(pItem->m_rcInsets);
    }
    m_listOpenGroups.AddHead(pItem);
    return pItem;
}

CLayoutGroupObj* CLayoutGroup::AddControl(int nID, UINT nSizing)
{
    if (m_pHostDlg == nullptr)
        return nullptr;
    CWnd* pWnd = m_pWindows->GetDlgItem(m_pHostDlg, nID);
    if (pWnd == nullptr || pWnd->m_hWnd == nullptr)
        return nullptr;
    CLayoutGroupObj* pItem = CreateItem(GetCurrentGroup()->m_nOrientation);
    if (pItem == nullptr)
        return nullptr;
    pItem->m_nKind = GLL_KIND_CONTROL;
    pItem->m_pWnd = pWnd;
    HWND hWnd = pWnd->m_hWnd;

    CString strClass = m_pWindows->GetWindowClass(hWnd);
    if (strClass.CompareNoCase(L"combobox") == 0 && nSizing != GLL_FIXED_SIZE)
        nSizing = GLL_FIXED_HEIGHT;
    if (strClass.CompareNoCase(L"static") == 0 && (m_pWindows->GetStyle(hWnd) & 3) == 3)
    {
        RECT rc = {};
        m_pWindows->GetWindowRect(hWnd, &rc);
        m_pWindows->SetWindowPos(hWnd, nullptr, 0, 0, rc.right - rc.left + 1, rc.bottom - rc.top,
                                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
    if (nSizing == GLL_SIZE_TO_TEXT)
    {
        ResizeToText(pItem, strClass);
        nSizing = GLL_FIXED_SIZE;
    }

    pItem->m_hWnd = hWnd;
    if (nSizing & GLL_FIXED_WIDTH)
        pItem->m_bStretchX = false;
    if (nSizing & GLL_FIXED_HEIGHT)
        pItem->m_bStretchY = false;
    pItem->m_dWeight = 0.0;
    if (nSizing & (GLL_SPAN_CLIENT | GLL_SPAN_CLIENT2))
        pItem->m_dwFlags |= GLL_ITEM_SPAN_CLIENT;
    if (nSizing & GLL_ALIGN_CLIENT_TOP)
        pItem->m_dwFlags |= GLL_ITEM_CLIENT_TOP;
    if (nSizing & GLL_STRETCH_CLIENT_TOP)
        pItem->m_dwFlags |= GLL_ITEM_STRETCH_TOP;
    if (nSizing & GLL_MOVE_VIA_WND)
        pItem->m_bMoveViaWnd = true;
    return pItem;
}

void CLayoutGroup::ResizeToText(CLayoutGroupObj* pItem, const CString& strClass)
{
    HWND hWnd = pItem->m_pWnd->m_hWnd;
    const int nLength = ::GetWindowTextLengthW(hWnd);
    if (nLength <= 0)
        return;
    CString strText;
    ::GetWindowTextW(hWnd, strText.GetBuffer(nLength + 1), nLength + 1);
    strText.ReleaseBuffer();
    if (strText.IsEmpty())
        return;

    HWND hRef = nullptr;
    if (CWinThread* pThread = AfxGetThread())
    {
        if (CWnd* pMain = pThread->GetMainWnd())
            hRef = pMain->m_hWnd;
    }
    if (hRef == nullptr)
        hRef = ::GetParent(hWnd);
    if (hRef == nullptr)
        return;

    HFONT hFont = m_pFont != nullptr ? static_cast<HFONT>(m_pFont->m_hObject)
                                     : reinterpret_cast<HFONT>(::SendMessageW(hRef, WM_GETFONT, 0, 0));
    if (hFont == nullptr)
        return;
    HDC hDC = ::GetDC(hRef);
    if (hDC == nullptr)
        return;
    HGDIOBJ hOld = ::SelectObject(hDC, hFont);
    RECT rcText = {};
    ::DrawTextW(hDC, strText, strText.GetLength(), &rcText, DT_CALCRECT | DT_EXPANDTABS);
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(hRef, hDC);

    int nWidth = m_nTextMargin + (rcText.right - rcText.left);
    if (strClass.CompareNoCase(L"button") == 0)
    {
        if (m_pWindows->GetStyle(hWnd) & 0xB)
            nWidth += SCALED_21;
        else
            nWidth += SCALED_12 + 2 * ::GetSystemMetrics(SM_CXBORDER) + 2;
    }
    RECT rc = {};
    m_pWindows->GetWindowRect(hWnd, &rc);
    m_pWindows->SetWindowPos(hWnd, nullptr, 0, 0, nWidth, rc.bottom - rc.top,
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CLayoutGroupObj* CLayoutGroup::AddSpace(int nSize)
{
    const UINT nOrientation = GetCurrentGroup()->m_nOrientation;
    CLayoutGroupObj* pItem = CreateItem(nOrientation);
    if (pItem == nullptr)
        return nullptr;
    const bool bHorizontal = nOrientation == GLL_HORIZONTAL;
    int nScaled = bHorizontal ? ScaleX(nSize) : ScaleY(nSize);
    pItem->m_nKind = GLL_KIND_GAP;
    pItem->m_bStretchX = false;
    pItem->m_bStretchY = false;
    pItem->m_nFixedGap = static_cast<UINT>(nScaled > 100 ? 100 : (nScaled < 0 ? 0 : nScaled));
    int nMin = nScaled;
    if (nSize == 0)
    {
        nMin = 1;
        if (bHorizontal)
            pItem->m_bStretchX = true;
        else
            pItem->m_bStretchY = true;
    }
    if (bHorizontal)
        pItem->m_rcMin.right = nMin;
    else
        pItem->m_rcMin.bottom = nMin;
    return pItem;
}

UINT CLayoutGroup::FindFreeControlId() const
{
    HWND hHost = GetHostHwnd();
    UINT nID = 0x7FFF;
    for (; nID > 1; --nID)
    {
        if (::GetDlgItem(hHost, static_cast<int>(nID)) == nullptr)
            break;
    }
    return nID;
}

CLayoutGroupObj* CLayoutGroup::FindItem(HWND hWnd) const
{
    for (INT_PTR i = 0; i < m_arrItems.GetSize(); ++i)
    {
        if (m_arrItems[i]->m_hWnd == hWnd)
            return m_arrItems[i];
    }
    return nullptr;
}

void CLayoutGroup::ClearItems()
{
    // Windows about to go may still have paint messages queued.
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    for (INT_PTR i = 0; i < m_arrItems.GetSize(); ++i)
    {
        CLayoutGroupObj* pItem = m_arrItems[i];
        ReleaseItemWindow(pItem);
        delete pItem;
    }
    m_arrItems.RemoveAll();
    m_root.m_arrChildren.RemoveAll();
}
