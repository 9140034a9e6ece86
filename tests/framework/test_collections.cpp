#include "framework/Collections.h"
#include "framework/Object.h"
#include "framework/String.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{

class CAnimal : public CObject
{
    DECLARE_DYNAMIC(CAnimal)
};

class CDog : public CAnimal
{
    DECLARE_DYNAMIC(CDog)
};

class CPuppy : public CDog
{
    DECLARE_DYNAMIC(CPuppy)
};

class CPlant : public CObject
{
    DECLARE_DYNAMIC(CPlant)
};

IMPLEMENT_DYNAMIC(CAnimal, CObject)
IMPLEMENT_DYNAMIC(CDog, CAnimal)
IMPLEMENT_DYNAMIC(CPuppy, CDog)
IMPLEMENT_DYNAMIC(CPlant, CObject)

template<class F>
bool ThrowsInvalidArg(F f)
{
    try
    {
        f();
    }
    catch (CInvalidArgException* e)
    {
        bool bKind = e != nullptr && e->IsKindOf(RUNTIME_CLASS(CInvalidArgException));
        if (e != nullptr)
            e->Delete();
        return bKind;
    }
    return false;
}

template<class T>
std::vector<T> ToVector(const CArray<T>& arr)
{
    return std::vector<T>(arr.GetData(), arr.GetData() + arr.GetSize());
}

template<class T>
std::vector<T> Forward(const CList<T>& list)
{
    std::vector<T> out;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;)
        out.push_back(list.GetNext(pos));
    return out;
}

template<class T>
std::vector<T> Backward(const CList<T>& list)
{
    std::vector<T> out;
    for (POSITION pos = list.GetTailPosition(); pos != nullptr;)
        out.push_back(list.GetPrev(pos));
    return out;
}

}

TEST(RuntimeClass, IsKindOfAndNamesAcrossThreeLevels)
{
    CPuppy puppy;
    CDog dog;
    CPlant plant;
    const CObject* pObj = &puppy;

    EXPECT_TRUE(pObj->IsKindOf(RUNTIME_CLASS(CPuppy)));
    EXPECT_TRUE(pObj->IsKindOf(RUNTIME_CLASS(CDog)));
    EXPECT_TRUE(pObj->IsKindOf(RUNTIME_CLASS(CAnimal)));
    EXPECT_TRUE(pObj->IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(pObj->IsKindOf(RUNTIME_CLASS(CPlant)));
    EXPECT_FALSE(pObj->IsKindOf(nullptr));
    EXPECT_FALSE(dog.IsKindOf(RUNTIME_CLASS(CPuppy)));
    EXPECT_FALSE(plant.IsKindOf(RUNTIME_CLASS(CAnimal)));

    EXPECT_STREQ("CPuppy", pObj->GetRuntimeClass()->m_lpszClassName);
    EXPECT_EQ(RUNTIME_CLASS(CDog), RUNTIME_CLASS(CPuppy)->m_pBaseClass);
    EXPECT_EQ(RUNTIME_CLASS(CObject), RUNTIME_CLASS(CAnimal)->m_pBaseClass);
    EXPECT_EQ(nullptr, RUNTIME_CLASS(CObject)->m_pBaseClass);
    EXPECT_STREQ("CObject", RUNTIME_CLASS(CObject)->m_lpszClassName);

    CStringArray strings;
    EXPECT_STREQ("CStringArray", strings.GetRuntimeClass()->m_lpszClassName);
    EXPECT_STREQ("CInvalidArgException", RUNTIME_CLASS(CInvalidArgException)->m_lpszClassName);
    EXPECT_TRUE(RUNTIME_CLASS(CInvalidArgException)->IsDerivedFrom(RUNTIME_CLASS(CObject)));
}

TEST(CArrayTest, AddSetAndResize)
{
    CArray<int> arr;
    EXPECT_TRUE(arr.IsEmpty());
    EXPECT_EQ(-1, arr.GetUpperBound());
    EXPECT_EQ(0, arr.Add(10));
    EXPECT_EQ(1, arr.Add(20));
    EXPECT_EQ(2, arr.Add(30));
    EXPECT_EQ(3, arr.GetCount());
    EXPECT_EQ(2, arr.GetUpperBound());
    arr.SetAt(1, 21);
    arr.ElementAt(2) += 1;
    EXPECT_EQ((std::vector<int>{10, 21, 31}), ToVector(arr));

    arr.SetSize(5);
    EXPECT_EQ((std::vector<int>{10, 21, 31, 0, 0}), ToVector(arr));
    arr.SetSize(1);
    EXPECT_EQ((std::vector<int>{10}), ToVector(arr));
}

TEST(CArrayTest, RangeChecksThrowInvalidArg)
{
    CArray<int> arr;
    EXPECT_TRUE(ThrowsInvalidArg([&] { arr.GetAt(0); }));
    arr.Add(1);
    arr.Add(2);
    const CArray<int>& carr = arr;

    EXPECT_TRUE(ThrowsInvalidArg([&] { arr.GetAt(-1); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { arr.GetAt(2); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { arr[2] = 5; }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { (void)carr[-1]; }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { arr.ElementAt(7); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { arr.SetAt(2, 9); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { arr.RemoveAt(2); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { arr.RemoveAt(-1); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { arr.RemoveAt(1, 2); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { arr.InsertAt(-1, 0); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { arr.SetSize(-1); }));
    EXPECT_FALSE(ThrowsInvalidArg([&] { arr.GetAt(1); }));

    EXPECT_EQ((std::vector<int>{1, 2}), ToVector(arr));
}

TEST(CArrayTest, InsertAtAndRemoveAtShift)
{
    CArray<int> arr;
    arr.Add(1);
    arr.Add(2);
    arr.Add(3);
    arr.InsertAt(1, 9);
    EXPECT_EQ((std::vector<int>{1, 9, 2, 3}), ToVector(arr));
    arr.InsertAt(0, 7, 2);
    EXPECT_EQ((std::vector<int>{7, 7, 1, 9, 2, 3}), ToVector(arr));
    arr.InsertAt(arr.GetSize(), 5);
    arr.InsertAt(9, 4);
    EXPECT_EQ((std::vector<int>{7, 7, 1, 9, 2, 3, 5, 0, 0, 4}), ToVector(arr));

    arr.RemoveAt(1);
    EXPECT_EQ((std::vector<int>{7, 1, 9, 2, 3, 5, 0, 0, 4}), ToVector(arr));
    arr.RemoveAt(2, 3);
    EXPECT_EQ((std::vector<int>{7, 1, 5, 0, 0, 4}), ToVector(arr));
    arr.RemoveAt(5);
    arr.RemoveAt(0, 2);
    EXPECT_EQ((std::vector<int>{5, 0, 0}), ToVector(arr));
}

TEST(CArrayTest, AppendCopyAndSelfReference)
{
    CArray<CString> a;
    a.Add(CString(L"x"));
    a.Add(CString(L"y"));
    CArray<CString> b;
    b.Add(CString(L"z"));

    EXPECT_EQ(2, a.Append(b));
    ASSERT_EQ(3, a.GetSize());
    EXPECT_STREQ(L"z", a[2]);

    EXPECT_EQ(3, a.Append(a));
    ASSERT_EQ(6, a.GetSize());
    EXPECT_STREQ(L"x", a[3]);
    EXPECT_STREQ(L"z", a[5]);

    b.Copy(a);
    EXPECT_EQ(6, b.GetSize());
    b[0] = L"changed";
    EXPECT_STREQ(L"x", a[0]);

    // Adding an element of the array itself must survive reallocation.
    for (int i = 0; i < 100; ++i)
        a.Add(a[0]);
    EXPECT_STREQ(L"x", a[a.GetUpperBound()]);
}

TEST(CArrayTest, StringArrayTakesLiterals)
{
    CStringArray arr;
    EXPECT_EQ(0, arr.Add(L"first"));
    EXPECT_EQ(1, arr.Add(CString(L"second")));
    arr.InsertAt(0, L"zeroth");
    ASSERT_EQ(3, arr.GetSize());
    EXPECT_STREQ(L"zeroth", arr[0]);
    EXPECT_STREQ(L"first", arr.GetAt(1));
    EXPECT_TRUE(arr[2] == L"second");
    EXPECT_TRUE(ThrowsInvalidArg([&] { arr.GetAt(3); }));
}

TEST(CListTest, UsedAsStack)
{
    CList<int> stack;
    EXPECT_TRUE(stack.IsEmpty());
    stack.AddHead(1);
    stack.AddHead(2);
    stack.AddHead(3);
    EXPECT_EQ(3, stack.GetCount());
    EXPECT_EQ(3, stack.GetHead());
    EXPECT_EQ(1, stack.GetTail());
    EXPECT_EQ(3, stack.RemoveHead());
    EXPECT_EQ(2, stack.GetHead());
    EXPECT_EQ(2, stack.RemoveHead());
    EXPECT_EQ(1, stack.RemoveHead());
    EXPECT_TRUE(stack.IsEmpty());
    EXPECT_EQ(nullptr, stack.GetHeadPosition());
    EXPECT_EQ(nullptr, stack.GetTailPosition());

    EXPECT_TRUE(ThrowsInvalidArg([&] { stack.RemoveHead(); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { stack.RemoveTail(); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { stack.GetHead(); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { stack.GetTail(); }));

    stack.AddHead(8);
    EXPECT_EQ(8, stack.GetTail());
    EXPECT_EQ(1, stack.GetSize());
}

TEST(CListTest, PositionsStayValidWhenOthersAreRemoved)
{
    CList<CString> list;
    POSITION posA = list.AddTail(CString(L"A"));
    POSITION posB = list.AddTail(CString(L"B"));
    POSITION posC = list.AddTail(CString(L"C"));
    POSITION posD = list.AddTail(CString(L"D"));

    list.RemoveAt(posC);
    EXPECT_EQ(3, list.GetCount());
    EXPECT_STREQ(L"B", list.GetAt(posB));
    EXPECT_STREQ(L"D", list.GetAt(posD));

    POSITION walk = posB;
    EXPECT_STREQ(L"B", list.GetNext(walk));
    EXPECT_EQ(posD, walk);
    EXPECT_STREQ(L"D", list.GetPrev(walk));
    EXPECT_EQ(posB, walk);

    list.RemoveAt(posA);
    EXPECT_EQ(posB, list.GetHeadPosition());
    list.RemoveAt(posD);
    EXPECT_EQ(posB, list.GetTailPosition());
    EXPECT_STREQ(L"B", list.GetHead());

    list.SetAt(posB, CString(L"b"));
    EXPECT_STREQ(L"b", list.GetTail());
    EXPECT_TRUE(ThrowsInvalidArg([&] { list.GetAt(nullptr); }));
}

TEST(CListTest, InsertRemoveAndIterateBothWays)
{
    CList<int> list;
    POSITION pos2 = list.AddTail(2);
    list.InsertBefore(pos2, 1);
    POSITION pos4 = list.InsertAfter(pos2, 4);
    list.InsertBefore(pos4, 3);
    list.InsertAfter(pos4, 5);
    list.InsertBefore(nullptr, 0);
    list.InsertAfter(nullptr, 6);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6}), Forward(list));
    EXPECT_EQ((std::vector<int>{6, 5, 4, 3, 2, 1, 0}), Backward(list));
    EXPECT_EQ(7, list.GetCount());
    EXPECT_EQ(6, list.RemoveTail());
    EXPECT_EQ(0, list.RemoveHead());
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5}), Forward(list));
}

TEST(CListTest, FindAndFindIndex)
{
    CList<int> list;
    list.AddTail(1);
    POSITION pos2 = list.AddTail(2);
    POSITION secondOne = list.AddTail(1);
    POSITION pos3 = list.AddTail(3);

    EXPECT_EQ(list.GetHeadPosition(), list.Find(1));
    EXPECT_EQ(secondOne, list.Find(1, list.GetHeadPosition()));
    EXPECT_EQ(secondOne, list.Find(1, pos2));
    EXPECT_EQ(nullptr, list.Find(1, secondOne));
    EXPECT_EQ(nullptr, list.Find(4));
    EXPECT_EQ(nullptr, list.Find(3, pos3));

    EXPECT_EQ(list.GetHeadPosition(), list.FindIndex(0));
    EXPECT_EQ(pos2, list.FindIndex(1));
    EXPECT_EQ(pos3, list.FindIndex(3));
    EXPECT_EQ(nullptr, list.FindIndex(4));
    EXPECT_EQ(nullptr, list.FindIndex(-1));
}

TEST(CListTest, CopyIsDeep)
{
    CList<CString> list;
    list.AddTail(CString(L"one"));
    list.AddTail(CString(L"two"));
    CList<CString> copy(list);
    copy.GetHead() = L"uno";
    copy.AddTail(CString(L"three"));
    EXPECT_STREQ(L"one", list.GetHead());
    EXPECT_EQ(2, list.GetCount());
    EXPECT_EQ(3, copy.GetCount());

    list = copy;
    EXPECT_STREQ(L"uno", list.GetHead());
    EXPECT_STREQ(L"three", list.GetTail());
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(3, copy.GetCount());
}
