#pragma once

#include "framework/String.h"

#include <windows.h>

// What kind of link a run makes.
enum class LinkKind
{
    Symbolic,
    Hard
};

// The choices a run is made with.
struct LinkRunOptions
{
    LinkKind kind = LinkKind::Hard;
    // An existing file at a target may give way to the new link.
    bool bRemoveExisting = true;
    // The run goes through its pairs and says what it would do, changing
    // nothing ("Vorschau").
    bool bPreview = false;
};

// What became of one pair.
enum class LinkOutcome : unsigned char
{
    // A link was tried (or found in place): "OK" when the code is 0.
    Linked,
    // The target is one of the run's sources.
    SkipSelf,
    // Something is at the target and stays: removal is off.
    SkipExisting,
    // An earlier pair of this run made the target (a same-name source
    // before this one).
    SkipMade,
    // What a preview finds: a new link would be made; an existing file
    // would be replaced; the target already is a link of its source. The
    // error code is the failure foreseen, where it can be.
    PreviewNew,
    PreviewReplace,
    PreviewLinked
};

// One pair's result as a value: which folder and file, and what became of
// them. It holds no text, so that handing it on never allocates; the line
// is made from it when it is shown.
struct LinkPairResult
{
    int nFolder = 0;
    int nFile = 0;
    LinkOutcome outcome = LinkOutcome::Linked;
    DWORD dwError = 0;
    // A preview's file that would be replaced: its size and last write
    // time (a FILETIME).
    ULONGLONG nSize = 0;
    ULONGLONG nWriteTime = 0;
};

// A read-only, indexed list of paths a run walks in order.
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
