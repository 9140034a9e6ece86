#include "maindlg/QNStringArrayHash.h"

#include <wchar.h>
#include <wctype.h>

CQNStringArrayHashStruct::CQNStringArrayHashStruct() : m_pszString(nullptr), m_nHash(0)
{
}

CQNStringArrayHashStruct::~CQNStringArrayHashStruct()
{
    delete[] m_pszString;
}

void CQNStringArrayHashStruct::SetString(const wchar_t* psz, UINT nHash)
{
    if (psz == nullptr)
        psz = L"";
    const size_t nLength = wcslen(psz);
    if (m_pszString == nullptr || wcslen(m_pszString) < nLength)
    {
        delete[] m_pszString;
        m_pszString = nullptr;
        m_pszString = new wchar_t[nLength + 4];
    }
    wmemcpy(m_pszString, psz, nLength + 1);
    m_nHash = nHash != 0 ? nHash : CQNStringArrayHash::HashString(psz);
}

CQNStringArrayHash::~CQNStringArrayHash()
{
    RemoveAll();
}

UINT CQNStringArrayHash::HashString(const wchar_t* psz)
{
    UINT nHash = 0x811C9DC5u;
    for (; psz != nullptr && *psz != L'\0'; ++psz)
    {
        nHash *= 0x01000193u;
        nHash ^= static_cast<UINT>(static_cast<unsigned short>(towupper(*psz)));
    }
    return nHash;
}

int CQNStringArrayHash::GetCount() const
{
    return static_cast<int>(m_array.GetCount());
}

CString CQNStringArrayHash::GetAt(int nIndex) const
{
    return CString(m_array.GetAt(nIndex)->m_pszString);
}

CQNStringArrayHashStruct* CQNStringArrayHash::FindHash(UINT nHash, int& nIndex) const
{
    const int nCount = GetCount();
    for (int i = 0; i < nCount; ++i)
    {
        if (m_array[i]->m_nHash == nHash)
        {
            nIndex = i;
            return m_array[i];
        }
    }
    nIndex = -1;
    return nullptr;
}

int CQNStringArrayHash::Find(const wchar_t* psz) const
{
    if (psz == nullptr)
        psz = L"";
    int nIndex = -1;
    const CQNStringArrayHashStruct* pEntry = FindHash(HashString(psz), nIndex);
    if (pEntry == nullptr)
        return -1;
    if (::lstrcmpiW(pEntry->m_pszString, psz) == 0)
        return nIndex;
    // Another text with the same hash: only the texts can tell.
    const int nCount = GetCount();
    for (int i = 0; i < nCount; ++i)
    {
        if (::lstrcmpiW(m_array[i]->m_pszString, psz) == 0)
            return i;
    }
    return -1;
}

BOOL CQNStringArrayHash::Add(CString str)
{
    // An equal hash alone does not make a duplicate: a different path that
    // happens to share it must not go missing.
    if (Find(str) >= 0)
        return FALSE;
    CQNStringArrayHashStruct* pEntry = new CQNStringArrayHashStruct;
    pEntry->SetString(str, HashString(str));
    try
    {
        m_array.Add(pEntry);
    }
    catch (...)
    {
        delete pEntry;
        throw;
    }
    return TRUE;
}

BOOL CQNStringArrayHash::Remove(CString str)
{
    const int nIndex = Find(str);
    if (nIndex < 0)
        return FALSE;
    CQNStringArrayHashStruct* pEntry = m_array[nIndex];
    m_array.RemoveAt(nIndex);
    delete pEntry;
    return TRUE;
}

void CQNStringArrayHash::RemoveAll()
{
    for (INT_PTR i = 0; i < m_array.GetCount(); ++i)
        delete m_array[i];
    m_array.RemoveAll();
    m_array.FreeExtra();
}
