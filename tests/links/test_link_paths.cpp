#include <gtest/gtest.h>

#include "files/RelativePath.h"
#include "files/ReparseData.h"

#include <string>
#include <vector>

TEST(RelativePathTest, TheLinksFolderToItsSourceAndBackAgain)
{
    struct Row
    {
        const wchar_t* folder;
        const wchar_t* target;
        RelativePath result;
        const wchar_t* relative;
    };
    const std::wstring deep = L"C:\\" + std::wstring(40, L'x') + L"\\" + std::wstring(200, L'y') + L"\\" +
                              std::wstring(200, L'z');
    const std::wstring deepTarget = L"C:\\" + std::wstring(40, L'x') + L"\\q\\a.txt";
    const Row rows[] = {
        {L"C:\\Ziel\\", L"C:\\Quelle\\a.txt", RelativePath::Made, L"..\\Quelle\\a.txt"},            // siblings
        {L"C:\\Quelle\\Sub", L"C:\\Quelle\\a.txt", RelativePath::Made, L"..\\a.txt"},               // child folder
        {L"C:\\Quelle", L"C:\\Quelle\\Sub\\Tief\\a.txt", RelativePath::Made, L"Sub\\Tief\\a.txt"},   // parent folder
        {L"C:\\a\\b\\c\\d\\", L"C:\\a\\x\\y.txt", RelativePath::Made, L"..\\..\\..\\x\\y.txt"},     // deep
        {L"C:\\", L"C:\\a.txt", RelativePath::Made, L"a.txt"},                                       // root
        {L"C:\\Ziel", L"c:\\ZIEL\\..a.txt", RelativePath::Made, L"..a.txt"},                         // letter case
        {L"\\\\?\\C:\\Ziel", L"C:\\Quelle\\a.txt", RelativePath::Made, L"..\\Quelle\\a.txt"},        // \\?\ form
        {L"\\\\srv\\share\\Ziel", L"\\\\?\\UNC\\SRV\\Share\\a.txt", RelativePath::Made, L"..\\a.txt"},
        {deep.c_str(), deepTarget.c_str(), RelativePath::Made, L"..\\..\\q\\a.txt"},                  // long paths
        {L"C:\\Ziel", L"D:\\Quelle\\a.txt", RelativePath::OtherRoot, L""},                          // other volume
        {L"\\\\srv\\a\\Ziel", L"\\\\srv\\b\\a.txt", RelativePath::OtherRoot, L""},                   // other share
        {L"C:\\Ziel", L"C:\\Quelle\\a.txt.", RelativePath::NotExpressible, L""},                    // \\?\ only
        {L"C:\\Ziel", L"C:\\Quelle\\..\\a.txt", RelativePath::NotExpressible, L""},
        {L"Ziel", L"C:\\a.txt", RelativePath::NotExpressible, L""},                                 // not absolute
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(std::wstring(row.folder) + L" -> " + row.target);
        CString strRelative;
        EXPECT_EQ(row.result, MakeRelativePath(row.folder, row.target, strRelative));
        EXPECT_EQ(std::wstring(row.relative), strRelative.GetString());
        // Followed from the folder, the path leads to the target.
        if (row.result == RelativePath::Made && row.folder[0] == L'C')
        {
            EXPECT_EQ(0, ResolveRelativePath(row.folder, strRelative).CompareNoCase(row.target));
        }
    }
    // What is not a path from the folder resolves to nothing; ".." stops at
    // the root.
    for (const wchar_t* held : {L"C:\\a.txt", L"\\a.txt", L"C:a.txt", L"\\\\srv\\s\\a.txt", L""})
        EXPECT_TRUE(ResolveRelativePath(L"C:\\Ziel", held).IsEmpty()) << held;
    EXPECT_EQ(std::wstring(L"C:\\a.txt"), ResolveRelativePath(L"C:\\Ziel", L"..\\..\\..\\.\\a.txt").GetString());
}

namespace {

// Little-endian fields and UTF-16 names, laid out by hand as MS-FSCC 2.1.2
// gives REPARSE_DATA_BUFFER.
struct Bytes
{
    std::vector<BYTE> data;
    Bytes& Word(unsigned n)
    {
        data.push_back(static_cast<BYTE>(n & 0xFF));
        data.push_back(static_cast<BYTE>(n >> 8));
        return *this;
    }
    Bytes& Dword(unsigned long n) { return Word(n & 0xFFFF).Word(n >> 16); }
    Bytes& Name(const wchar_t* psz)
    {
        for (; *psz != 0; ++psz)
            Word(*psz);
        return *this;
    }
};

}  // namespace

TEST(ReparseDataTest, JunctionDataAsTheFileSystemLaysItOutAndLinksReadBack)
{
    // IO_REPARSE_TAG_MOUNT_POINT, 36 bytes of data, substitute name at 0
    // (16 bytes) and print name at 18 (8 bytes), each followed by a zero.
    Bytes junction;
    junction.Dword(0xA0000003).Word(36).Word(0).Word(0).Word(16).Word(18).Word(8);
    junction.Name(L"\\??\\C:\\Q").Word(0).Name(L"C:\\Q").Word(0);
    EXPECT_EQ(junction.data, BuildMountPointData(L"C:\\Q\\"));
    EXPECT_EQ(junction.data, BuildMountPointData(L"\\\\?\\C:\\Q"));
    for (const wchar_t* notLocal : {L"\\\\srv\\share\\Q", L"\\\\?\\UNC\\srv\\share", L"Q", L"C:Q"})
        EXPECT_TRUE(BuildMountPointData(notLocal).empty()) << notLocal;
    EXPECT_TRUE(BuildMountPointData(L"C:\\" + CString(std::wstring(8200, L'x').c_str())).empty()) << "too large";

    // IO_REPARSE_TAG_SYMLINK with SYMLINK_FLAG_RELATIVE, the print name laid
    // out before the substitute name, as CreateSymbolicLinkW does.
    Bytes symbolic;
    symbolic.Dword(0xA000000C).Word(12 + 18 + 18).Word(0).Word(18).Word(16).Word(0).Word(16).Dword(1);
    symbolic.Name(L"..\\a.txt").Word(0).Name(L"..\\a.txt").Word(0);
    const struct
    {
        const char* name;
        std::vector<BYTE> data;
        bool read;
        DWORD tag;
        const wchar_t* substitute;
        bool relative;
    } rows[] = {
        {"junction", junction.data, true, 0xA0000003, L"\\??\\C:\\Q", false},
        {"relative symbolic link", symbolic.data, true, 0xA000000C, L"..\\a.txt", true},
        {"cut short", std::vector<BYTE>(symbolic.data.begin(), symbolic.data.end() - 4), false, 0xA000000C, L"", false},
        {"another tag", Bytes().Dword(0x80000017).Word(0).Word(0).data, false, 0x80000017, L"", false},
        {"a name beyond the data", Bytes().Dword(0xA0000003).Word(8).Word(0).Word(2).Word(40).Word(0).Word(0).data, false,
         0xA0000003, L"", false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        ReparseLink link;
        EXPECT_EQ(row.read, ParseReparseData(row.data.data(), row.data.size(), link));
        EXPECT_EQ(row.tag, link.dwTag);
        if (row.read)
        {
            EXPECT_EQ(std::wstring(row.substitute), link.strSubstitute.GetString());
            EXPECT_EQ(row.relative, link.bRelative);
        }
    }
}
