#pragma once

#include "framework/Object.h"
#include "framework/String.h"

#include <windows.h>

#include <utility>
#include <vector>

// Declared rather than defined so that any other header spelling the
// opaque position type the same way can coexist with this one.
#ifndef QUILLON_POSITION_DEFINED
#define QUILLON_POSITION_DEFINED
struct __POSITION;
typedef __POSITION* POSITION;
#endif

// Thrown by pointer, MFC style: catch (CInvalidArgException* e) { e->Delete(); }
class CInvalidArgException : public CObject
{
    DECLARE_DYNAMIC(CInvalidArgException)

public:
    CInvalidArgException();
    ~CInvalidArgException() override;

    void Delete();
};

[[noreturn]] void AfxThrowInvalidArgException();

template<class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject
{
public:
    CArray() = default;
    CArray(const CArray& src) = default;
    CArray& operator=(const CArray& src) = default;
    ~CArray() override = default;

    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_data.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    BOOL IsEmpty() const { return m_data.empty() ? TRUE : FALSE; }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }

    void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1)
    {
        if (nNewSize < 0)
            AfxThrowInvalidArgException();
        if (nGrowBy >= 0)
            m_nGrowBy = nGrowBy;
        m_data.resize(static_cast<size_t>(nNewSize));
    }

    void FreeExtra() { m_data.shrink_to_fit(); }
    void RemoveAll() { m_data.clear(); }

    const TYPE& GetAt(INT_PTR nIndex) const { return m_data[CheckedIndex(nIndex)]; }
    TYPE& GetAt(INT_PTR nIndex) { return m_data[CheckedIndex(nIndex)]; }
    const TYPE& ElementAt(INT_PTR nIndex) const { return m_data[CheckedIndex(nIndex)]; }
    TYPE& ElementAt(INT_PTR nIndex) { return m_data[CheckedIndex(nIndex)]; }
    const TYPE& operator[](INT_PTR nIndex) const { return m_data[CheckedIndex(nIndex)]; }
    TYPE& operator[](INT_PTR nIndex) { return m_data[CheckedIndex(nIndex)]; }

    void SetAt(INT_PTR nIndex, ARG_TYPE newElement) { m_data[CheckedIndex(nIndex)] = newElement; }

    void SetAtGrow(INT_PTR nIndex, ARG_TYPE newElement)
    {
        if (nIndex < 0)
            AfxThrowInvalidArgException();
        TYPE value(newElement);
        if (nIndex >= GetSize())
            m_data.resize(static_cast<size_t>(nIndex) + 1);
        m_data[static_cast<size_t>(nIndex)] = std::move(value);
    }

    const TYPE* GetData() const { return m_data.data(); }
    TYPE* GetData() { return m_data.data(); }

    INT_PTR Add(ARG_TYPE newElement)
    {
        m_data.push_back(newElement);
        return GetSize() - 1;
    }

    INT_PTR Append(const CArray& src)
    {
        INT_PTR nOldSize = GetSize();
        if (&src == this)
        {
            std::vector<TYPE> copy(m_data);
            m_data.insert(m_data.end(), copy.begin(), copy.end());
        }
        else
        {
            m_data.insert(m_data.end(), src.m_data.begin(), src.m_data.end());
        }
        return nOldSize;
    }

    void Copy(const CArray& src)
    {
        if (&src != this)
            m_data = src.m_data;
    }

    // An index past the end first grows the array with default elements.
    void InsertAt(INT_PTR nIndex, ARG_TYPE newElement, INT_PTR nCount = 1)
    {
        if (nIndex < 0 || nCount <= 0)
            AfxThrowInvalidArgException();
        TYPE value(newElement);
        if (nIndex > GetSize())
            m_data.resize(static_cast<size_t>(nIndex));
        m_data.insert(m_data.begin() + nIndex, static_cast<size_t>(nCount), value);
    }

    void InsertAt(INT_PTR nStartIndex, const CArray* pNewArray)
    {
        if (pNewArray == nullptr || nStartIndex < 0)
            AfxThrowInvalidArgException();
        if (pNewArray->IsEmpty())
            return;
        std::vector<TYPE> copy(pNewArray->m_data);
        if (nStartIndex > GetSize())
            m_data.resize(static_cast<size_t>(nStartIndex));
        m_data.insert(m_data.begin() + nStartIndex, copy.begin(), copy.end());
    }

    void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1)
    {
        INT_PTR nSize = GetSize();
        if (nIndex < 0 || nCount < 0 || nIndex > nSize || nCount > nSize - nIndex)
            AfxThrowInvalidArgException();
        m_data.erase(m_data.begin() + nIndex, m_data.begin() + (nIndex + nCount));
    }

protected:
    std::vector<TYPE> m_data;
    // Kept for interface fidelity; std::vector already grows geometrically.
    INT_PTR m_nGrowBy = 0;

private:
    size_t CheckedIndex(INT_PTR nIndex) const
    {
        if (nIndex < 0 || nIndex >= GetSize())
            AfxThrowInvalidArgException();
        return static_cast<size_t>(nIndex);
    }
};

template<class TYPE, class ARG_TYPE = const TYPE&>
class CList : public CObject
{
public:
    explicit CList(INT_PTR nBlockSize = 10) : m_nBlockSize(nBlockSize) {}

    CList(const CList& src) : CObject(src), m_nBlockSize(src.m_nBlockSize)
    {
        for (CNode* pNode = src.m_pNodeHead; pNode != nullptr; pNode = pNode->pNext)
            AddTail(pNode->data);
    }

    CList& operator=(const CList& src)
    {
        if (&src != this)
        {
            CList copy(src);
            std::swap(m_pNodeHead, copy.m_pNodeHead);
            std::swap(m_pNodeTail, copy.m_pNodeTail);
            std::swap(m_nCount, copy.m_nCount);
            m_nBlockSize = src.m_nBlockSize;
        }
        return *this;
    }

    ~CList() override { RemoveAll(); }

    INT_PTR GetCount() const { return m_nCount; }
    INT_PTR GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0 ? TRUE : FALSE; }

    TYPE& GetHead() { return NonEmpty(m_pNodeHead)->data; }
    const TYPE& GetHead() const { return NonEmpty(m_pNodeHead)->data; }
    TYPE& GetTail() { return NonEmpty(m_pNodeTail)->data; }
    const TYPE& GetTail() const { return NonEmpty(m_pNodeTail)->data; }

    POSITION AddHead(ARG_TYPE newElement) { return InsertBefore(ToPosition(m_pNodeHead), newElement); }
    POSITION AddTail(ARG_TYPE newElement) { return InsertAfter(ToPosition(m_pNodeTail), newElement); }

    TYPE RemoveHead()
    {
        CNode* pNode = NonEmpty(m_pNodeHead);
        TYPE value(std::move(pNode->data));
        Unlink(pNode);
        return value;
    }

    TYPE RemoveTail()
    {
        CNode* pNode = NonEmpty(m_pNodeTail);
        TYPE value(std::move(pNode->data));
        Unlink(pNode);
        return value;
    }

    void RemoveAll()
    {
        CNode* pNode = m_pNodeHead;
        while (pNode != nullptr)
        {
            CNode* pNext = pNode->pNext;
            delete pNode;
            pNode = pNext;
        }
        m_pNodeHead = nullptr;
        m_pNodeTail = nullptr;
        m_nCount = 0;
    }

    POSITION GetHeadPosition() const { return ToPosition(m_pNodeHead); }
    POSITION GetTailPosition() const { return ToPosition(m_pNodeTail); }

    // Returns the element at rPosition and moves rPosition on; it becomes
    // null after the last element.
    TYPE& GetNext(POSITION& rPosition)
    {
        CNode* pNode = FromPosition(rPosition);
        rPosition = ToPosition(pNode->pNext);
        return pNode->data;
    }

    const TYPE& GetNext(POSITION& rPosition) const
    {
        CNode* pNode = FromPosition(rPosition);
        rPosition = ToPosition(pNode->pNext);
        return pNode->data;
    }

    TYPE& GetPrev(POSITION& rPosition)
    {
        CNode* pNode = FromPosition(rPosition);
        rPosition = ToPosition(pNode->pPrev);
        return pNode->data;
    }

    const TYPE& GetPrev(POSITION& rPosition) const
    {
        CNode* pNode = FromPosition(rPosition);
        rPosition = ToPosition(pNode->pPrev);
        return pNode->data;
    }

    TYPE& GetAt(POSITION position) { return FromPosition(position)->data; }
    const TYPE& GetAt(POSITION position) const { return FromPosition(position)->data; }
    void SetAt(POSITION position, ARG_TYPE newElement) { FromPosition(position)->data = newElement; }

    void RemoveAt(POSITION position) { Unlink(FromPosition(position)); }

    // A null position inserts at the head, as in MFC.
    POSITION InsertBefore(POSITION position, ARG_TYPE newElement)
    {
        CNode* pNew = new CNode(newElement);
        CNode* pNext = position == nullptr ? m_pNodeHead : FromPosition(position);
        CNode* pPrev = pNext != nullptr ? pNext->pPrev : nullptr;
        Link(pNew, pPrev, pNext);
        return ToPosition(pNew);
    }

    // A null position inserts at the tail, as in MFC.
    POSITION InsertAfter(POSITION position, ARG_TYPE newElement)
    {
        CNode* pNew = new CNode(newElement);
        CNode* pPrev = position == nullptr ? m_pNodeTail : FromPosition(position);
        CNode* pNext = pPrev != nullptr ? pPrev->pNext : nullptr;
        Link(pNew, pPrev, pNext);
        return ToPosition(pNew);
    }

    POSITION Find(ARG_TYPE searchValue, POSITION startAfter = nullptr) const
    {
        CNode* pNode = startAfter == nullptr ? m_pNodeHead : FromPosition(startAfter)->pNext;
        for (; pNode != nullptr; pNode = pNode->pNext)
        {
            if (pNode->data == searchValue)
                return ToPosition(pNode);
        }
        return nullptr;
    }

    POSITION FindIndex(INT_PTR nIndex) const
    {
        if (nIndex < 0 || nIndex >= m_nCount)
            return nullptr;
        CNode* pNode = m_pNodeHead;
        while (nIndex-- > 0)
            pNode = pNode->pNext;
        return ToPosition(pNode);
    }

protected:
    // Nodes are allocated one by one; the block size is only remembered.
    INT_PTR m_nBlockSize;

private:
    struct CNode
    {
        explicit CNode(ARG_TYPE value) : data(value) {}

        CNode* pNext = nullptr;
        CNode* pPrev = nullptr;
        TYPE data;
    };

    static POSITION ToPosition(CNode* pNode) { return reinterpret_cast<POSITION>(pNode); }

    static CNode* FromPosition(POSITION position)
    {
        if (position == nullptr)
            AfxThrowInvalidArgException();
        return reinterpret_cast<CNode*>(position);
    }

    static CNode* NonEmpty(CNode* pEnd)
    {
        if (pEnd == nullptr)
            AfxThrowInvalidArgException();
        return pEnd;
    }

    void Link(CNode* pNew, CNode* pPrev, CNode* pNext)
    {
        pNew->pPrev = pPrev;
        pNew->pNext = pNext;
        if (pPrev != nullptr)
            pPrev->pNext = pNew;
        else
            m_pNodeHead = pNew;
        if (pNext != nullptr)
            pNext->pPrev = pNew;
        else
            m_pNodeTail = pNew;
        ++m_nCount;
    }

    void Unlink(CNode* pNode)
    {
        if (pNode->pPrev != nullptr)
            pNode->pPrev->pNext = pNode->pNext;
        else
            m_pNodeHead = pNode->pNext;
        if (pNode->pNext != nullptr)
            pNode->pNext->pPrev = pNode->pPrev;
        else
            m_pNodeTail = pNode->pPrev;
        --m_nCount;
        delete pNode;
    }

    CNode* m_pNodeHead = nullptr;
    CNode* m_pNodeTail = nullptr;
    INT_PTR m_nCount = 0;
};

class CStringArray : public CArray<CString, const CString&>
{
    DECLARE_DYNAMIC(CStringArray)

public:
    using CArray<CString, const CString&>::Add;

    INT_PTR Add(const wchar_t* psz) { return CArray<CString, const CString&>::Add(CString(psz)); }
};
