#pragma once

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

// Drives a modal dialog of the calling thread from a helper thread: waits
// until a new visible dialog of that thread appears, runs the action on it
// (from the helper thread, through messages) and, should the dialog still be
// open some seconds later, cancels it so that no test hangs.
class CDialogDriver
{
public:
    using Action = std::function<void(HWND hDlg)>;

    // With a caption, only a dialog of that caption is driven.
    explicit CDialogDriver(Action action, const wchar_t* pszCaption = nullptr, DWORD dwTimeoutMs = 20000)
        : m_action(std::move(action)),
          m_caption(pszCaption != nullptr ? pszCaption : L""),
          m_dwThreadId(::GetCurrentThreadId()),
          m_dwTimeoutMs(dwTimeoutMs)
    {
        for (HWND hWnd : ThreadDialogs(m_dwThreadId))
            m_existing.insert(hWnd);
        m_hThread = ::CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    }

    ~CDialogDriver() { Join(); }
    CDialogDriver(const CDialogDriver&) = delete;
    CDialogDriver& operator=(const CDialogDriver&) = delete;

    void Join()
    {
        if (m_hThread != nullptr)
        {
            ::WaitForSingleObject(m_hThread, INFINITE);
            ::CloseHandle(m_hThread);
            m_hThread = nullptr;
        }
    }

    // Whether the dialog appeared, and whether it had to be cancelled by force.
    bool Found() const { return m_hFound != nullptr; }
    bool ForcedClose() const { return m_bForced; }
    HWND Dialog() const { return m_hFound; }

    static std::vector<HWND> ThreadDialogs(DWORD dwThreadId)
    {
        std::vector<HWND> found;
        ::EnumThreadWindows(
            dwThreadId,
            [](HWND hWnd, LPARAM lParam) -> BOOL {
                wchar_t cls[64] = {};
                ::GetClassNameW(hWnd, cls, 64);
                if (std::wstring(cls) == L"#32770" && ::IsWindowVisible(hWnd))
                    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hWnd);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        return found;
    }

private:
    static DWORD WINAPI ThreadProc(LPVOID pv)
    {
        auto* self = static_cast<CDialogDriver*>(pv);
        self->Run();
        return 0;
    }

    void Run()
    {
        const DWORD start = ::GetTickCount();
        while (m_hFound == nullptr && ::GetTickCount() - start < m_dwTimeoutMs)
        {
            for (HWND hWnd : ThreadDialogs(m_dwThreadId))
            {
                wchar_t caption[256] = {};
                ::GetWindowTextW(hWnd, caption, 256);
                if (m_existing.count(hWnd) == 0 && (m_caption.empty() || m_caption == caption))
                {
                    m_hFound = hWnd;
                    break;
                }
            }
            if (m_hFound == nullptr)
                ::Sleep(50);
        }
        if (m_hFound == nullptr)
            return;
        // Let the dialog finish its initialisation before it is driven.
        ::Sleep(300);
        m_action(m_hFound);
        const DWORD closing = ::GetTickCount();
        while (::IsWindow(m_hFound) && ::IsWindowVisible(m_hFound) && ::GetTickCount() - closing < 10000)
            ::Sleep(50);
        if (::IsWindow(m_hFound) && ::IsWindowVisible(m_hFound))
        {
            m_bForced = true;
            ::PostMessageW(m_hFound, WM_COMMAND, IDCANCEL, 0);
            ::Sleep(1000);
            if (::IsWindow(m_hFound))
                ::PostMessageW(m_hFound, WM_CLOSE, 0, 0);
        }
    }

    Action m_action;
    std::wstring m_caption;
    DWORD m_dwThreadId;
    DWORD m_dwTimeoutMs;
    std::set<HWND> m_existing;
    HANDLE m_hThread = nullptr;
    volatile HWND m_hFound = nullptr;
    volatile bool m_bForced = false;
};

// The first descendant of hWnd of the given class (and id, unless -1).
inline HWND FindDescendant(HWND hWnd, const wchar_t* pszClass, int nId = -1)
{
    struct Search
    {
        const wchar_t* cls;
        int id;
        HWND found;
    } search = {pszClass, nId, nullptr};
    ::EnumChildWindows(
        hWnd,
        [](HWND hChild, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            wchar_t cls[64] = {};
            ::GetClassNameW(hChild, cls, 64);
            if (std::wstring(cls) == s->cls && (s->id == -1 || ::GetDlgCtrlID(hChild) == s->id))
            {
                s->found = hChild;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline std::wstring WindowText(HWND hWnd)
{
    wchar_t text[1024] = {};
    ::SendMessageW(hWnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return text;
}

// Whether some descendant of hWnd shows exactly this text.
inline bool ShowsText(HWND hWnd, const std::wstring& text)
{
    struct Search
    {
        const std::wstring* text;
        bool found;
    } search = {&text, false};
    ::EnumChildWindows(
        hWnd,
        [](HWND hChild, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            if (WindowText(hChild) == *s->text)
            {
                s->found = true;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}
