#include <gtest/gtest.h>

#include "files/TempName.h"
#include "preview_then_run.h"

#include <functional>
#include <string>
#include <vector>

namespace {

typedef CFakeFileSystem::Kind Kind;

}  // namespace

// Folder sources (junctions, directory symbolic links) and relative symbolic
// links of files and folders: each rule one row, run as preview and as run.
TEST(LinkRunTest, EveryLinkKindFollowsItsRules)
{
    const std::wstring source = L"C:\\Quelle\\Daten";
    const std::wstring target = L"C:\\Ziel\\Daten";
    const std::wstring q = L"C:\\Quelle\\a.txt";
    const std::wstring cycle = L" Der Zielordner ist die Quelle, liegt in ihr oder führt durch sie: der Link enthielte "
                               L"sich selbst.";
    const std::wstring share = L" Eine Junction führt nur zu einem Ordner auf einem lokalen Laufwerk; für diese Quelle "
                               L"„SymbolicLink (*)“ wählen.";
    const std::wstring otherDrive = L" Erstellt mit absolutem Pfad: die Quelle liegt auf einem anderen Laufwerk.";
    struct Row
    {
        const char* name;
        LinkKind kind;
        std::function<void(CFakeFileSystem&)> setUp;
        std::vector<std::wstring> folders;
        std::vector<std::wstring> files;
        std::vector<std::wstring> lines;
        // What the first pair's name holds afterwards: 'J' a junction, 'S' a
        // symbolic link (holding leadsTo), 'F' the real folder, '=' as before.
        wchar_t holds;
        std::wstring leadsTo;
        bool relative = false;
        bool foreseeable = true;
    };
    const std::vector<std::wstring> ziel = {L"C:\\Ziel\\"};
    const std::vector<std::wstring> daten = {source + L"\\"};
    const auto junctionTo = [](const std::wstring& at, const std::wstring& to) {
        return [at, to](CFakeFileSystem& fs) { fs.Add(to, Kind::Folder), fs.Add(at, Kind::Junction, to); };
    };
    const auto linkTo = [](const std::wstring& at, const std::wstring& to, bool relative) {
        return [at, to, relative](CFakeFileSystem& fs) { fs.nodes[fs.Add(at, Kind::SymbolicLink, to)].relative = relative; };
    };
    const auto sym = [](const std::wstring& at) { return LinkLine(L"SymbolicLink", at, 0); };
    const std::vector<Row> rows = {
        {"a junction where nothing was", LinkKind::Hard, nullptr, ziel, daten, {LinkLine(L"Junction", target, 0)}, 'J', source},
        {"a directory symbolic link", LinkKind::Symbolic, nullptr, ziel, daten, {sym(target)}, 'S', source},
        {"a relative directory symbolic link", LinkKind::Symbolic, nullptr, ziel, daten, {sym(target)}, 'S',
         L"..\\Quelle\\Daten", true},
        {"a real folder at the name stays with what it holds", LinkKind::Hard,
         [&](CFakeFileSystem& fs) { fs.Add(target + L"\\innen.txt"); }, ziel, daten,
         {LinkLine(L"Junction", target, ERROR_ALREADY_EXISTS)}, 'F', L""},
        {"a junction to another folder gives way, the folder it leads to untouched", LinkKind::Hard,
         [&](CFakeFileSystem& fs) { junctionTo(target, L"C:\\Anders")(fs), fs.Add(L"C:\\Anders\\a.txt"); }, ziel, daten,
         {LinkLine(L"Junction", target, 0)}, 'J', source},
        {"a junction to the source is left as it is", LinkKind::Hard, junctionTo(target, source), ziel, daten,
         {LinkLine(L"Junction", target, 0)}, '=', L""},
        {"a symbolic link to the source is no junction: replaced", LinkKind::Hard,
         [&](CFakeFileSystem& fs) { fs.nodes[fs.Add(target, Kind::SymbolicLink, source)].directory = true; }, ziel, daten,
         {LinkLine(L"Junction", target, 0)}, 'J', source},
        {"a target folder inside the source is refused", LinkKind::Hard,
         [&](CFakeFileSystem& fs) { fs.Add(source + L"\\Sub", Kind::Folder); }, {source + L"\\Sub\\"}, daten,
         {LinkLine(L"Junction", source + L"\\Sub\\Daten", ERROR_CANT_RESOLVE_FILENAME) + cycle}, '=', L""},
        {"a target folder reached through the source is refused", LinkKind::Symbolic, junctionTo(L"C:\\Weg", source),
         {L"C:\\Weg\\"}, daten, {LinkLine(L"SymbolicLink", L"C:\\Weg\\Daten", ERROR_CANT_RESOLVE_FILENAME) + cycle}, '=',
         L""},
        {"a junction cannot lead to a share", LinkKind::Hard, [](CFakeFileSystem& fs) { fs.networkDrives.insert(L'C'); },
         ziel, daten, {LinkLine(L"Junction", target, ERROR_NOT_SUPPORTED) + share}, '=', L""},
        {"a symbolic link can", LinkKind::Symbolic, [](CFakeFileSystem& fs) { fs.networkDrives.insert(L'C'); }, ziel, daten,
         {sym(target)}, 'S', source},
        {"the data cannot be set: nothing is left", LinkKind::Hard,
         [](CFakeFileSystem& fs) { fs.junctionDataError = ERROR_NOT_SUPPORTED; }, ziel, daten,
         {LinkLine(L"Junction", target, ERROR_NOT_SUPPORTED)}, '=', L"", false, false},
        {"a folder and a file of one name: the first listed wins", LinkKind::Hard,
         [](CFakeFileSystem& fs) { fs.Add(L"C:\\Andere\\Daten"); }, ziel, {source + L"\\", L"C:\\Andere\\Daten"},
         {LinkLine(L"Junction", target, 0), FormatSkipExistingLine(L"C:\\Andere\\Daten", target.c_str()).GetString()},
         'J', source},
        {"a file listed as a folder", LinkKind::Hard, [](CFakeFileSystem& fs) { fs.Add(L"C:\\Andere\\Daten"); }, ziel,
         {L"C:\\Andere\\Daten\\"}, {LinkLine(L"Junction", target, ERROR_DIRECTORY)}, '=', L""},
        // Relative symbolic links of files.
        {"siblings", LinkKind::Symbolic, nullptr, ziel, {q}, {sym(L"C:\\Ziel\\a.txt")}, 'S', L"..\\Quelle\\a.txt", true},
        {"a folder inside the source's", LinkKind::Symbolic, [](CFakeFileSystem& fs) { fs.Add(L"C:\\Quelle\\Sub", Kind::Folder); },
         {L"C:\\Quelle\\Sub\\"}, {q}, {sym(L"C:\\Quelle\\Sub\\a.txt")}, 'S', L"..\\a.txt", true},
        {"another drive: absolute, and the line says why", LinkKind::Symbolic, nullptr, ziel, {L"D:\\a.txt"},
         {sym(L"C:\\Ziel\\a.txt") + otherDrive}, 'S', L"D:\\a.txt", true},
        {"a relative link that leads to the source is left", LinkKind::Symbolic,
         linkTo(L"C:\\Ziel\\a.txt", L"..\\Quelle\\a.txt", true), ziel, {q}, {sym(L"C:\\Ziel\\a.txt")}, '=', L"", true},
        {"the same path held one folder deeper leads elsewhere: replaced", LinkKind::Symbolic,
         linkTo(L"C:\\Ziel\\Sub\\a.txt", L"..\\Quelle\\a.txt", true), {L"C:\\Ziel\\Sub\\"}, {q},
         {sym(L"C:\\Ziel\\Sub\\a.txt")}, 'S', L"..\\..\\Quelle\\a.txt", true},
        {"an absolute link to the source becomes relative", LinkKind::Symbolic, linkTo(L"C:\\Ziel\\a.txt", q, false), ziel,
         {q}, {sym(L"C:\\Ziel\\a.txt")}, 'S', L"..\\Quelle\\a.txt", true},
        {"another drive: an absolute link to the source is left", LinkKind::Symbolic,
         linkTo(L"C:\\Ziel\\a.txt", L"D:\\a.txt", false), ziel, {L"D:\\a.txt"}, {sym(L"C:\\Ziel\\a.txt")}, '=', L"", true},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        CFakeFileSystem fs;
        fs.drives[L'D'] = fs.NewNode(Kind::Folder, 2);
        fs.Add(source + L"\\a.txt");
        fs.Add(q);
        fs.Add(L"D:\\a.txt");
        fs.Add(L"C:\\Ziel\\Quelle\\a.txt");  // where a relative path held one folder too deep leads
        if (row.setUp)
            row.setUp(fs);
        const std::wstring first = row.files[0].back() == L'\\' ? row.files[0].substr(0, row.files[0].size() - 1)
                                                                : row.files[0];
        const std::wstring at = row.folders[0] + first.substr(first.rfind(L'\\') + 1);
        const std::wstring before = Dump(fs);
        const ULONGLONG old = fs.NodeAt(at);
        EXPECT_EQ(row.lines, PreviewThenRun(fs, row.folders, row.files, row.kind, true, row.foreseeable, row.relative));
        const ULONGLONG now = fs.NodeAt(at);
        if (row.holds == 'J' || row.holds == 'S')
        {
            EXPECT_EQ(row.holds == 'J' ? Kind::Junction : Kind::SymbolicLink, fs.nodes[now].kind);
            EXPECT_EQ(row.leadsTo, fs.nodes[now].target);
            EXPECT_EQ(row.relative && row.leadsTo.find(L':') == std::wstring::npos, fs.nodes[now].relative);
            EXPECT_EQ(fs.NodeAt(first), fs.NodeAt(at, true)) << "leads to the source";
        }
        else
        {
            EXPECT_EQ(row.holds == 'F' ? old : 0, row.holds == 'F' ? now : 0);
            EXPECT_TRUE(row.holds == 'F' ? fs.NodeAt(target + L"\\innen.txt") != 0 : before == Dump(fs));
        }
        // No temporary name is left; what gave way is kept, and what it led
        // to is untouched.
        for (const std::wstring& name : fs.Names(row.folders[0]))
            EXPECT_FALSE(name.rfind(L"~Quillon-", 0) == 0 && name.find(L"Aufbewahrt") == std::wstring::npos) << name;
        if (old != 0 && now != old)
        {
            EXPECT_EQ(old, fs.NodeAt(row.folders[0] + MakeKeptFolderName(kKeepTime).GetString() + L"\\" +
                                     at.substr(at.rfind(L'\\') + 1)));
            EXPECT_TRUE(fs.NodeAt(L"C:\\Anders") == 0 || fs.NodeAt(L"C:\\Anders\\a.txt") != 0);
        }
    }
}
