#pragma once

#include <cstdarg>
#include <string>

// printf-style formatting with the Windows meaning of the conversions: %s
// and %c take wide arguments, %S and %C narrow ones (mingw's C99 stdio would
// read %s as narrow). Appends to out.
void AfxFormatInto(std::wstring& out, const wchar_t* pszFormat, va_list args);
