#pragma once

#include <windows.h>

#include <string>

#include "framework/WinApp.h"
#include "tests/temp_tree.h"

// An application object with its own profile key, emptied before and after
// each test that uses it.
class CShellTestApp
{
public:
    static constexpr const wchar_t* kProfileKey = L"Software\\Velmora\\ShellTests";

    CShellTestApp() : m_app(L"ShellTests")
    {
        m_app.SetRegistryKey(L"Velmora");
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kProfileKey);
    }
    ~CShellTestApp() { ::RegDeleteTreeW(HKEY_CURRENT_USER, kProfileKey); }
    CShellTestApp(const CShellTestApp&) = delete;
    CShellTestApp& operator=(const CShellTestApp&) = delete;

    CWinApp& App() { return m_app; }

    // The stored value, or "<none>" when there is none.
    static std::wstring Value(const wchar_t* pszSection, const wchar_t* pszName)
    {
        const std::wstring key = std::wstring(kProfileKey) + L"\\" + pszSection;
        HKEY hKey = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
            return L"<none>";
        wchar_t buffer[1024] = {};
        DWORD cb = sizeof(buffer) - sizeof(wchar_t);
        DWORD type = 0;
        const LONG rc = ::RegQueryValueExW(hKey, pszName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &cb);
        ::RegCloseKey(hKey);
        return rc == ERROR_SUCCESS && type == REG_SZ ? std::wstring(buffer) : std::wstring(L"<none>");
    }

private:
    CWinApp m_app;
};

// A temporary folder, removed again with everything in it.
class CTempFolder
{
public:
    CTempFolder()
    {
        wchar_t base[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, base);
        m_path = std::wstring(base) + L"QuillonPick" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                 std::to_wstring(s_nNext++) + L"\\";
        ::CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ~CTempFolder() { RemoveTree(m_path); }
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    // The folder with its trailing backslash.
    const std::wstring& Path() const { return m_path; }

    std::wstring MakeDir(const std::wstring& name) const
    {
        const std::wstring path = m_path + name;
        ::CreateDirectoryW(path.c_str(), nullptr);
        return path;
    }

    std::wstring MakeFile(const std::wstring& name) const
    {
        const std::wstring path = m_path + name;
        HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            ::CloseHandle(h);
        return path;
    }

private:
    std::wstring m_path;
    static inline int s_nNext = 0;
};

inline std::wstring Str(const CString& s)
{
    return std::wstring(s.GetString(), static_cast<size_t>(s.GetLength()));
}

inline std::wstring Lower(std::wstring s)
{
    for (wchar_t& ch : s)
        ch = static_cast<wchar_t>(towlower(ch));
    return s;
}
