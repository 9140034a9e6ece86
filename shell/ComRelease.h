#pragma once

// Releases a COM interface when it leaves scope.
template<class T>
class CComRelease
{
public:
    CComRelease() = default;
    ~CComRelease()
    {
        if (m_p != nullptr)
            m_p->Release();
    }
    CComRelease(const CComRelease&) = delete;
    CComRelease& operator=(const CComRelease&) = delete;
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }
    T** operator&() { return &m_p; }
    void** AsVoid() { return reinterpret_cast<void**>(&m_p); }

private:
    T* m_p = nullptr;
};
