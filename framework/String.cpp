#include "framework/String.h"

#include "framework/Collections.h"
#include "framework/Module.h"
#include "framework/StringFormat.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <vector>

namespace
{

bool IsSpace(wchar_t ch)
{
    return std::iswspace(static_cast<wint_t>(ch)) != 0;
}

}

CString::CString(const wchar_t* psz)
{
    if (psz != nullptr)
        m_str = psz;
}

CString::CString(const wchar_t* pch, int nLength)
{
    if (pch != nullptr && nLength > 0)
        m_str.assign(pch, static_cast<size_t>(nLength));
}

CString::CString(wchar_t ch, int nRepeat)
{
    if (nRepeat > 0)
        m_str.assign(static_cast<size_t>(nRepeat), ch);
}

CString& CString::operator=(const wchar_t* psz)
{
    // A temporary copes with psz pointing into our own buffer.
    std::wstring tmp(psz != nullptr ? psz : L"");
    m_str.swap(tmp);
    return *this;
}

CString& CString::operator=(wchar_t ch)
{
    m_str.assign(1, ch);
    return *this;
}

wchar_t CString::GetAt(int iChar) const
{
    if (iChar < 0 || iChar > GetLength())
        AfxThrowInvalidArgException();
    return m_str.c_str()[iChar];
}

void CString::SetAt(int iChar, wchar_t ch)
{
    if (iChar < 0 || iChar >= GetLength())
        AfxThrowInvalidArgException();
    m_str[static_cast<size_t>(iChar)] = ch;
}

CString& CString::operator+=(const CString& str)
{
    m_str += str.m_str;
    return *this;
}

CString& CString::operator+=(const wchar_t* psz)
{
    if (psz != nullptr)
    {
        std::wstring tmp(psz);
        m_str += tmp;
    }
    return *this;
}

CString& CString::operator+=(wchar_t ch)
{
    m_str += ch;
    return *this;
}

int CString::Compare(const wchar_t* psz) const
{
    return std::wcscmp(m_str.c_str(), psz != nullptr ? psz : L"");
}

int CString::CompareNoCase(const wchar_t* psz) const
{
    return _wcsicmp(m_str.c_str(), psz != nullptr ? psz : L"");
}

int CString::Find(wchar_t ch, int iStart) const
{
    if (iStart < 0 || iStart >= GetLength())
        return -1;
    size_t pos = m_str.find(ch, static_cast<size_t>(iStart));
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const wchar_t* pszSub, int iStart) const
{
    if (pszSub == nullptr || iStart < 0 || iStart > GetLength())
        return -1;
    size_t pos = m_str.find(pszSub, static_cast<size_t>(iStart));
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int CString::FindOneOf(const wchar_t* pszCharSet) const
{
    if (pszCharSet == nullptr || *pszCharSet == L'\0')
        return -1;
    size_t pos = m_str.find_first_of(pszCharSet);
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(wchar_t ch) const
{
    size_t pos = m_str.rfind(ch);
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

CString CString::Left(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    if (nCount >= GetLength())
        return *this;
    return CString(m_str.c_str(), nCount);
}

CString CString::Mid(int iFirst) const
{
    if (iFirst < 0)
        iFirst = 0;
    return Mid(iFirst, GetLength() - iFirst);
}

CString CString::Mid(int iFirst, int nCount) const
{
    if (iFirst < 0)
        iFirst = 0;
    if (nCount < 0)
        nCount = 0;
    int nLength = GetLength();
    if (iFirst > nLength)
        return CString();
    if (nCount > nLength - iFirst)
        nCount = nLength - iFirst;
    if (iFirst == 0 && nCount == nLength)
        return *this;
    return CString(m_str.c_str() + iFirst, nCount);
}

CString CString::Right(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    int nLength = GetLength();
    if (nCount >= nLength)
        return *this;
    return CString(m_str.c_str() + (nLength - nCount), nCount);
}

CString& CString::MakeUpper()
{
    for (wchar_t& ch : m_str)
        ch = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(ch)));
    return *this;
}

CString& CString::MakeLower()
{
    for (wchar_t& ch : m_str)
        ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
    return *this;
}

CString& CString::TrimLeft()
{
    size_t i = 0;
    while (i < m_str.size() && IsSpace(m_str[i]))
        ++i;
    m_str.erase(0, i);
    return *this;
}

CString& CString::TrimRight()
{
    size_t n = m_str.size();
    while (n > 0 && IsSpace(m_str[n - 1]))
        --n;
    m_str.resize(n);
    return *this;
}

CString& CString::Trim()
{
    return TrimRight().TrimLeft();
}

CString& CString::TrimLeft(wchar_t chTarget)
{
    size_t i = 0;
    while (i < m_str.size() && m_str[i] == chTarget)
        ++i;
    m_str.erase(0, i);
    return *this;
}

CString& CString::TrimRight(wchar_t chTarget)
{
    size_t n = m_str.size();
    while (n > 0 && m_str[n - 1] == chTarget)
        --n;
    m_str.resize(n);
    return *this;
}

CString& CString::Trim(wchar_t chTarget)
{
    return TrimRight(chTarget).TrimLeft(chTarget);
}

int CString::Replace(wchar_t chOld, wchar_t chNew)
{
    if (chOld == chNew)
        return 0;
    int nCount = 0;
    for (wchar_t& ch : m_str)
    {
        if (ch == chOld)
        {
            ch = chNew;
            ++nCount;
        }
    }
    return nCount;
}

int CString::Replace(const wchar_t* pszOld, const wchar_t* pszNew)
{
    if (pszOld == nullptr || *pszOld == L'\0')
        return 0;
    std::wstring oldText(pszOld);
    std::wstring newText(pszNew != nullptr ? pszNew : L"");
    std::wstring result;
    int nCount = 0;
    size_t from = 0;
    for (size_t pos = m_str.find(oldText); pos != std::wstring::npos; pos = m_str.find(oldText, from))
    {
        result.append(m_str, from, pos - from);
        result += newText;
        from = pos + oldText.size();
        ++nCount;
    }
    if (nCount > 0)
    {
        result.append(m_str, from, std::wstring::npos);
        m_str.swap(result);
    }
    return nCount;
}

int CString::Remove(wchar_t chRemove)
{
    size_t before = m_str.size();
    std::wstring kept;
    kept.reserve(before);
    for (wchar_t ch : m_str)
    {
        if (ch != chRemove)
            kept += ch;
    }
    m_str.swap(kept);
    return static_cast<int>(before - m_str.size());
}

int CString::Insert(int iIndex, wchar_t ch)
{
    if (iIndex < 0)
        iIndex = 0;
    if (iIndex > GetLength())
        iIndex = GetLength();
    m_str.insert(static_cast<size_t>(iIndex), 1, ch);
    return GetLength();
}

int CString::Insert(int iIndex, const wchar_t* psz)
{
    if (iIndex < 0)
        iIndex = 0;
    if (iIndex > GetLength())
        iIndex = GetLength();
    if (psz != nullptr)
    {
        std::wstring tmp(psz);
        m_str.insert(static_cast<size_t>(iIndex), tmp);
    }
    return GetLength();
}

int CString::Delete(int iIndex, int nCount)
{
    if (iIndex < 0)
        iIndex = 0;
    if (nCount < 0)
        nCount = 0;
    int nLength = GetLength();
    if (iIndex < nLength)
    {
        if (nCount > nLength - iIndex)
            nCount = nLength - iIndex;
        m_str.erase(static_cast<size_t>(iIndex), static_cast<size_t>(nCount));
    }
    return GetLength();
}

wchar_t* CString::GetBuffer(int nMinBufferLength)
{
    if (nMinBufferLength > GetLength())
        m_str.resize(static_cast<size_t>(nMinBufferLength), L'\0');
    return &m_str[0];
}

wchar_t* CString::GetBuffer()
{
    return &m_str[0];
}

void CString::ReleaseBuffer(int nNewLength)
{
    size_t n;
    if (nNewLength < 0)
        n = std::wcslen(m_str.c_str());
    else
        n = static_cast<size_t>(nNewLength);
    if (n < m_str.size())
        m_str.resize(n);
}

wchar_t* CString::GetBufferSetLength(int nNewLength)
{
    m_str.resize(nNewLength > 0 ? static_cast<size_t>(nNewLength) : 0, L'\0');
    return &m_str[0];
}

void CString::Format(const wchar_t* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::FormatV(const wchar_t* pszFormat, va_list args)
{
    // Build separately: the arguments may point into this string.
    std::wstring out;
    AfxFormatInto(out, pszFormat, args);
    m_str.swap(out);
}

void CString::AppendFormat(const wchar_t* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    AppendFormatV(pszFormat, args);
    va_end(args);
}

void CString::AppendFormatV(const wchar_t* pszFormat, va_list args)
{
    std::wstring out;
    AfxFormatInto(out, pszFormat, args);
    m_str += out;
}

BOOL CString::LoadString(UINT nID)
{
    return LoadString(AfxGetInstanceHandle(), nID);
}

BOOL CString::LoadString(HINSTANCE hInstance, UINT nID)
{
    // With a zero buffer size LoadStringW hands back a read-only pointer into
    // the resource itself; such strings are not null-terminated.
    const wchar_t* pRes = nullptr;
    int nLength = ::LoadStringW(hInstance, nID, reinterpret_cast<LPWSTR>(&pRes), 0);
    if (nLength <= 0 || pRes == nullptr)
    {
        m_str.clear();
        return FALSE;
    }
    m_str.assign(pRes, static_cast<size_t>(nLength));
    return TRUE;
}

CString operator+(const CString& str1, const CString& str2)
{
    CString result(str1);
    result += str2;
    return result;
}

CString operator+(const CString& str1, const wchar_t* psz2)
{
    CString result(str1);
    result += psz2;
    return result;
}

CString operator+(const wchar_t* psz1, const CString& str2)
{
    CString result(psz1);
    result += str2;
    return result;
}

CString operator+(const CString& str1, wchar_t ch2)
{
    CString result(str1);
    result += ch2;
    return result;
}

CString operator+(wchar_t ch1, const CString& str2)
{
    CString result(ch1);
    result += str2;
    return result;
}

bool operator==(const CString& str1, const CString& str2)
{
    return str1.Compare(str2) == 0;
}

bool operator==(const CString& str1, const wchar_t* psz2)
{
    return str1.Compare(psz2) == 0;
}

bool operator==(const wchar_t* psz1, const CString& str2)
{
    return str2.Compare(psz1) == 0;
}

bool operator!=(const CString& str1, const CString& str2)
{
    return !(str1 == str2);
}

bool operator!=(const CString& str1, const wchar_t* psz2)
{
    return !(str1 == psz2);
}

bool operator!=(const wchar_t* psz1, const CString& str2)
{
    return !(psz1 == str2);
}

bool operator<(const CString& str1, const CString& str2)
{
    return str1.Compare(str2) < 0;
}

bool operator<(const CString& str1, const wchar_t* psz2)
{
    return str1.Compare(psz2) < 0;
}

bool operator<(const wchar_t* psz1, const CString& str2)
{
    return str2.Compare(psz1) > 0;
}

bool operator>(const CString& str1, const CString& str2)
{
    return str2 < str1;
}

bool operator<=(const CString& str1, const CString& str2)
{
    return !(str2 < str1);
}

bool operator>=(const CString& str1, const CString& str2)
{
    return !(str1 < str2);
}
