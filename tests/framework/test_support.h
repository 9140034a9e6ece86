#pragma once

#include <windows.h>

#include <string>

// Dispatches what is queued for this thread, without waiting.
inline void PumpMessages()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        if (msg.message == WM_QUIT)
            break;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// Reads a value straight from the registry, bypassing the framework.
inline bool ReadRegString(HKEY hRoot, const std::wstring& path, const wchar_t* name, std::wstring* pValue)
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(hRoot, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    wchar_t buffer[1024] = {};
    DWORD cb = sizeof(buffer) - sizeof(wchar_t);
    DWORD type = 0;
    const LONG rc = ::RegQueryValueExW(hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &cb);
    ::RegCloseKey(hKey);
    if (rc != ERROR_SUCCESS || type != REG_SZ)
        return false;
    *pValue = buffer;
    return true;
}

inline bool RegKeyExists(HKEY hRoot, const std::wstring& path)
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(hRoot, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(hKey);
    return true;
}

inline void DeleteRegTree(HKEY hRoot, const std::wstring& path)
{
    ::RegDeleteTreeW(hRoot, path.c_str());
}

inline std::wstring ModulePath()
{
    wchar_t path[MAX_PATH * 4] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return path;
}
