#pragma once

struct CRuntimeClass
{
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;

    bool IsDerivedFrom(const CRuntimeClass* pBase) const;
};

#define RUNTIME_CLASS(cls) (&cls::class##cls)

#define DECLARE_DYNAMIC(cls)                                   \
public:                                                        \
    static const CRuntimeClass class##cls;                     \
    const CRuntimeClass* GetRuntimeClass() const override;

// The class records are aggregates initialised with addresses of other
// statics, so they are constant-initialised and safe to use from other
// translation units' static constructors.
#define IMPLEMENT_DYNAMIC(cls, base)                                   \
    const CRuntimeClass cls::class##cls = { #cls, RUNTIME_CLASS(base) }; \
    const CRuntimeClass* cls::GetRuntimeClass() const                  \
    {                                                                  \
        return RUNTIME_CLASS(cls);                                     \
    }

class CObject
{
public:
    virtual ~CObject();

    virtual const CRuntimeClass* GetRuntimeClass() const;
    bool IsKindOf(const CRuntimeClass* pClass) const;

    static const CRuntimeClass classCObject;

protected:
    CObject();
    // Protected so that value-like derived classes may be copied while
    // slicing copies through a CObject reference stay impossible.
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};
