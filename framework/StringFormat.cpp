#include "framework/StringFormat.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>

#include <windows.h>

namespace {

// msvcrt writes three exponent digits ("1e+004"); MSVC's runtime and every
// other formatter write two. Switch msvcrt over once, where it offers it.
void UseTwoDigitExponents()
{
#if !defined(_UCRT) && !defined(_MSC_VER)
    static const bool s_bDone = [] {
        using SetOutputFormat = unsigned int(__cdecl*)(unsigned int);
        HMODULE hCrt = ::GetModuleHandleW(L"msvcrt.dll");
        auto pfn = hCrt != nullptr
                       ? reinterpret_cast<SetOutputFormat>(
                             reinterpret_cast<void*>(::GetProcAddress(hCrt, "_set_output_format")))
                       : nullptr;
        if (pfn != nullptr)
            pfn(1);  // _TWO_DIGIT_EXPONENT
        return true;
    }();
    (void)s_bDone;
#endif
}

// One conversion through the C runtime: its length first, then the text.
void AppendCrt(std::wstring& out, const wchar_t* pszSpec, ...)
{
    va_list args;
    va_start(args, pszSpec);
    va_list copy;
    va_copy(copy, args);
    const int n = _vscwprintf(pszSpec, args);
    if (n > 0)
    {
        const size_t old = out.size();
        out.resize(old + static_cast<size_t>(n) + 1);
        const int written = _vsnwprintf(&out[old], static_cast<size_t>(n) + 1, pszSpec, copy);
        out.resize(old + static_cast<size_t>(written > 0 ? written : 0));
    }
    va_end(copy);
    va_end(args);
}

enum class Length { None, Char, Short, Int32, Int64, Ptr, LongDouble };

bool IsIn(wchar_t ch, const wchar_t* set)
{
    return ch != 0 && std::wcschr(set, ch) != nullptr;
}

// One parsed conversion; pEnd is past its conversion letter.
struct Conversion
{
    std::wstring flags;
    std::wstring width;
    std::wstring precision;  // digits only, without the point
    bool bStarWidth = false;
    bool bStarPrecision = false;
    bool bPrecision = false;
    Length length = Length::None;
    std::wstring charWidth;  // h, l or w as written, for %c and %s
    wchar_t type = 0;
    const wchar_t* pEnd = nullptr;
};

// False for anything that is not a complete conversion; the caller then
// copies it literally and takes no argument for it.
bool Parse(const wchar_t* p, Conversion& c)
{
    while (IsIn(*p, L"-+ 0#"))
        c.flags += *p++;
    if (*p == L'*')
    {
        c.bStarWidth = true;
        ++p;
    }
    else
    {
        while (*p >= L'0' && *p <= L'9')
            c.width += *p++;
    }
    if (*p == L'.')
    {
        c.bPrecision = true;
        ++p;
        if (*p == L'*')
        {
            c.bStarPrecision = true;
            ++p;
        }
        else
        {
            while (*p >= L'0' && *p <= L'9')
                c.precision += *p++;
        }
    }
    if (p[0] == L'h' && p[1] == L'h')
        c.length = Length::Char, p += 2;
    else if (p[0] == L'l' && p[1] == L'l')
        c.length = Length::Int64, p += 2;
    else if (std::wcsncmp(p, L"I64", 3) == 0)
        c.length = Length::Int64, p += 3;
    else if (std::wcsncmp(p, L"I32", 3) == 0)
        c.length = Length::Int32, p += 3;
    else if (*p == L'h' || *p == L'l' || *p == L'w')
        c.length = *p == L'h' ? Length::Short : Length::Int32, c.charWidth = *p++;
    else if (IsIn(*p, L"Izt"))
        c.length = Length::Ptr, ++p;
    else if (*p == L'j')
        c.length = Length::Int64, ++p;
    else if (*p == L'L')
        c.length = Length::LongDouble, ++p;
    if (!IsIn(*p, L"diouxXcCsSeEfFgGaApn"))
        return false;
    c.type = *p++;
    c.pEnd = p;
    return true;
}

void FormatOne(std::wstring& out, Conversion& c, va_list& args)
{
    // With a precision an integer ignores the '0' flag, as documented for
    // the Windows runtime; Wine's msvcrt pads with zeros all the same.
    std::wstring flags = c.flags;
    if (c.bPrecision && IsIn(c.type, L"diouxX"))
        flags.erase(std::remove(flags.begin(), flags.end(), L'0'), flags.end());
    std::wstring conversion = L"%" + flags;
    if (c.bStarWidth)
        conversion += std::to_wstring(va_arg(args, int));  // a negative width reads as the '-' flag
    else
        conversion += c.width;
    if (c.bStarPrecision)
    {
        const int precision = va_arg(args, int);
        if (precision >= 0)
            conversion += L"." + std::to_wstring(precision);
    }
    else if (c.bPrecision)
    {
        conversion += L"." + c.precision;
    }

    const bool b64 = c.length == Length::Int64 || (c.length == Length::Ptr && sizeof(void*) == 8);
    switch (c.type)
    {
    case L'd':
    case L'i':
        if (b64)
            AppendCrt(out, (conversion + L"I64d").c_str(), va_arg(args, long long));
        else if (c.length == Length::Char)
            AppendCrt(out, (conversion + L"d").c_str(), static_cast<int>(static_cast<signed char>(va_arg(args, int))));
        else if (c.length == Length::Short)
            AppendCrt(out, (conversion + L"d").c_str(), static_cast<int>(static_cast<short>(va_arg(args, int))));
        else
            AppendCrt(out, (conversion + L"d").c_str(), va_arg(args, int));
        break;
    case L'o':
    case L'u':
    case L'x':
    case L'X':
    {
        const std::wstring type(1, c.type);
        if (b64)
            AppendCrt(out, (conversion + L"I64" + type).c_str(), va_arg(args, unsigned long long));
        else if (c.length == Length::Char)
            AppendCrt(out, (conversion + type).c_str(),
                      static_cast<unsigned>(static_cast<unsigned char>(va_arg(args, unsigned))));
        else if (c.length == Length::Short)
            AppendCrt(out, (conversion + type).c_str(),
                      static_cast<unsigned>(static_cast<unsigned short>(va_arg(args, unsigned))));
        else
            AppendCrt(out, (conversion + type).c_str(), va_arg(args, unsigned));
        break;
    }
    case L'c':
    case L'C':
        AppendCrt(out, (conversion + c.charWidth + c.type).c_str(), va_arg(args, int));
        break;
    case L's':
    case L'S':
        AppendCrt(out, (conversion + c.charWidth + c.type).c_str(), va_arg(args, const void*));
        break;
    case L'p':
        AppendCrt(out, (conversion + L"p").c_str(), va_arg(args, const void*));
        break;
    case L'n':
        // Writing through an argument is never wanted here: skip it.
        (void)va_arg(args, void*);
        break;
    default:
    {
        UseTwoDigitExponents();
        // msvcrt knows no %F; the digits are the same as %f.
        const wchar_t type = c.type == L'F' ? L'f' : c.type;
        const double value = c.length == Length::LongDouble ? static_cast<double>(va_arg(args, long double))
                                                            : va_arg(args, double);
        AppendCrt(out, (conversion + type).c_str(), value);
        break;
    }
    }
}

}  // namespace

void AfxFormatInto(std::wstring& out, const wchar_t* pszFormat, va_list args)
{
    va_list rest;
    va_copy(rest, args);
    const wchar_t* p = pszFormat;
    while (*p != 0)
    {
        if (*p != L'%')
        {
            const wchar_t* pNext = std::wcschr(p, L'%');
            const size_t n = pNext != nullptr ? static_cast<size_t>(pNext - p) : std::wcslen(p);
            out.append(p, n);
            p += n;
            continue;
        }
        if (p[1] == L'%')
        {
            out += L'%';
            p += 2;
            continue;
        }
        Conversion c;
        if (!Parse(p + 1, c))
        {
            out += *p++;
            continue;
        }
        FormatOne(out, c, rest);
        p = c.pEnd;
    }
    va_end(rest);
}
