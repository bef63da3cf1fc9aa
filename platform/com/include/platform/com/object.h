// What an in-process server is made of: objects with a reference count
// that may be aggregated, class factories, and the module's lock count that
// DllCanUnloadNow reports. See server.h for the exported entry points.
//
//   class Widget final : public platform::com::Object<Widget, platform::com::Dispatch<IWidget>> {
//   public:
//       HRESULT get_Size(LONG* size) override { ... }
//   };
//   // A factory: platform::com::ClassFactory<Widget>, or Widget::create(outer, iid, ppv).
#pragma once

#include <atomic>
#include <new>

#include "platform/boundary.h"
#include "platform/com/interface_id.h"

namespace platform::com {

// The module's lock count: live objects, factories and LockServer(TRUE).
void lockModule() noexcept;
void unlockModule() noexcept;
LONG moduleLockCount() noexcept;

// Derived implements Bases (interfaces, or implementations such as
// Dispatch<I>). QueryInterface answers IUnknown and each base's interface;
// AddRef and Release count references. Made with an outer unknown, the
// object is aggregated: its interfaces' IUnknown members go to the outer
// object, and only the inner unknown handed to the outer object counts the
// object's own references. A live object holds a module lock.
template <class Derived, class... Bases>
class Object : public Bases... {
public:
    // Creates an object and answers iid on it (the inner unknown when
    // aggregated, where only IID_IUnknown may be asked for). Derived needs a
    // default constructor; one that throws WinError gives its code.
    static HRESULT create(IUnknown* outer, const IID& iid, void** ppv) noexcept {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
        return winHr([&] {
            auto* object = new Derived();
            if (outer) object->m_controlling = outer;
            const HRESULT hr = object->m_inner.QueryInterface(iid, ppv);
            if (FAILED(hr)) delete object;
            return hr;
        });
    }

    HRESULT QueryInterface(const IID& iid, void** ppv) override { return m_controlling->QueryInterface(iid, ppv); }
    ULONG AddRef() override { return m_controlling->AddRef(); }
    ULONG Release() override { return m_controlling->Release(); }

    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

protected:
    Object() noexcept { lockModule(); }
    virtual ~Object() { unlockModule(); }

    // The unknown that owns the object's identity: the outer one when
    // aggregated, else the object's own.
    IUnknown* controllingUnknown() const noexcept { return m_controlling; }

private:
    class Inner final : public IUnknown {
    public:
        explicit Inner(Object& owner) noexcept : m_owner(owner) {}
        HRESULT QueryInterface(const IID& iid, void** ppv) override {
            if (!ppv) return E_POINTER;
            IUnknown* found = iid == IID_IUnknown ? this : detail::findInterface<Bases...>(&m_owner, iid);
            *ppv = found;
            if (!found) return E_NOINTERFACE;
            found->AddRef();
            return S_OK;
        }
        ULONG AddRef() override { return ++m_owner.m_references; }
        ULONG Release() override {
            const ULONG left = --m_owner.m_references;
            if (left == 0) delete static_cast<Derived*>(&m_owner);
            return left;
        }

    private:
        Object& m_owner;
    };

    Inner m_inner{*this};
    IUnknown* m_controlling = &m_inner;
    std::atomic<ULONG> m_references{0};
};

// The class object of a creatable class T (T::create makes the instances).
template <class T>
class ClassFactory final : public Object<ClassFactory<T>, IClassFactory> {
public:
    HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** ppv) override {
        return T::create(outer, iid, ppv);
    }
    HRESULT LockServer(BOOL lock) override {
        if (lock)
            lockModule();
        else
            unlockModule();
        return S_OK;
    }
};

}  // namespace platform::com
