#pragma once

#include <windows.h>

#include <cstdarg>
#include <string>

// Wide string with the MFC CStringW interface. Format/FormatV follow the
// MSVC conventions for wide output: %s and %c take wide arguments, %S and %C
// narrow ones, whatever the C runtime in use would do.
class CString
{
public:
    CString() = default;
    CString(const wchar_t* psz);
    CString(const wchar_t* pch, int nLength);
    explicit CString(wchar_t ch, int nRepeat = 1);
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    ~CString() = default;

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const wchar_t* psz);
    CString& operator=(wchar_t ch);

    operator const wchar_t*() const { return m_str.c_str(); }
    const wchar_t* GetString() const { return m_str.c_str(); }
    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }

    // Index GetLength() is allowed and yields the terminator, as in ATL.
    wchar_t GetAt(int iChar) const;
    wchar_t operator[](int iChar) const { return GetAt(iChar); }
    void SetAt(int iChar, wchar_t ch);

    CString& operator+=(const CString& str);
    CString& operator+=(const wchar_t* psz);
    CString& operator+=(wchar_t ch);
    void Append(const CString& str) { *this += str; }
    void Append(const wchar_t* psz) { *this += psz; }
    void AppendChar(wchar_t ch) { *this += ch; }

    int Compare(const wchar_t* psz) const;
    int CompareNoCase(const wchar_t* psz) const;

    int Find(wchar_t ch, int iStart = 0) const;
    int Find(const wchar_t* pszSub, int iStart = 0) const;
    int FindOneOf(const wchar_t* pszCharSet) const;
    int ReverseFind(wchar_t ch) const;

    CString Left(int nCount) const;
    CString Mid(int iFirst) const;
    CString Mid(int iFirst, int nCount) const;
    CString Right(int nCount) const;

    CString& MakeUpper();
    CString& MakeLower();

    CString& TrimLeft();
    CString& TrimRight();
    CString& Trim();
    CString& TrimLeft(wchar_t chTarget);
    CString& TrimRight(wchar_t chTarget);
    CString& Trim(wchar_t chTarget);

    int Replace(wchar_t chOld, wchar_t chNew);
    int Replace(const wchar_t* pszOld, const wchar_t* pszNew);
    int Remove(wchar_t chRemove);
    int Insert(int iIndex, wchar_t ch);
    int Insert(int iIndex, const wchar_t* psz);
    int Delete(int iIndex, int nCount = 1);

    // The buffer holds at least nMinBufferLength characters plus a
    // terminator; call ReleaseBuffer before using any other member.
    wchar_t* GetBuffer(int nMinBufferLength);
    wchar_t* GetBuffer();
    void ReleaseBuffer(int nNewLength = -1);
    wchar_t* GetBufferSetLength(int nNewLength);

    void Format(const wchar_t* pszFormat, ...);
    void FormatV(const wchar_t* pszFormat, va_list args);
    void AppendFormat(const wchar_t* pszFormat, ...);
    void AppendFormatV(const wchar_t* pszFormat, va_list args);

    // windows.h maps LoadString to LoadStringW; callers see the same macro,
    // so the member name stays consistent everywhere.
    BOOL LoadString(UINT nID);
    BOOL LoadString(HINSTANCE hInstance, UINT nID);

private:
    std::wstring m_str;
};

CString operator+(const CString& str1, const CString& str2);
CString operator+(const CString& str1, const wchar_t* psz2);
CString operator+(const wchar_t* psz1, const CString& str2);
CString operator+(const CString& str1, wchar_t ch2);
CString operator+(wchar_t ch1, const CString& str2);

bool operator==(const CString& str1, const CString& str2);
bool operator==(const CString& str1, const wchar_t* psz2);
bool operator==(const wchar_t* psz1, const CString& str2);
bool operator!=(const CString& str1, const CString& str2);
bool operator!=(const CString& str1, const wchar_t* psz2);
bool operator!=(const wchar_t* psz1, const CString& str2);
bool operator<(const CString& str1, const CString& str2);
bool operator<(const CString& str1, const wchar_t* psz2);
bool operator<(const wchar_t* psz1, const CString& str2);
bool operator>(const CString& str1, const CString& str2);
bool operator<=(const CString& str1, const CString& str2);
bool operator>=(const CString& str1, const CString& str2);
