#include "framework/Collections.h"
#include "framework/String.h"
#include "tests/framework/test_resource.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <string>

namespace
{

template<class F>
bool ThrowsInvalidArg(F f)
{
    try
    {
        f();
    }
    catch (CInvalidArgException* e)
    {
        e->Delete();
        return true;
    }
    return false;
}

CString Fmt(const wchar_t* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    CString s;
    s.FormatV(pszFormat, args);
    va_end(args);
    return s;
}

}

TEST(CStringBasics, ConstructionAndAssignment)
{
    CString fromNull(static_cast<const wchar_t*>(nullptr));
    EXPECT_TRUE(fromNull.IsEmpty());
    ASSERT_NE(nullptr, static_cast<const wchar_t*>(fromNull));
    EXPECT_STREQ(L"", fromNull);

    EXPECT_STREQ(L"abc", CString(L"abcdef", 3));
    EXPECT_EQ(3, CString(L"abcdef", 3).GetLength());
    EXPECT_STREQ(L"xxxx", CString(L'x', 4));
    EXPECT_TRUE(CString(L'x', 0).IsEmpty());

    CString s(L"hello");
    s = static_cast<const wchar_t*>(nullptr);
    EXPECT_TRUE(s.IsEmpty());
    s = L'q';
    EXPECT_STREQ(L"q", s);
    s = L"abcdef";
    s = s.GetString() + 2;
    EXPECT_STREQ(L"cdef", s);
}

TEST(CStringBasics, CharacterAccessIsRangeChecked)
{
    CString s(L"abc");
    EXPECT_EQ(L'b', s.GetAt(1));
    EXPECT_EQ(L'c', s[2]);
    EXPECT_EQ(L'\0', s.GetAt(3));
    s.SetAt(0, L'z');
    EXPECT_STREQ(L"zbc", s);

    EXPECT_TRUE(ThrowsInvalidArg([&] { s.GetAt(-1); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { s.GetAt(4); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { s.SetAt(3, L'x'); }));
    EXPECT_STREQ(L"zbc", s);
}

TEST(CStringBasics, ConcatenationAndComparison)
{
    CString s(L"ab");
    s += CString(L"cd");
    s += L"ef";
    s += L'g';
    s += static_cast<const wchar_t*>(nullptr);
    EXPECT_STREQ(L"abcdefg", s);

    CString t(L"mid");
    EXPECT_STREQ(L"<mid>", L"<" + t + L">");
    EXPECT_STREQ(L"[mid]", L'[' + t + L']');
    EXPECT_STREQ(L"midmid", t + t);

    EXPECT_TRUE(t == L"mid");
    EXPECT_TRUE(L"mid" == t);
    EXPECT_TRUE(t == CString(L"mid"));
    EXPECT_TRUE(L"mi" != t);
    EXPECT_FALSE(t != CString(L"mid"));
    EXPECT_TRUE(CString(L"abc") < CString(L"abd"));
    EXPECT_TRUE(L"ab" < CString(L"abc"));
    EXPECT_FALSE(CString(L"abc") < L"abc");

    EXPECT_EQ(0, CString(L"HeLLo").CompareNoCase(L"hello"));
    EXPECT_GT(CString(L"apple").Compare(L"BANANA"), 0);
    EXPECT_LT(CString(L"apple").CompareNoCase(L"BANANA"), 0);
}

TEST(CStringSearch, FindAndReverseFind)
{
    CString s(L"a/b/c.txt");
    EXPECT_EQ(1, s.Find(L'/'));
    EXPECT_EQ(3, s.Find(L'/', 2));
    EXPECT_EQ(-1, s.Find(L'/', 4));
    EXPECT_EQ(-1, s.Find(L'/', -1));
    EXPECT_EQ(-1, s.Find(L'a', 100));
    EXPECT_EQ(5, s.Find(L".txt"));
    EXPECT_EQ(2, s.Find(L"b/", 1));
    EXPECT_EQ(-1, s.Find(L"b/", 3));
    EXPECT_EQ(-1, s.Find(L"zzz"));
    EXPECT_EQ(3, s.ReverseFind(L'/'));
    EXPECT_EQ(-1, s.ReverseFind(L'#'));
    EXPECT_EQ(1, s.FindOneOf(L"./"));
}

TEST(CStringExtract, LeftMidRightClamp)
{
    CString s(L"hello");
    EXPECT_STREQ(L"he", s.Left(2));
    EXPECT_STREQ(L"", s.Left(-1));
    EXPECT_STREQ(L"hello", s.Left(100));
    EXPECT_STREQ(L"llo", s.Mid(2));
    EXPECT_STREQ(L"hello", s.Mid(-3));
    EXPECT_STREQ(L"", s.Mid(10));
    EXPECT_STREQ(L"ell", s.Mid(1, 3));
    EXPECT_STREQ(L"ello", s.Mid(1, 100));
    EXPECT_STREQ(L"", s.Mid(1, -1));
    EXPECT_STREQ(L"he", s.Mid(-2, 2));
    EXPECT_STREQ(L"lo", s.Right(2));
    EXPECT_STREQ(L"hello", s.Right(100));
    EXPECT_STREQ(L"", s.Right(-5));

    EXPECT_EQ(5, s.Left(100).GetLength());
    EXPECT_EQ(5, s.Mid(-3).GetLength());
    EXPECT_EQ(4, s.Mid(1, 100).GetLength());
    EXPECT_EQ(5, s.Right(100).GetLength());
}

TEST(CStringModify, CaseConversionAndTrim)
{
    CString s(L"stra\u00DFe");
    CString& ref = s.MakeUpper();
    EXPECT_EQ(&s, &ref);
    ASSERT_GE(s.GetLength(), 5);
    EXPECT_STREQ(L"STRA", s.Left(4));
    EXPECT_EQ(L'E', s[s.GetLength() - 1]);

    CString m(L"MiXeD 123");
    EXPECT_STREQ(L"mixed 123", m.MakeLower());

    CString t(L"  \t hi there \r\n");
    EXPECT_STREQ(L"hi there", CString(t).Trim());
    EXPECT_STREQ(L"hi there \r\n", CString(t).TrimLeft());
    EXPECT_STREQ(L"  \t hi there", CString(t).TrimRight());
    EXPECT_STREQ(L"1.5", CString(L"1.500").TrimRight(L'0'));
    EXPECT_STREQ(L"yxx", CString(L"xxyxx").TrimLeft(L'x'));
    EXPECT_STREQ(L"", CString(L"   ").Trim());
}

TEST(CStringModify, ReplaceInsertDelete)
{
    CString s(L"banana");
    EXPECT_EQ(3, s.Replace(L'a', L'o'));
    EXPECT_STREQ(L"bonono", s);
    EXPECT_EQ(0, s.Replace(L'o', L'o'));

    CString t(L"banana");
    EXPECT_EQ(2, t.Replace(L"an", L"AN"));
    EXPECT_STREQ(L"bANANa", t);

    CString u(L"aaaa");
    EXPECT_EQ(2, u.Replace(L"aa", L"b"));
    EXPECT_STREQ(L"bb", u);

    CString v(L"aa");
    EXPECT_EQ(2, v.Replace(L"a", L"aa"));
    EXPECT_STREQ(L"aaaa", v);

    CString w(L"x-y-z");
    EXPECT_EQ(0, w.Replace(L"", L"!"));
    EXPECT_EQ(2, w.Replace(L"-", nullptr));
    EXPECT_STREQ(L"xyz", w);

    CString d(L"abcd");
    EXPECT_EQ(5, d.Insert(2, L'X'));
    d.Insert(100, L'!');
    d.Insert(-4, L'^');
    EXPECT_STREQ(L"^abXcd!", d);
    EXPECT_EQ(5, d.Delete(1, 2));
    EXPECT_STREQ(L"^Xcd!", d);
    EXPECT_EQ(3, d.Delete(3, 100));
    EXPECT_EQ(3, d.Delete(10));
    EXPECT_STREQ(L"^Xc", d);
}

TEST(CStringBuffer, GetBufferReleaseBufferRoundTrip)
{
    CString s;
    std::wmemcpy(s.GetBuffer(10), L"hello", 6);
    s.ReleaseBuffer();
    EXPECT_EQ(5, s.GetLength());
    EXPECT_STREQ(L"hello", s);

    CString keep(L"abc");
    wchar_t* p = keep.GetBuffer(20);
    EXPECT_EQ(L'c', p[2]);
    p[1] = L'X';
    keep.ReleaseBuffer();
    EXPECT_STREQ(L"aXc", keep);
    EXPECT_EQ(3, keep.GetLength());

    keep.GetBuffer();
    keep.ReleaseBuffer(2);
    EXPECT_STREQ(L"aX", keep);

    p = keep.GetBufferSetLength(4);
    EXPECT_EQ(4, keep.GetLength());
    std::wmemcpy(p, L"wxyz", 4);
    keep.ReleaseBuffer(4);
    EXPECT_STREQ(L"wxyz", keep);
}

TEST(CStringBuffer, ServesAsWin32OutputBuffer)
{
    CString path;
    DWORD n = ::GetModuleFileNameW(nullptr, path.GetBuffer(MAX_PATH), MAX_PATH);
    path.ReleaseBuffer();
    ASSERT_GT(n, 4u);
    EXPECT_EQ(static_cast<int>(n), path.GetLength());
    EXPECT_EQ(0, path.Right(4).CompareNoCase(L".exe"));
}

TEST(CStringFormat, WideStringsAndChars)
{
    // Escapes keep the source ASCII so every compiler reads it the same way.
    const wchar_t* umlauts = L"Gr\u00FC\u00DFe, \u00DCbung";
    CString s;
    s.Format(L"[%s]", umlauts);
    EXPECT_STREQ(L"[Gr\u00FC\u00DFe, \u00DCbung]", s);
    EXPECT_EQ(14, s.GetLength());

    s.Format(L"[%8s][%-8s][%.3s][%8.3s]", L"abc", L"abc", L"abcdef", L"abcdef");
    EXPECT_STREQ(L"[     abc][abc     ][abc][     abc]", s);
    s.Format(L"[%-*s][%.*s][%*s]", 5, L"ab", 2, L"xyz", 4, L"\u00DC");
    EXPECT_STREQ(L"[ab   ][xy][   \u00DC]", s);

    s.Format(L"%c%c%3c|%-3c|%lc", L'A', L'\u00E9', L'z', L'q', L'w');
    EXPECT_STREQ(L"A\u00E9  z|q  |w", s);

    s.Format(L"%s|%s", static_cast<const wchar_t*>(nullptr), L"ok");
    EXPECT_STREQ(L"(null)|ok", s);
}

TEST(CStringFormat, NarrowArguments)
{
    CString s;
    s.Format(L"%S|%hs|%ls|%ws|%C|%hc", "narrow", "h-narrow", L"wide", L"wide2", 'x', 'y');
    EXPECT_STREQ(L"narrow|h-narrow|wide|wide2|x|y", s);
    s.Format(L"[%-7S][%.2S]", "abc", "abcdef");
    EXPECT_STREQ(L"[abc    ][ab]", s);
    s.Format(L"%S", static_cast<const char*>(nullptr));
    EXPECT_STREQ(L"(null)", s);
}

TEST(CStringFormat, IntegerSizes)
{
    CString s;
    s.Format(L"%ld|%ld|%ld|%d", LONG_MIN, -1L, LONG_MAX, 7);
    EXPECT_STREQ(L"-2147483648|-1|2147483647|7", s);
    s.Format(L"%lu|%d", ULONG_MAX, -3);
    EXPECT_STREQ(L"4294967295|-3", s);

    s.Format(L"%I64d|%I64u|%I64X|%d", INT64_MIN, UINT64_MAX, 0x1234ABCDEF0ULL, 9);
    EXPECT_STREQ(L"-9223372036854775808|18446744073709551615|1234ABCDEF0|9", s);
    s.Format(L"%lld|%llu", -5LL, 5ULL);
    EXPECT_STREQ(L"-5|5", s);

    size_t big = SIZE_MAX;
    s.Format(L"%Iu|%zu|%Id|%d", big, big, static_cast<ptrdiff_t>(-3), 11);
    std::wstring max = std::to_wstring(big);
    EXPECT_EQ(max + L"|" + max + L"|-3|11", std::wstring(s.GetString()));

    s.Format(L"%I32d|%hd|%hu|%hhd", -8, 70000, 70000, 300);
    EXPECT_STREQ(L"-8|4464|4464|44", s);
}

TEST(CStringFormat, IntegerFlagsAndBases)
{
    CString s;
    s.Format(L"[%5d][%-5d][%05d][%+d][% d][%.3d][%05.3d][%*d]", 42, 42, -42, 42, 42, 7, 7, -4, 1);
    EXPECT_STREQ(L"[   42][42   ][-0042][+42][ 42][007][  007][1   ]", s);

    s.Format(L"%x|%X|%#x|%#X|%08x|%#o|%o|%#x", 255u, 255u, 255u, 255u, 0xBEEFu, 8u, 8u, 0u);
    EXPECT_STREQ(L"ff|FF|0xff|0XFF|0000beef|010|10|0", s);

    s.Format(L"100%% done, %d%%", 5);
    EXPECT_STREQ(L"100% done, 5%", s);
}

TEST(CStringFormat, FloatingPoint)
{
    CString s;
    s.Format(L"%08.3f|%-8.2f|%+.1f|%.0f|%f", 3.14159, 2.5, 2.5, 2.0, 0.5);
    EXPECT_STREQ(L"0003.142|2.50    |+2.5|2|0.500000", s);
    s.Format(L"%g|%G|%.3e", 0.0001, 1e-10, 12345.678);
    EXPECT_STREQ(L"0.0001|1E-10|1.235e+04", s);
    s.Format(L"%.2f|%d|%1500.2f", -1234.5678, 3, 1.25);
    EXPECT_EQ(1511, s.GetLength());
    EXPECT_STREQ(L"-1234.57|3|", s.Left(11));
    EXPECT_STREQ(L"1.25", s.Right(4));
}

TEST(CStringFormat, Pointers)
{
    CString s;
    s.Format(L"%p", reinterpret_cast<void*>(static_cast<uintptr_t>(0x12AB)));
    std::wstring expected(sizeof(void*) * 2 - 4, L'0');
    expected += L"12AB";
    EXPECT_STREQ(expected.c_str(), s);

    s.Format(L"%p", static_cast<void*>(nullptr));
    EXPECT_FALSE(s.IsEmpty());
    EXPECT_EQ(static_cast<int>(sizeof(void*) * 2), s.GetLength());
}

TEST(CStringFormat, LongOutput)
{
    CString big(L'x', 3000);
    CString s;
    s.Format(L"<%s>", big.GetString());
    ASSERT_EQ(3002, s.GetLength());
    EXPECT_EQ(L'<', s[0]);
    EXPECT_EQ(L'x', s[1500]);
    EXPECT_EQ(L'>', s[3001]);

    s.Format(L"%2000d", 1);
    ASSERT_EQ(2000, s.GetLength());
    EXPECT_EQ(L' ', s[0]);
    EXPECT_EQ(L'1', s[1999]);

}

TEST(CStringFormat, AppendFormatAndAliasing)
{
    CString s(L"a");
    s.AppendFormat(L"-%d-%s", 5, L"b");
    s.AppendFormat(L"%c", L'!');
    EXPECT_STREQ(L"a-5-b!", s);

    CString self(L"abc");
    self.Format(L"%s%s", self.GetString(), self.GetString());
    EXPECT_STREQ(L"abcabc", self);

    EXPECT_STREQ(L"7 eight", Fmt(L"%d %s", 7, L"eight"));
}

TEST(CStringFormat, InvalidConversionsAreLiteral)
{
    EXPECT_STREQ(L"%y|3", Fmt(L"%y|%d", 3));
    EXPECT_STREQ(L"50%", Fmt(L"50%"));
    EXPECT_STREQ(L"4 %-5", Fmt(L"%d %-5", 4));
    EXPECT_STREQ(L"", Fmt(L""));
}

TEST(CStringResources, LoadStringOfMissingIdFails)
{
    CString s;
    EXPECT_FALSE(s.LoadString(12345));
    EXPECT_TRUE(s.IsEmpty());

    CString t(L"stale");
    EXPECT_FALSE(t.LoadString(54321));
    EXPECT_TRUE(t.IsEmpty());
}

TEST(CStringResources, LoadStringCopiesExactlyTheResourceText)
{
    CString s(L"old");
    ASSERT_TRUE(s.LoadString(IDS_TEST_STRING));
    EXPECT_STREQ(L"Gr\u00FC\u00DFe aus \u00DCbersee \u2013 \u00DF", s);
    EXPECT_EQ(21, s.GetLength());
}
