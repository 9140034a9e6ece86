#include <gtest/gtest.h>

#include "../temp_tree.h"
#include "fake_file_system.h"
#include "files/FileInPlace.h"
#include "files/TempName.h"
#include "links/LinkReport.h"
#include "links/LinkRun.h"
#include "links/RunRecord.h"

#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

typedef CFakeFileSystem::Kind Kind;
constexpr ULONGLONG kKeepTime = 133932384000000000ull;

// A run over the fake with its record in a real folder; the record as the
// disk has it afterwards.
struct RecordedRun
{
    std::vector<std::wstring> lines;
    std::string record;
};

RecordedRun RunRecorded(CFakeFileSystem& fs, const CTempTree& tree, const std::vector<std::wstring>& folders,
                        const std::vector<std::wstring>& files, LinkKind kind = LinkKind::Hard,
                        bool relative = false)
{
    LinkRunOptions options;
    options.kind = kind;
    options.bRelative = relative;
    options.nKeepTime = kKeepTime;
    options.strRecordFolder = tree.Root().c_str();
    RecordedRun recorded;
    {
        CLinkRun run(CVectorPathList(folders), CVectorPathList(files), options, fs, 0, nullptr);
        for (const LinkPairResult& result : run.TakeResults())
            recorded.lines.emplace_back(run.GetJob()->FormatLine(result).GetString());
    }
    const CString strPath = CString(tree.Root().c_str()) + L"\\" + CLinkJob::MakeRecordName(kKeepTime);
    if (ReadWholeFile(strPath, recorded.record) != ERROR_SUCCESS)
        recorded.record.clear();
    return recorded;
}

// Undoes the run the bytes record, the undo recorded into the same file; its
// lines, the last one too.
std::vector<std::wstring> Undo(CFakeFileSystem& fs, const CTempTree& tree, const std::string& bytes)
{
    const CString strPath = CString(tree.Root().c_str()) + L"\\" + CLinkJob::MakeRecordName(kKeepTime);
    if (!bytes.empty())
    {
        EXPECT_EQ(0u, WriteFileInPlace(strPath, bytes));
    }
    auto record = std::make_shared<RunRecord>(ReadRunRecord(bytes));
    CLinkRun undo(record, strPath, fs, 0, nullptr);
    std::vector<std::wstring> lines;
    for (const LinkPairResult& result : undo.TakeResults())
        lines.emplace_back(undo.GetJob()->FormatLine(result).GetString());
    CString strLast;
    if (undo.GetLastLine(strLast))
        lines.emplace_back(strLast.GetString());
    return lines;
}

const std::wstring kKept = std::wstring(L"C:\\T\\") + MakeKeptFolderName(kKeepTime).GetString();

struct UndoCase
{
    const char* name;
    LinkKind kind;
    std::function<void(CFakeFileSystem&)> setUp;
    // What changes after the run and before the undo.
    std::function<void(CFakeFileSystem&)> meanwhile;
    std::vector<std::wstring> lines;
    // The tree is as before the run (false: the test checks what differs).
    bool asBefore = true;
    // The record is damaged just after its header: its last line says so.
    bool damaged = false;
    bool relative = false;
    // The sources are listed as folders.
    bool folders = false;
};

}  // namespace

TEST(LinkUndoTest, UndoLeavesEveryNameAsBeforeOrSaysWhatItFound)
{
    const std::wstring t = L"C:\\T\\";
    const auto files = [](CFakeFileSystem& fs) {
        fs.Add(L"C:\\S\\a.txt");
        fs.Add(L"C:\\S\\b.txt");
    };
    const std::vector<UndoCase> cases = {
        {"new links and a replaced read-only file with a second name, in reverse order", LinkKind::Hard,
         [&](CFakeFileSystem& fs) {
             files(fs);
             const ULONGLONG old = fs.Add(t + L"b.txt");
             fs.nodes[old].attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
             fs.AddHardLink(L"C:\\Other\\b2.txt", t + L"b.txt");
         },
         nullptr,
         {L"Rückgängig: alte Datei zurück, Datei: C:\\T\\b.txt.", L"Rückgängig: Link entfernt, Datei: C:\\T\\a.txt.",
          L"Rückgängig gemacht: 1 Link entfernt, 1 alte Datei zurück."}},
        {"already linked and left-alone pairs are not touched", LinkKind::Hard,
         [&](CFakeFileSystem& fs) {
             files(fs);
             fs.AddHardLink(t + L"a.txt", L"C:\\S\\a.txt");
             fs.Add(t + L"b.txt", Kind::Folder);
         },
         nullptr, {L"Rückgängig gemacht: 0 Links entfernt, 0 alte Dateien zurück."}},
        {"a name changed after the run is left, its old file stays kept", LinkKind::Hard,
         [&](CFakeFileSystem& fs) {
             files(fs);
             fs.Add(t + L"a.txt");
         },
         [&](CFakeFileSystem& fs) {
             fs.Move(t + L"a.txt", L"C:\\Other\\moved.txt");
             fs.Add(t + L"a.txt");
             fs.Move(t + L"b.txt", L"C:\\Other\\b.txt");
         },
         {L"Rückgängig: nichts zu tun (der Link ist nicht mehr da), Datei: C:\\T\\b.txt.",
          L"Rückgängig: bleibt (hier ist jetzt etwas anderes), Datei: C:\\T\\a.txt. Die alte Datei liegt jetzt unter " +
              kKept + L"\\a.txt.",
          L"Rückgängig gemacht: 0 Links entfernt, 0 alte Dateien zurück, 2 Paare so gelassen, wie sie waren. 1 ersetzte "
          L"Datei bleibt aufbewahrt."},
         false},
        {"a kept file gone and a link that became its file's only name stay", LinkKind::Hard,
         [&](CFakeFileSystem& fs) {
             files(fs);
             fs.Add(t + L"a.txt");
         },
         [&](CFakeFileSystem& fs) {
             fs.Move(kKept + L"\\a.txt", L"C:\\Other\\a.txt");
             fs.Move(L"C:\\S\\b.txt", L"C:\\Other\\b.txt");
             fs.nodes[fs.NodeAt(L"C:\\Other")].entries.erase(L"b.txt");
         },
         {L"Rückgängig: bleibt (der einzige Name seiner Datei), Datei: C:\\T\\b.txt.",
          L"Rückgängig: bleibt (die aufbewahrte Datei ist nicht mehr da), Datei: C:\\T\\a.txt.",
          L"Rückgängig gemacht: 0 Links entfernt, 0 alte Dateien zurück, 2 Paare so gelassen, wie sie waren."},
         false},
        {"a damaged record: the links it lost stay, the kept file is found all the same", LinkKind::Hard,
         [&](CFakeFileSystem& fs) {
             files(fs);
             fs.Add(t + L"a.txt");
         },
         nullptr,
         {L"Rückgängig: alte Datei zurück, Datei: C:\\T\\a.txt.",
          L"Rückgängig gemacht: 0 Links entfernt, 1 alte Datei zurück."},
         false, true},
        {"relative symbolic links are the run's where they lead to the source", LinkKind::Symbolic,
         [&](CFakeFileSystem& fs) {
             files(fs);
             fs.Add(t + L"a.txt");
         },
         nullptr,
         {L"Rückgängig: Link entfernt, Datei: C:\\T\\b.txt.", L"Rückgängig: alte Datei zurück, Datei: C:\\T\\a.txt.",
          L"Rückgängig gemacht: 1 Link entfernt, 1 alte Datei zurück."},
         true, false, true},
        {"folder sources: the run's junction goes, the one it replaced comes back", LinkKind::Hard,
         [&](CFakeFileSystem& fs) {
             fs.Add(L"C:\\S\\a.txt\\in.txt");
             fs.Add(L"C:\\S\\b.txt\\in.txt");
             fs.Add(L"C:\\Other", Kind::Folder);
             fs.Add(t + L"a.txt", Kind::Junction, L"C:\\Other");
         },
         nullptr,
         {L"Rückgängig: Link entfernt, Datei: C:\\T\\b.txt.", L"Rückgängig: alte Datei zurück, Datei: C:\\T\\a.txt.",
          L"Rückgängig gemacht: 1 Link entfernt, 1 alte Datei zurück."},
         true, false, false, true},
        {"symbolic links: only a link holding the source's path is the run's", LinkKind::Symbolic,
         [&](CFakeFileSystem& fs) {
             files(fs);
             fs.Add(t + L"a.txt");
         },
         [&](CFakeFileSystem& fs) {
             fs.nodes[fs.NodeAt(t + L"b.txt")].target = L"C:\\Other\\x.txt";
         },
         {L"Rückgängig: bleibt (hier ist jetzt etwas anderes), Datei: C:\\T\\b.txt.",
          L"Rückgängig: alte Datei zurück, Datei: C:\\T\\a.txt.",
          L"Rückgängig gemacht: 0 Links entfernt, 1 alte Datei zurück, 1 Paar so gelassen, wie es war."},
         false},
    };
    for (const UndoCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CTempTree tree;
        CFakeFileSystem fs;
        c.setUp(fs);
        const std::wstring before = Dump(fs);
        const std::wstring slash = c.folders ? L"\\" : L"";
        RecordedRun run =
            RunRecorded(fs, tree, {t}, {L"C:\\S\\a.txt" + slash, L"C:\\S\\b.txt" + slash}, c.kind, c.relative);
        if (c.folders)
        {
            EXPECT_EQ(Kind::Junction, fs.nodes[fs.NodeAt(t + L"b.txt")].kind);
        }
        if (c.relative)
        {
            EXPECT_TRUE(fs.nodes[fs.NodeAt(t + L"b.txt")].relative);
        }
        if (c.meanwhile)
            c.meanwhile(fs);
        std::vector<std::wstring> expected = c.lines;
        if (c.damaged)
        {
            const size_t nHeader = run.record.find('\n', run.record.find("\nB\t") + 1) + 1;
            run.record[nHeader + 3] ^= 1;
            expected.back() += L" " + std::wstring(FormatDamagedRecordSentence(nHeader).GetString());
        }
        const std::vector<std::wstring> lines = Undo(fs, tree, run.record);
        EXPECT_EQ(expected, lines);
        if (c.asBefore)
        {
            EXPECT_EQ(before, Dump(fs));
        }
        // A run that changed nothing left no record; an undo that left
        // nothing kept took its record with it.
        const bool bStillKept = lines.back().find(L"aufbewahrt.") != std::wstring::npos;
        EXPECT_EQ(bStillKept, fs.NodeAt(kKept) != 0);
        EXPECT_EQ(bStillKept, ::GetFileAttributesW((tree.Root() + L"\\" + CLinkJob::MakeRecordName(kKeepTime).GetString()).c_str()) !=
                                  INVALID_FILE_ATTRIBUTES);
    }
}

TEST(LinkUndoTest, AProcessKilledAtAnyStepLosesNoFileAndUndoFinishesWhatWasCut)
{
    // Two folders, each with a file the run replaces and a name it links
    // new; the process dies before each write the run or its undo makes, and
    // the undo after it (or the undo begun again) puts every file back.
    const std::vector<std::wstring> folders = {L"C:\\T\\", L"C:\\U\\"};
    const std::vector<std::wstring> files = {L"C:\\S\\a.txt", L"C:\\S\\b.txt"};
    const auto setUp = [&](CFakeFileSystem& fs) {
        for (const std::wstring& file : files)
            fs.Add(file);
        for (const std::wstring& folder : folders)
            fs.nodes[fs.Add(folder + L"a.txt")].attributes = FILE_ATTRIBUTE_READONLY;
    };
    const auto isWrite = [](const std::wstring& call) {
        for (const wchar_t* verb : {L"hardlink ", L"delete ", L"mkdir ", L"move ", L"rmdir ", L"set "})
            if (call.rfind(verb, 0) == 0)
                return true;
        return false;
    };
    struct Killed
    {
    };
    // Folders looked at name by name, and listed at once.
    for (int nMode = 0; nMode < 4; ++nMode)
        for (int nKillAt = 1;; ++nKillAt)
        {
            const int nUndoKill = nMode % 2;
            SCOPED_TRACE(std::to_string(nKillAt) + (nUndoKill != 0 ? " of the undo" : " of the run") +
                         (nMode >= 2 ? ", listed" : ""));
            CTempTree tree;
            CFakeFileSystem fs;
            fs.listingAvailable = nMode >= 2;
            setUp(fs);
            std::vector<ULONGLONG> olds;
            for (const std::wstring& folder : folders)
                olds.push_back(fs.NodeAt(folder + L"a.txt"));
            const CString strRecord = CString(tree.Root().c_str()) + L"\\" + CLinkJob::MakeRecordName(kKeepTime);
            // What the disk holds at the moment of the kill.
            std::map<ULONGLONG, CFakeFileSystem::Node> nodesAtKill;
            std::string recordAtKill;
            int nWrites = 0;
            bool bKilled = false;
            const auto killer = [&](const std::wstring& call) {
                if (!isWrite(call) || ++nWrites != nKillAt)
                    return;
                nodesAtKill = fs.nodes;
                if (ReadWholeFile(strRecord, recordAtKill) != ERROR_SUCCESS)
                    recordAtKill.clear();
                bKilled = true;
                throw Killed();
            };
            fs.onCall = nUndoKill == 0 ? std::function<void(const std::wstring&)>(killer) : nullptr;
            RecordedRun run = RunRecorded(fs, tree, folders, files);
            if (nUndoKill != 0)
            {
                fs.onCall = killer;
                Undo(fs, tree, run.record);
                if (bKilled)
                    run.record = recordAtKill;
            }
            if (!bKilled)
            {
                // Every write was a kill point once.
                EXPECT_GT(nKillAt, nUndoKill != 0 ? 6 : 8);
                break;
            }
            fs.onCall = nullptr;
            fs.nodes = nodesAtKill;
            if (!run.record.empty() || !recordAtKill.empty())
                Undo(fs, tree, nUndoKill != 0 ? run.record : recordAtKill);
            // Links made just before the kill and not yet recorded may stay;
            // every file the run replaced is back under its name, and no
            // kept folder is left.
            for (size_t i = 0; i < folders.size(); ++i)
            {
                EXPECT_EQ(1u, fs.Names(folders[i]).size() - (fs.NodeAt(folders[i] + L"b.txt") != 0 ? 1 : 0)) << Dump(fs);
                EXPECT_EQ(olds[i], fs.NodeAt(folders[i] + L"a.txt"));
                EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY), fs.nodes[olds[i]].attributes);
            }
            if (nKillAt > 40)
                FAIL() << "the run never ended";
        }
}

TEST(LinkUndoTest, ManyFilesReplacedInOneFolderAreKeptInPartsAndAllPutBack)
{
    // 300 replaced in one folder: 128 in the kept folder, 128 in "Teil 2",
    // 44 in "Teil 3"; where a kept file took a part's name, the kept folder
    // itself goes on. A file that cannot go back is said to lie in its part.
    for (const bool bListed : {false, true})
        for (const bool bNameTaken : {false, true})
        {
            SCOPED_TRACE(std::string(bListed ? "listed" : "name by name") + (bNameTaken ? ", name taken" : ""));
            CTempTree tree;
            CFakeFileSystem fs;
            fs.listingAvailable = bListed;
            std::vector<std::wstring> files;
            std::vector<ULONGLONG> olds;
            for (int i = 0; i < 300; ++i)
            {
                const std::wstring name = i == 0 && bNameTaken ? L"Teil 2" : L"f" + std::to_wstring(i) + L".txt";
                files.push_back(L"C:\\S\\" + name);
                fs.Add(files.back());
                olds.push_back(fs.Add(L"C:\\T\\" + name));
            }
            RecordedRun run = RunRecorded(fs, tree, {L"C:\\T\\"}, files);
            EXPECT_EQ(bNameTaken ? 256u + 1 : 128u + 2, fs.Names(kKept).size());
            EXPECT_EQ(bNameTaken ? 0u : 128u, fs.Names(kKept + L"\\Teil 2").size());
            EXPECT_EQ(44u, fs.Names(kKept + L"\\Teil 3").size());
            fs.Move(L"C:\\T\\f299.txt", L"C:\\Other\\f299.txt");
            fs.Add(L"C:\\T\\f299.txt");
            const std::vector<std::wstring> lines = Undo(fs, tree, run.record);
            ASSERT_EQ(301u, lines.size());
            EXPECT_EQ(L"Rückgängig: bleibt (hier ist jetzt etwas anderes), Datei: C:\\T\\f299.txt. Die alte Datei liegt "
                      L"jetzt unter " + kKept + L"\\Teil 3\\f299.txt.",
                      lines.front());
            EXPECT_EQ(L"Rückgängig gemacht: 0 Links entfernt, 299 alte Dateien zurück, 1 Paar so gelassen, wie es war. 1 "
                      L"ersetzte Datei bleibt aufbewahrt.",
                      lines.back());
            for (int i = 0; i < 299; ++i)
                EXPECT_EQ(olds[static_cast<size_t>(i)], fs.NodeAt(L"C:\\T\\" + files[static_cast<size_t>(i)].substr(5)));
            EXPECT_EQ(std::vector<std::wstring>{L"Teil 3"}, fs.Names(kKept));
            EXPECT_EQ(std::vector<std::wstring>{L"f299.txt"}, fs.Names(kKept + L"\\Teil 3"));
        }
}

TEST(RunRecordTest, ARecordCutAtAnyLengthOrDamagedIsReadAsFarAsItIsCertain)
{
    RunRecord written;
    written.nTime = kKeepTime;
    written.kind = LinkKind::Symbolic;
    written.folders = {L"C:\\Zielordner mit Ä\\", L"D:\\T\\"};
    written.sources = {{L"C:\\S\\a.txt", L"a.txt", {7, 0, 42, false}, L"\\??\\C:\\S\\a.txt"},
                       {L"C:\\S\\ß.txt", L"ß.txt", {7, 1, 43, true}, L""}};
    const std::string header = FormatRecordHeader(written);
    std::string bytes = header;
    for (long long nPair : {3, 0, 2})
        bytes += FormatRecordStep(nPair == 2 ? RecordStep::Replaced : RecordStep::Made, nPair);
    bytes += FormatRecordStep(RecordStep::RunEnded) + FormatRecordStep(RecordStep::Undone, 3);

    const RunRecord whole = ReadRunRecord(bytes);
    ASSERT_EQ(RecordDamage::None, whole.damage);
    EXPECT_TRUE(whole.bComplete && whole.bRunEnded && !whole.bUndoEnded);
    EXPECT_EQ(written.folders, whole.folders);
    EXPECT_EQ(L"ß.txt", std::wstring(whole.sources[1].strName.GetString()));
    EXPECT_EQ(42ull, whole.sources[0].id.nLow);
    EXPECT_TRUE(whole.sources[1].id.bWide);
    EXPECT_EQ((std::vector<long long>{0, 3}), whole.made);
    EXPECT_EQ((std::vector<long long>{2}), whole.replaced);
    EXPECT_EQ(1u, whole.undone.count(3));

    // Cut anywhere: never more than was written, the header only whole, and
    // a step only where its line is.
    for (size_t n = 0; n <= bytes.size(); ++n)
    {
        const RunRecord cut = ReadRunRecord(bytes.substr(0, n));
        const bool bAtLineEnd = n == 0 || bytes[n - 1] == '\n';
        EXPECT_EQ(n <= header.find('\n') ? RecordDamage::Unreadable : bAtLineEnd ? RecordDamage::None : RecordDamage::Cut, cut.damage) << n;
        EXPECT_EQ(n >= header.size(), cut.bComplete) << n;
        EXPECT_LE(cut.made.size() + cut.replaced.size() + cut.undone.size(), 4u);
        EXPECT_LE(cut.nCertainBytes, n);
        EXPECT_TRUE(bytes.compare(0, cut.nCertainBytes, bytes.substr(0, n), 0, cut.nCertainBytes) == 0);
    }
    // Any byte changed: the record reads only up to the line it is in.
    std::mt19937 random(2026);
    for (int i = 0; i < 2000; ++i)
    {
        std::string damaged = bytes;
        const size_t nAt = random() % damaged.size();
        damaged[nAt] = static_cast<char>(damaged[nAt] ^ (1 + random() % 255));
        const RunRecord read = ReadRunRecord(damaged);
        EXPECT_NE(RecordDamage::None, read.damage) << nAt;
        EXPECT_LE(read.nCertainBytes, nAt);
    }
    std::string noise(3000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    EXPECT_EQ(RecordDamage::Unreadable, ReadRunRecord(noise).damage);
    std::string other = bytes;
    other.replace(0, header.find('\n'), "Quillon-Lauf\t2");
    EXPECT_EQ(RecordDamage::Unreadable, ReadRunRecord(other).damage);
}
