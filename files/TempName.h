#pragma once

#include "framework/String.h"

#include <windows.h>

// A temporary name nobody can guess beforehand: "~Quillon-" and 16
// hexadecimal digits from the system's generator for secrets, ".tmp".
CString MakeTempName();
// The same from bits drawn before, so that a name can be kept as a number.
ULONGLONG MakeTempBits();
CString MakeTempName(ULONGLONG nBits);
