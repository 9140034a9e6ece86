#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "shell/PickerDialogs.h"

// Stands in for the system's Open, folder and Save dialogs while it lives: answers
// as the test scripted and records what it was asked.
class CScriptedPickers
{
public:
    BOOL bFileOk = FALSE;
    std::wstring fileResult;  // the Open dialog's result buffer, NULs included
    int nFolderResult = IDCANCEL;
    std::wstring folderResult;
    // Several folders chosen at once: the multiple-choice dialog answers
    // with these (empty: it answers with folderResult alone).
    std::vector<std::wstring> foldersResult;
    int nMultipleCalls = 0;

    int nFileCalls = 0;
    std::wstring initialDirSeen;
    DWORD dwFlagsSeen = 0;
    int nFolderCalls = 0;
    std::wstring folderStartSeen;
    std::wstring guidSeen;
    bool bItemDialogSeen = false;
    std::wstring saveResult;  // the Save dialog's choice; empty: cancelled
    int nSaveCalls = 0;
    std::wstring saveFolderSeen;
    std::wstring saveNameSeen;

    CScriptedPickers() : m_pPrevious(SetPickerDialogs(&s_dialogs)) { Current() = this; }
    ~CScriptedPickers()
    {
        SetPickerDialogs(m_pPrevious);
        Current() = nullptr;
    }
    CScriptedPickers(const CScriptedPickers&) = delete;
    CScriptedPickers& operator=(const CScriptedPickers&) = delete;

private:
    static CScriptedPickers*& Current()
    {
        static CScriptedPickers* s_pCurrent = nullptr;
        return s_pCurrent;
    }

    static BOOL OpenFile(OPENFILENAMEW* pofn, DWORD* pdwError)
    {
        CScriptedPickers& self = *Current();
        ++self.nFileCalls;
        self.initialDirSeen = pofn->lpstrInitialDir != nullptr ? pofn->lpstrInitialDir : L"";
        self.dwFlagsSeen = pofn->Flags;
        *pdwError = 0;
        if (self.bFileOk)
        {
            std::memset(pofn->lpstrFile, 0, pofn->nMaxFile * sizeof(wchar_t));
            self.fileResult.copy(pofn->lpstrFile, self.fileResult.size());
        }
        return self.bFileOk;
    }

    static int ChooseFolder(CString& path, const CString& guidText, bool bItemDialog)
    {
        CScriptedPickers& self = *Current();
        ++self.nFolderCalls;
        self.folderStartSeen.assign(path.GetString(), static_cast<size_t>(path.GetLength()));
        self.guidSeen.assign(guidText.GetString(), static_cast<size_t>(guidText.GetLength()));
        self.bItemDialogSeen = bItemDialog;
        if (self.nFolderResult == IDOK)
            path = self.folderResult.c_str();
        return self.nFolderResult;
    }

    static int ChooseFolders(CString& path, const CString& guidText, bool bItemDialog, std::vector<CString>& chosen)
    {
        CScriptedPickers& self = *Current();
        ++self.nMultipleCalls;
        const int nResult = ChooseFolder(path, guidText, bItemDialog);
        chosen.clear();
        if (nResult == IDOK && self.foldersResult.empty())
            chosen.push_back(path);
        for (const std::wstring& folder : self.foldersResult)
            chosen.push_back(folder.c_str());
        return nResult;
    }

    static bool SaveFile(HWND /*hOwner*/, const CString& strFolder, const CString& strName, CString& strPath)
    {
        CScriptedPickers& self = *Current();
        ++self.nSaveCalls;
        self.saveFolderSeen = strFolder.GetString();
        self.saveNameSeen = strName.GetString();
        strPath = self.saveResult.c_str();
        return !self.saveResult.empty();
    }

    static inline const PickerDialogs s_dialogs = {OpenFile, ChooseFolder, SaveFile, ChooseFolders};
    const PickerDialogs* m_pPrevious;
};
