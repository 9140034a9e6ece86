#include <gtest/gtest.h>

#include "fake_file_system.h"
#include "files/PathRules.h"
#include "files/TempName.h"
#include "links/LinkRun.h"
#include "preview_then_run.h"

#include <algorithm>
#include <functional>
#include <new>
#include <set>
#include <string>
#include <vector>

namespace {

typedef CFakeFileSystem::Kind Kind;

const std::wstring kSource = L"C:\\S\\a.txt";
const std::wstring kKept = std::wstring(L"C:\\T\\") + MakeKeptFolderName(kKeepTime).GetString() + L"\\";
const std::wstring kTarget = L"C:\\T\\a.txt";

std::wstring Skip(const std::wstring& target)
{
    return L"Skip: File: " + target + L".";
}

// What a path holds after the run: "" nothing, "=P" the file P held before,
// ">P" a new symbolic link to P.
typedef std::vector<std::pair<std::wstring, std::wstring>> After;

struct PairCase
{
    const char* name;
    LinkKind kind;
    std::function<void(CFakeFileSystem&)> setUp;
    std::vector<std::wstring> lines;
    After after;
    // The run meets what no look beforehand shows (a right, a refusal).
    bool foreseeable = true;
    bool remove = true;
    std::vector<std::wstring> folders = {L"C:\\T\\"};
    std::vector<std::wstring> files = {kSource};
    // Where the folder's listing shows more than a look at the name, and the
    // run does otherwise: its lines, and the names as they were.
    std::vector<std::wstring> listedLines = {};
};

std::vector<PairCase> PairCases()
{
    const LinkKind hard = LinkKind::Hard;
    const LinkKind symbolic = LinkKind::Symbolic;
    const auto old = [](DWORD attributes) {
        return [attributes](CFakeFileSystem& fs) { fs.nodes[fs.Add(kTarget)].attributes = attributes; };
    };
    const auto with = [](std::function<void(CFakeFileSystem&)> first, std::function<void(CFakeFileSystem&)> then) {
        return [first, then](CFakeFileSystem& fs) { first(fs), then(fs); };
    };
    const auto none = [](CFakeFileSystem&) {};
    const auto hardLinksFail = [](DWORD e) { return [e](CFakeFileSystem& fs) { fs.hardLinkErrors[kSource] = e; }; };
    const auto symbolicErrors = [](std::vector<DWORD> e) { return [e](CFakeFileSystem& fs) { fs.symbolicLinkErrors = e; }; };
    const DWORD archive = FILE_ATTRIBUTE_ARCHIVE;
    const std::wstring ok = LinkLine(L"HardLink", kTarget, 0), symOk = LinkLine(L"SymbolicLink", kTarget, 0);
    const After linked = {{kTarget, L"=" + kSource}}, symLinked = {{kTarget, L">" + kSource}}, kept = {{kTarget, L"=" + kTarget}},
                nothing = {{kTarget, L""}};
    std::vector<PairCase> cases = {
        {"hard link made", hard, none, {ok}, linked},
        {"hard link refused", hard, hardLinksFail(ERROR_ACCESS_DENIED), {LinkLine(L"HardLink", kTarget, 5)}, nothing, false},
        {"symbolic link made, with the unprivileged flag or without it", symbolic, symbolicErrors({ERROR_INVALID_PARAMETER, 0}),
         {symOk}, symLinked},
        {"symbolic link refused for want of privilege, also after the retry", symbolic,
         symbolicErrors({ERROR_INVALID_PARAMETER, ERROR_PRIVILEGE_NOT_HELD}),
         {LinkLine(L"SymbolicLink", kTarget, ERROR_PRIVILEGE_NOT_HELD)}, nothing, false},
        {"symbolic link reported but not made (Wine 8)", symbolic,
         [](CFakeFileSystem& fs) { fs.symbolicLinksMakeNothing = true; }, {LinkLine(L"SymbolicLink", kTarget, 2)}, nothing,
         false},
        {"no symbolic-link operation: hard link instead", symbolic,
         [](CFakeFileSystem& fs) { fs.symbolicLinksAvailable = false; }, {ok}, linked},
        {"existing target kept when removal is off", hard, old(archive),
         {L"Skip: " + kSource + L", File: " + kTarget + L"."}, kept, true, false},
        {"read-only target replaced", hard, old(FILE_ATTRIBUTE_READONLY | archive), {ok}, linked},
        // What cannot be kept is not replaced: the kept folder is made new,
        // never one (or a link) someone put there.
        {"a junction planted at the kept folder's name", hard,
         with(old(archive), [](CFakeFileSystem& fs) { fs.Add(kKept.substr(0, kKept.size() - 1), Kind::Junction, L"C:\\Sys"); }),
         {LinkLine(L"HardLink", kTarget, ERROR_ALREADY_EXISTS)}, kept, false},
        {"the link fails and the old file cannot go back: the line says where it is kept", hard,
         with(with(old(archive), hardLinksFail(ERROR_NOT_SAME_DEVICE)),
              [](CFakeFileSystem& fs) { fs.moveErrors[L"C:\\T\\"] = ERROR_SHARING_VIOLATION; }),
         {LinkLine(L"HardLink", kTarget, 17) + L" Die alte Datei liegt jetzt unter " + kKept + L"a.txt."}, nothing, false},
        {"the kept folder cannot be made", hard,
         with(old(archive), [](CFakeFileSystem& fs) { fs.createFolderErrors[MakeKeptFolderName(kKeepTime).GetString()] = 5; }),
         {LinkLine(L"HardLink", kTarget, ERROR_ACCESS_DENIED)}, kept, false},
        {"failed link leaves the existing target untouched", hard,
         with(old(FILE_ATTRIBUTE_HIDDEN), hardLinksFail(ERROR_NOT_SAME_DEVICE)), {LinkLine(L"HardLink", kTarget, 17)}, kept,
         false},
        {"existing target replaced by a symbolic link", symbolic, old(archive), {symOk}, symLinked},
        {"failed rename: read-only back on the old target, the new link gone", hard,
         with(old(FILE_ATTRIBUTE_READONLY), [](CFakeFileSystem& fs) { fs.renameErrors[L"a.txt"] = ERROR_SHARING_VIOLATION; }),
         {LinkLine(L"HardLink", kTarget, ERROR_SHARING_VIOLATION)}, kept, false},
        // Listed, it is decided on what the listing shows; only opening it
        // to replace it fails, as for a file another program holds open.
        {"target that cannot be looked at stays", hard,
         with(old(archive), [](CFakeFileSystem& fs) { fs.openErrors[L"a.txt"] = ERROR_ACCESS_DENIED; }),
         {LinkLine(L"HardLink", kTarget, 5)}, kept, false},
        {"target stays when the source cannot be identified", hard,
         with(old(archive), [](CFakeFileSystem& fs) { fs.idErrors[kSource] = ERROR_SHARING_VIOLATION; }),
         {LinkLine(L"HardLink", kTarget, ERROR_SHARING_VIOLATION)}, kept},
        {"target already a hard link of the source: nothing written", hard,
         [](CFakeFileSystem& fs) { fs.AddHardLink(kTarget, kSource); }, {ok}, linked},
        {"target already a symbolic link to the source (any spelling): nothing written", symbolic,
         [](CFakeFileSystem& fs) { fs.Add(kTarget, Kind::SymbolicLink, L"\\\\?\\c:\\s\\A.TXT"); }, {symOk}, kept},
        {"a correct symbolic link the user may not change is read all the same", symbolic,
         [](CFakeFileSystem& fs) { fs.nodes[fs.Add(kTarget, Kind::SymbolicLink, kSource)].attributesProtected = true; }, {symOk},
         kept},
        {"a symbolic link to another file is replaced", symbolic,
         [](CFakeFileSystem& fs) { fs.Add(L"C:\\S\\b.txt"), fs.Add(kTarget, Kind::SymbolicLink, L"C:\\S\\b.txt"); }, {symOk},
         symLinked},
        {"a symbolic link shown as the source that leads elsewhere is replaced", symbolic,
         [](CFakeFileSystem& fs) {
             fs.Add(L"C:\\X\\b.txt");
             const ULONGLONG planted = fs.Add(kTarget, Kind::SymbolicLink, L"C:\\X\\b.txt");
             fs.nodes[planted].substitute = L"\\??\\C:\\X\\b.txt";
             fs.nodes[planted].target = L"C:\\X\\b.txt";
         },
         {symOk}, symLinked},
        {"a relative symbolic link is not what the run makes", symbolic,
         [](CFakeFileSystem& fs) { fs.nodes[fs.Add(kTarget, Kind::SymbolicLink, L"..\\S\\a.txt")].relative = true; }, {symOk},
         symLinked},
        {"a source the user may read but not change: its temporary link still goes", hard,
         with(old(archive), [](CFakeFileSystem& fs) { fs.nodes[fs.NodeAt(kSource)].attributesProtected = true; }), {ok},
         linked},
        {"a case-sensitive folder holds a link of the source under a name of another case", hard,
         [](CFakeFileSystem& fs) {
             fs.nodes[fs.NodeAt(L"C:\\T")].caseSensitive = true;
             fs.Add(kTarget);
             fs.AddHardLink(L"C:\\T\\A.TXT", kSource);
         },
         {ok}, {{kTarget, L"=" + kSource}, {L"C:\\T\\A.TXT", L"=" + kSource}}, true, true, {L"C:\\T\\"}, {kSource},
         {LinkLine(L"HardLink", kTarget, ERROR_ALREADY_EXISTS)}},
        {"a folder in the way, the source missing: the code a link call meets first", hard,
         [](CFakeFileSystem& fs) { fs.Add(L"C:\\T\\b.txt", Kind::Folder); }, {LinkLine(L"HardLink", L"C:\\T\\b.txt", 2)},
         {{L"C:\\T\\b.txt", L"=C:\\T\\b.txt"}}, true, true, {L"C:\\T\\"}, {L"C:\\S\\b.txt"}},
        {"a folder in the way, the source on another volume", hard,
         [](CFakeFileSystem& fs) {
             fs.drives[L'D'] = fs.NewNode(Kind::Folder, 2);
             fs.Add(L"D:\\a.txt");
             fs.Add(kTarget, Kind::Folder);
         },
         {LinkLine(L"HardLink", kTarget, 17)}, kept, true, true, {L"C:\\T\\"}, {L"D:\\a.txt"}},
        {"no file ids (a redirector): a source reached through it stays", symbolic,
         [](CFakeFileSystem& fs) { fs.MapDrive(L'N', L"C:\\S"), fs.drivesWithoutIds.insert(L'N'); },
         {LinkLine(L"SymbolicLink", L"N:\\a.txt", ERROR_CANT_ACCESS_FILE)}, {{kSource, L"=" + kSource}}, true, true,
         {L"N:\\"}},
        {"no file ids: a file of the source's name is not taken for its link", hard,
         [](CFakeFileSystem& fs) {
             fs.MapDrive(L'N', L"C:\\"), fs.drivesWithoutIds.insert(L'N');
             fs.Add(kTarget);
         },
         {LinkLine(L"HardLink", L"N:\\T\\a.txt", ERROR_INVALID_FUNCTION)}, kept, true, true, {L"N:\\T\\"},
         {L"N:\\S\\a.txt"}},
    };
    // NTFS gives a file 1,024 names: the preview counts the names this run
    // gives it too.
    PairCase full{"the source's last free name goes to the first new target", hard,
                  [](CFakeFileSystem& fs) {
                      for (int i = 0; i < 1022; ++i)
                          fs.AddHardLink(L"C:\\X\\n" + std::to_wstring(i), kSource);
                  },
                  {LinkLine(L"HardLink", kTarget, 0), LinkLine(L"HardLink", L"C:\\U\\a.txt", ERROR_TOO_MANY_LINKS)},
                  {{kTarget, L"=" + kSource}, {L"C:\\U\\a.txt", L""}}};
    full.folders = {L"C:\\T\\", L"C:\\U\\"};
    cases.push_back(full);
    return cases;
}

}  // namespace

// Every kind of pair, as preview and as run, with the folder looked at name
// by name and listed at once: the line, what the names hold afterwards,
// nothing left open or under a temporary name, a pair that failed leaves
// the folder as it was, and a pair that replaces a file makes its link
// before the old name gives way.
TEST(LinkRunTest, EachKindOfPairEndsAsItsLineSays)
{
    for (const bool listing : {false, true})
        for (const PairCase& c : PairCases())
        {
            SCOPED_TRACE(c.name + std::string(listing ? ", listed" : ""));
            CFakeFileSystem fs;
            fs.listingAvailable = listing;
            const ULONGLONG source = fs.Add(kSource);
            for (const wchar_t* folder : {L"C:\\T\\keep.txt", L"C:\\U\\keep.txt"})
                fs.Add(folder);
            c.setUp(fs);
            std::map<std::wstring, ULONGLONG> before;
            for (const auto& after : c.after)
                if (after.second.size() > 1)
                    before[after.second.substr(1)] = fs.NodeAt(after.second.substr(1));
            const std::wstring dump = Dump(fs);
            const DWORD sourceAttributes = fs.nodes[source].attributes;
            std::map<ULONGLONG, DWORD> named;
            for (const auto& node : fs.nodes)
                for (const auto& entry : node.second.entries)
                    named[entry.second.node] = fs.nodes[entry.second.node].attributes;

            const bool listedOtherwise = listing && !c.listedLines.empty();
            EXPECT_EQ(listedOtherwise ? c.listedLines : c.lines,
                      PreviewThenRun(fs, c.folders, c.files, c.kind, c.remove, c.foreseeable));
            if (listedOtherwise)
            {
                EXPECT_EQ(dump, Dump(fs));
                continue;
            }
            for (const auto& after : c.after)
            {
                const ULONGLONG node = fs.NodeAt(after.first);
                const ULONGLONG expected = after.second.empty() ? 0 : before[after.second.substr(1)];
                if (after.second.empty() || after.second[0] == L'=')
                {
                    EXPECT_EQ(expected, node) << after.first;
                    continue;
                }
                EXPECT_TRUE(fs.nodes[node].kind == Kind::SymbolicLink && fs.nodes[node].target == after.second.substr(1))
                    << after.first;
            }
            EXPECT_EQ(sourceAttributes, fs.nodes[source].attributes);
            EXPECT_TRUE(std::all_of(fs.openEntries.begin(), fs.openEntries.end(), [](const auto& o) { return o.second == 0; }));
            for (const std::wstring folder : {L"C:\\T\\", L"C:\\U\\"})
                for (const std::wstring& name : fs.Names(folder))
                {
                    EXPECT_TRUE(name.find(L"~Quillon-") == std::wstring::npos || IsKeptFolderName(name.c_str())) << name;
                }
            // Nothing is lost: every file and link that had a name still has
            // one (a replaced one in the run's kept folder), its attributes
            // as they were.
            for (const auto& before : named)
            {
                EXPECT_GT(fs.Links(before.first), 0) << before.first;
                EXPECT_EQ(before.second, fs.nodes[before.first].attributes) << before.first;
            }
            if (c.lines.size() == 1 && c.lines[0].find(L": OK, ") == std::wstring::npos &&
                c.lines[0].find(L"Die alte Datei liegt jetzt unter") == std::wstring::npos)
            {
                EXPECT_EQ(dump, Dump(fs));
            }
            // The old file is kept before the link takes its name, and no
            // old file is removed or renamed over; a target already what the
            // run would make is not written at all.
            const auto kept = std::find_if(fs.calls.begin(), fs.calls.end(), [](const std::wstring& call) {
                return call.rfind(L"move C:\\T\\a.txt -> C:\\T\\~Quillon-Aufbewahrt-", 0) == 0;
            });
            const auto made = std::find_if(fs.calls.begin(), fs.calls.end(), [](const std::wstring& call) {
                return call.rfind(L"hardlink C:\\T\\a.txt", 0) == 0 || call.rfind(L"symlink C:\\T\\a.txt", 0) == 0;
            });
            if (kept != fs.calls.end())
            {
                EXPECT_LT(kept - fs.calls.begin(), made - fs.calls.begin());
            }
            EXPECT_TRUE(std::none_of(fs.calls.begin(), fs.calls.end(), [](const std::wstring& call) {
                return call.rfind(L"delete C:\\T\\a.txt", 0) == 0 || call.find(L" replace") != std::wstring::npos;
            }));
            if (dump == Dump(fs) && c.lines[0].find(L": OK, ") != std::wstring::npos)
            {
                EXPECT_TRUE(std::none_of(fs.calls.begin(), fs.calls.end(), IsWrite));
            }
        }
}

// A source is its own entry and, where that is a link, the entry it leads
// to; under whatever name a target reaches either, it is never replaced,
// and "cannot tell" never counts as "not a source".
TEST(LinkRunTest, NoSourceIsReplacedUnderAnyOfItsNames)
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
        {"a source given as its file's data stream: the file is not another source's target",
         [](CFakeFileSystem& fs) { fs.Add(L"C:\\S2\\a.txt"); }, {L"C:\\S\\"}, {kSource + L"::$DATA", L"C:\\S2\\a.txt"},
         {Skip(kSource + L"::$DATA"), LinkLine(L"HardLink", kSource, ERROR_CANT_ACCESS_FILE)}, {kSource}},
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
            std::vector<std::wstring> lines = PreviewThenRun(fs, c.folders, c.files, kind);
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
// none of them; the old file is kept aside as it was.
TEST(LinkRunTest, AttributesChangeOnlyOnTheOldTargetEntry)
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
                  PreviewThenRun(fs, {L"C:\\T\\"}, {kSource}, LinkKind::Hard, true, c.renameError == 0));
        EXPECT_EQ(c.source, fs.nodes[source].attributes);
        EXPECT_EQ(c.expectedError == 0 ? source : old, fs.NodeAt(kTarget));
        EXPECT_EQ(c.target, fs.nodes[old].attributes);
        if (c.expectedError != 0)
        {
            EXPECT_EQ(before, Dump(fs));
        }
        const std::vector<std::wstring> names = fs.Names(L"C:\\T\\");
        ASSERT_EQ(c.expectedError == 0 ? 2u : 1u, names.size());
        if (c.expectedError == 0)
        {
            EXPECT_EQ(old, fs.NodeAt(L"C:\\T\\" + names[1] + L"\\a.txt")) << "kept as it was";
        }
    }
}

// An elevated run changes nothing outside the folders listed: the folder is
// held, so swapping its path for a junction between two steps leads the
// run nowhere else, and a link planted at the target name is never
// followed.
TEST(LinkRunTest, NothingOutsideTheListedFoldersChanges)
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
            if (call.rfind(L"move C:\\T\\a.txt", 0) == 0 && fs.NodeAt(L"C:\\T-old") == 0)
            {
                fs.Move(L"C:\\T", L"C:\\T-old");
                fs.Add(L"C:\\T", Kind::Junction, L"C:\\Sys");
            }
        };
        EXPECT_EQ(std::vector<std::wstring>{LinkLine(L"HardLink", kTarget, 0)}, PreviewThenRun(fs, {L"C:\\T\\"}, {kSource}));
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
TEST(LinkRunThreadsTest, WorkersGiveTheSequentialResultsAndEndCleanlyOnAFailure)
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
    const std::vector<std::wstring> expected = PreviewThenRun(sequential, folders, files);

    // No workers: the same runner on the calling thread, as where no thread
    // can be had.
    for (int workers : {0, 1, 3})
        for (int failAt : {0, 4})
        {
            SCOPED_TRACE(std::to_string(workers) + " workers, failure at find " + std::to_string(failAt));
            CFakeFileSystem fs;
            setUp(fs);
            int finds = 0;
            std::set<DWORD> threadsInT;
            fs.onCall = [&finds, &threadsInT, failAt](const std::wstring& call) {
                const bool look = call.rfind(L"find ", 0) == 0 || call.rfind(L"path ", 0) == 0;
                if (look && ++finds == failAt)
                    throw std::bad_alloc();
                // One folder, under whatever spelling, to one worker; the
                // workers take their time, so that all of them get folders.
                for (const wchar_t* t : {L"find C:\\T\\", L"path C:\\T\\", L"path R:\\"})
                    if (call.rfind(t, 0) == 0)
                        threadsInT.insert(::GetCurrentThreadId());
                if (look)
                    ::Sleep(2);
            };
            CLinkRun run(CVectorPathList(folders), CVectorPathList(files), Options(LinkKind::Hard), fs, workers, nullptr);
            run.Wait();
            ASSERT_TRUE(run.HasEnded());
            std::vector<std::wstring> lines;
            for (const LinkPairResult& result : run.TakeResults())
                lines.emplace_back(run.GetJob()->FormatLine(result).GetString());
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
                    EXPECT_TRUE(name.find(L"~Quillon-") == std::wstring::npos || IsKeptFolderName(name.c_str()));
                    const ULONGLONG node = fs.NodeAt(folder + name);
                    if (node == fs.NodeAt(L"C:\\A\\x.txt") || node == fs.NodeAt(L"C:\\A\\y.txt"))
                    {
                        EXPECT_EQ(1, std::count(lines.begin(), lines.end(), LinkLine(L"HardLink", folder + name, 0)))
                            << (folder + name).c_str();
                    }
                }
        }
}

TEST(LinkRunTest, GetFileNameKeepsNameAndExtensionOfTheLastComponent)
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
    // Names the Win32 rules would rewrite are reached in the literal form,
    // where the path allows it; what a symbolic link holds is the NT form.
    const struct
    {
        const wchar_t* path;
        const wchar_t* system;
        const wchar_t* nt;
    } rewritten[] = {
        {L"C:\\S\\a.txt.", L"\\\\?\\C:\\S\\a.txt.", L"\\??\\C:\\S\\a.txt."},
        {L"C:\\S\\a.txt ", L"\\\\?\\C:\\S\\a.txt ", L"\\??\\C:\\S\\a.txt "},
        {L"C:\\S\\con.txt", L"\\\\?\\C:\\S\\con.txt", L"\\??\\C:\\S\\con.txt"},
        {L"\\\\srv\\share\\LPT1", L"\\\\?\\UNC\\srv\\share\\LPT1", L"\\??\\UNC\\srv\\share\\LPT1"},
        {L"C:\\S\\..\\a.txt.", L"C:\\S\\..\\a.txt.", nullptr},
        {L"C:\\S\\a.txt", L"C:\\S\\a.txt", L"\\??\\C:\\S\\a.txt"},
        {L"C:\\S\\console.txt", L"C:\\S\\console.txt", nullptr},
        {L"\\\\srv\\share\\a.txt", L"\\\\srv\\share\\a.txt", L"\\??\\UNC\\srv\\share\\a.txt"},
    };
    for (const auto& c : rewritten)
    {
        EXPECT_EQ(std::wstring(c.system), MakeSystemPath(c.path).GetString()) << c.path;
        if (c.nt != nullptr)
        {
            EXPECT_EQ(std::wstring(c.nt), MakeNtPath(c.path).GetString()) << c.path;
        }
    }
    for (const wchar_t* name : {L"a.txt:stream", L"..", L"x\\y", L"*.txt", L""})
        EXPECT_FALSE(IsPlainEntryName(name)) << name;
    EXPECT_TRUE(IsPlainEntryName(L"Annual Budget 2024.xlsx"));
}
