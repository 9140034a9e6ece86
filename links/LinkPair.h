#pragma once

#include "framework/String.h"
#include "links/LinkDecision.h"
#include "links/LinkFileSystem.h"
#include "links/LinkTypes.h"

// Carries out what was decided for a pair. A pair is one small
// transaction: the old target gives way only to a replacement that already
// exists in the folder (made under a temporary name, then renamed over it),
// and only while it is still the file the decision was made on; when
// anything fails the folder is as it was, or the line says where the old
// file is. Attributes are only ever changed on the old target entry
// itself, and put back where that file lives on under another name.
class CLinkPairMaker
{
public:
    explicit CLinkPairMaker(LinkKind kind) : m_kind(kind) {}

    // pFolder is the held folder the decision was made in (null where it
    // could not be opened: then nothing is to be done there).
    LinkPairResult CarryOut(const LinkPairDecision& decision, ILinkFolder* pFolder, const CString& strSource,
                            const CString& strName);

private:
    struct Outcome
    {
        DWORD dwError = 0;
        bool bAlreadyLinked = false;
        bool bOldAside = false;
        ULONGLONG nAside = 0;
    };

    DWORD MakeLink(ILinkFolder& folder, const CString& strName, const CString& strSource);
    Outcome Replace(const LinkPairDecision& decision, ILinkFolder& folder, const CString& strSource,
                    const CString& strName);

    const LinkKind m_kind;
};
