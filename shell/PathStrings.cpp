#include "shell/PathStrings.h"

namespace {

bool IsRoot(const CString& path)
{
    const int n = path.GetLength();
    if (n == 0)
        return false;
    if (path[0] == L'\\')
    {
        if (n == 1)
            return true;
        if (path[1] == L'\\')
        {
            // \\server or \\server\share, but nothing deeper.
            bool bSeenSlash = false;
            for (int i = 2; i < n; ++i)
            {
                if (path[i] == L'\\')
                {
                    if (bSeenSlash)
                        return false;
                    bSeenSlash = true;
                }
            }
            return true;
        }
        return false;
    }
    return n == 3 && path[1] == L':' && path[2] == L'\\';
}

}  // namespace

CString RemoveFileSpec(const CString& path)
{
    const int n = path.GetLength();
    int i = 0;
    int nFileSpec = 0;
    // A leading \ or \\ (UNC) is never removed.
    if (i < n && path[i] == L'\\')
        nFileSpec = ++i;
    if (i < n && path[i] == L'\\')
        nFileSpec = ++i;
    while (i < n)
    {
        if (path[i] == L'\\')
        {
            nFileSpec = i;
        }
        else if (path[i] == L':')
        {
            // The drive stays, with the backslash of its root.
            nFileSpec = ++i;
            if (i < n && path[i] == L'\\')
                ++nFileSpec;
            if (i >= n)
                break;
        }
        ++i;
    }
    return nFileSpec < n ? path.Left(nFileSpec) : path;
}

CString StripPath(const CString& path)
{
    const int n = path.GetLength();
    int nName = 0;
    for (int i = 0; i < n; ++i)
    {
        const wchar_t ch = path[i];
        if ((ch == L'\\' || ch == L'/' || ch == L':') && i + 1 < n && path[i + 1] != L'\\' &&
            path[i + 1] != L'/')
            nName = i + 1;
    }
    return path.Mid(nName);
}

CString RemoveBackslash(const CString& path)
{
    const int n = path.GetLength();
    if (n > 0 && path[n - 1] == L'\\' && !IsRoot(path))
        return path.Left(n - 1);
    return path;
}

void SplitDriveAndDirectory(const CString& path, CString& drive, CString& directory)
{
    int nStart = 0;
    if (path.GetLength() >= 2 && path[1] == L':')
    {
        drive = path.Left(2);
        nStart = 2;
    }
    else
    {
        drive.Empty();
    }
    int nEnd = -1;
    for (int i = nStart; i < path.GetLength(); ++i)
    {
        if (path[i] == L'\\' || path[i] == L'/')
            nEnd = i + 1;
    }
    if (nEnd < 0)
        directory.Empty();
    else
        directory = path.Mid(nStart, nEnd - nStart);
}

void SplitStartPath(const CString& path, CString& initialDir, CString& fileName)
{
    if (path.IsEmpty())
    {
        initialDir.Empty();
        fileName.Empty();
        return;
    }
    const CString start = path.Left(MAX_PATH - 1);
    initialDir = RemoveFileSpec(start);
    fileName = RemoveBackslash(StripPath(start));
}

void ParseOpenFileResult(const wchar_t* buffer, size_t cch, bool bMultiSelect, CStringArray& paths)
{
    paths.RemoveAll();
    if (buffer == nullptr || cch == 0)
        return;

    // The strings before the first empty one; each ends at a NUL or at the
    // end of the buffer.
    CStringArray parts;
    size_t pos = 0;
    while (pos < cch && buffer[pos] != L'\0')
    {
        size_t end = pos;
        while (end < cch && buffer[end] != L'\0')
            ++end;
        parts.Add(CString(buffer + pos, static_cast<int>(end - pos)));
        if (!bMultiSelect)
            break;
        pos = end + 1;
    }

    if (!bMultiSelect)
    {
        paths.Add(parts.IsEmpty() ? CString() : parts[0]);
        return;
    }
    if (parts.GetSize() == 1)
    {
        paths.Add(parts[0]);
        return;
    }
    if (parts.GetSize() < 2)
        return;
    CString directory = parts[0];
    if (directory.GetLength() > 0 && directory[directory.GetLength() - 1] != L'\\')
        directory += L'\\';
    for (INT_PTR i = 1; i < parts.GetSize(); ++i)
        paths.Add(directory + parts[i]);
}
