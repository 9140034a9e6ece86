#pragma once

#include "framework/String.h"
#include "links/LinkFileSystem.h"

// A read-only, indexed list of paths the batch walks in order.
class ILinkPathList
{
public:
    virtual ~ILinkPathList() = default;
    virtual int GetCount() const = 0;
    virtual CString GetAt(int nIndex) const = 0;
};

// Presents any container with GetCount and GetAt (such as the dialog's path
// sets) as a path list without this library knowing the container.
template<class TList>
class CLinkPathList : public ILinkPathList
{
public:
    explicit CLinkPathList(const TList& list) : m_list(list) {}
    int GetCount() const override { return static_cast<int>(m_list.GetCount()); }
    CString GetAt(int nIndex) const override { return m_list.GetAt(nIndex); }

private:
    const TList& m_list;
};

// Where the batch writes its lines.
class ILinkOutput
{
public:
    virtual ~ILinkOutput() = default;
    virtual void AddLine(const CString& strLine) = 0;
    // Called after every folder's files, also when there were none.
    virtual void EndFolder() = 0;
};

enum : DWORD
{
    LINK_SYMBOLIC_FLAGS = 2  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
};

// Name and extension of the last component of a path.
CString GetFileName(CString strPath);

// Creates in every folder a link to every file (folders outer, files inner,
// both in list order) and writes one line per pair. nLinkType 0 asks for
// symbolic links, any other value for hard links; bRemoveExisting lets a
// new link take the place of a file already at the target.
//
// What the run never does: remove one of its sources, under whatever
// spelling a target reaches it; replace what an earlier pair of the same
// run made; give up an existing target before its replacement exists on
// disk (the new link is made under a temporary name in the target folder
// and then renamed over it, so a failure leaves the folder as it was); or
// remove anything whose identity it cannot establish.
void RunLinkBatch(const ILinkPathList& folders, const ILinkPathList& files, int nLinkType, int bRemoveExisting,
                  ILinkFileSystem& fileSystem, ILinkOutput& output);
