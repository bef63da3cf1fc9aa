// The runtime's own objects (error info, type libraries and their type
// information): a reference count and QueryInterface over their
// interfaces, no aggregation and no module lock. Made with a count of one.
#pragma once

#include <atomic>

#include "platform/com/interface_id.h"

namespace platform::com {

template <class First, class... Rest>
class RefCounted : public First, public Rest... {
public:
    HRESULT QueryInterface(const IID& iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        IUnknown* found = iid == IID_IUnknown ? static_cast<First*>(this)
                                              : detail::findInterface<First, Rest...>(this, iid);
        *ppv = found;
        if (!found) return E_NOINTERFACE;
        found->AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++m_references; }
    ULONG Release() override {
        const ULONG left = --m_references;
        if (left == 0) delete this;
        return left;
    }

protected:
    RefCounted() = default;
    virtual ~RefCounted() = default;

private:
    std::atomic<ULONG> m_references{1};
};

}  // namespace platform::com
