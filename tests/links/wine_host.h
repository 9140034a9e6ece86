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

// Runs a Linux program from inside Wine and returns the first line it
// writes, empty when no Linux program can be started from here or it
// writes nothing within a few seconds.
inline std::string RunLinux(const std::wstring& program, const std::wstring& arguments)
{
    const std::wstring exe = L"Z:" + program;
    if (UnixPathOf(L"C:\\").empty() || ::GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES)
        return std::string();

    wchar_t tempDir[MAX_PATH] = {};
    wchar_t outName[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, tempDir);
    if (::GetTempFileNameW(tempDir, L"lnx", 0, outName) == 0)
        return std::string();
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE out = ::CreateFileW(outName, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return std::string();
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process = {};
    const BOOL started =
        ::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    ::CloseHandle(out);
    if (!started)
    {
        ::DeleteFileW(outName);
        return std::string();
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);

    // Wine hands a Linux program over to Linux: its process handle does not
    // wait for it, so wait for the line it writes.
    std::string line;
    for (int attempt = 0; attempt < 200 && line.empty(); ++attempt)
    {
        HANDLE in = ::CreateFileW(outName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  0, nullptr);
        char text[256] = {};
        DWORD read = 0;
        if (in != INVALID_HANDLE_VALUE)
        {
            ::ReadFile(in, text, sizeof(text) - 1, &read, nullptr);
            ::CloseHandle(in);
        }
        if (read == 0 || text[read - 1] != '\n')
            ::Sleep(25);
        else
            line.assign(text, read - 1);
    }
    ::DeleteFileW(outName);
    return line;
}

inline std::wstring Wide(const std::string& utf8)
{
    wchar_t wide[MAX_PATH * 4] = {};
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide, MAX_PATH * 4);
    return wide;
}

// The inode number Linux's own stat reports for a path, 0 when no Linux
// program can be started from here.
inline unsigned long long LinuxInode(const std::wstring& path)
{
    const std::string unixPath = UnixPathOf(path);
    if (unixPath.empty())
        return 0;
    const std::string line = RunLinux(L"\\usr\\bin\\stat", L"-c %i \"" + Wide(unixPath) + L"\"");
    unsigned long long inode = 0;
    for (size_t i = 0; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i)
        inode = inode * 10 + static_cast<unsigned long long>(line[i] - '0');
    return inode;
}

// A Linux symbolic link at link that leads to target, which Wine follows
// without showing it; false when none could be made.
inline bool MakeLinuxSymlink(const std::wstring& target, const std::wstring& link)
{
    const std::string unixTarget = UnixPathOf(target);
    const std::string unixLink = UnixPathOf(link);
    if (unixTarget.empty() || unixLink.empty())
        return false;
    return RunLinux(L"\\bin\\sh", L"-c \"ln -s \\\"$0\\\" \\\"$1\\\" && echo made\" \"" + Wide(unixTarget) + L"\" \"" +
                                      Wide(unixLink) + L"\"") == "made";
}

// Removes such a link (not what it leads to).
inline bool RemoveLinuxSymlink(const std::wstring& link)
{
    const std::string unixLink = UnixPathOf(link);
    return !unixLink.empty() &&
           RunLinux(L"\\bin\\sh", L"-c \"rm \\\"$0\\\" && echo gone\" \"" + Wide(unixLink) + L"\"") == "gone";
}
