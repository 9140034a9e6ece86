#include <gtest/gtest.h>

#include "fake_file_system.h"
#include "links/LinkBatch.h"

#include <algorithm>
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
    bool symbolicAvailable;
    bool targetExists;
    DWORD targetAttributes;
    DWORD hardLinkError;
    std::vector<DWORD> symbolicErrors;
    bool sameEntry;
    std::wstring expectedLine;
    std::vector<std::wstring> expectedCalls;
};

std::vector<PairCase> PairCases()
{
    const std::wstring link = L"hardlink " + kTarget + L" <- " + kSource;
    const std::wstring sym = L"symlink " + kTarget + L" <- " + kSource;
    const std::wstring exists = L"exists " + kTarget;
    const std::wstring same = L"same " + kSource + L" <- " + kTarget;
    const std::wstring get = L"get " + kTarget;
    const std::wstring clear = L"set " + kTarget + L" 128";
    const std::wstring del = L"delete " + kTarget;
    return {
        {"hard link made", 1, 1, true, false, 0, 0, {}, false, LinkLine(L"HardLink", kTarget, 0), {exists, link}},
        {"hard link failed", 1, 1, true, false, 0, ERROR_ACCESS_DENIED, {}, false,
         LinkLine(L"HardLink", kTarget, ERROR_ACCESS_DENIED), {exists, link}},
        {"any non-zero type is a hard link", 7, 1, true, false, 0, 0, {}, false, LinkLine(L"HardLink", kTarget, 0),
         {exists, link}},
        {"symbolic link made with the unprivileged flag", 0, 1, true, false, 0, 0, {}, false,
         LinkLine(L"SymbolicLink", kTarget, 0), {exists, sym + L" 2"}},
        {"symbolic link refused for want of privilege", 0, 1, true, false, 0, 0, {ERROR_PRIVILEGE_NOT_HELD}, false,
         LinkLine(L"SymbolicLink", kTarget, ERROR_PRIVILEGE_NOT_HELD), {exists, sym + L" 2"}},
        {"older system rejects the flag, retry without it succeeds", 0, 1, true, false, 0, 0,
         {ERROR_INVALID_PARAMETER, 0}, false, LinkLine(L"SymbolicLink", kTarget, 0), {exists, sym + L" 2", sym}},
        {"retry without the flag reports its own failure", 0, 1, true, false, 0, 0,
         {ERROR_INVALID_PARAMETER, ERROR_PRIVILEGE_NOT_HELD}, false,
         LinkLine(L"SymbolicLink", kTarget, ERROR_PRIVILEGE_NOT_HELD), {exists, sym + L" 2", sym}},
        {"no symbolic-link operation: hard link instead", 0, 1, false, false, 0, 0, {}, false,
         LinkLine(L"HardLink", kTarget, 0), {exists, link}},
        {"existing target kept when removal is off", 1, 0, true, true, FILE_ATTRIBUTE_ARCHIVE, 0, {}, false,
         L"Skip: " + kSource + L", File: " + kTarget + L".", {exists}},
        {"existing read-only target replaced, attributes written back", 1, 1, true, true,
         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, 0, {}, false, LinkLine(L"HardLink", kTarget, 0),
         {exists, same, get, clear, del, link, L"set " + kTarget + L" 33"}},
        {"attributes written back although the link failed", 1, 1, true, true, FILE_ATTRIBUTE_HIDDEN,
         ERROR_ACCESS_DENIED, {}, false, LinkLine(L"HardLink", kTarget, ERROR_ACCESS_DENIED),
         {exists, same, get, clear, del, link, L"set " + kTarget + L" 2"}},
        {"existing target replaced by a symbolic link", 0, 1, true, true, FILE_ATTRIBUTE_ARCHIVE, 0, {}, false,
         LinkLine(L"SymbolicLink", kTarget, 0), {exists, same, get, clear, del, sym + L" 2", L"set " + kTarget + L" 32"}},
        {"unreadable attributes are not written back", 1, 1, true, true, INVALID_FILE_ATTRIBUTES, 0, {}, false,
         LinkLine(L"HardLink", kTarget, 0), {exists, same, get, clear, del, link}},
        {"target that is the source's own entry is left alone", 1, 1, true, true, FILE_ATTRIBUTE_ARCHIVE, 0, {}, true,
         L"Skip: File: " + kTarget + L".", {exists, same}},
    };
}

}  // namespace

TEST(LinkBatchTest, EachKindOfPairGetsItsLineAndItsCalls)
{
    for (const PairCase& c : PairCases())
    {
        SCOPED_TRACE(c.name);
        CFakeFileSystem fs;
        fs.symbolicLinksAvailable = c.symbolicAvailable;
        fs.objects[kSource] = FILE_ATTRIBUTE_ARCHIVE;
        if (c.targetExists)
        {
            fs.objects[kTarget] = c.targetAttributes == INVALID_FILE_ATTRIBUTES ? FILE_ATTRIBUTE_ARCHIVE : c.targetAttributes;
            if (c.targetAttributes == INVALID_FILE_ATTRIBUTES)
                fs.attributeOverrides[kTarget] = INVALID_FILE_ATTRIBUTES;
        }
        if (c.hardLinkError != 0)
        {
            fs.hardLinkErrors[kTarget] = c.hardLinkError;
            fs.undeletable[kTarget] = c.hardLinkError;
        }
        fs.symbolicLinkErrors = c.symbolicErrors;
        if (c.sameEntry)
            fs.sameEntries.emplace_back(kSource, kTarget);

        CVectorOutput out;
        RunLinkBatch(CVectorPathList{L"C:\\T\\"}, CVectorPathList{kSource.c_str()}, c.linkType, c.removeExisting, fs,
                     out);
        ASSERT_EQ(1u, out.lines.size());
        EXPECT_EQ(c.expectedLine, out.lines[0]);
        EXPECT_EQ(c.expectedCalls, fs.calls);
        EXPECT_EQ(1, out.folders);
        EXPECT_EQ(FILE_ATTRIBUTE_ARCHIVE, fs.objects[kSource]);
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
