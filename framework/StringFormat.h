#pragma once

#include <cstdarg>
#include <string>

// printf-style formatting with the Windows meaning of the conversions (%s and
// %c wide, %S and %C narrow, long 32-bit), done by the C runtime conversion
// by conversion. Incomplete or unknown conversions are copied literally and
// take no argument. Appends to out.
void AfxFormatInto(std::wstring& out, const wchar_t* pszFormat, va_list args);
