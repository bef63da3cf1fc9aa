#include "softhsm_data_object.h"

#include <dlfcn.h>
#include <p11-kit/pkcs11.h>

#include <stdexcept>

namespace testkit::softhsm {

namespace {

void check(CK_RV rv, const std::string& call) {
    if (rv != CKR_OK) throw std::runtime_error(call + " failed: " + std::to_string(rv));
}

std::string paddedLabel(const std::string& label) {
    std::string padded = label.substr(0, 32);
    padded.resize(32, ' ');
    return padded;
}

// The module, initialised unless the layer already did it in this process
// (then it stays initialised for the layer's contexts).
class Module {
public:
    explicit Module(const std::filesystem::path& path) : m_handle(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (!m_handle) throw std::runtime_error("cannot load " + path.string());
        auto* getList = reinterpret_cast<CK_C_GetFunctionList>(dlsym(m_handle, "C_GetFunctionList"));
        if (!getList) throw std::runtime_error(path.string() + " is no PKCS #11 module");
        check(getList(&m_f), "C_GetFunctionList");
        const CK_RV rv = m_f->C_Initialize(nullptr);
        if (rv != CKR_CRYPTOKI_ALREADY_INITIALIZED) check(rv, "C_Initialize");
        m_finalize = rv == CKR_OK;
    }
    ~Module() {
        if (m_finalize) m_f->C_Finalize(nullptr);
        dlclose(m_handle);
    }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    CK_FUNCTION_LIST& f() const { return *m_f; }

    CK_SLOT_ID slotOf(const std::string& tokenLabel) const {
        CK_ULONG count = 0;
        check(m_f->C_GetSlotList(CK_TRUE, nullptr, &count), "C_GetSlotList");
        std::vector<CK_SLOT_ID> slots(count);
        check(m_f->C_GetSlotList(CK_TRUE, slots.data(), &count), "C_GetSlotList");
        for (CK_ULONG i = 0; i < count; ++i) {
            CK_TOKEN_INFO info{};
            if (m_f->C_GetTokenInfo(slots[i], &info) == CKR_OK &&
                std::string(reinterpret_cast<const char*>(info.label), sizeof info.label) == paddedLabel(tokenLabel))
                return slots[i];
        }
        throw std::runtime_error("no token labelled " + tokenLabel);
    }

private:
    void* m_handle;
    CK_FUNCTION_LIST* m_f = nullptr;
    bool m_finalize = false;
};

}  // namespace

void createPublicDataObject(const std::filesystem::path& modulePath, const std::string& tokenLabel,
                            const std::string& application, const std::string& label,
                            const std::vector<unsigned char>& value) {
    const Module module(modulePath);
    CK_SESSION_HANDLE session = 0;
    check(module.f().C_OpenSession(module.slotOf(tokenLabel), CKF_SERIAL_SESSION | CKF_RW_SESSION, nullptr, nullptr,
                                   &session),
          "C_OpenSession");
    CK_OBJECT_CLASS type = CKO_DATA;
    CK_BBOOL yes = CK_TRUE;
    CK_BBOOL no = CK_FALSE;
    std::string applicationText = application;
    std::string labelText = label;
    std::vector<unsigned char> bytes = value;
    std::vector<CK_ATTRIBUTE> object{{CKA_CLASS, &type, sizeof type},
                                     {CKA_TOKEN, &yes, sizeof yes},
                                     {CKA_PRIVATE, &no, sizeof no},
                                     {CKA_APPLICATION, applicationText.data(), applicationText.size()},
                                     {CKA_VALUE, bytes.data(), bytes.size()}};
    if (!labelText.empty()) object.push_back({CKA_LABEL, labelText.data(), labelText.size()});
    CK_OBJECT_HANDLE created = 0;
    const CK_RV rv = module.f().C_CreateObject(session, object.data(), object.size(), &created);
    module.f().C_CloseSession(session);
    check(rv, "C_CreateObject");
}

}  // namespace testkit::softhsm
