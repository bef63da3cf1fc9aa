// TPkcs11: a vendor's PKCS #11 module loaded by file name through the
// layer (a Windows module name finds its Linux file), initialised once and
// finalised with the object, and thin wrappers of the calls the library
// makes. Every wrapper keeps the call's return value (LastResult).
#pragma once

// The layer defines TRUE and FALSE itself.
#define CK_DISABLE_TRUE_FALSE
#include <p11-kit/pkcs11.h>

#include <string>
#include <vector>

#include "common/load_library.h"
#include "win32/types.h"

class TPkcs11 {
public:
    explicit TPkcs11(std::u16string moduleName);
    // Finalises the library when this object initialised it (a module
    // another part of the process had initialised stays so), then unloads
    // the module.
    virtual ~TPkcs11();
    TPkcs11(const TPkcs11&) = delete;
    TPkcs11& operator=(const TPkcs11&) = delete;

    // Loads and initialises the module; true at once when it is open.
    bool Open();
    CK_RV LastResult() const noexcept { return m_rv; }
    const std::u16string& ModuleName() const noexcept { return m_moduleName; }

protected:
    // Every slot, with or without a token, into the slot list; false when
    // the module cannot list them.
    bool ReadSlotList();
    void SetLastResult(CK_RV rv) noexcept { m_rv = rv; }
    const std::vector<CK_SLOT_ID>& Slots() const noexcept { return m_slots; }
    bool GetSlotInfo(CK_SLOT_ID slot, CK_SLOT_INFO& out);
    bool GetTokenInfo(CK_SLOT_ID slot, CK_TOKEN_INFO& out);
    bool OpenSession(CK_SLOT_ID slot, bool readWrite, CK_SESSION_HANDLE& out);
    void CloseSession(CK_SESSION_HANDLE session);
    // As the user; an empty PIN leaves the PIN to the module's own path.
    bool Login(CK_SESSION_HANDLE session, const std::string& pin);
    void Logout(CK_SESSION_HANDLE session);
    bool CreateObject(CK_SESSION_HANDLE session, std::vector<CK_ATTRIBUTE>& attributes);
    bool DestroyObject(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object);
    // Every object matching the template; the search is over when this
    // returns, so the objects may then be changed.
    bool FindObjects(CK_SESSION_HANDLE session, std::vector<CK_ATTRIBUTE>& match, std::vector<CK_OBJECT_HANDLE>& out);
    // The value of one attribute, at most maxLength bytes; false when the
    // object has none, it cannot be read or it is longer.
    bool GetAttribute(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type,
                      std::size_t maxLength, std::vector<CK_BYTE>& out);

private:
    bool keep(CK_RV rv) {
        m_rv = rv;
        return rv == CKR_OK;
    }

    TLoadLibrary m_module;
    std::u16string m_moduleName;
    CK_RV m_rv = CKR_OK;
    CK_FUNCTION_LIST_PTR m_functions = nullptr;
    bool m_initialisedHere = false;
    std::vector<CK_SLOT_ID> m_slots;
};
