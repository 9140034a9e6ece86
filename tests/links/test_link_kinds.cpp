#include <gtest/gtest.h>

#include "files/TempName.h"
#include "preview_then_run.h"

#include <functional>
#include <string>
#include <vector>

namespace {

typedef CFakeFileSystem::Kind Kind;

}  // namespace

TEST(LinkRunTest, RelativeSymbolicLinksHoldThePathFromTheirFolder)
{
    struct Row
    {
        const char* name;
        std::wstring folder;
        std::wstring source;
        // A link planted at the target beforehand: what it holds, and whether relative.
        std::wstring planted;
        bool plantedRelative;
        std::wstring held;
        bool relative;
        std::wstring note;
    };
    const std::wstring otherDrive = L" Erstellt mit absolutem Pfad: die Quelle liegt auf einem anderen Laufwerk.";
    const std::wstring q = L"C:\\Quelle\\a.txt";
    const Row rows[] = {
        {"siblings", L"C:\\Ziel\\", q, L"", false, L"..\\Quelle\\a.txt", true, L""},
        {"a folder inside the source's", L"C:\\Quelle\\Sub\\", q, L"", false, L"..\\a.txt", true, L""},
        {"another drive: absolute, and the line says why", L"C:\\Ziel\\", L"D:\\a.txt", L"", false, L"D:\\a.txt", false,
         otherDrive},
        {"a relative link that leads to the source is left as it is", L"C:\\Ziel\\", q, L"..\\Quelle\\a.txt", true,
         L"..\\Quelle\\a.txt", true, L""},
        {"the same path held one folder deeper leads elsewhere: replaced", L"C:\\Ziel\\Sub\\", q, L"..\\Quelle\\a.txt",
         true, L"..\\..\\Quelle\\a.txt", true, L""},
        {"an absolute link to the source becomes relative", L"C:\\Ziel\\", q, q, false, L"..\\Quelle\\a.txt", true, L""},
        {"another drive: an absolute link to the source is left", L"C:\\Ziel\\", L"D:\\a.txt", L"D:\\a.txt", false,
         L"D:\\a.txt", false, L""},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        CFakeFileSystem fs;
        fs.drives[L'D'] = fs.NewNode(Kind::Folder, 2);
        fs.Add(row.source);
        fs.Add(L"C:\\Ziel\\Quelle\\a.txt");  // where a path held one folder too high leads
        if (fs.NodeAt(row.folder) == 0)
            fs.Add(row.folder.substr(0, row.folder.size() - 1), Kind::Folder);
        const std::wstring target = row.folder + L"a.txt";
        ULONGLONG planted = 0;
        if (!row.planted.empty())
        {
            planted = fs.Add(target, Kind::SymbolicLink, row.planted);
            fs.nodes[planted].relative = row.plantedRelative;
        }
        EXPECT_EQ(std::vector<std::wstring>{LinkLine(L"SymbolicLink", target, 0) + row.note},
                  PreviewThenRun(fs, {row.folder}, {row.source}, LinkKind::Symbolic, true, true, true));
        const CFakeFileSystem::Node& link = fs.nodes[fs.NodeAt(target)];
        EXPECT_EQ(Kind::SymbolicLink, link.kind);
        EXPECT_EQ(row.held, link.target);
        EXPECT_EQ(row.relative, link.relative);
        EXPECT_EQ(fs.NodeAt(row.source), fs.NodeAt(target, true)) << "leads to the source";
        EXPECT_EQ(row.planted == row.held && row.plantedRelative == row.relative, fs.NodeAt(target) == planted);
    }
}

TEST(LinkRunTest, FolderSourcesBecomeJunctionsOrDirectorySymbolicLinks)
{
    const std::wstring source = L"C:\\Quelle\\Daten";
    const std::wstring target = L"C:\\Ziel\\Daten";
    const std::wstring cycle = L" Der Zielordner ist die Quelle, liegt in ihr oder führt durch sie: der Link enthielte "
                               L"sich selbst.";
    const std::wstring share = L" Eine Junction führt nur zu einem Ordner auf einem lokalen Laufwerk; für diese Quelle "
                               L"„SymbolicLink (*)“ wählen.";
    struct Row
    {
        const char* name;
        LinkKind kind;
        std::function<void(CFakeFileSystem&)> setUp;
        std::vector<std::wstring> folders;
        std::vector<std::wstring> files;
        std::vector<std::wstring> lines;
        // What the target name holds afterwards: 'J' junction, 'S' directory
        // symbolic link (with that path), 'F' the real folder, '=' as before.
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
    const std::vector<Row> rows = {
        {"a junction where nothing was", LinkKind::Hard, nullptr, ziel, daten, {LinkLine(L"Junction", target, 0)}, 'J', source},
        {"a directory symbolic link", LinkKind::Symbolic, nullptr, ziel, daten, {LinkLine(L"SymbolicLink", target, 0)}, 'S',
         source},
        {"a relative directory symbolic link", LinkKind::Symbolic, nullptr, ziel, daten,
         {LinkLine(L"SymbolicLink", target, 0)}, 'S', L"..\\Quelle\\Daten", true},
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
        {"a target folder reached through the source is refused", LinkKind::Symbolic,
         junctionTo(L"C:\\Weg", source), {L"C:\\Weg\\"}, daten,
         {LinkLine(L"SymbolicLink", L"C:\\Weg\\Daten", ERROR_CANT_RESOLVE_FILENAME) + cycle}, '=', L""},
        {"a junction cannot lead to a share", LinkKind::Hard, [](CFakeFileSystem& fs) { fs.networkDrives.insert(L'C'); },
         ziel, daten, {LinkLine(L"Junction", target, ERROR_NOT_SUPPORTED) + share}, '=', L""},
        {"a symbolic link can", LinkKind::Symbolic, [](CFakeFileSystem& fs) { fs.networkDrives.insert(L'C'); }, ziel, daten,
         {LinkLine(L"SymbolicLink", target, 0)}, 'S', source},
        {"the data cannot be set: nothing is left", LinkKind::Hard,
         [](CFakeFileSystem& fs) { fs.junctionDataError = ERROR_NOT_SUPPORTED; }, ziel, daten,
         {LinkLine(L"Junction", target, ERROR_NOT_SUPPORTED)}, '=', L"", false, false},
        {"a folder and a file of one name: the first listed wins", LinkKind::Hard,
         [](CFakeFileSystem& fs) { fs.Add(L"C:\\Andere\\Daten"); }, ziel, {source + L"\\", L"C:\\Andere\\Daten"},
         {LinkLine(L"Junction", target, 0), FormatSkipExistingLine(L"C:\\Andere\\Daten", target.c_str()).GetString()}, 'J', source},
        {"a file listed as a folder", LinkKind::Hard,
         [](CFakeFileSystem& fs) { fs.Add(L"C:\\Andere\\Daten"); }, ziel, {L"C:\\Andere\\Daten\\"},
         {LinkLine(L"Junction", target, ERROR_DIRECTORY)}, '=', L""},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        CFakeFileSystem fs;
        fs.Add(source + L"\\a.txt");
        fs.Add(L"C:\\Ziel", Kind::Folder);
        if (row.setUp)
            row.setUp(fs);
        const std::wstring before = Dump(fs);
        const ULONGLONG old = fs.NodeAt(target);
        EXPECT_EQ(row.lines, PreviewThenRun(fs, row.folders, row.files, row.kind, true, row.foreseeable, row.relative));
        const ULONGLONG now = fs.NodeAt(target);
        switch (row.holds)
        {
        case 'J':
        case 'S':
            EXPECT_EQ(row.holds == 'J' ? Kind::Junction : Kind::SymbolicLink, fs.nodes[now].kind);
            EXPECT_EQ(row.leadsTo, fs.nodes[now].target);
            EXPECT_EQ(row.relative, fs.nodes[now].relative);
            EXPECT_EQ(fs.NodeAt(source + L"\\a.txt"), fs.NodeAt(target + L"\\a.txt", true)) << "leads into the source";
            break;
        case 'F':
            EXPECT_EQ(old, now);
            EXPECT_NE(0u, fs.NodeAt(target + L"\\innen.txt"));
            break;
        default:
            EXPECT_EQ(before, Dump(fs));
            break;
        }
        // No temporary name is left; what gave way is kept, and what it led
        // to is untouched.
        for (const std::wstring& name : fs.Names(L"C:\\Ziel"))
            EXPECT_FALSE(name.rfind(L"~Quillon-", 0) == 0 && name.find(L"Aufbewahrt") == std::wstring::npos) << name;
        if (old != 0 && now != old)
        {
            EXPECT_EQ(old, fs.NodeAt(L"C:\\Ziel\\" + std::wstring(MakeKeptFolderName(kKeepTime).GetString()) + L"\\Daten"));
            EXPECT_TRUE(fs.NodeAt(L"C:\\Anders") == 0 || fs.NodeAt(L"C:\\Anders\\a.txt") != 0);
        }
    }
}
