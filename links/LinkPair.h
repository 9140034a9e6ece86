#pragma once

#include "framework/String.h"
#include "links/LinkDecision.h"
#include "links/LinkFileSystem.h"
#include "links/LinkTypes.h"

#include <memory>

// Carries out what was decided for a pair. A pair is one small
// transaction: the old target gives way only while it is still the file the
// decision was made on, and only into the run's kept folder inside its
// target folder (a rename on its own volume, nothing copied or deleted);
// then the new link takes the name. When the link cannot be made the old
// file goes back under its name, or the line says where it is kept.
class CLinkPairMaker
{
public:
    // nKeepTime (a FILETIME, the run's start) names the folders the run
    // keeps replaced files in.
    CLinkPairMaker(LinkKind kind, ULONGLONG nKeepTime) : m_kind(kind), m_nKeepTime(nKeepTime) {}
    ~CLinkPairMaker();
    CLinkPairMaker(const CLinkPairMaker&) = delete;
    CLinkPairMaker& operator=(const CLinkPairMaker&) = delete;

    // pFolder is the held folder the decision was made in (null where it
    // could not be opened: then nothing is to be done there).
    LinkPairResult CarryOut(const LinkPairDecision& decision, ILinkFolder* pFolder, const CString& strSource,
                            const CString& strName);
    // The folder's pairs are done: its kept folder is let go.
    void EndFolder();

private:
    struct Outcome
    {
        DWORD dwError = 0;
        bool bAlreadyLinked = false;
        bool bOldAside = false;
        // The old file lies in the kept folder, or in that part of it.
        bool bKept = false;
        int nKeptPart = 0;
    };

    DWORD MakeLink(ILinkFolder& folder, const CString& strName, const CString& strSource, bool bFolder);
    Outcome Replace(const LinkPairDecision& decision, ILinkFolder& folder, const CString& strSource,
                    const CString& strName);

    // Where the next file replaced in the target folder of that index is
    // kept: the run's kept folder there, made at its first replacement, or
    // its current part.
    DWORD GetKeptFolder(int nFolder, ILinkFolder& folder, ILinkFolder*& pKept, int& nPart);
    // The part in use goes where every file moved into it went back.
    void EndPart();

    const LinkKind m_kind;
    const ULONGLONG m_nKeepTime;
    int m_nKeptFolder = -1;
    std::unique_ptr<ILinkFolder> m_kept;
    DWORD m_dwKeptError = 0;
    int m_nKeptHere = 0;
    // Files moved into the kept folder and its parts, back or not.
    int m_nMovedHere = 0;
    std::unique_ptr<ILinkFolder> m_part;
    int m_nPart = 0;
    int m_nKeptInPart = 0;
};

// A new link of the kind at the name (nothing may be there), checked to be
// there where the system may report a symbolic link it did not make.
[[nodiscard]] DWORD MakeLinkIn(ILinkFolder& folder, LinkKind kind, const CString& strName, const CString& strSource);
// A junction ("Hard") or a directory symbolic link to the folder, made
// under a temporary name and then given the name (nothing may be there);
// nothing is left where it cannot be made.
[[nodiscard]] DWORD MakeFolderLinkIn(ILinkFolder& folder, LinkKind kind, const CString& strName,
                                     const CString& strSource);
