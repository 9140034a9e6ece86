#include "framework/Gdi.h"

#include <unordered_map>

#include "framework/Wnd.h"

IMPLEMENT_DYNAMIC(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)
IMPLEMENT_DYNAMIC(CBrush, CGdiObject)
IMPLEMENT_DYNAMIC(CDC, CObject)
IMPLEMENT_DYNAMIC(CPaintDC, CDC)
IMPLEMENT_DYNAMIC(CClientDC, CDC)
IMPLEMENT_DYNAMIC(CWindowDC, CDC)

namespace {
thread_local std::unordered_map<HDC, CDC*> t_temporaryDCs;
}

BOOL CGdiObject::Attach(HGDIOBJ hObject)
{
    if (hObject == nullptr || m_hObject != nullptr)
        return FALSE;
    m_hObject = hObject;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ hObject = m_hObject;
    m_hObject = nullptr;
    return hObject;
}

BOOL CGdiObject::DeleteObject()
{
    if (m_hObject == nullptr)
        return FALSE;
    return ::DeleteObject(Detach());
}

BOOL CFont::CreateFontIndirect(const LOGFONTW* lpLogFont)
{
    return Attach(::CreateFontIndirectW(lpLogFont));
}

BOOL CFont::CreatePointFont(int nPointSize, LPCWSTR lpszFaceName, HDC hDC)
{
    LOGFONTW lf = {};
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, lpszFaceName, LF_FACESIZE);
    HDC hScreen = hDC != nullptr ? hDC : ::GetDC(nullptr);
    const int dpiY = hScreen != nullptr ? ::GetDeviceCaps(hScreen, LOGPIXELSY) : 96;
    if (hDC == nullptr && hScreen != nullptr)
        ::ReleaseDC(nullptr, hScreen);
    lf.lfHeight = -::MulDiv(nPointSize, dpiY, 720);
    return CreateFontIndirect(&lf);
}

int CFont::GetLogFont(LOGFONTW* pLogFont) const
{
    return ::GetObjectW(m_hObject, sizeof(LOGFONTW), pLogFont);
}

BOOL CBrush::CreateSolidBrush(COLORREF crColor)
{
    return Attach(::CreateSolidBrush(crColor));
}

CDC::~CDC()
{
    if (!m_bTemporary)
        DeleteDC();
}

CDC* CDC::FromHandle(HDC hDC)
{
    if (hDC == nullptr)
        return nullptr;
    auto it = t_temporaryDCs.find(hDC);
    if (it != t_temporaryDCs.end())
        return it->second;
    CDC* pDC = new CDC;
    pDC->m_hDC = hDC;
    pDC->m_bTemporary = true;
    t_temporaryDCs[hDC] = pDC;
    return pDC;
}

void CDC::DeleteTempMap()
{
    for (auto& entry : t_temporaryDCs)
    {
        entry.second->m_hDC = nullptr;
        delete entry.second;
    }
    t_temporaryDCs.clear();
}

BOOL CDC::Attach(HDC hDC)
{
    if (hDC == nullptr || m_hDC != nullptr)
        return FALSE;
    m_hDC = hDC;
    return TRUE;
}

HDC CDC::Detach()
{
    HDC hDC = m_hDC;
    m_hDC = nullptr;
    return hDC;
}

BOOL CDC::CreateCompatibleDC(CDC* pDC)
{
    return Attach(::CreateCompatibleDC(pDC != nullptr ? pDC->m_hDC : nullptr));
}

BOOL CDC::DeleteDC()
{
    if (m_hDC == nullptr)
        return FALSE;
    return ::DeleteDC(Detach());
}

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr)
{
    // An opaque ExtTextOut fills without creating a brush.
    const COLORREF old = ::SetBkColor(m_hDC, clr);
    ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, lpRect, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, old);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr)
{
    const RECT rect = {x, y, x + cx, y + cy};
    FillSolidRect(&rect, clr);
}

namespace {

// The region covered by a frame of thickness size inside rc; the whole of rc
// when the frame is thicker than half of it.
HRGN DragFrameRegion(const RECT& rc, SIZE size)
{
    HRGN hOuter = ::CreateRectRgnIndirect(&rc);
    RECT inner = rc;
    ::InflateRect(&inner, -size.cx, -size.cy);
    if (inner.right > inner.left && inner.bottom > inner.top)
    {
        HRGN hInner = ::CreateRectRgnIndirect(&inner);
        ::CombineRgn(hOuter, hOuter, hInner, RGN_DIFF);
        ::DeleteObject(hInner);
    }
    return hOuter;
}

}  // namespace

void CDC::DrawDragRect(LPCRECT lpRect, SIZE size, LPCRECT lpRectLast, SIZE sizeLast)
{
    HRGN hUpdate = DragFrameRegion(*lpRect, size);
    if (lpRectLast != nullptr)
    {
        // Inverting the symmetric difference erases the old frame and draws
        // the new one; where they overlap the pixels stay inverted.
        HRGN hLast = DragFrameRegion(*lpRectLast, sizeLast);
        ::CombineRgn(hUpdate, hUpdate, hLast, RGN_XOR);
        ::DeleteObject(hLast);
    }
    static const WORD kHalftone[8] = {0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA};
    HBITMAP hPattern = ::CreateBitmap(8, 8, 1, 1, kHalftone);
    HBRUSH hBrush = ::CreatePatternBrush(hPattern);
    ::SelectClipRgn(m_hDC, hUpdate);
    RECT box;
    ::GetClipBox(m_hDC, &box);
    HGDIOBJ hOldBrush = ::SelectObject(m_hDC, hBrush);
    ::PatBlt(m_hDC, box.left, box.top, box.right - box.left, box.bottom - box.top, PATINVERT);
    ::SelectObject(m_hDC, hOldBrush);
    ::SelectClipRgn(m_hDC, nullptr);
    ::DeleteObject(hBrush);
    ::DeleteObject(hPattern);
    ::DeleteObject(hUpdate);
}

SIZE CDC::GetTextExtent(LPCWSTR lpszString, int nCount) const
{
    SIZE size = {0, 0};
    ::GetTextExtentPoint32W(m_hDC, lpszString, nCount, &size);
    return size;
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_ps(), m_hWnd(pWnd->m_hWnd)
{
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC()
{
    if (m_hDC != nullptr)
    {
        ::EndPaint(m_hWnd, &m_ps);
        m_hDC = nullptr;
    }
}

CWindowDC::CWindowDC(CWnd* pWnd) : m_hWnd(pWnd != nullptr ? pWnd->m_hWnd : nullptr)
{
    m_hDC = ::GetWindowDC(m_hWnd);
}

CWindowDC::~CWindowDC()
{
    if (m_hDC != nullptr)
    {
        ::ReleaseDC(m_hWnd, m_hDC);
        m_hDC = nullptr;
    }
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd != nullptr ? pWnd->m_hWnd : nullptr)
{
    m_hDC = ::GetDC(m_hWnd);
}

CClientDC::~CClientDC()
{
    if (m_hDC != nullptr)
    {
        ::ReleaseDC(m_hWnd, m_hDC);
        m_hDC = nullptr;
    }
}
