#pragma once

#include <windows.h>
#include <shlobj.h>

// Shell entry points that older systems lack, and the system's major
// version, which picks the folder dialog. One object lives for the whole
// process as a start-up object; the newest one constructed is current.
class CShellApi
{
public:
    using PFN_ILFree = void(WINAPI*)(LPITEMIDLIST);
    using PFN_ILClone = LPITEMIDLIST(WINAPI*)(LPCITEMIDLIST);
    using PFN_ILFindLastID = LPITEMIDLIST(WINAPI*)(LPCITEMIDLIST);
    using PFN_ILRemoveLastID = BOOL(WINAPI*)(LPITEMIDLIST);
    using PFN_SHCreateItemFromParsingName = HRESULT(WINAPI*)(PCWSTR, IBindCtx*, REFIID, void**);

    CShellApi();
    ~CShellApi();
    CShellApi(const CShellApi&) = delete;
    CShellApi& operator=(const CShellApi&) = delete;

    HMODULE m_hShell;
    PFN_ILFree m_pfnILFree;
    PFN_ILClone m_pfnILClone;
    PFN_ILFindLastID m_pfnILFindLastID;
    PFN_ILRemoveLastID m_pfnILRemoveLastID;
    PFN_SHCreateItemFromParsingName m_pfnCreateItemFromParsingName;
    DWORD m_nOsMajorVersion;

    // The current object; programs without a start-up object of their own
    // (test programs) get one made on first use.
    static CShellApi& Get();

private:
    CShellApi* m_pPrevious;
};
