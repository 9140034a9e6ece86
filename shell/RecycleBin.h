#pragma once

#include "framework/String.h"

#include <windows.h>

#include <vector>

// What became of folders given up.
struct RecycleOutcome
{
    // Into the Recycle Bin, where they can still be restored from.
    std::vector<CString> recycled;
    // Deleted: their drive has no Recycle Bin (network and removable
    // drives), or the path is too long for the shell's call.
    std::vector<CString> deleted;
    // Still there: the call failed or was cancelled.
    std::vector<CString> kept;
};

// Moves each folder with everything in it to the Recycle Bin where its
// drive has one, and deletes it where it has not; never asks. The shell's
// call deletes without a word where it cannot recycle, so those folders are
// told apart beforehand and deleted here, where that is said.
RecycleOutcome RecycleFolders(const std::vector<CString>& folders);
