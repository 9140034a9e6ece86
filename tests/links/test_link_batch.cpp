#include <gtest/gtest.h>

#include "fake_file_system.h"
#include "links/LinkBatch.h"
#include "links/LinkBatchThreads.h"
#include "links/LinkPair.h"
#include "files/PathRules.h"

#include <algorithm>
#include <functional>
#include <new>
#include <set>
#include <string>
#include <vector>

namespace {

typedef CFakeFileSystem::Kind Kind;

const std::wstring kSource = L"C:\\S\\a.txt";
const std::wstring kTarget = L"C:\\T\\a.txt";

std::vector<std::wstring> RunFake(CFakeFileSystem& fs, const std::vector<std::wstring>& folders,
                              const std::vector<std::wstring>& files, LinkKind kind = LinkKind::Hard,
                              bool remove = true)
{
    std::vector<std::wstring> lines;
    for (const CString& line : RunLinkBatch(CVectorPathList(folders), CVectorPathList(files), Options(kind, remove), fs))
        lines.emplace_back(line.GetString());
    return lines;
}

// Every entry with its file and the file's attributes: what a pair that
// failed must leave as it was.
std::wstring Dump(CFakeFileSystem& fs)
{
    std::wstring dump;
    for (const auto& node : fs.nodes)
        for (const auto& entry : node.second.entries)
            dump += std::to_wstring(node.first) + L"\\" + entry.second.name + L"=" + std::to_wstring(entry.second.node) +
                    L":" + std::to_wstring(fs.nodes[entry.second.node].attributes) + L" ";
    return dump;
}

std::wstring Skip(const std::wstring& target)
{
    return L"Skip: File: " + target + L".";
}

struct PairCase
{
    const char* name;
    LinkKind kind;
    bool remove;
    DWORD targetAttributes;  // 0: no target
    std::function<void(CFakeFileSystem&)> setUp;
    std::wstring expectedLine;
    std::vector<std::wstring> expectedCalls;
};

std::vector<PairCase> PairCases()
{
    const std::wstring begin[] = {L"open-folder C:\\T\\", L"name " + kSource, L"find " + kTarget};
    const std::wstring link = L"hardlink " + kTarget + L" <- " + kSource;
    const std::wstring sym = L"symlink " + kTarget + L" <- " + kSource;
    const std::wstring id = L"id " + kSource;
    const std::wstring tempLink = L"hardlink C:\\T\\~tmp1 <- " + kSource;
    const std::wstring opens[] = {L"open C:\\T\\~tmp1", L"open " + kTarget, L"query " + kTarget};
    const std::wstring rename = L"rename C:\\T\\~tmp1 -> a.txt replace";
    const auto none = [](CFakeFileSystem&) {};
    const auto hardLinksFail = [](DWORD e) { return [e](CFakeFileSystem& fs) { fs.hardLinkErrors[kSource] = e; }; };
    const auto symbolicErrors = [](std::vector<DWORD> e) {
        return [e](CFakeFileSystem& fs) { fs.symbolicLinkErrors = e; };
    };
    const DWORD archive = FILE_ATTRIBUTE_ARCHIVE;
    const LinkKind hard = LinkKind::Hard;
    const LinkKind symbolic = LinkKind::Symbolic;
    return {
        {"hard link made", hard, true, 0, none, LinkLine(L"HardLink", kTarget, 0), {begin[0], begin[1], begin[2], link}},
        {"hard link failed", hard, true, 0, hardLinksFail(ERROR_ACCESS_DENIED),
         LinkLine(L"HardLink", kTarget, ERROR_ACCESS_DENIED), {begin[0], begin[1], begin[2], link}},
        {"symbolic link made with the unprivileged flag, and found made", symbolic, true, 0, none,
         LinkLine(L"SymbolicLink", kTarget, 0), {begin[0], begin[1], begin[2], sym + L" 2", begin[2]}},
        {"symbolic link refused for want of privilege", symbolic, true, 0, symbolicErrors({ERROR_PRIVILEGE_NOT_HELD}),
         LinkLine(L"SymbolicLink", kTarget, ERROR_PRIVILEGE_NOT_HELD), {begin[0], begin[1], begin[2], sym + L" 2"}},
        {"older system rejects the flag, retry without it succeeds", symbolic, true, 0,
         symbolicErrors({ERROR_INVALID_PARAMETER, 0}), LinkLine(L"SymbolicLink", kTarget, 0),
         {begin[0], begin[1], begin[2], sym + L" 2", sym + L" 0", begin[2]}},
        {"retry without the flag reports its own failure", symbolic, true, 0,
         symbolicErrors({ERROR_INVALID_PARAMETER, ERROR_PRIVILEGE_NOT_HELD}),
         LinkLine(L"SymbolicLink", kTarget, ERROR_PRIVILEGE_NOT_HELD),
         {begin[0], begin[1], begin[2], sym + L" 2", sym + L" 0"}},
        {"symbolic link reported but not made (Wine 8)", symbolic, true, 0,
         [](CFakeFileSystem& fs) { fs.symbolicLinksMakeNothing = true; },
         LinkLine(L"SymbolicLink", kTarget, ERROR_FILE_NOT_FOUND), {begin[0], begin[1], begin[2], sym + L" 2", begin[2]}},
        {"no symbolic-link operation: hard link instead", symbolic, true, 0,
         [](CFakeFileSystem& fs) { fs.symbolicLinksAvailable = false; }, LinkLine(L"HardLink", kTarget, 0),
         {begin[0], begin[1], begin[2], link}},
        {"existing target kept when removal is off", hard, false, archive, none,
         L"Skip: " + kSource + L", File: " + kTarget + L".", {begin[0], begin[1], begin[2]}},
        {"read-only target: read-only cleared on its own entry only, then replaced", hard, true,
         FILE_ATTRIBUTE_READONLY | archive, none, LinkLine(L"HardLink", kTarget, 0),
         {begin[0], begin[1], begin[2], id, tempLink, opens[0], opens[1], opens[2], L"set " + kTarget + L" 32", rename}},
        {"failed link leaves the existing target untouched", hard, true, FILE_ATTRIBUTE_HIDDEN,
         hardLinksFail(ERROR_NOT_SAME_DEVICE), LinkLine(L"HardLink", kTarget, ERROR_NOT_SAME_DEVICE),
         {begin[0], begin[1], begin[2], id, tempLink}},
        {"existing target replaced by a symbolic link", symbolic, true, archive, none,
         LinkLine(L"SymbolicLink", kTarget, 0),
         {begin[0], begin[1], begin[2], id, L"symlink C:\\T\\~tmp1 <- " + kSource + L" 2", L"find C:\\T\\~tmp1",
          opens[0], rename}},
        {"failed rename: read-only back on the old target, the new link gone", hard, true, FILE_ATTRIBUTE_READONLY,
         [](CFakeFileSystem& fs) { fs.renameErrors[L"a.txt"] = ERROR_SHARING_VIOLATION; },
         LinkLine(L"HardLink", kTarget, ERROR_SHARING_VIOLATION),
         {begin[0], begin[1], begin[2], id, tempLink, opens[0], opens[1], opens[2], L"set " + kTarget + L" 0", rename,
          L"open " + kTarget, L"query " + kTarget, L"set " + kTarget + L" 1", L"open C:\\T\\~tmp1",
          L"delete C:\\T\\~tmp1"}},
        {"target that cannot be looked at stays", hard, true, archive,
         [](CFakeFileSystem& fs) { fs.openErrors[L"a.txt"] = ERROR_ACCESS_DENIED; },
         LinkLine(L"HardLink", kTarget, ERROR_ACCESS_DENIED), {begin[0], begin[1], begin[2]}},
        {"target stays when the source cannot be identified", hard, true, archive,
         [](CFakeFileSystem& fs) { fs.idErrors[kSource] = ERROR_SHARING_VIOLATION; },
         LinkLine(L"HardLink", kTarget, ERROR_SHARING_VIOLATION), {begin[0], begin[1], begin[2], id}},
        {"target already a hard link of the source: nothing to do", hard, true, 0,
         [](CFakeFileSystem& fs) { fs.AddHardLink(kTarget, kSource); }, LinkLine(L"HardLink", kTarget, 0),
         {begin[0], begin[1], begin[2], id, L"lead C:\\S\\"}},
        {"target already a symbolic link to the source (any spelling): nothing to do", symbolic, true, 0,
         [](CFakeFileSystem& fs) { fs.Add(kTarget, Kind::SymbolicLink, L"\\\\?\\c:\\s\\A.TXT"); },
         LinkLine(L"SymbolicLink", kTarget, 0), {begin[0], begin[1], begin[2], id, opens[1], L"target " + kTarget}},
        {"a symbolic link to another file is replaced", symbolic, true, 0,
         [](CFakeFileSystem& fs) { fs.Add(L"C:\\S\\b.txt"), fs.Add(kTarget, Kind::SymbolicLink, L"C:\\S\\b.txt"); },
         LinkLine(L"SymbolicLink", kTarget, 0),
         {begin[0], begin[1], begin[2], id, opens[1], L"target " + kTarget, L"symlink C:\\T\\~tmp1 <- " + kSource + L" 2",
          L"find C:\\T\\~tmp1", opens[0], rename}},
    };
}

}  // namespace

TEST(LinkBatchTest, EachKindOfPairGetsItsLineAndItsCalls)
{
    // The calls are those of a folder looked at name by name; listed at
    // once, each pair still gets its line and leaves the folder alike.
    for (const bool listing : {false, true})
    for (const PairCase& c : PairCases())
    {
        SCOPED_TRACE(c.name + std::string(listing ? ", listed" : ""));
        CFakeFileSystem fs;
        fs.listingAvailable = listing;
        const ULONGLONG source = fs.Add(kSource);
        fs.Add(L"C:\\T\\keep.txt");
        if (c.targetAttributes != 0)
            fs.nodes[fs.Add(kTarget)].attributes = c.targetAttributes;
        c.setUp(fs);
        const std::wstring before = Dump(fs);

        EXPECT_EQ(std::vector<std::wstring>{c.expectedLine}, RunFake(fs, {L"C:\\T\\"}, {kSource}, c.kind, c.remove));
        if (!listing)
        {
            EXPECT_EQ(c.expectedCalls, fs.calls);
        }
        EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), fs.nodes[source].attributes);
        EXPECT_EQ(0, fs.openEntries.empty() ? 0 : std::count_if(fs.openEntries.begin(), fs.openEntries.end(),
                                                                 [](const auto& open) { return open.second != 0; }));
        // Whatever did not end in "OK" left the folder as it was; what did
        // left no temporary name.
        if (c.expectedLine.find(L": OK, ") == std::wstring::npos)
        {
            EXPECT_EQ(before, Dump(fs));
        }
        const std::vector<std::wstring> names = fs.Names(L"C:\\T\\");
        EXPECT_TRUE(std::none_of(names.begin(), names.end(),
                                 [](const std::wstring& n) { return n.find(L"~Quillon-") != std::wstring::npos; }));
    }
}

// A source is its own entry and, where that is a link, the entry it leads
// to; under whatever name a target reaches either, it is never replaced,
// and "cannot tell" never counts as "not a source".
TEST(LinkBatchTest, NoSourceIsReplacedUnderAnyOfItsNames)
{
    const struct
    {
        const char* name;
        std::function<void(CFakeFileSystem&)> setUp;
        std::vector<std::wstring> folders;
        std::vector<std::wstring> files;
        std::vector<std::wstring> lines;  // for hard links; symbolic ones alike where they say Skip
        std::vector<std::wstring> kept;   // still the file it was before
    } cases[] = {
        {"a source that is a symbolic link to the file at its target",
         [](CFakeFileSystem& fs) { fs.Add(L"C:\\R\\a.txt"), fs.Add(kSource, Kind::SymbolicLink, L"C:\\R\\a.txt"); },
         {L"C:\\R\\"}, {kSource}, {Skip(L"C:\\R\\a.txt")}, {L"C:\\R\\a.txt", kSource}},
        {"a target folder that is a junction to the source's folder, the source with a second link",
         [](CFakeFileSystem& fs) {
             fs.AddHardLink(L"C:\\X\\a.txt", kSource);
             fs.Add(L"C:\\T", Kind::Junction, L"C:\\S");
         },
         {L"C:\\T\\"}, {kSource}, {Skip(kTarget)}, {kSource}},
        {"a source listed through a junction to its folder", [](CFakeFileSystem& fs) {
             fs.Add(L"C:\\J", Kind::Junction, L"C:\\S");
             fs.AddHardLink(L"C:\\X\\a.txt", kSource);
         },
         {L"C:\\S\\"}, {L"C:\\J\\a.txt"}, {Skip(kSource)}, {kSource}},
        {"a source named like the short name of another file in the target folder",
         [](CFakeFileSystem& fs) {
             fs.Add(L"C:\\T\\Annual Budget 2024.xlsx");
             fs.SetShortName(L"C:\\T\\Annual Budget 2024.xlsx", L"ANNU~XLE.XLS");
             fs.Add(L"C:\\S\\ANNU~XLE.XLS");
         },
         {L"C:\\T\\"}, {L"C:\\S\\ANNU~XLE.XLS"}, {LinkLine(L"HardLink", L"C:\\T\\ANNU~XLE.XLS", ERROR_ALREADY_EXISTS)},
         {L"C:\\T\\Annual Budget 2024.xlsx"}},
        {"a source given by its short name: the link carries its real name",
         [](CFakeFileSystem& fs) {
             fs.Add(L"C:\\S\\Annual Budget 2024.xlsx");
             fs.SetShortName(L"C:\\S\\Annual Budget 2024.xlsx", L"ANNU~XLE.XLS");
         },
         {L"C:\\T\\", L"C:\\S\\"}, {L"C:\\S\\ANNU~XLE.XLS"},
         {LinkLine(L"HardLink", L"C:\\T\\Annual Budget 2024.xlsx", 0), Skip(L"C:\\S\\Annual Budget 2024.xlsx")},
         {L"C:\\S\\Annual Budget 2024.xlsx"}},
        {"a same-name source that cannot be identified may be the target: cannot tell",
         [](CFakeFileSystem& fs) {
             fs.Add(L"C:\\S2\\a.txt");
             fs.idErrors[kSource] = ERROR_SHARING_VIOLATION;
         },
         {L"C:\\S\\"}, {L"C:\\S2\\a.txt", kSource},
         {LinkLine(L"HardLink", kSource, ERROR_SHARING_VIOLATION), Skip(kSource)},
         {kSource}},
        {"where a link source leads cannot be read: cannot tell",
         [](CFakeFileSystem& fs) {
             fs.Add(L"C:\\R\\a.txt"), fs.Add(kSource, Kind::SymbolicLink, L"C:\\R\\a.txt");
             fs.finalPathErrors[kSource] = ERROR_ACCESS_DENIED;
         },
         {L"C:\\R\\"}, {kSource}, {LinkLine(L"HardLink", L"C:\\R\\a.txt", ERROR_ACCESS_DENIED)}, {L"C:\\R\\a.txt"}},
        {"a target replaced by this run is not replaced again by a later source of its name",
         [](CFakeFileSystem& fs) { fs.Add(L"C:\\A\\x.txt"), fs.Add(L"C:\\B\\x.txt"), fs.Add(L"C:\\T\\x.txt"); },
         {L"C:\\T\\", L"R:\\"}, {L"C:\\A\\x.txt", L"C:\\B\\x.txt"},
         {LinkLine(L"HardLink", L"C:\\T\\x.txt", 0), L"Skip: C:\\B\\x.txt, File: C:\\T\\x.txt.",
          L"Skip: C:\\A\\x.txt, File: R:\\x.txt.", L"Skip: C:\\B\\x.txt, File: R:\\x.txt."},
         {L"C:\\A\\x.txt", L"C:\\B\\x.txt"}},
    };
    // Each case also with folders listed at once, where the run trusts the
    // listing for names not there and for names already linked.
    for (const bool listing : {false, true})
    for (LinkKind kind : {LinkKind::Hard, LinkKind::Symbolic})
        for (const auto& c : cases)
        {
            SCOPED_TRACE(c.name + std::string(listing ? ", listed" : ""));
            CFakeFileSystem fs;
            fs.listingAvailable = listing;
            fs.Add(kSource);
            c.setUp(fs);
            if (fs.NodeAt(L"C:\\T") == 0)
                fs.Add(L"C:\\T", Kind::Folder);
            fs.MapDrive(L'R', L"C:\\T");
            std::vector<ULONGLONG> kept;
            for (const std::wstring& path : c.kept)
                kept.push_back(fs.NodeAt(path));
            std::vector<std::wstring> lines = RunFake(fs, c.folders, c.files, kind);
            if (kind == LinkKind::Symbolic)
                for (std::wstring& line : lines)
                    if (line.rfind(L"SymbolicLink: ", 0) == 0)
                        line = L"HardLink: " + line.substr(14);
            EXPECT_EQ(c.lines, lines);
            for (size_t k = 0; k < kept.size(); ++k)
                EXPECT_EQ(kept[k], fs.NodeAt(c.kept[k])) << c.kept[k].c_str();
        }
}

// Attributes belong to a file, and hard links share them: the run changes
// them on nothing but the old target entry, and puts them back where that
// file lives on.
TEST(LinkBatchTest, AttributesChangeOnlyOnTheOldTargetEntry)
{
    const DWORD ro = FILE_ATTRIBUTE_READONLY;
    const DWORD hidden = FILE_ATTRIBUTE_HIDDEN;
    const struct
    {
        const char* name;
        DWORD source;
        DWORD target;
        bool thirdLink;  // the old target has another name elsewhere
        bool refusesReplacingOpenFile;
        DWORD renameError;
        DWORD expectedError;
    } cases[] = {
        {"read-only source, plain target", ro, FILE_ATTRIBUTE_ARCHIVE, false, false, 0, 0},
        {"hidden read-only target, plain source", FILE_ATTRIBUTE_ARCHIVE, ro | hidden, false, false, 0, 0},
        {"read-only target with a third link keeps read-only there", ro, ro, true, false, 0, 0},
        {"... also where open files cannot be replaced (Wine)", ro, ro | hidden, true, true, 0, 0},
        {"rename refused: everything as it was", ro, ro, true, false, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CFakeFileSystem fs;
        fs.refusesReplacingOpenFile = c.refusesReplacingOpenFile;
        const ULONGLONG source = fs.Add(kSource);
        const ULONGLONG old = fs.Add(kTarget);
        fs.nodes[source].attributes = c.source;
        fs.nodes[old].attributes = c.target;
        if (c.thirdLink)
            fs.AddHardLink(L"C:\\X\\third.txt", kTarget);
        if (c.renameError != 0)
            fs.renameErrors[L"a.txt"] = c.renameError;
        const std::wstring before = Dump(fs);

        EXPECT_EQ(std::vector<std::wstring>{LinkLine(L"HardLink", kTarget, c.expectedError)},
                  RunFake(fs, {L"C:\\T\\"}, {kSource}));
        EXPECT_EQ(c.source, fs.nodes[source].attributes);
        EXPECT_EQ(c.expectedError == 0 ? source : old, fs.NodeAt(kTarget));
        if (c.thirdLink)
        {
            EXPECT_EQ(c.target, fs.nodes[old].attributes);
        }
        if (c.expectedError != 0)
        {
            EXPECT_EQ(before, Dump(fs));
        }
        const std::vector<std::wstring> names = fs.Names(L"C:\\T\\");
        EXPECT_EQ(std::vector<std::wstring>{L"a.txt"}, names);
    }
}

// An elevated run changes nothing outside the folders listed: the folder is
// held, so swapping its path for a junction between two steps leads the
// run nowhere else, and a link planted at the target name is never
// followed.
TEST(LinkBatchTest, NothingOutsideTheListedFoldersChanges)
{
    for (const bool plantLink : {false, true})
    {
        SCOPED_TRACE(plantLink ? "a symbolic link to a system file planted at the target name"
                               : "the folder swapped for a junction to a system folder during the pair");
        CFakeFileSystem fs;
        const ULONGLONG source = fs.Add(kSource);
        const ULONGLONG system = fs.Add(L"C:\\Sys\\a.txt");
        fs.nodes[system].attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM;
        if (plantLink)
            fs.Add(kTarget, Kind::SymbolicLink, L"C:\\Sys\\a.txt");
        else
            fs.Add(kTarget);
        fs.onCall = [&fs](const std::wstring& call) {
            if (call.rfind(L"hardlink C:\\T\\~", 0) == 0 && fs.NodeAt(L"C:\\T-old") == 0)
            {
                fs.Move(L"C:\\T", L"C:\\T-old");
                fs.Add(L"C:\\T", Kind::Junction, L"C:\\Sys");
            }
        };
        EXPECT_EQ(std::vector<std::wstring>{LinkLine(L"HardLink", kTarget, 0)}, RunFake(fs, {L"C:\\T\\"}, {kSource}));
        EXPECT_EQ(system, fs.NodeAt(L"C:\\Sys\\a.txt"));
        EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM), fs.nodes[system].attributes);
        EXPECT_EQ(std::vector<std::wstring>{L"a.txt"}, fs.Names(L"C:\\Sys"));
        EXPECT_EQ(source, fs.NodeAt(L"C:\\T-old\\a.txt"));
    }
    std::set<std::wstring> names;
    for (int i = 0; i < 100; ++i)
        names.insert(MakeTempName().GetString());
    EXPECT_EQ(100u, names.size());
    EXPECT_EQ(29u, names.begin()->size());
}

// The workers give every pair the result the run on one thread gives it,
// also with one folder under two spellings; a worker that cannot go on
// ends the run as a stop does, and every pair that changed anything has its
// result.
TEST(LinkBatchThreadsTest, WorkersGiveTheSequentialResultsAndEndCleanlyOnAFailure)
{
    const auto setUp = [](CFakeFileSystem& fs) {
        for (const wchar_t* path : {L"C:\\A\\x.txt", L"C:\\B\\x.txt", L"C:\\A\\y.txt", L"C:\\T\\y.txt"})
            fs.Add(path);
        fs.Add(L"C:\\U\\keep.txt");
        fs.MapDrive(L'R', L"C:\\T");
    };
    const std::vector<std::wstring> folders = {L"C:\\T\\", L"C:\\U\\", L"R:\\", L"C:\\V\\", L"C:\\A\\"};
    const std::vector<std::wstring> files = {L"C:\\A\\x.txt", L"C:\\B\\x.txt", L"C:\\A\\y.txt"};
    CFakeFileSystem sequential;
    setUp(sequential);
    const std::vector<std::wstring> expected = RunFake(sequential, folders, files);

    for (int workers : {1, 3})
        for (int failAt : {0, 4})
        {
            SCOPED_TRACE(std::to_string(workers) + " workers, failure at find " + std::to_string(failAt));
            CFakeFileSystem fs;
            setUp(fs);
            int finds = 0;
            std::set<DWORD> threadsInT;
            fs.onCall = [&finds, &threadsInT, failAt](const std::wstring& call) {
                if (call.rfind(L"find ", 0) == 0 && ++finds == failAt)
                    throw std::bad_alloc();
                // One folder, under whatever spelling, to one worker; the
                // workers take their time, so that all of them get folders.
                if (call.rfind(L"find C:\\T\\", 0) == 0)
                    threadsInT.insert(::GetCurrentThreadId());
                if (call.rfind(L"find ", 0) == 0)
                    ::Sleep(2);
            };
            CLinkBatchThreads run(CVectorPathList(folders), CVectorPathList(files), Options(LinkKind::Hard), fs,
                                  workers, nullptr);
            run.Wait();
            ASSERT_TRUE(run.HasEnded());
            std::vector<std::wstring> lines;
            for (const LinkPairResult& result : run.TakeResults())
                lines.emplace_back(run.FormatLine(result).GetString());
            EXPECT_EQ(static_cast<long long>(lines.size()), run.GetPairsDone());
            EXPECT_EQ(15, run.GetPairsTotal());
            if (failAt == 0)
            {
                EXPECT_EQ(1u, threadsInT.size());
                std::sort(lines.begin(), lines.end());
                std::vector<std::wstring> sorted = expected;
                std::sort(sorted.begin(), sorted.end());
                EXPECT_EQ(sorted, lines);
                EXPECT_EQ(0u, run.GetFailure());
                continue;
            }
            EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), run.GetFailure());
            EXPECT_LT(run.GetPairsDone(), 15);
            // Every link on disk has its OK line, and no temporary name is left.
            for (const std::wstring folder : {L"C:\\T\\", L"C:\\U\\"})
                for (const std::wstring& name : fs.Names(folder))
                {
                    EXPECT_EQ(std::wstring::npos, name.find(L"~Quillon-"));
                    const ULONGLONG node = fs.NodeAt(folder + name);
                    if (node == fs.NodeAt(L"C:\\A\\x.txt") || node == fs.NodeAt(L"C:\\A\\y.txt"))
                    {
                        EXPECT_EQ(1, std::count(lines.begin(), lines.end(), LinkLine(L"HardLink", folder + name, 0)))
                            << (folder + name).c_str();
                    }
                }
        }
}

TEST(LinkBatchTest, GetFileNameKeepsNameAndExtensionOfTheLastComponent)
{
    const std::wstring longName(300, L'n');
    const struct
    {
        std::wstring path;
        std::wstring name;
    } cases[] = {
        {L"C:\\S\\a.txt", L"a.txt"},
        {L"C:\\S\\noext", L"noext"},
        {L"C:\\S\\archive.tar.gz", L"archive.tar.gz"},
        {L"C:\\S\\.hidden", L".hidden"},
        {L"C:/S/forward.txt", L"forward.txt"},
        {L"\\\\server\\share\\unc.doc", L"unc.doc"},
        {L"C:rel.txt", L"rel.txt"},
        {L"C:\\S\\", L""},
        {L"C:\\S\\" + longName + L".txt", longName + L".txt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.name, std::wstring(GetFileName(c.path.c_str()).GetString())) << c.path.c_str();
}

TEST(SystemPathTest, LongPathsGetTheFormWithoutALimitAndShortOnesStayAsListed)
{
    const std::wstring tail = std::wstring(130, L'n') + L"\\" + std::wstring(130, L'm') + L".txt";
    const std::wstring under(L"C:\\" + std::wstring(MAX_PATH - 4, L'u'));
    const std::wstring at(L"C:\\" + std::wstring(MAX_PATH - 3, L'u'));
    const struct
    {
        std::wstring path;
        std::wstring expected;
    } cases[] = {
        {L"C:\\S\\a.txt", L"C:\\S\\a.txt"},
        {L"C:/S/../a.txt", L"C:/S/../a.txt"},
        {under, under},
        {at, L"\\\\?\\" + at},
        {L"C:\\" + tail, L"\\\\?\\C:\\" + tail},
        {L"C:/S/./x/../" + tail, L"\\\\?\\C:\\S\\" + tail},
        {L"\\\\server\\share\\" + tail, L"\\\\?\\UNC\\server\\share\\" + tail},
        {L"\\\\?\\C:\\" + tail, L"\\\\?\\C:\\" + tail},
        {L"\\\\?\\UNC\\server\\share\\" + tail, L"\\\\?\\UNC\\server\\share\\" + tail},
    };
    ASSERT_EQ(static_cast<size_t>(MAX_PATH - 1), under.size());
    ASSERT_EQ(static_cast<size_t>(MAX_PATH), at.size());
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, std::wstring(MakeSystemPath(c.path.c_str()).GetString())) << c.path.size();

    EXPECT_EQ(std::wstring(L"C:\\ÄPFEL\\ÉTÉ.TXT"), std::wstring(MakeFoldedPath(L"c:\\äpfel\\été.txt").GetString()));
    for (const wchar_t* name : {L"a.txt:stream", L"..", L"x\\y", L"*.txt", L""})
        EXPECT_FALSE(IsPlainEntryName(name)) << name;
    EXPECT_TRUE(IsPlainEntryName(L"Annual Budget 2024.xlsx"));
}
