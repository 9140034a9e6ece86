#include "framework/Collections.h"

IMPLEMENT_DYNAMIC(CInvalidArgException, CObject)

CInvalidArgException::CInvalidArgException() = default;

CInvalidArgException::~CInvalidArgException() = default;

void CInvalidArgException::Delete()
{
    delete this;
}

void AfxThrowInvalidArgException()
{
    throw new CInvalidArgException();
}

IMPLEMENT_DYNAMIC(CStringArray, CObject)
