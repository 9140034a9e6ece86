#pragma once

#include "framework/String.h"

#include <windows.h>

// CreateSymbolicLinkW returns a one-byte BOOLEAN; read as a 32-bit BOOL the
// upper bytes are garbage and failures look like success.
typedef BOOLEAN(WINAPI* PFNCREATESYMBOLICLINKW)(LPCWSTR lpSymlinkFileName, LPCWSTR lpTargetFileName, DWORD dwFlags);

// CreateSymbolicLinkW of kernel32, or null on systems that lack it.
PFNCREATESYMBOLICLINKW LookUpCreateSymbolicLinkW();

// Best effort: switches on the restore privilege in the process token.
// 1 on success, 0 or the lookup's error code on failure.
int EnableRestorePrivilege();

// The system's message text for a Win32 error code, untrimmed (its line break
// included); empty when the system has no text for the code.
CString GetErrorText(DWORD dwError);
