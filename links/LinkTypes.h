#pragma once

#include "framework/String.h"

#include <windows.h>

// What kind of link a run makes.
enum class LinkKind
{
    Symbolic,
    Hard,
    // What "Hard" makes of a folder source (a folder has no hard links):
    // the kind a pair's line names; a run is never of this kind.
    Junction
};

// The choices a run is made with.
struct LinkRunOptions
{
    LinkKind kind = LinkKind::Hard;
    // An existing file at a target may give way to the new link.
    bool bRemoveExisting = true;
    // The run decides every pair and carries nothing out: it says what it
    // would do ("Vorschau").
    bool bPreview = false;
    // The run's start (a FILETIME), which names the folders it keeps the
    // files it replaces in; 0: when the run is set up.
    ULONGLONG nKeepTime = 0;
    // Where the run's record goes, so that it can be undone (empty: it is
    // not recorded).
    CString strRecordFolder;
    // Symbolic links hold the path from their folder to the source, where
    // there is one ("..\\Quelle\\a.txt").
    bool bRelative = false;
};

// How a symbolic link holds the source's path.
enum class LinkPathForm : unsigned char
{
    Absolute,
    Relative,
    // Relative was asked for and is impossible: the source is on another
    // drive or share, or has a name only the \\?\ form reaches.
    AbsoluteOtherRoot,
    AbsoluteNotExpressible
};

// What is to be done with a pair (its decision), and what was done.
enum class PairAction : unsigned char
{
    // Nothing is at the target: a link is made there.
    NewLink,
    // A file is at the target and gives way to the link.
    Replace,
    // The target already is what the run would make (its line says OK).
    AlreadyLinked,
    // Left alone: the target is one of the run's sources ("Skip").
    LeaveSource,
    // Left alone: an earlier pair of this run made the target (a same-name
    // source before this one).
    LeaveMade,
    // Left alone: something is at the target and removal is off.
    LeaveExisting,
    // Left alone: a folder is at the target; never removed, so the link
    // fails (with the code a link call meets first).
    LeaveFolder,
    // Fails without a step on the disk: the target is another file's short
    // name, or what is there (or a source) cannot be told.
    Fail,
    // Refused: the target folder is a folder source, lies inside it or is
    // reached through it, so that the link would contain itself.
    RefuseCycle,
    // Refused: a junction leads only to a folder on a local volume, and the
    // folder source lies on a share.
    RefuseRemoteJunction
};

// What undoing a pair of an earlier run found and did.
enum class UndoStep : unsigned char
{
    // Not a pair of this undo: the run changed nothing there, or an undo
    // before this one settled it.
    None,
    // The link the run made is removed.
    LinkRemoved,
    // The file the run replaced is back under its name (the run's link
    // there removed first).
    PutBack,
    // The link the run made is no longer there: nothing to do.
    LinkGone,
    // The name holds what the run did not make: left as it is.
    Changed,
    // The file the run replaced is no longer in its kept folder.
    KeptGone,
    // The entry is its file's only name: never removed.
    LastName,
    // A step failed (dwError); what is there stays as it was.
    Failed
};

// One pair's result as a value: which folder and file, and what became of
// them. It holds no text, so that handing it on never allocates; the line
// is made from it when it is shown.
struct LinkPairResult
{
    int nFolder = 0;
    int nFile = 0;
    PairAction action = PairAction::NewLink;
    // The old file could not be put back under its name after a failure:
    // it lies in the run's kept folder, under its name.
    bool bOldAside = false;
    // A pair of an undo: what it found and did.
    UndoStep undo = UndoStep::None;
    // 0, or the failure: met, or, for a decision alone, foreseen.
    DWORD dwError = 0;
    // A file that gives way: its size and last write time (a FILETIME).
    ULONGLONG nSize = 0;
    ULONGLONG nWriteTime = 0;
    // Where the old file is kept (it was replaced, or could not be put
    // back): the run's start, which names its kept folder; 0: nothing kept.
    ULONGLONG nKeptTime = 0;
    // The part of that kept folder (see MakeKeptPartName), 0: the folder itself.
    int nKeptPart = 0;
    // A symbolic link made or foreseen: how it holds the source's path.
    LinkPathForm pathForm = LinkPathForm::Absolute;
    // The source is a folder: the link is a junction or a directory
    // symbolic link.
    bool bFolder = false;
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
