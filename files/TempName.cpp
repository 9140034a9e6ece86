#include "files/TempName.h"

#include <atomic>
#include <cstdio>
#include <cwchar>

namespace {

typedef BOOLEAN(WINAPI* PFNRTLGENRANDOM)(PVOID, ULONG);

unsigned long long RandomBits()
{
    // RtlGenRandom, the system's generator for secrets (XP on).
    static const PFNRTLGENRANDOM s_pfnRandom = [] {
        const HMODULE hAdvapi = ::GetModuleHandleW(L"advapi32.dll");
        return hAdvapi == nullptr ? nullptr
                                  : reinterpret_cast<PFNRTLGENRANDOM>(
                                        reinterpret_cast<void*>(::GetProcAddress(hAdvapi, "SystemFunction036")));
    }();
    unsigned long long nBits = 0;
    if (s_pfnRandom != nullptr && s_pfnRandom(&nBits, sizeof(nBits)))
        return nBits;
    // Without it, what the process cannot predict of itself.
    static std::atomic<unsigned long long> s_nCounter{0};
    LARGE_INTEGER counter = {};
    ::QueryPerformanceCounter(&counter);
    nBits = static_cast<unsigned long long>(counter.QuadPart) * 0x9E3779B97F4A7C15ull;
    nBits ^= (++s_nCounter << 32) ^ ::GetCurrentThreadId() ^ reinterpret_cast<ULONG_PTR>(&counter);
    return nBits;
}

}  // namespace

ULONGLONG MakeTempBits()
{
    return RandomBits();
}

CString MakeTempName(ULONGLONG nBits)
{
    wchar_t szName[40];
    swprintf(szName, 40, L"~Quillon-%08lx%08lx.tmp", static_cast<unsigned long>(nBits >> 32),
             static_cast<unsigned long>(nBits & 0xFFFFFFFFu));
    return CString(szName);
}

CString MakeTempName()
{
    return MakeTempName(MakeTempBits());
}

namespace {

const wchar_t kKeptPrefix[] = L"~Quillon-Aufbewahrt-";

}  // namespace

CString MakeKeptFolderName(ULONGLONG nRunTime)
{
    FILETIME utc = {static_cast<DWORD>(nRunTime & 0xFFFFFFFFu), static_cast<DWORD>(nRunTime >> 32)};
    FILETIME local = {};
    SYSTEMTIME time = {};
    if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &time))
        ::FileTimeToSystemTime(&utc, &time);
    wchar_t szName[64];
    swprintf(szName, 64, L"%ls%04u%02u%02u-%02u%02u%02u-%03u", kKeptPrefix, time.wYear, time.wMonth, time.wDay,
             time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
    return CString(szName);
}

bool IsKeptFolderName(const CString& strName)
{
    const int nPrefix = static_cast<int>(sizeof(kKeptPrefix) / sizeof(wchar_t)) - 1;
    return strName.GetLength() > nPrefix && _wcsnicmp(strName, kKeptPrefix, static_cast<size_t>(nPrefix)) == 0;
}

namespace {

const wchar_t kPartPrefix[] = L"Teil ";

}  // namespace

CString MakeKeptPartName(int nPart)
{
    CString strName;
    strName.Format(L"%ls%d", kPartPrefix, nPart);
    return strName;
}

int GetKeptPartNumber(const CString& strName)
{
    const int nPrefix = static_cast<int>(sizeof(kPartPrefix) / sizeof(wchar_t)) - 1;
    if (strName.GetLength() <= nPrefix || strName.GetLength() > nPrefix + 9 || strName.Left(nPrefix) != kPartPrefix)
        return 0;
    int nPart = 0;
    for (int i = nPrefix; i < strName.GetLength(); ++i)
    {
        if (strName[i] < L'0' || strName[i] > L'9' || (i == nPrefix && strName[i] == L'0'))
            return 0;
        nPart = nPart * 10 + (strName[i] - L'0');
    }
    return nPart >= 2 ? nPart : 0;
}

CString MakeKeptPath(ULONGLONG nRunTime, int nPart)
{
    return nPart == 0 ? MakeKeptFolderName(nRunTime) : MakeKeptFolderName(nRunTime) + L"\\" + MakeKeptPartName(nPart);
}

bool IsInKeptFolder(const CString& strPath)
{
    int nStart = 0;
    for (int i = 0; i <= strPath.GetLength(); ++i)
    {
        if (i < strPath.GetLength() && strPath[i] != L'\\' && strPath[i] != L'/')
            continue;
        if (IsKeptFolderName(strPath.Mid(nStart, i - nStart)))
            return true;
        nStart = i + 1;
    }
    return false;
}
