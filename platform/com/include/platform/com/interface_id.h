// The IID of an interface type, for the server helpers' QueryInterface.
// The type-library compiler writes the entry of each interface it
// generates; the layer's own interfaces are listed here.
#pragma once

#include <type_traits>

#include "win32/objsafe.h"
#include "win32/oleauto.h"

namespace platform::com {

// Specialised for each interface; an interface without one does not compile.
template <class Interface>
struct InterfaceId;

#define TESK_COM_INTERFACE_ID(Interface, iid)                  \
    template <>                                                \
    struct platform::com::InterfaceId<Interface> {             \
        static constexpr const IID& value = iid;               \
    }

namespace detail {

// A base in an object's list is an interface, or an implementation of one
// that names it as `Implemented` (Dispatch<I> implements I).
template <class Base>
struct ImplementedOf {
    using type = Base;
};
template <class Base>
    requires requires { typename Base::Implemented; }
struct ImplementedOf<Base> {
    using type = typename Base::Implemented;
};

// The base of `self` that answers iid, or null. IDispatch is answered by the
// first base that derives from it.
template <class... Bases, class Self>
IUnknown* findInterface(Self* self, const IID& iid) {
    IUnknown* found = nullptr;
    (void)((found = [&]() -> IUnknown* {
                using Interface = typename ImplementedOf<Bases>::type;
                if (iid == InterfaceId<Interface>::value) return static_cast<Interface*>(static_cast<Bases*>(self));
                return nullptr;
            }()) ||
           ...);
    if (!found && iid == IID_IDispatch)
        (void)((found = [&]() -> IUnknown* {
                    using Interface = typename ImplementedOf<Bases>::type;
                    if constexpr (std::is_base_of_v<IDispatch, Interface>)
                        return static_cast<IDispatch*>(static_cast<Interface*>(static_cast<Bases*>(self)));
                    return nullptr;
                }()) ||
               ...);
    return found;
}

}  // namespace detail

}  // namespace platform::com

TESK_COM_INTERFACE_ID(IUnknown, IID_IUnknown);
TESK_COM_INTERFACE_ID(IClassFactory, IID_IClassFactory);
TESK_COM_INTERFACE_ID(IDispatch, IID_IDispatch);
TESK_COM_INTERFACE_ID(ITypeLib, IID_ITypeLib);
TESK_COM_INTERFACE_ID(ITypeInfo, IID_ITypeInfo);
TESK_COM_INTERFACE_ID(IErrorInfo, IID_IErrorInfo);
TESK_COM_INTERFACE_ID(ICreateErrorInfo, IID_ICreateErrorInfo);
TESK_COM_INTERFACE_ID(ISupportErrorInfo, IID_ISupportErrorInfo);
TESK_COM_INTERFACE_ID(IObjectSafety, IID_IObjectSafety);
