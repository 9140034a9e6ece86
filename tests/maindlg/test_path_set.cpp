#include <gtest/gtest.h>

#include "framework/Collections.h"
#include "maindlg/QNStringArrayHash.h"

#include <wctype.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Contents(const CQNStringArrayHash& set)
{
    std::vector<std::wstring> items;
    for (int i = 0; i < set.GetCount(); ++i)
        items.emplace_back(set.GetAt(i).GetString());
    return items;
}

// Two different paths with equal hashes, found by a search over numbered names.
const wchar_t kCollisionA[] = L"C:\\Daten\\Datei0062789.txt";
const wchar_t kCollisionB[] = L"C:\\Daten\\Datei0279192.txt";

}  // namespace

TEST(PathSetTest, HashIsFnv1OverUpperCasedUnits)
{
    const struct
    {
        const wchar_t* text;
        UINT hash;
    } cases[] = {
        {L"", 0x811C9DC5u},
        {L"abc", 0x634CAFEBu},
        {L"ABC", 0x634CAFEBu},
        {L"aBc", 0x634CAFEBu},
        {kCollisionA, 0x02CA2B9Fu},
        {kCollisionB, 0x02CA2B9Fu},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.hash, CQNStringArrayHash::HashString(c.text)) << c.text;
    // A whole unit above the byte range is combined at once.
    const UINT h = (0x811C9DC5u * 0x01000193u) ^ static_cast<UINT>(towupper(0x4E2D));
    EXPECT_EQ(h, CQNStringArrayHash::HashString(L"\x4E2D"));
}

TEST(PathSetTest, KeepsOrderRefusesDuplicatesIgnoringCaseAndClosesGaps)
{
    CQNStringArrayHash set;
    const struct
    {
        const wchar_t* text;
        BOOL added;
    } adds[] = {
        {L"C:\\S\\b.txt", TRUE}, {L"C:\\S\\a.txt", TRUE}, {L"c:\\s\\B.TXT", FALSE},
        {L"C:\\S\\c.txt", TRUE}, {L"", TRUE},             {L"", FALSE},
    };
    for (const auto& a : adds)
        EXPECT_EQ(a.added, set.Add(a.text)) << a.text;
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\S\\b.txt", L"C:\\S\\a.txt", L"C:\\S\\c.txt", L""}), Contents(set));
    EXPECT_EQ(2, set.Find(L"C:\\s\\C.txt"));
    EXPECT_EQ(-1, set.Find(L"C:\\S\\d.txt"));

    EXPECT_TRUE(set.Remove(L"C:\\S\\A.TXT"));
    EXPECT_FALSE(set.Remove(L"C:\\S\\a.txt"));
    EXPECT_FALSE(set.Remove(L"C:\\S\\missing.txt"));
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\S\\b.txt", L"C:\\S\\c.txt", L""}), Contents(set));
    EXPECT_EQ(L"C:\\S\\c.txt", std::wstring(set.GetAt(1).GetString()));

    int index = 99;
    const CQNStringArrayHashStruct* entry = set.FindHash(CQNStringArrayHash::HashString(L"c:\\S\\C.TXT"), index);
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ(1, index);
    EXPECT_STREQ(L"C:\\S\\c.txt", entry->m_pszString);
    EXPECT_EQ(nullptr, set.FindHash(12345u, index));
    EXPECT_EQ(-1, index);

    set.RemoveAll();
    EXPECT_EQ(0, set.GetCount());
    EXPECT_TRUE(set.Add(L"C:\\S\\b.txt"));
}

TEST(PathSetTest, GetAtOutOfRangeThrowsInvalidArgument)
{
    CQNStringArrayHash set;
    set.Add(L"x");
    for (int index : {-1, 1, 100})
    {
        bool thrown = false;
        try
        {
            set.GetAt(index);
        }
        catch (CInvalidArgException* e)
        {
            thrown = true;
            e->Delete();
        }
        EXPECT_TRUE(thrown) << index;
    }
    EXPECT_EQ(L"x", std::wstring(set.GetAt(0).GetString()));
}

TEST(PathSetTest, DifferentPathsWithEqualHashesAreBothKept)
{
    ASSERT_EQ(CQNStringArrayHash::HashString(kCollisionA), CQNStringArrayHash::HashString(kCollisionB));
    CQNStringArrayHash set;
    EXPECT_TRUE(set.Add(L"C:\\first.txt"));
    EXPECT_TRUE(set.Add(kCollisionA));
    EXPECT_EQ(-1, set.Find(kCollisionB));
    EXPECT_TRUE(set.Add(kCollisionB));
    EXPECT_FALSE(set.Add(L"c:\\daten\\datei0279192.TXT"));
    EXPECT_EQ(3, set.GetCount());
    EXPECT_EQ(1, set.Find(kCollisionA));
    EXPECT_EQ(2, set.Find(kCollisionB));

    EXPECT_TRUE(set.Remove(kCollisionA));
    EXPECT_EQ(1, set.Find(kCollisionB));
    EXPECT_TRUE(set.Remove(kCollisionB));
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\first.txt"}), Contents(set));
}

TEST(PathSetTest, LettersTowupperLeavesAloneMakeADifferentEntry)
{
    // lstrcmpiW folds ä and Ä, the C runtime's towupper may not.
    if (towupper(L'\x00E4') != L'\x00E4')
        GTEST_SKIP() << "towupper maps a-umlaut in this locale";
    ASSERT_EQ(0, ::lstrcmpiW(L"C:\\\x00E4.txt", L"C:\\\x00C4.txt"));
    CQNStringArrayHash set;
    EXPECT_TRUE(set.Add(L"C:\\\x00C4.txt"));
    EXPECT_EQ(-1, set.Find(L"C:\\\x00E4.txt"));
    EXPECT_TRUE(set.Add(L"C:\\\x00E4.txt"));
    EXPECT_EQ(2, set.GetCount());
    EXPECT_EQ(1, set.Find(L"C:\\\x00E4.txt"));
}

TEST(PathSetTest, SetStringReusesStorageThatIsLongEnough)
{
    CQNStringArrayHashStruct entry;
    entry.SetString(L"C:\\long\\path.txt", 0);
    EXPECT_EQ(CQNStringArrayHash::HashString(L"C:\\long\\path.txt"), entry.m_nHash);
    const wchar_t* storage = entry.m_pszString;
    entry.SetString(L"C:\\a", 7);
    EXPECT_EQ(storage, entry.m_pszString);
    EXPECT_STREQ(L"C:\\a", entry.m_pszString);
    EXPECT_EQ(7u, entry.m_nHash);
    entry.SetString(L"C:\\much\\longer\\path.txt", 0);
    EXPECT_STREQ(L"C:\\much\\longer\\path.txt", entry.m_pszString);
    EXPECT_EQ(CQNStringArrayHash::HashString(L"C:\\much\\longer\\path.txt"), entry.m_nHash);
}
