// The part of the PKCS #11 v2.40 interface the card providers use, declared
// from the OASIS base specification (section 3, data types; section 5,
// functions). On Linux the structures have the compiler's natural layout
// and CK_ULONG is unsigned long. Only the card files include this.
#pragma once

namespace platform::crypt::p11 {

using CK_BYTE = unsigned char;
using CK_CHAR = unsigned char;
using CK_UTF8CHAR = unsigned char;
using CK_BBOOL = unsigned char;
using CK_ULONG = unsigned long;
using CK_FLAGS = CK_ULONG;
using CK_RV = CK_ULONG;
using CK_SLOT_ID = CK_ULONG;
using CK_SESSION_HANDLE = CK_ULONG;
using CK_OBJECT_HANDLE = CK_ULONG;
using CK_OBJECT_CLASS = CK_ULONG;
using CK_KEY_TYPE = CK_ULONG;
using CK_CERTIFICATE_TYPE = CK_ULONG;
using CK_ATTRIBUTE_TYPE = CK_ULONG;
using CK_MECHANISM_TYPE = CK_ULONG;
using CK_USER_TYPE = CK_ULONG;
using CK_STATE = CK_ULONG;

inline constexpr CK_BBOOL CK_TRUE = 1;
inline constexpr CK_BBOOL CK_FALSE = 0;
inline constexpr CK_ULONG CK_UNAVAILABLE_INFORMATION = ~0UL;

struct CK_VERSION {
    CK_BYTE major;
    CK_BYTE minor;
};

struct CK_INFO {
    CK_VERSION cryptokiVersion;
    CK_UTF8CHAR manufacturerID[32];
    CK_FLAGS flags;
    CK_UTF8CHAR libraryDescription[32];
    CK_VERSION libraryVersion;
};

struct CK_SLOT_INFO {
    CK_UTF8CHAR slotDescription[64];
    CK_UTF8CHAR manufacturerID[32];
    CK_FLAGS flags;
    CK_VERSION hardwareVersion;
    CK_VERSION firmwareVersion;
};

struct CK_TOKEN_INFO {
    CK_UTF8CHAR label[32];
    CK_UTF8CHAR manufacturerID[32];
    CK_UTF8CHAR model[16];
    CK_CHAR serialNumber[16];
    CK_FLAGS flags;
    CK_ULONG ulMaxSessionCount;
    CK_ULONG ulSessionCount;
    CK_ULONG ulMaxRwSessionCount;
    CK_ULONG ulRwSessionCount;
    CK_ULONG ulMaxPinLen;
    CK_ULONG ulMinPinLen;
    CK_ULONG ulTotalPublicMemory;
    CK_ULONG ulFreePublicMemory;
    CK_ULONG ulTotalPrivateMemory;
    CK_ULONG ulFreePrivateMemory;
    CK_VERSION hardwareVersion;
    CK_VERSION firmwareVersion;
    CK_CHAR utcTime[16];
};

struct CK_SESSION_INFO {
    CK_SLOT_ID slotID;
    CK_STATE state;
    CK_FLAGS flags;
    CK_ULONG ulDeviceError;
};

struct CK_ATTRIBUTE {
    CK_ATTRIBUTE_TYPE type;
    void* pValue;
    CK_ULONG ulValueLen;
};

struct CK_MECHANISM {
    CK_MECHANISM_TYPE mechanism;
    void* pParameter;
    CK_ULONG ulParameterLen;
};

struct CK_MECHANISM_INFO {
    CK_ULONG ulMinKeySize;
    CK_ULONG ulMaxKeySize;
    CK_FLAGS flags;
};

struct CK_C_INITIALIZE_ARGS {
    void* CreateMutex;
    void* DestroyMutex;
    void* LockMutex;
    void* UnlockMutex;
    CK_FLAGS flags;
    void* pReserved;
};

// Return values.
inline constexpr CK_RV CKR_OK = 0x000;
inline constexpr CK_RV CKR_HOST_MEMORY = 0x002;
inline constexpr CK_RV CKR_SLOT_ID_INVALID = 0x003;
inline constexpr CK_RV CKR_ARGUMENTS_BAD = 0x007;
inline constexpr CK_RV CKR_ATTRIBUTE_TYPE_INVALID = 0x012;
inline constexpr CK_RV CKR_ATTRIBUTE_VALUE_INVALID = 0x013;
inline constexpr CK_RV CKR_DATA_LEN_RANGE = 0x021;
inline constexpr CK_RV CKR_DEVICE_MEMORY = 0x031;
inline constexpr CK_RV CKR_DEVICE_REMOVED = 0x032;
inline constexpr CK_RV CKR_FUNCTION_CANCELED = 0x050;
inline constexpr CK_RV CKR_KEY_HANDLE_INVALID = 0x060;
inline constexpr CK_RV CKR_KEY_SIZE_RANGE = 0x062;
inline constexpr CK_RV CKR_MECHANISM_INVALID = 0x070;
inline constexpr CK_RV CKR_OBJECT_HANDLE_INVALID = 0x082;
inline constexpr CK_RV CKR_PIN_INCORRECT = 0x0A0;
inline constexpr CK_RV CKR_PIN_INVALID = 0x0A1;
inline constexpr CK_RV CKR_PIN_LEN_RANGE = 0x0A2;
inline constexpr CK_RV CKR_PIN_EXPIRED = 0x0A3;
inline constexpr CK_RV CKR_PIN_LOCKED = 0x0A4;
inline constexpr CK_RV CKR_SESSION_HANDLE_INVALID = 0x0B3;
inline constexpr CK_RV CKR_TOKEN_NOT_PRESENT = 0x0E0;
inline constexpr CK_RV CKR_TOKEN_NOT_RECOGNIZED = 0x0E1;
inline constexpr CK_RV CKR_TOKEN_WRITE_PROTECTED = 0x0E2;
inline constexpr CK_RV CKR_USER_ALREADY_LOGGED_IN = 0x100;
inline constexpr CK_RV CKR_USER_NOT_LOGGED_IN = 0x101;
inline constexpr CK_RV CKR_USER_PIN_NOT_INITIALIZED = 0x102;
inline constexpr CK_RV CKR_BUFFER_TOO_SMALL = 0x150;
inline constexpr CK_RV CKR_CRYPTOKI_ALREADY_INITIALIZED = 0x191;

// Flags.
inline constexpr CK_FLAGS CKF_TOKEN_PRESENT = 0x0001;     // CK_SLOT_INFO
inline constexpr CK_FLAGS CKF_LOGIN_REQUIRED = 0x0004;    // CK_TOKEN_INFO
inline constexpr CK_FLAGS CKF_TOKEN_INITIALIZED = 0x0400; // CK_TOKEN_INFO
inline constexpr CK_FLAGS CKF_RW_SESSION = 0x0002;        // C_OpenSession
inline constexpr CK_FLAGS CKF_SERIAL_SESSION = 0x0004;    // C_OpenSession
inline constexpr CK_FLAGS CKF_OS_LOCKING_OK = 0x0002;     // CK_C_INITIALIZE_ARGS

inline constexpr CK_USER_TYPE CKU_USER = 1;
inline constexpr CK_STATE CKS_RO_USER_FUNCTIONS = 1;
inline constexpr CK_STATE CKS_RW_USER_FUNCTIONS = 3;

inline constexpr CK_OBJECT_CLASS CKO_DATA = 0;
inline constexpr CK_OBJECT_CLASS CKO_CERTIFICATE = 1;
inline constexpr CK_OBJECT_CLASS CKO_PUBLIC_KEY = 2;
inline constexpr CK_OBJECT_CLASS CKO_PRIVATE_KEY = 3;
inline constexpr CK_KEY_TYPE CKK_RSA = 0;
inline constexpr CK_CERTIFICATE_TYPE CKC_X_509 = 0;

inline constexpr CK_ATTRIBUTE_TYPE CKA_CLASS = 0x000;
inline constexpr CK_ATTRIBUTE_TYPE CKA_TOKEN = 0x001;
inline constexpr CK_ATTRIBUTE_TYPE CKA_PRIVATE = 0x002;
inline constexpr CK_ATTRIBUTE_TYPE CKA_LABEL = 0x003;
inline constexpr CK_ATTRIBUTE_TYPE CKA_APPLICATION = 0x010;
inline constexpr CK_ATTRIBUTE_TYPE CKA_VALUE = 0x011;
inline constexpr CK_ATTRIBUTE_TYPE CKA_CERTIFICATE_TYPE = 0x080;
inline constexpr CK_ATTRIBUTE_TYPE CKA_ISSUER = 0x081;
inline constexpr CK_ATTRIBUTE_TYPE CKA_SERIAL_NUMBER = 0x082;
inline constexpr CK_ATTRIBUTE_TYPE CKA_KEY_TYPE = 0x100;
inline constexpr CK_ATTRIBUTE_TYPE CKA_SUBJECT = 0x101;
inline constexpr CK_ATTRIBUTE_TYPE CKA_ID = 0x102;
inline constexpr CK_ATTRIBUTE_TYPE CKA_SENSITIVE = 0x103;
inline constexpr CK_ATTRIBUTE_TYPE CKA_ENCRYPT = 0x104;
inline constexpr CK_ATTRIBUTE_TYPE CKA_DECRYPT = 0x105;
inline constexpr CK_ATTRIBUTE_TYPE CKA_SIGN = 0x108;
inline constexpr CK_ATTRIBUTE_TYPE CKA_VERIFY = 0x10A;
inline constexpr CK_ATTRIBUTE_TYPE CKA_MODULUS = 0x120;
inline constexpr CK_ATTRIBUTE_TYPE CKA_MODULUS_BITS = 0x121;
inline constexpr CK_ATTRIBUTE_TYPE CKA_PUBLIC_EXPONENT = 0x122;
inline constexpr CK_ATTRIBUTE_TYPE CKA_EXTRACTABLE = 0x162;

inline constexpr CK_MECHANISM_TYPE CKM_RSA_PKCS_KEY_PAIR_GEN = 0x000;
inline constexpr CK_MECHANISM_TYPE CKM_RSA_PKCS = 0x001;

// The function list, in the order PKCS#11 v2.40 fixes. Entries the
// providers do not call are kept as untyped pointers to hold their places;
// the list ends here for this use, after C_GenerateKeyPair.
struct CK_FUNCTION_LIST {
    CK_VERSION version;
    CK_RV (*C_Initialize)(void* pInitArgs);
    CK_RV (*C_Finalize)(void* pReserved);
    CK_RV (*C_GetInfo)(CK_INFO* pInfo);
    void* C_GetFunctionList;
    CK_RV (*C_GetSlotList)(CK_BBOOL tokenPresent, CK_SLOT_ID* pSlotList, CK_ULONG* pulCount);
    CK_RV (*C_GetSlotInfo)(CK_SLOT_ID slotID, CK_SLOT_INFO* pInfo);
    CK_RV (*C_GetTokenInfo)(CK_SLOT_ID slotID, CK_TOKEN_INFO* pInfo);
    void* C_GetMechanismList;
    CK_RV (*C_GetMechanismInfo)(CK_SLOT_ID slotID, CK_MECHANISM_TYPE type, CK_MECHANISM_INFO* pInfo);
    void* C_InitToken;
    void* C_InitPIN;
    void* C_SetPIN;
    CK_RV (*C_OpenSession)(CK_SLOT_ID slotID, CK_FLAGS flags, void* pApplication, void* Notify,
                           CK_SESSION_HANDLE* phSession);
    CK_RV (*C_CloseSession)(CK_SESSION_HANDLE hSession);
    void* C_CloseAllSessions;
    CK_RV (*C_GetSessionInfo)(CK_SESSION_HANDLE hSession, CK_SESSION_INFO* pInfo);
    void* C_GetOperationState;
    void* C_SetOperationState;
    CK_RV (*C_Login)(CK_SESSION_HANDLE hSession, CK_USER_TYPE userType, CK_UTF8CHAR* pPin, CK_ULONG ulPinLen);
    void* C_Logout;
    CK_RV (*C_CreateObject)(CK_SESSION_HANDLE hSession, CK_ATTRIBUTE* pTemplate, CK_ULONG ulCount,
                            CK_OBJECT_HANDLE* phObject);
    void* C_CopyObject;
    CK_RV (*C_DestroyObject)(CK_SESSION_HANDLE hSession, CK_OBJECT_HANDLE hObject);
    void* C_GetObjectSize;
    CK_RV (*C_GetAttributeValue)(CK_SESSION_HANDLE hSession, CK_OBJECT_HANDLE hObject, CK_ATTRIBUTE* pTemplate,
                                 CK_ULONG ulCount);
    void* C_SetAttributeValue;
    CK_RV (*C_FindObjectsInit)(CK_SESSION_HANDLE hSession, CK_ATTRIBUTE* pTemplate, CK_ULONG ulCount);
    CK_RV (*C_FindObjects)(CK_SESSION_HANDLE hSession, CK_OBJECT_HANDLE* phObject, CK_ULONG ulMaxObjectCount,
                           CK_ULONG* pulObjectCount);
    CK_RV (*C_FindObjectsFinal)(CK_SESSION_HANDLE hSession);
    void* C_EncryptInit;
    void* C_Encrypt;
    void* C_EncryptUpdate;
    void* C_EncryptFinal;
    void* C_DecryptInit;
    void* C_Decrypt;
    void* C_DecryptUpdate;
    void* C_DecryptFinal;
    void* C_DigestInit;
    void* C_Digest;
    void* C_DigestUpdate;
    void* C_DigestKey;
    void* C_DigestFinal;
    CK_RV (*C_SignInit)(CK_SESSION_HANDLE hSession, CK_MECHANISM* pMechanism, CK_OBJECT_HANDLE hKey);
    CK_RV (*C_Sign)(CK_SESSION_HANDLE hSession, CK_BYTE* pData, CK_ULONG ulDataLen, CK_BYTE* pSignature,
                    CK_ULONG* pulSignatureLen);
    void* C_SignUpdate;
    void* C_SignFinal;
    void* C_SignRecoverInit;
    void* C_SignRecover;
    void* C_VerifyInit;
    void* C_Verify;
    void* C_VerifyUpdate;
    void* C_VerifyFinal;
    void* C_VerifyRecoverInit;
    void* C_VerifyRecover;
    void* C_DigestEncryptUpdate;
    void* C_DecryptDigestUpdate;
    void* C_SignEncryptUpdate;
    void* C_DecryptVerifyUpdate;
    void* C_GenerateKey;
    CK_RV (*C_GenerateKeyPair)(CK_SESSION_HANDLE hSession, CK_MECHANISM* pMechanism,
                               CK_ATTRIBUTE* pPublicKeyTemplate, CK_ULONG ulPublicKeyAttributeCount,
                               CK_ATTRIBUTE* pPrivateKeyTemplate, CK_ULONG ulPrivateKeyAttributeCount,
                               CK_OBJECT_HANDLE* phPublicKey, CK_OBJECT_HANDLE* phPrivateKey);
};

using CK_C_GetFunctionList = CK_RV (*)(CK_FUNCTION_LIST** ppFunctionList);

}  // namespace platform::crypt::p11
