#pragma once

#include "framework/String.h"

#include <windows.h>

// A temporary name nobody can guess beforehand: "~Quillon-" and 16
// hexadecimal digits from the system's generator for secrets, ".tmp".
CString MakeTempName();
// The same from bits drawn before, so that a name can be kept as a number.
ULONGLONG MakeTempBits();
CString MakeTempName(ULONGLONG nBits);

// The hidden folder in which a run keeps the files it replaces, inside
// their target folder: "~Quillon-Aufbewahrt-" and the run's start (a
// FILETIME) in local time, "20261209-081400-123". Made new by the run, so
// that it is never a folder or link someone else put there.
CString MakeKeptFolderName(ULONGLONG nRunTime);
bool IsKeptFolderName(const CString& strName);
// A kept folder holds its first kKeptPerPart files itself, then parts of as
// many each, "Teil 2", "Teil 3", …, inside it: a system that looks a new
// name up by reading the whole folder (Wine) would otherwise slow down with
// every file kept. nPart 0 is the kept folder itself.
enum : int
{
    kKeptPerPart = 128
};
CString MakeKeptPartName(int nPart);
// The part's number of a folder's name inside a kept folder, 0 if none.
int GetKeptPartNumber(const CString& strName);
// The kept folder's name and, for a part, "\Teil N".
CString MakeKeptPath(ULONGLONG nRunTime, int nPart);
// A path through such a folder: what a run kept is no source or target of
// a later one.
bool IsInKeptFolder(const CString& strPath);
