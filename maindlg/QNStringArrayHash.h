#pragma once

#include "framework/Collections.h"
#include "framework/Object.h"
#include "framework/String.h"

// One entry of a path set: a private copy of the text and its hash.
struct CQNStringArrayHashStruct
{
    CQNStringArrayHashStruct();
    ~CQNStringArrayHashStruct();
    CQNStringArrayHashStruct(const CQNStringArrayHashStruct&) = delete;
    CQNStringArrayHashStruct& operator=(const CQNStringArrayHashStruct&) = delete;

    // Stores a copy of psz and the hash nHash (computed when 0), reusing the
    // storage when it already holds a string at least as long.
    void SetString(const wchar_t* psz, UINT nHash);

    wchar_t* m_pszString;
    UINT m_nHash;
};

// Ordered, duplicate-free, case-insensitive set of strings with a 32-bit hash
// beside each entry to speed up membership tests.
class CQNStringArrayHash : public CObject
{
public:
    CQNStringArrayHash() = default;
    ~CQNStringArrayHash() override;
    CQNStringArrayHash(const CQNStringArrayHash&) = delete;
    CQNStringArrayHash& operator=(const CQNStringArrayHash&) = delete;

    // 32-bit FNV-1 over the towupper-ed UTF-16 units.
    static UINT HashString(const wchar_t* psz);

    int GetCount() const;
    // Throws the framework's invalid-argument exception out of range.
    CString GetAt(int nIndex) const;
    // The first entry with that hash and its index; null and -1 if none.
    CQNStringArrayHashStruct* FindHash(UINT nHash, int& nIndex) const;
    int Find(const wchar_t* psz) const;
    BOOL Add(CString str);
    BOOL Remove(CString str);
    void RemoveAll();

private:
    CArray<CQNStringArrayHashStruct*, CQNStringArrayHashStruct*> m_array;
};
