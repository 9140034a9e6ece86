#include "files/ReparseData.h"

#include <cstring>

namespace {

// The header before the names: tag, data length, reserved, then four
// 16-bit offsets and lengths; a symbolic link has a 32-bit flags field more.
constexpr size_t kHeader = 8;
constexpr size_t kMountPointNames = kHeader + 8;
constexpr size_t kSymbolicLinkNames = kHeader + 12;

WORD ReadWord(const BYTE* p)
{
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

DWORD ReadDword(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

void PutWord(std::vector<BYTE>& data, size_t nAt, size_t nValue)
{
    data[nAt] = static_cast<BYTE>(nValue & 0xFF);
    data[nAt + 1] = static_cast<BYTE>((nValue >> 8) & 0xFF);
}

void PutName(std::vector<BYTE>& data, size_t nAt, const CString& strName)
{
    for (int i = 0; i < strName.GetLength(); ++i)
        PutWord(data, nAt + 2 * static_cast<size_t>(i), strName[i]);
}

}  // namespace

std::vector<BYTE> BuildMountPointData(const CString& strFolder)
{
    // A junction leads to a folder on a local volume by an absolute path.
    CString strPrint = strFolder;
    if (strPrint.Left(4) == L"\\\\?\\" && strPrint.Mid(4, 4).CompareNoCase(L"UNC\\") != 0)
        strPrint = strPrint.Mid(4);
    if (strPrint.GetLength() < 3 || strPrint[1] != L':' || strPrint[2] != L'\\' ||
        !((strPrint[0] | 0x20) >= L'a' && (strPrint[0] | 0x20) <= L'z'))
        return std::vector<BYTE>();
    // The print name without a trailing backslash (but "C:\" for a root),
    // as the system's own tools show it.
    while (strPrint.GetLength() > 3 && strPrint[strPrint.GetLength() - 1] == L'\\')
        strPrint = strPrint.Left(strPrint.GetLength() - 1);
    const CString strSubstitute = L"\\??\\" + strPrint;
    const size_t cbSubstitute = 2 * static_cast<size_t>(strSubstitute.GetLength());
    const size_t cbPrint = 2 * static_cast<size_t>(strPrint.GetLength());
    const size_t cbNames = cbSubstitute + 2 + cbPrint + 2;
    if (kMountPointNames + cbNames > kMaxReparseData)
        return std::vector<BYTE>();
    std::vector<BYTE> data(kMountPointNames + cbNames, 0);
    PutWord(data, 0, kReparseTagMountPoint & 0xFFFF);
    PutWord(data, 2, kReparseTagMountPoint >> 16);
    PutWord(data, 4, data.size() - kHeader);
    PutWord(data, 8, 0);                    // substitute name offset
    PutWord(data, 10, cbSubstitute);        // and length
    PutWord(data, 12, cbSubstitute + 2);    // print name offset
    PutWord(data, 14, cbPrint);             // and length
    PutName(data, kMountPointNames, strSubstitute);
    PutName(data, kMountPointNames + cbSubstitute + 2, strPrint);
    return data;
}

bool ParseReparseData(const BYTE* pData, size_t cbData, ReparseLink& link)
{
    link = ReparseLink();
    if (cbData < kHeader)
        return false;
    link.dwTag = ReadDword(pData);
    size_t nNames = 0;
    if (link.dwTag == kReparseTagMountPoint)
        nNames = kMountPointNames;
    else if (link.dwTag == kReparseTagSymbolicLink)
        nNames = kSymbolicLinkNames;
    else
        return false;
    const size_t cbTotal = kHeader + ReadWord(pData + 4);
    if (cbTotal > cbData || cbTotal < nNames)
        return false;
    const auto name = [&](size_t nField, CString& strName) {
        const size_t nOffset = ReadWord(pData + nField);
        const size_t nLength = ReadWord(pData + nField + 2);
        if (nLength % 2 != 0 || nNames + nOffset + nLength > cbTotal)
            return false;
        strName.Empty();
        for (size_t i = 0; i < nLength; i += 2)
            strName += static_cast<wchar_t>(ReadWord(pData + nNames + nOffset + i));
        return true;
    };
    if (!name(8, link.strSubstitute) || !name(12, link.strPrint))
        return false;
    link.bRelative = link.dwTag == kReparseTagSymbolicLink && (ReadDword(pData + 16) & kSymbolicLinkRelative) != 0;
    return true;
}
