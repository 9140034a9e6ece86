#pragma once

// Reaching past Wine to the Linux host: the Unix name of a path, a drive
// letter mapped to a Unix folder in the prefix, and the inode Linux itself
// reports. Outside Wine each answers "not available" and the tests skip.

#include <windows.h>
#include <winioctl.h>

#include <string>
#include <vector>

// The Unix name of a Windows path (UTF-8), empty outside Wine.
inline std::string UnixPathOf(const std::wstring& path)
{
    typedef char*(CDECL * PFN_UNIX_NAME)(LPCWSTR);
    const auto pfn = reinterpret_cast<PFN_UNIX_NAME>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (pfn == nullptr)
        return std::string();
    char* unixName = pfn(path.c_str());
    if (unixName == nullptr)
        return std::string();
    std::string result(unixName);
    ::HeapFree(::GetProcessHeap(), 0, unixName);
    return result;
}

// A drive letter of the Wine prefix mapped to a Unix folder for the life of
// the object, through Wine's mount manager (as its configuration tool maps
// drives); the mapping is removed again on destruction.
class CWineDrive
{
public:
    CWineDrive(wchar_t letter, const std::string& unixFolder) : m_letter(letter), m_bMapped(false)
    {
        if (!unixFolder.empty())
            m_bMapped = Define(DRIVE_FIXED, unixFolder.c_str()) &&
                        ::GetFileAttributesW(Root().c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    ~CWineDrive()
    {
        if (m_bMapped)
            Define(DRIVE_NO_ROOT_DIR, nullptr);
    }
    CWineDrive(const CWineDrive&) = delete;
    CWineDrive& operator=(const CWineDrive&) = delete;

    bool IsMapped() const { return m_bMapped; }
    std::wstring Root() const { return std::wstring(1, m_letter) + L":\\"; }

private:
    // The request layout of Wine's mount manager for defining a drive.
    struct UnixDrive
    {
        ULONG size;
        ULONG type;
        ULONG fsType;
        DWORD serial;
        ULONGLONG unixDev;
        WCHAR letter;
        USHORT mountPointOffset;
        USHORT deviceOffset;
        USHORT labelOffset;
    };

    bool Define(ULONG type, const char* unixFolder)
    {
        HANDLE manager = ::CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (manager == INVALID_HANDLE_VALUE)
            return false;
        const size_t pathSize = unixFolder != nullptr ? strlen(unixFolder) + 1 : 0;
        std::vector<char> request(sizeof(UnixDrive) + pathSize, '\0');
        UnixDrive* drive = reinterpret_cast<UnixDrive*>(request.data());
        drive->size = static_cast<ULONG>(request.size());
        drive->type = type;
        drive->letter = static_cast<WCHAR>(towlower(m_letter));
        if (unixFolder != nullptr)
        {
            drive->mountPointOffset = sizeof(UnixDrive);
            memcpy(request.data() + sizeof(UnixDrive), unixFolder, pathSize);
        }
        const DWORD defineUnixDrive = CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
        DWORD returned = 0;
        const BOOL ok = ::DeviceIoControl(manager, defineUnixDrive, request.data(), static_cast<DWORD>(request.size()),
                                          nullptr, 0, &returned, nullptr);
        ::CloseHandle(manager);
        return ok != FALSE;
    }

    wchar_t m_letter;
    bool m_bMapped;
};

// The inode number Linux's own stat reports for a path, 0 when no Linux
// program can be started from here.
inline unsigned long long LinuxInode(const std::wstring& path)
{
    const std::string unixPath = UnixPathOf(path);
    if (unixPath.empty() || ::GetFileAttributesW(L"Z:\\usr\\bin\\stat") == INVALID_FILE_ATTRIBUTES)
        return 0;

    wchar_t tempDir[MAX_PATH] = {};
    wchar_t outName[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, tempDir);
    if (::GetTempFileNameW(tempDir, L"ino", 0, outName) == 0)
        return 0;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE out = ::CreateFileW(outName, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return 0;

    wchar_t wideUnix[MAX_PATH * 4] = {};
    ::MultiByteToWideChar(CP_UTF8, 0, unixPath.c_str(), -1, wideUnix, MAX_PATH * 4);
    std::wstring commandLine = L"\"Z:\\usr\\bin\\stat\" -c %i \"" + std::wstring(wideUnix) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process = {};
    const BOOL started = ::CreateProcessW(L"Z:\\usr\\bin\\stat", &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                          nullptr, &startup, &process);
    ::CloseHandle(out);
    if (!started)
    {
        ::DeleteFileW(outName);
        return 0;
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);

    // Wine hands a Linux program over to Linux: its process handle does not
    // wait for it, so wait for the line it writes.
    unsigned long long inode = 0;
    for (int attempt = 0; attempt < 200 && inode == 0; ++attempt)
    {
        HANDLE in = ::CreateFileW(outName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  0, nullptr);
        char text[64] = {};
        DWORD read = 0;
        if (in != INVALID_HANDLE_VALUE)
        {
            ::ReadFile(in, text, sizeof(text) - 1, &read, nullptr);
            ::CloseHandle(in);
        }
        if (read == 0 || text[read - 1] != '\n')
        {
            ::Sleep(25);
            continue;
        }
        for (DWORD i = 0; i < read && text[i] >= '0' && text[i] <= '9'; ++i)
            inode = inode * 10 + static_cast<unsigned long long>(text[i] - '0');
        break;
    }
    ::DeleteFileW(outName);
    return inode;
}
