// A minimal owning interface pointer. Header-only: the player DLL uses it without linking the framework.
#pragma once

#include <objbase.h>

#include <utility>

template <class T>
class CComRef {
public:
    CComRef() = default;
    // Takes a new reference.
    explicit CComRef(T* p) : m_p(p)
    {
        if (m_p)
            m_p->AddRef();
    }
    CComRef(const CComRef& other) : CComRef(other.m_p) {}
    CComRef(CComRef&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    CComRef& operator=(CComRef other) noexcept
    {
        std::swap(m_p, other.m_p);
        return *this;
    }
    ~CComRef() { Release(); }

    void Release()
    {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }
    // For out parameters: releases what is held first.
    T** Receive()
    {
        Release();
        return &m_p;
    }
    HRESULT QueryFrom(IUnknown* source, REFIID iid)
    {
        Release();
        return source ? source->QueryInterface(iid, reinterpret_cast<void**>(&m_p)) : E_POINTER;
    }
    // Hands the reference to an out parameter.
    T* Detach() { return std::exchange(m_p, nullptr); }
    // Gives an out parameter a reference of its own, or null.
    HRESULT CopyTo(T** out) const
    {
        if (!out)
            return E_POINTER;
        *out = m_p;
        if (m_p)
            m_p->AddRef();
        return S_OK;
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};
