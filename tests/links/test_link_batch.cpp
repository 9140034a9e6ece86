#include <gtest/gtest.h>

#include "fake_file_system.h"
#include "links/LinkBatch.h"
#include "links/SystemPath.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

const std::wstring kSource = L"C:\\S\\a.txt";
const std::wstring kTarget = L"C:\\T\\a.txt";

struct PairCase
{
    const char* name;
    int linkType;
    int removeExisting;
    DWORD targetAttributes;  // 0: no target
    std::function<void(CFakeFileSystem&)> setUp;
    std::wstring expectedLine;
    std::vector<std::wstring> expectedCalls;
};

std::vector<PairCase> PairCases()
{
    const std::wstring temp = L"C:\\T\\~tmp";
    const std::wstring folder = L"id C:\\T\\";
    const std::wstring exists = L"exists " + kTarget;
    const std::wstring link = L"hardlink " + kTarget + L" <- " + kSource;
    const std::wstring sym = L"symlink " + kTarget + L" <- " + kSource;
    const std::wstring ids[] = {L"id " + kTarget, L"id " + kSource};
    const std::wstring tempLink = L"hardlink " + temp + L" <- " + kSource;
    const std::wstring get = L"get " + kTarget;
    const std::wstring clear = L"set " + kTarget + L" 128";
    const std::wstring rename = L"rename " + temp + L" <- " + kTarget;
    const auto none = [](CFakeFileSystem&) {};
    const auto hardLinksFail = [](DWORD e) { return [e](CFakeFileSystem& fs) { fs.hardLinkErrors[kSource] = e; }; };
    const auto symbolicErrors = [](std::vector<DWORD> e) {
        return [e](CFakeFileSystem& fs) { fs.symbolicLinkErrors = e; };
    };
    const DWORD archive = FILE_ATTRIBUTE_ARCHIVE;
    return {
        {"hard link made", 1, 1, 0, none, LinkLine(L"HardLink", kTarget, 0), {folder, ids[0], link}},
        {"hard link failed", 1, 1, 0, hardLinksFail(ERROR_ACCESS_DENIED),
         LinkLine(L"HardLink", kTarget, ERROR_ACCESS_DENIED), {folder, ids[0], link}},
        {"any non-zero type is a hard link", 7, 0, 0, none, LinkLine(L"HardLink", kTarget, 0), {folder, exists, link}},
        {"symbolic link made with the unprivileged flag", 0, 1, 0, none, LinkLine(L"SymbolicLink", kTarget, 0),
         {folder, ids[0], sym + L" 2"}},
        {"symbolic link refused for want of privilege", 0, 1, 0, symbolicErrors({ERROR_PRIVILEGE_NOT_HELD}),
         LinkLine(L"SymbolicLink", kTarget, ERROR_PRIVILEGE_NOT_HELD), {folder, ids[0], sym + L" 2"}},
        {"older system rejects the flag, retry without it succeeds", 0, 1, 0,
         symbolicErrors({ERROR_INVALID_PARAMETER, 0}), LinkLine(L"SymbolicLink", kTarget, 0),
         {folder, ids[0], sym + L" 2", sym}},
        {"retry without the flag reports its own failure", 0, 1, 0,
         symbolicErrors({ERROR_INVALID_PARAMETER, ERROR_PRIVILEGE_NOT_HELD}),
         LinkLine(L"SymbolicLink", kTarget, ERROR_PRIVILEGE_NOT_HELD), {folder, ids[0], sym + L" 2", sym}},
        {"no symbolic-link operation: hard link instead", 0, 1, 0,
         [](CFakeFileSystem& fs) { fs.symbolicLinksAvailable = false; }, LinkLine(L"HardLink", kTarget, 0),
         {folder, ids[0], link}},
        {"existing target kept when removal is off", 1, 0, archive, none,
         L"Skip: " + kSource + L", File: " + kTarget + L".", {folder, exists}},
        {"read-only target replaced by a link made beside it, attributes written back", 1, 1,
         FILE_ATTRIBUTE_READONLY | archive, none, LinkLine(L"HardLink", kTarget, 0),
         {folder, ids[0], ids[1], tempLink, get, clear, rename, L"set " + kTarget + L" 33"}},
        {"failed link leaves the existing target untouched", 1, 1, FILE_ATTRIBUTE_HIDDEN,
         hardLinksFail(ERROR_NOT_SAME_DEVICE), LinkLine(L"HardLink", kTarget, ERROR_NOT_SAME_DEVICE),
         {folder, ids[0], ids[1], tempLink}},
        {"existing target replaced by a symbolic link", 0, 1, archive, none, LinkLine(L"SymbolicLink", kTarget, 0),
         {folder, ids[0], ids[1], L"symlink " + temp + L" <- " + kSource + L" 2", L"exists " + temp, get, rename,
          L"set " + kTarget + L" 32"}},
        {"symbolic link reported but not made: the target stays", 0, 1, archive,
         [](CFakeFileSystem& fs) { fs.symbolicLinksMakeNothing = true; },
         LinkLine(L"SymbolicLink", kTarget, ERROR_FILE_NOT_FOUND),
         {folder, ids[0], ids[1], L"symlink " + temp + L" <- " + kSource + L" 2", L"exists " + temp}},
        {"unreadable attributes are left alone", 1, 1, INVALID_FILE_ATTRIBUTES,
         [](CFakeFileSystem& fs) { fs.attributeOverrides[kTarget] = INVALID_FILE_ATTRIBUTES; },
         LinkLine(L"HardLink", kTarget, 0), {folder, ids[0], ids[1], tempLink, get, rename}},
        {"failed rename: attributes back, the new link gone, the target there", 1, 1, FILE_ATTRIBUTE_READONLY,
         [](CFakeFileSystem& fs) { fs.renameErrors[kTarget] = ERROR_SHARING_VIOLATION; },
         LinkLine(L"HardLink", kTarget, ERROR_SHARING_VIOLATION),
         {folder, ids[0], ids[1], tempLink, get, clear, rename, L"set " + kTarget + L" 1", L"delete " + temp}},
        {"target that cannot be identified stays", 1, 1, archive,
         [](CFakeFileSystem& fs) { fs.idErrors[kTarget] = ERROR_ACCESS_DENIED; },
         LinkLine(L"HardLink", kTarget, ERROR_ACCESS_DENIED), {folder, ids[0]}},
        {"target stays when the source cannot be identified", 1, 1, archive,
         [](CFakeFileSystem& fs) { fs.idErrors[kSource] = ERROR_SHARING_VIOLATION; },
         LinkLine(L"HardLink", kTarget, ERROR_SHARING_VIOLATION), {folder, ids[0], ids[1]}},
        {"target that is the source's own entry under another spelling is left alone", 1, 1, 0,
         [](CFakeFileSystem& fs) { fs.aliases[L"C:\\T\\"] = L"C:\\S\\"; }, L"Skip: File: " + kTarget + L".",
         {folder, ids[0], ids[1]}},
    };
}

}  // namespace

TEST(LinkBatchTest, EachKindOfPairGetsItsLineAndItsCalls)
{
    for (const PairCase& c : PairCases())
    {
        SCOPED_TRACE(c.name);
        CFakeFileSystem fs;
        fs.objects[kSource] = FILE_ATTRIBUTE_ARCHIVE;
        if (c.targetAttributes != 0)
            fs.objects[kTarget] = c.targetAttributes == INVALID_FILE_ATTRIBUTES ? FILE_ATTRIBUTE_ARCHIVE
                                                                                 : c.targetAttributes;
        c.setUp(fs);
        const auto before = fs.objects;

        CVectorOutput out;
        RunLinkBatch(CVectorPathList{L"C:\\T\\"}, CVectorPathList{kSource.c_str()}, c.linkType, c.removeExisting,
                     fs, out);
        ASSERT_EQ(1u, out.lines.size());
        EXPECT_EQ(c.expectedLine, out.lines[0]);
        EXPECT_EQ(c.expectedCalls, fs.calls);
        EXPECT_EQ(1, out.folders);
        EXPECT_EQ(FILE_ATTRIBUTE_ARCHIVE, fs.objects[kSource]);
        // Whatever did not end in "OK" left the folder as it was.
        if (out.lines[0].find(L": OK, ") == std::wstring::npos)
        {
            EXPECT_EQ(before, fs.objects);
        }
    }
}

TEST(LinkBatchTest, FoldersOuterFilesInnerWithOneLinePerPair)
{
    struct Case
    {
        std::vector<std::wstring> folders;
        std::vector<std::wstring> files;
        std::vector<std::wstring> targets;  // in processing order; empty name: skipped as the source itself
    };
    const std::vector<Case> cases = {
        {{L"C:\\T\\", L"C:\\S\\"},
         {L"C:\\S\\a.txt", L"C:\\S\\b.dat"},
         {L"C:\\T\\a.txt", L"C:\\T\\b.dat", L"=C:\\S\\a.txt", L"=C:\\S\\b.dat"}},
        {{L"C:\\T\\", L"D:\\U\\"},
         {L"C:\\S\\z.txt", L"C:\\S\\b.dat", L"C:\\R\\m"},
         {L"C:\\T\\z.txt", L"C:\\T\\b.dat", L"C:\\T\\m", L"D:\\U\\z.txt", L"D:\\U\\b.dat", L"D:\\U\\m"}},
        {{L"c:\\s\\"}, {L"C:\\S\\a.txt"}, {L"=c:\\s\\a.txt"}},
        {{}, {L"C:\\S\\a.txt"}, {}},
        {{L"C:\\T\\", L"C:\\U\\"}, {}, {}},
    };
    for (const Case& c : cases)
    {
        CFakeFileSystem fs;
        CVectorOutput out;
        RunLinkBatch(CVectorPathList(c.folders), CVectorPathList(c.files), 1, 1, fs, out);
        std::vector<std::wstring> expected;
        for (const std::wstring& t : c.targets)
            expected.push_back(t[0] == L'=' ? L"Skip: File: " + t.substr(1) + L"." : LinkLine(L"HardLink", t, 0));
        EXPECT_EQ(expected, out.lines);
        EXPECT_EQ(static_cast<int>(c.folders.size()), out.folders);
        const auto isLink = [](const std::wstring& call) { return call.rfind(L"hardlink ", 0) == 0; };
        const auto isMade = [](const std::wstring& t) { return t[0] != L'='; };
        EXPECT_EQ(std::count_if(c.targets.begin(), c.targets.end(), isMade),
                  std::count_if(fs.calls.begin(), fs.calls.end(), isLink));
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
    const struct
    {
        std::wstring path;
        std::wstring expected;
    } cases[] = {
        {L"C:\\S\\a.txt", L"C:\\S\\a.txt"},
        {L"C:/S/../a.txt", L"C:/S/../a.txt"},
        {under, under},
        {L"C:\\" + tail, L"\\\\?\\C:\\" + tail},
        {L"C:/S/./x/../" + tail, L"\\\\?\\C:\\S\\" + tail},
        {L"\\\\server\\share\\" + tail, L"\\\\?\\UNC\\server\\share\\" + tail},
        {L"\\\\?\\C:\\" + tail, L"\\\\?\\C:\\" + tail},
        {L"\\\\?\\UNC\\server\\share\\" + tail, L"\\\\?\\UNC\\server\\share\\" + tail},
    };
    ASSERT_EQ(static_cast<size_t>(MAX_PATH - 1), under.size());
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, std::wstring(MakeSystemPath(c.path.c_str()).GetString())) << c.path.size();

    EXPECT_EQ(std::wstring(L"C:\\ÄPFEL\\ÉTÉ.TXT"), std::wstring(MakeFoldedPath(L"c:\\äpfel\\été.txt").GetString()));
}
