#pragma once

#include <windows.h>

// The code a failure is reported with: never 0, so that no line says "OK"
// for a step that failed without saying why.
constexpr DWORD FailureCode(DWORD dwError)
{
    return dwError != ERROR_SUCCESS ? dwError : static_cast<DWORD>(ERROR_GEN_FAILURE);
}
