#include "framework/StringFormat.h"

#include <windows.h>

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

}  // namespace

void AfxFormatInto(std::wstring& out, const wchar_t* pszFormat, va_list args)
{
    FormatInto(out, pszFormat, args);
}
