#include "framework/Object.h"

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBase) const
{
    if (pBase == nullptr)
        return false;
    for (const CRuntimeClass* p = this; p != nullptr; p = p->m_pBaseClass)
    {
        if (p == pBase)
            return true;
    }
    return false;
}

const CRuntimeClass CObject::classCObject = { "CObject", nullptr };

CObject::CObject() = default;

CObject::~CObject() = default;

const CRuntimeClass* CObject::GetRuntimeClass() const
{
    return RUNTIME_CLASS(CObject);
}

bool CObject::IsKindOf(const CRuntimeClass* pClass) const
{
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}
