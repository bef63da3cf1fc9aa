// The IID of an interface type, for the server helpers' QueryInterface.
// The type-library compiler writes the entry of each interface it
// generates; the layer's own interfaces are listed here.
#pragma once

#include <type_traits>

#include "win32/objsafe.h"
#include "win32/oleauto.h"

namespace platform::com {

template <class Interface>
inline constexpr const IID* interfaceId = nullptr;

template <> inline constexpr const IID* interfaceId<IUnknown> = &IID_IUnknown;
template <> inline constexpr const IID* interfaceId<IClassFactory> = &IID_IClassFactory;
template <> inline constexpr const IID* interfaceId<IDispatch> = &IID_IDispatch;
template <> inline constexpr const IID* interfaceId<ITypeLib> = &IID_ITypeLib;
template <> inline constexpr const IID* interfaceId<ITypeInfo> = &IID_ITypeInfo;
template <> inline constexpr const IID* interfaceId<IErrorInfo> = &IID_IErrorInfo;
template <> inline constexpr const IID* interfaceId<ICreateErrorInfo> = &IID_ICreateErrorInfo;
template <> inline constexpr const IID* interfaceId<ISupportErrorInfo> = &IID_ISupportErrorInfo;
template <> inline constexpr const IID* interfaceId<IObjectSafety> = &IID_IObjectSafety;

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
                static_assert(interfaceId<Interface> != nullptr, "interface without an IID entry");
                if (iid == *interfaceId<Interface>) return static_cast<Interface*>(static_cast<Bases*>(self));
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
