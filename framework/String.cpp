#include "framework/String.h"

#include "framework/Collections.h"
#include "framework/Module.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <vector>

namespace
{

std::wstring Widen(const char* psz, int nLength)
{
    if (nLength <= 0)
        return std::wstring();
    int nWide = ::MultiByteToWideChar(CP_ACP, 0, psz, nLength, nullptr, 0);
    if (nWide <= 0)
    {
        std::wstring out;
        for (int i = 0; i < nLength; ++i)
            out += static_cast<wchar_t>(static_cast<unsigned char>(psz[i]));
        return out;
    }
    std::wstring out(static_cast<size_t>(nWide), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, psz, nLength, &out[0], nWide);
    return out;
}

struct FormatSpec
{
    bool bLeft = false;
    bool bPlus = false;
    bool bSpace = false;
    bool bAlt = false;
    bool bZero = false;
    int nWidth = 0;
    int nPrecision = -1;
};

void Pad(std::wstring& out, const FormatSpec& conv, const std::wstring& body)
{
    size_t width = conv.nWidth > 0 ? static_cast<size_t>(conv.nWidth) : 0;
    size_t fill = body.size() < width ? width - body.size() : 0;
    if (conv.bLeft)
    {
        out += body;
        out.append(fill, L' ');
    }
    else
    {
        // MSVC pads strings and characters with zeros too when asked to.
        out.append(fill, conv.bZero ? L'0' : L' ');
        out += body;
    }
}

void AppendInteger(std::wstring& out, const FormatSpec& conv, unsigned long long magnitude,
                   bool bNegative, bool bSigned, unsigned base, bool bUpper)
{
    const char* digitSet = bUpper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::wstring digits;
    for (unsigned long long v = magnitude; v != 0; v /= base)
        digits.insert(digits.begin(), static_cast<wchar_t>(digitSet[v % base]));
    if (magnitude == 0 && conv.nPrecision != 0)
        digits = L"0";

    if (conv.nPrecision > 0 && digits.size() < static_cast<size_t>(conv.nPrecision))
        digits.insert(0, static_cast<size_t>(conv.nPrecision) - digits.size(), L'0');
    if (conv.bAlt && base == 8 && (digits.empty() || digits[0] != L'0'))
        digits.insert(digits.begin(), L'0');

    std::wstring prefix;
    if (bNegative)
        prefix = L"-";
    else if (bSigned && conv.bPlus)
        prefix = L"+";
    else if (bSigned && conv.bSpace)
        prefix = L" ";
    if (conv.bAlt && base == 16 && magnitude != 0)
        prefix += bUpper ? L"0X" : L"0x";

    size_t width = conv.nWidth > 0 ? static_cast<size_t>(conv.nWidth) : 0;
    size_t len = prefix.size() + digits.size();
    size_t fill = len < width ? width - len : 0;
    if (conv.bLeft)
    {
        out += prefix;
        out += digits;
        out.append(fill, L' ');
    }
    else if (conv.bZero && conv.nPrecision < 0)
    {
        out += prefix;
        out.append(fill, L'0');
        out += digits;
    }
    else
    {
        out.append(fill, L' ');
        out += prefix;
        out += digits;
    }
}

void AppendFloat(std::wstring& out, const FormatSpec& conv, wchar_t conversion, double value)
{
    // Numbers are plain ASCII, so the C runtime can render them narrow.
    // %F is rendered as %f and upper-cased because older runtimes lack it.
    bool bUpperAll = conversion == L'F';
    char narrowSpec[64];
    std::snprintf(narrowSpec, sizeof(narrowSpec), "%%%s%s%s%s%s%d.%d%c",
                  conv.bLeft ? "-" : "", conv.bPlus ? "+" : "", conv.bSpace ? " " : "",
                  conv.bAlt ? "#" : "", conv.bZero ? "0" : "", conv.nWidth,
                  conv.nPrecision < 0 ? 6 : conv.nPrecision,
                  bUpperAll ? 'f' : static_cast<char>(conversion));

    char small[128];
    int n = std::snprintf(small, sizeof(small), narrowSpec, value);
    if (n < 0)
        return;
    const char* text = small;
    std::vector<char> large;
    if (static_cast<size_t>(n) >= sizeof(small))
    {
        large.resize(static_cast<size_t>(n) + 1);
        std::snprintf(large.data(), large.size(), narrowSpec, value);
        text = large.data();
    }
    for (int i = 0; i < n; ++i)
    {
        wchar_t ch = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
        out += bUpperAll ? static_cast<wchar_t>(std::towupper(ch)) : ch;
    }
}

enum class LengthMod
{
    None,
    Char,
    Short,
    Long,
    LongLong,
    Pointer,
    IntMax,
    Int32,
    LongDouble,
    Wide
};

// Everything happens in one function so the va_list is only ever advanced
// in the frame that owns it.
void FormatInto(std::wstring& out, const wchar_t* pszFormat, va_list args)
{
    if (pszFormat == nullptr)
        return;

    const wchar_t* p = pszFormat;
    while (*p != L'\0')
    {
        if (*p != L'%')
        {
            const wchar_t* run = p;
            while (*p != L'\0' && *p != L'%')
                ++p;
            out.append(run, static_cast<size_t>(p - run));
            continue;
        }

        const wchar_t* pStart = p++;
        FormatSpec conv;
        for (;; ++p)
        {
            if (*p == L'-')
                conv.bLeft = true;
            else if (*p == L'+')
                conv.bPlus = true;
            else if (*p == L' ')
                conv.bSpace = true;
            else if (*p == L'#')
                conv.bAlt = true;
            else if (*p == L'0')
                conv.bZero = true;
            else
                break;
        }

        if (*p == L'*')
        {
            int w = va_arg(args, int);
            if (w < 0)
            {
                conv.bLeft = true;
                w = w == INT_MIN ? 0 : -w;
            }
            conv.nWidth = w;
            ++p;
        }
        else
        {
            while (*p >= L'0' && *p <= L'9')
            {
                if (conv.nWidth < 100000000)
                    conv.nWidth = conv.nWidth * 10 + (*p - L'0');
                ++p;
            }
        }

        if (*p == L'.')
        {
            ++p;
            conv.nPrecision = 0;
            if (*p == L'*')
            {
                int prec = va_arg(args, int);
                conv.nPrecision = prec < 0 ? -1 : prec;
                ++p;
            }
            else
            {
                while (*p >= L'0' && *p <= L'9')
                {
                    if (conv.nPrecision < 100000000)
                        conv.nPrecision = conv.nPrecision * 10 + (*p - L'0');
                    ++p;
                }
            }
        }

        LengthMod mod = LengthMod::None;
        switch (*p)
        {
        case L'h':
            ++p;
            if (*p == L'h')
            {
                ++p;
                mod = LengthMod::Char;
            }
            else
            {
                mod = LengthMod::Short;
            }
            break;
        case L'l':
            ++p;
            if (*p == L'l')
            {
                ++p;
                mod = LengthMod::LongLong;
            }
            else
            {
                mod = LengthMod::Long;
            }
            break;
        case L'w':
            ++p;
            mod = LengthMod::Wide;
            break;
        case L'L':
            ++p;
            mod = LengthMod::LongDouble;
            break;
        case L'z':
        case L't':
            ++p;
            mod = LengthMod::Pointer;
            break;
        case L'j':
            ++p;
            mod = LengthMod::IntMax;
            break;
        case L'I':
            ++p;
            if (p[0] == L'6' && p[1] == L'4')
            {
                p += 2;
                mod = LengthMod::LongLong;
            }
            else if (p[0] == L'3' && p[1] == L'2')
            {
                p += 2;
                mod = LengthMod::Int32;
            }
            else
            {
                mod = LengthMod::Pointer;
            }
            break;
        default:
            break;
        }

        wchar_t conversion = *p;
        if (conversion == L'\0')
        {
            out.append(pStart);
            return;
        }
        ++p;

        switch (conversion)
        {
        case L'%':
            out += L'%';
            break;

        case L'd':
        case L'i':
        {
            long long v;
            switch (mod)
            {
            case LengthMod::Char:
                v = static_cast<signed char>(va_arg(args, int));
                break;
            case LengthMod::Short:
                v = static_cast<short>(va_arg(args, int));
                break;
            case LengthMod::Long:
                v = va_arg(args, long);
                break;
            case LengthMod::LongLong:
            case LengthMod::LongDouble:
                v = va_arg(args, long long);
                break;
            case LengthMod::Pointer:
                v = va_arg(args, std::ptrdiff_t);
                break;
            case LengthMod::IntMax:
                v = va_arg(args, std::intmax_t);
                break;
            default:
                v = va_arg(args, int);
                break;
            }
            unsigned long long magnitude = v < 0 ? 0ULL - static_cast<unsigned long long>(v)
                                                 : static_cast<unsigned long long>(v);
            AppendInteger(out, conv, magnitude, v < 0, true, 10, false);
            break;
        }

        case L'u':
        case L'x':
        case L'X':
        case L'o':
        {
            unsigned long long v;
            switch (mod)
            {
            case LengthMod::Char:
                v = static_cast<unsigned char>(va_arg(args, unsigned int));
                break;
            case LengthMod::Short:
                v = static_cast<unsigned short>(va_arg(args, unsigned int));
                break;
            case LengthMod::Long:
                v = va_arg(args, unsigned long);
                break;
            case LengthMod::LongLong:
            case LengthMod::LongDouble:
                v = va_arg(args, unsigned long long);
                break;
            case LengthMod::Pointer:
                v = va_arg(args, std::size_t);
                break;
            case LengthMod::IntMax:
                v = va_arg(args, std::uintmax_t);
                break;
            default:
                v = va_arg(args, unsigned int);
                break;
            }
            unsigned base = conversion == L'o' ? 8u : (conversion == L'u' ? 10u : 16u);
            AppendInteger(out, conv, v, false, false, base, conversion == L'X');
            break;
        }

        case L'p':
        {
            // MSVC style: upper-case hex, zero-padded to the pointer width.
            std::uintptr_t v = reinterpret_cast<std::uintptr_t>(va_arg(args, void*));
            FormatSpec digitsSpec;
            digitsSpec.nPrecision = static_cast<int>(sizeof(void*) * 2);
            std::wstring digits;
            AppendInteger(digits, digitsSpec, v, false, false, 16, true);
            FormatSpec padSpec = conv;
            padSpec.bZero = false;
            Pad(out, padSpec, digits);
            break;
        }

        case L'c':
        case L'C':
        {
            bool bNarrow = mod == LengthMod::Short || mod == LengthMod::Char ||
                           (conversion == L'C' && mod != LengthMod::Long && mod != LengthMod::Wide);
            int raw = va_arg(args, int);
            std::wstring body;
            if (bNarrow)
            {
                char ch = static_cast<char>(raw);
                body = Widen(&ch, 1);
            }
            else
            {
                body.assign(1, static_cast<wchar_t>(raw));
            }
            Pad(out, conv, body);
            break;
        }

        case L's':
        case L'S':
        {
            bool bNarrow = mod == LengthMod::Short || mod == LengthMod::Char ||
                           (conversion == L'S' && mod != LengthMod::Long && mod != LengthMod::Wide);
            std::wstring body;
            if (bNarrow)
            {
                const char* psz = va_arg(args, const char*);
                if (psz == nullptr)
                {
                    body = L"(null)";
                }
                else
                {
                    size_t n = 0;
                    while (psz[n] != '\0' && (conv.nPrecision < 0 || n < static_cast<size_t>(conv.nPrecision)))
                        ++n;
                    body = Widen(psz, static_cast<int>(n));
                }
            }
            else
            {
                const wchar_t* psz = va_arg(args, const wchar_t*);
                if (psz == nullptr)
                {
                    body = L"(null)";
                }
                else
                {
                    size_t n = 0;
                    while (psz[n] != L'\0' && (conv.nPrecision < 0 || n < static_cast<size_t>(conv.nPrecision)))
                        ++n;
                    body.assign(psz, n);
                }
            }
            if (conv.nPrecision >= 0 && body.size() > static_cast<size_t>(conv.nPrecision))
                body.resize(static_cast<size_t>(conv.nPrecision));
            Pad(out, conv, body);
            break;
        }

        case L'e':
        case L'E':
        case L'f':
        case L'F':
        case L'g':
        case L'G':
        case L'a':
        case L'A':
        {
            double v = mod == LengthMod::LongDouble ? static_cast<double>(va_arg(args, long double))
                                                    : va_arg(args, double);
            AppendFloat(out, conv, conversion, v);
            break;
        }

        default:
            out.append(pStart, static_cast<size_t>(p - pStart));
            break;
        }
    }
}

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
    FormatInto(out, pszFormat, args);
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
    FormatInto(out, pszFormat, args);
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
