#include <gtest/gtest.h>

#include "tests/maindlg/main_window_support.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

int g_nImageCalls = 0;
HWND g_hLastDropList = nullptr;
HDROP g_hLastDrop = nullptr;

int CountingImage(int /*nItem*/, DWORD_PTR /*dwData*/, CDropListCtrl* /*pCtrl*/, NMLVDISPINFOW* /*pDispInfo*/)
{
    ++g_nImageCalls;
    return 7;
}

void RecordingDrop(HDROP hDrop, CDropListCtrl* pCtrl)
{
    g_hLastDrop = hDrop;
    g_hLastDropList = pCtrl->m_hWnd;
}

// A list view on a plain parent window, bound to a CDropListCtrl.
class DropListTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_hParent = ::CreateWindowExW(0, WC_STATICW, L"", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                      nullptr, nullptr);
        HWND hList = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 0, 200, 100, m_hParent,
                                       reinterpret_cast<HMENU>(1000), nullptr, nullptr);
        m_pList = new CDropListCtrl;
        ASSERT_TRUE(m_pList->SubclassWindow(hList));
        g_nImageCalls = 0;
        g_hLastDrop = nullptr;
        g_hLastDropList = nullptr;
    }
    void TearDown() override
    {
        delete m_pList;
        ::DestroyWindow(m_hParent);
    }
    HWND m_hParent = nullptr;
    CDropListCtrl* m_pList = nullptr;
};

}  // namespace

TEST_F(DropListTest, InitSharesTheSystemSmallIconList)
{
    SHFILEINFOW sfi = {};
    const auto hSystem = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoW(L"C:\\", 0, &sfi, sizeof(sfi), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    ASSERT_NE(nullptr, hSystem);
    m_pList->InitDropList(&CountingImage);
    EXPECT_TRUE(m_pList->GetStyle() & LVS_SHAREIMAGELISTS);
    EXPECT_EQ(hSystem, m_pList->GetImageList(LVSIL_SMALL));
    EXPECT_TRUE(m_pList->m_bImageOnly);

    // Destroying the control leaves the shell's list alive.
    const int nImages = ::ImageList_GetImageCount(hSystem);
    ASSERT_GT(nImages, 0);
    HWND hList = m_pList->m_hWnd;
    delete m_pList;
    m_pList = nullptr;
    EXPECT_EQ(nullptr, reinterpret_cast<HIMAGELIST>(::SendMessageW(hList, LVM_GETIMAGELIST, LVSIL_SMALL, 0)));
    ::DestroyWindow(hList);
    EXPECT_EQ(nImages, ::ImageList_GetImageCount(hSystem));
}

// Display requests: what is answered, what reaches the image callback, what
// is left to the parent.
TEST_F(DropListTest, DisplayRequestsAnswerOnlyMissingImages)
{
    struct Case
    {
        const char* name;
        bool bInit;
        UINT mask;
        int iImageIn;
        BOOL bHandled;
        int iImageOut;
        int nCalls;
    } cases[] = {
        {"no callback yet", false, LVIF_IMAGE, I_IMAGECALLBACK, FALSE, I_IMAGECALLBACK, 0},
        {"image asked for", true, LVIF_IMAGE | LVIF_TEXT, I_IMAGECALLBACK, TRUE, 7, 1},
        {"image already set", true, LVIF_IMAGE, 4, TRUE, 4, 0},
        {"no image in the request", true, LVIF_TEXT, I_IMAGECALLBACK, TRUE, I_IMAGECALLBACK, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        if (c.bInit)
            m_pList->InitDropList(&CountingImage);
        g_nImageCalls = 0;
        NMLVDISPINFOW info = {};
        info.hdr.hwndFrom = m_pList->m_hWnd;
        info.hdr.idFrom = 1000;
        info.hdr.code = LVN_GETDISPINFOW;
        info.item.mask = c.mask;
        info.item.iImage = c.iImageIn;
        LRESULT lResult = 55;
        EXPECT_EQ(c.bHandled, m_pList->OnGetDispInfo(&info, &lResult));
        EXPECT_EQ(c.bHandled ? 0 : 55, lResult);
        EXPECT_EQ(c.iImageOut, info.item.iImage);
        EXPECT_EQ(c.nCalls, g_nImageCalls);
    }
}

// A real list asks its parent; the framework hands the request to the
// control, which fills in the image.
TEST(MainWindowDropListTest, ListViewGetsItsImageThroughReflection)
{
    CTestMainDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    dlg.m_listFiles.m_pfnImage = &CountingImage;
    dlg.m_setFiles.Add(L"C:\\x.txt");
    dlg.FillFileList();
    g_nImageCalls = 0;
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    ASSERT_TRUE(::SendMessageW(dlg.m_listFiles.m_hWnd, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(7, item.iImage);
    EXPECT_EQ(1, g_nImageCalls);
}

// Every drop is released, with or without a drop callback.
TEST_F(DropListTest, EveryDropIsReleased)
{
    for (bool bCallback : {false, true})
    {
        SCOPED_TRACE(bCallback);
        m_pList->m_pfnDrop = bCallback ? &RecordingDrop : nullptr;
        g_hLastDrop = nullptr;
        HDROP hDrop = MakeDrop({L"C:\\a.txt"});
        ASSERT_NE(static_cast<UINT>(GMEM_INVALID_HANDLE), ::GlobalFlags(hDrop));
        ::SendMessageW(m_pList->m_hWnd, WM_DROPFILES, reinterpret_cast<WPARAM>(hDrop), 0);
        EXPECT_EQ(bCallback ? hDrop : nullptr, g_hLastDrop);
        EXPECT_EQ(bCallback ? m_pList->m_hWnd : nullptr, g_hLastDropList);
        EXPECT_EQ(static_cast<UINT>(GMEM_INVALID_HANDLE), ::GlobalFlags(hDrop));
    }
}

namespace {

struct FilterCall
{
    HWND hWnd;
    UINT message;
    DWORD action;
};
std::vector<FilterCall> g_filterCalls;

BOOL WINAPI FakeFilterEx(HWND hWnd, UINT message, DWORD action, void* /*pChange*/)
{
    g_filterCalls.push_back({hWnd, message, action});
    return TRUE;
}

BOOL WINAPI FakeFilter(UINT message, DWORD flag)
{
    g_filterCalls.push_back({nullptr, message, flag});
    return TRUE;
}

}  // namespace

// The drop messages pass the privilege filter of the list's window; the
// process-wide filter is the fallback; without either nothing is called.
TEST_F(DropListTest, DropMessagesPassTheMessageFilter)
{
    using Api = CDropListCtrl::MessageFilterApi;
    struct Case
    {
        const char* name;
        Api api;
        CDropListCtrl::FilterResult result;
        bool bPerWindow;
    } cases[] = {
        {"both", {&FakeFilterEx, &FakeFilter}, CDropListCtrl::FilterWindow, true},
        {"only the old one", {nullptr, &FakeFilter}, CDropListCtrl::FilterProcess, false},
        {"neither", {nullptr, nullptr}, CDropListCtrl::FilterNone, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        g_filterCalls.clear();
        EXPECT_EQ(c.result, CDropListCtrl::AllowDropMessages(m_pList->m_hWnd, c.api));
        if (c.result == CDropListCtrl::FilterNone)
        {
            EXPECT_TRUE(g_filterCalls.empty());
            continue;
        }
        ASSERT_EQ(3u, g_filterCalls.size());
        const UINT expected[] = {WM_DROPFILES, WM_COPYDATA, 0x0049};
        for (size_t i = 0; i < 3; ++i)
        {
            EXPECT_EQ(expected[i], g_filterCalls[i].message);
            EXPECT_EQ(1u, g_filterCalls[i].action);
            EXPECT_EQ(c.bPerWindow ? m_pList->m_hWnd : nullptr, g_filterCalls[i].hWnd);
        }
    }
    const Api real = CDropListCtrl::LookupMessageFilterApi();
    EXPECT_EQ(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "ChangeWindowMessageFilterEx")),
              reinterpret_cast<void*>(real.pfnChangeWindowMessageFilterEx));
}

namespace {

CDropListCtrl::MessageFilterApi FakeFilterApi()
{
    return {&FakeFilterEx, &FakeFilter};
}

}  // namespace

// Initialisation opens the filter of both path lists, and of nothing else.
TEST(MainWindowDropListTest, BothPathListsLetDropsThroughTheFilter)
{
    g_filterCalls.clear();
    CDropListCtrl::s_pfnGetMessageFilterApi = &FakeFilterApi;
    CTestMainDlg dlg;
    const BOOL bCreated = dlg.Create(IDD_QUILLON_DIALOG);
    CDropListCtrl::s_pfnGetMessageFilterApi = &CDropListCtrl::LookupMessageFilterApi;
    ASSERT_TRUE(bCreated);
    std::vector<std::pair<HWND, UINT>> calls;
    for (const FilterCall& call : g_filterCalls)
        calls.emplace_back(call.hWnd, call.message);
    const std::vector<std::pair<HWND, UINT>> expected = {
        {dlg.m_listFiles.m_hWnd, WM_DROPFILES},   {dlg.m_listFiles.m_hWnd, WM_COPYDATA},
        {dlg.m_listFiles.m_hWnd, 0x0049},         {dlg.m_listFolders.m_hWnd, WM_DROPFILES},
        {dlg.m_listFolders.m_hWnd, WM_COPYDATA},  {dlg.m_listFolders.m_hWnd, 0x0049},
    };
    EXPECT_EQ(expected, calls);
}

namespace {

// A drop of ANSI paths, as older programs hand them over.
HDROP MakeAnsiDrop(const std::vector<std::string>& paths)
{
    size_t cb = 1;
    for (const std::string& p : paths)
        cb += p.size() + 1;
    HGLOBAL h = ::GlobalAlloc(GHND, sizeof(DROPFILES) + cb);
    auto* pDrop = static_cast<DROPFILES*>(::GlobalLock(h));
    pDrop->pFiles = sizeof(DROPFILES);
    pDrop->fWide = FALSE;
    auto* pText = reinterpret_cast<char*>(pDrop + 1);
    for (const std::string& p : paths)
    {
        p.copy(pText, p.size());
        pText += p.size() + 1;
    }
    ::GlobalUnlock(h);
    return static_cast<HDROP>(h);
}

// A wide drop whose header says the paths start at pFiles, the block cut
// after cbMax bytes: the forms a faulty or hostile sender may hand over.
HDROP MakeRawDrop(DWORD pFiles, const std::wstring& text, size_t cbMax = SIZE_MAX)
{
    DROPFILES header = {};
    header.pFiles = pFiles;
    header.fWide = TRUE;
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof(header));
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    bytes.resize(std::min(cbMax, bytes.size()));
    HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    bytes.copy(static_cast<char*>(::GlobalLock(h)), bytes.size());
    ::GlobalUnlock(h);
    return static_cast<HDROP>(h);
}

}  // namespace

// Every path of a drop comes back whole and in order, as the system's own
// reader gives it, wide or ANSI, however long. A drop that does not parse
// gives none, and never reaches the system's reader, which would read past
// its end.
TEST(DropPathsTest, EveryPathComesBackWholeInOrder)
{
    using namespace std::string_literals;
    const std::wstring longPath = L"C:\\" + std::wstring(300, L'l') + L"\\f.txt";
    const struct
    {
        const char* name;
        HDROP hDrop;
        bool bParses;
    } cases[] = {
        {"wide", MakeDrop({L"C:\\b.txt", L"C:\\Ordner\\", L"C:\\ä.txt"}), true},
        {"long", MakeDrop({longPath, L"C:\\a.txt"}), true},
        {"empty", MakeDrop({}), true},
        {"ANSI", MakeAnsiDrop({"C:\\b.txt", "C:\\\xE4pfel\\x.txt"}), true},
        {"paths past the end", MakeRawDrop(0x7FFFFFF0, L"C:\\a.txt\0\0"s), false},
        {"last path cut", MakeRawDrop(sizeof(DROPFILES), L"C:\\a.txt\0C:\\b"s), false},
        {"no empty path after the last", MakeRawDrop(sizeof(DROPFILES), L"C:\\a.txt\0"s), false},
        {"shorter than DROPFILES", MakeRawDrop(sizeof(DROPFILES), L"C:\\a.txt\0\0"s, 12), false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::vector<std::wstring> expected;
        for (UINT i = 0; c.bParses; ++i)
        {
            const UINT nLength = ::DragQueryFileW(c.hDrop, i, nullptr, 0);
            if (nLength == 0)
                break;
            std::vector<wchar_t> buffer(nLength + 1);
            ::DragQueryFileW(c.hDrop, i, buffer.data(), nLength + 1);
            expected.emplace_back(buffer.data());
        }
        std::vector<std::wstring> paths;
        for (const CString& path : CDropListCtrl::GetDropPaths(c.hDrop))
            paths.emplace_back(path.GetString());
        EXPECT_EQ(expected, paths);
        ::GlobalFree(c.hDrop);
    }
    HDROP hLong = MakeDrop({longPath});
    const std::vector<CString> whole = CDropListCtrl::GetDropPaths(hLong);
    ::GlobalFree(hLong);
    ASSERT_EQ(1u, whole.size());
    EXPECT_EQ(static_cast<int>(longPath.size()), whole[0].GetLength());
}
