// A snapshot enumerator for the connection-point and filter interfaces: it holds its own copies of
// the items, so the source may change while a caller walks it.
#pragma once

#include <ocidl.h>

#include <new>
#include <vector>

#include "Module.h"
#include "QuerySingleInterface.h"

// CopyItem gives a copy that the receiver owns and frees with ReleaseItem.
template <class Interface> Interface* CopyItem(Interface* item)
{
    item->AddRef();
    return item;
}
template <class Interface> void ReleaseItem(Interface* item) { item->Release(); }
inline CONNECTDATA CopyItem(const CONNECTDATA& item)
{
    item.pUnk->AddRef();
    return item;
}
inline void ReleaseItem(const CONNECTDATA& item) { item.pUnk->Release(); }

template <class IEnum, class Item, const IID& kIid>
class CEnumerator final : public IEnum {
public:
    static HRESULT Create(const std::vector<Item>& items, IEnum** ppEnum)
    {
        if (!ppEnum)
            return E_POINTER;
        *ppEnum = new (std::nothrow) CEnumerator(items, 0);
        return *ppEnum ? S_OK : E_OUTOFMEMORY;
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        return QuerySingleInterface(static_cast<IEnum*>(this), kIid, riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_refs); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0)
            delete this;
        return refs;
    }

    STDMETHODIMP Next(ULONG count, Item* items, ULONG* fetched) override
    {
        if (!items || (count > 1 && !fetched))
            return E_POINTER;
        ULONG done = 0;
        for (; done < count && m_position < m_items.size(); ++done, ++m_position) {
            items[done] = CopyItem(m_items[m_position]);
        }
        if (fetched)
            *fetched = done;
        return done == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override
    {
        size_t left = m_items.size() - m_position;
        m_position += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override
    {
        m_position = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnum** ppEnum) override
    {
        if (!ppEnum)
            return E_POINTER;
        *ppEnum = new (std::nothrow) CEnumerator(m_items, m_position);
        return *ppEnum ? S_OK : E_OUTOFMEMORY;
    }

private:
    CEnumerator(const std::vector<Item>& items, size_t position) : m_position(position)
    {
        for (const Item& item : items)
            m_items.push_back(CopyItem(item));
    }
    ~CEnumerator()
    {
        for (const Item& item : m_items)
            ReleaseItem(item);
    }

    CModuleLock m_moduleLock;
    LONG m_refs = 1;
    std::vector<Item> m_items;
    size_t m_position;
};

using CEnumConnectionPoints = CEnumerator<IEnumConnectionPoints, IConnectionPoint*, IID_IEnumConnectionPoints>;
using CEnumConnections = CEnumerator<IEnumConnections, CONNECTDATA, IID_IEnumConnections>;
