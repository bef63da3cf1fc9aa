// The enrolment library's plain functions, exported by name from
// libpentak.so for callers that do not use COM. They work on one session
// for the process, made by Pentak_Initialize and ended by
// Pentak_UnInitialize; each thread that calls them calls
// Pentak_InitializePerThread first. They are meant for one thread at a
// time.
//
// Every function returns an HRESULT. Without a session the others answer
// E_HANDLE and touch nothing; a required argument that is null, or a
// required text that is empty, gives 0x80070057 (ERROR_INVALID_PARAMETER).
//
// Texts: `const char*` in and `char*` out are 8-bit texts in the session's
// code page (Pentak_SetCodePage, 1250 unless set; 65001 is UTF-8, 1200
// UTF-16LE ended by a 16-bit zero), except where a parameter is marked
// "ANSI": the system's ANSI code page (Windows-1250). `char16_t` texts are
// UTF-16. A text that does not convert to or from its page is refused with
// 0x80070057; nothing is replaced by "?".
//
// Out texts: a buffer and the length of its room, counted in bytes for
// 8-bit buffers and in characters for wide ones, the terminating zero
// included. A null buffer asks for the size: the length needed is stored
// and the function succeeds. A buffer that is large enough receives the
// text and its zero, and the length stored is the one used. A smaller one
// receives nothing; the length needed is stored and 0x800700EA
// (ERROR_MORE_DATA) returned. Each call, a size query too, runs the
// operation again: a request asked for its size and then for its text is
// built and signed twice.
//
// The declarations use the layer's Windows types (win32/types.h).
#pragma once

#include "win32/types.h"

#define PENTAK_EXPORT extern "C" __attribute__((visibility("default")))

// ---- Life cycle ----
// Makes the session; a second call keeps the one there is. E_HANDLE when it
// cannot be made.
PENTAK_EXPORT HRESULT Pentak_Initialize();
// Ends the session, if there is one. S_OK.
PENTAK_EXPORT HRESULT Pentak_UnInitialize();
// CoInitialize for the calling thread, and its result.
PENTAK_EXPORT HRESULT Pentak_InitializePerThread();
// CoUninitialize for the calling thread. S_OK.
PENTAK_EXPORT HRESULT Pentak_UnInitializePerThread();

// ---- The session's settings and the process-wide diagnostic text ----
PENTAK_EXPORT HRESULT Pentak_Reset();
// The diagnostic text and its level are shared with the COM objects of the
// process; a null text empties it.
PENTAK_EXPORT HRESULT Pentak_GetErrorLevel(LONG* level);
PENTAK_EXPORT HRESULT Pentak_SetErrorLevel(LONG level);
PENTAK_EXPORT HRESULT Pentak_GetError(char* buffer, DWORD* length);
PENTAK_EXPORT HRESULT Pentak_GetErrorW(char16_t* buffer, DWORD* length);
PENTAK_EXPORT HRESULT Pentak_SetError(const char* text);
PENTAK_EXPORT HRESULT Pentak_SetErrorW(const char16_t* text);
PENTAK_EXPORT HRESULT Pentak_GetProviderType(LONG* type);
PENTAK_EXPORT HRESULT Pentak_SetProviderType(LONG type);
PENTAK_EXPORT HRESULT Pentak_GetProviderName(char* buffer, DWORD* length);
// name: ANSI, not empty.
PENTAK_EXPORT HRESULT Pentak_SetProviderName(const char* name);
PENTAK_EXPORT HRESULT Pentak_GetContainerName(char* buffer, DWORD* length);
PENTAK_EXPORT HRESULT Pentak_SetContainerName(const char* name);
PENTAK_EXPORT HRESULT Pentak_GetKeySpec(LONG* keySpec);
PENTAK_EXPORT HRESULT Pentak_SetKeySpec(LONG keySpec);
PENTAK_EXPORT HRESULT Pentak_GetGenKeyFlags(LONG* flags);
PENTAK_EXPORT HRESULT Pentak_SetGenKeyFlags(LONG flags);
PENTAK_EXPORT HRESULT Pentak_GetAttributeStringType(LONG* type);
PENTAK_EXPORT HRESULT Pentak_SetAttributeStringType(LONG type);
PENTAK_EXPORT HRESULT Pentak_GetCodePage(LONG* codePage);
PENTAK_EXPORT HRESULT Pentak_SetCodePage(LONG codePage);
PENTAK_EXPORT HRESULT Pentak_GetCertificate(char* buffer, DWORD* length);
// certificate: ANSI, not empty.
PENTAK_EXPORT HRESULT Pentak_SetCertificate(const char* certificate);
PENTAK_EXPORT HRESULT Pentak_GetSignCert(char* buffer, DWORD* length);
// certificate: ANSI, not empty.
PENTAK_EXPORT HRESULT Pentak_SetSignCert(const char* certificate);
PENTAK_EXPORT HRESULT Pentak_GetSmartCardName(char16_t* buffer, DWORD* length);
PENTAK_EXPORT HRESULT Pentak_GetSmartCardReaderName(char16_t* buffer, DWORD* length);
// A null name leaves the reader unset.
PENTAK_EXPORT HRESULT Pentak_SetSmartCardReaderName(const char16_t* name);
// "text" or "base64".
PENTAK_EXPORT HRESULT Pentak_GetMessageEncoding(char16_t* buffer, DWORD* length);
PENTAK_EXPORT HRESULT Pentak_SetMessageEncoding(const char16_t* encoding);
// "cs", "sk" or "en", shared with the COM objects of the process.
PENTAK_EXPORT HRESULT Pentak_GetGUILanguage(char16_t* buffer, DWORD* length);
PENTAK_EXPORT HRESULT Pentak_SetGUILanguage(const char16_t* language);
PENTAK_EXPORT HRESULT Pentak_GetHashAlgorithmOid(char* buffer, DWORD* length);
// oid: ANSI, not empty; kept when the session's provider has the algorithm.
PENTAK_EXPORT HRESULT Pentak_SetHashAlgorithmOid(const char* oid);
PENTAK_EXPORT HRESULT Pentak_GetSignatureAlgorithmOid(char* buffer, DWORD* length);
// oid: ANSI, not empty; kept when the session's provider has the algorithm.
PENTAK_EXPORT HRESULT Pentak_SetSignatureAlgorithmOid(const char* oid);

// ---- Providers, keys and containers ----
PENTAK_EXPORT HRESULT Pentak_EnumProviders(LONG index);
PENTAK_EXPORT HRESULT Pentak_KeySelect();
PENTAK_EXPORT HRESULT Pentak_KeyGenerate();
PENTAK_EXPORT HRESULT Pentak_KeyContainerDelete(const char* containerName);
PENTAK_EXPORT HRESULT Pentak_GetProviderContainerName(char* buffer, DWORD* length);
PENTAK_EXPORT HRESULT Pentak_GetProviderVersion(char* buffer, DWORD* length);
PENTAK_EXPORT HRESULT Pentak_GetPresentCardCSP(char* buffer, DWORD* length);
PENTAK_EXPORT HRESULT Pentak_EnumContainers(LONG index, LONG boolCspStore, char* buffer, DWORD* length);
// count is written on success only.
PENTAK_EXPORT HRESULT Pentak_CSPLoadStore(LONG full, LONG* count);
PENTAK_EXPORT HRESULT Pentak_GetPubKeyHashContainer(const char* containerName, const char* hashOid, LONG boolCspStore,
                                                    LONG fromCache, char* buffer, DWORD* length);

// ---- The PKCS#10 request of the session's key ----
// OIDs: ANSI. The W forms take the OID as UTF-16 of the ANSI page.
PENTAK_EXPORT HRESULT Pentak_AddSubjectAttribute(const char* oid, const char* value);
PENTAK_EXPORT HRESULT Pentak_AddSubjectAttributeW(const char16_t* oid, const char16_t* value);
// oid: handed on as it is.
PENTAK_EXPORT HRESULT Pentak_RemoveSubjectAttribute(const char* oid);
PENTAK_EXPORT HRESULT Pentak_AddAttribute_CSPInfo();
PENTAK_EXPORT HRESULT Pentak_AddAttribute_SmartCardInfo();
PENTAK_EXPORT HRESULT Pentak_AddAttribute_SmartCardInfoSC();
PENTAK_EXPORT HRESULT Pentak_AddAttribute_KavloCardInfo();
PENTAK_EXPORT HRESULT Pentak_RequestedExtension_KeyUsage_SetBit(LONG bit);
PENTAK_EXPORT HRESULT Pentak_RequestedExtension_KeyUsage_Reset();
PENTAK_EXPORT HRESULT Pentak_RequestedExtension_ExtKeyUsage_AddOid(const char* oid);
PENTAK_EXPORT HRESULT Pentak_RequestedExtension_SubjectAltName_Add(LONG type, const char* value);
PENTAK_EXPORT HRESULT Pentak_RequestedExtension_SubjectAltName_OtherName_Add(const char* oid, const char* value);
PENTAK_EXPORT HRESULT Pentak_RequestedExtension_SubjectAltName_OtherName_AddW(const char16_t* oid,
                                                                             const char16_t* value);
// address: ANSI.
PENTAK_EXPORT HRESULT Pentak_RequestedExtension_CRLDistributionPoint_Add(LONG type, const char* address);
PENTAK_EXPORT HRESULT Pentak_RequestedExtension_SetCritical(const char* oid, LONG critical);
// The signed request as Base64 text.
PENTAK_EXPORT HRESULT Pentak_CreatePKCS10(char* buffer, DWORD* length);
// request: ANSI.
PENTAK_EXPORT HRESULT Pentak_RequestImport(const char* request);
// The subject of a certificate (Base64 or PEM, ANSI) into the request.
PENTAK_EXPORT HRESULT Pentak_X509SubjectToPersonalReqTesk(const char* certificate, const char16_t* givenName,
                                                          const char16_t* surname);
PENTAK_EXPORT HRESULT Pentak_X509SubjectToReqTesk(const char* certificate);
// The copy's attributes of the listed OIDs ("2.5.4.3,2.5.4.10"), then the
// master's others; the certificates and the list ANSI. Exported under this
// name, without the prefix.
PENTAK_EXPORT HRESULT X509MergeSubjectToPersonalReqTesk(const char* masterCertificate, const char* copyCertificate,
                                                        const char* subjectOids, const char16_t* givenName,
                                                        const char16_t* surname);

// ---- Certificates ----
// certificate and caCmf may be null or empty.
PENTAK_EXPORT HRESULT Pentak_EnrollX509(const char* certificate, const char* caCmf, LONG flags);
// cmf: not empty.
PENTAK_EXPORT HRESULT Pentak_CmfToPem(const char* cmf, char* buffer, DWORD* length);
// certificate, issuer: ANSI. *issued is the answer, written whatever the
// result.
PENTAK_EXPORT HRESULT Pentak_IsIssued(const char* certificate, const char* issuer, LONG* issued);
PENTAK_EXPORT HRESULT Pentak_GetCertVal(const char* certificate, LONG type, char* buffer, DWORD* length);
PENTAK_EXPORT HRESULT Pentak_GetCertValW(const char16_t* certificate, LONG type, char16_t* buffer, DWORD* length);
PENTAK_EXPORT HRESULT Pentak_GetCardNumber(char* buffer, DWORD* length);
PENTAK_EXPORT HRESULT Pentak_ParseCertSubjectToStr(const char* certificate, LONG type, char* buffer, DWORD* length);
PENTAK_EXPORT HRESULT Pentak_ParseCertSubjectToStrW(const char16_t* certificate, LONG type, char16_t* buffer,
                                                    DWORD* length);
// caCerts may be null: no restriction by issuer.
PENTAK_EXPORT HRESULT Pentak_EnumCertsEx(LONG index, const char* caCerts, LONG boolCspStore, char* buffer,
                                         DWORD* length);
PENTAK_EXPORT HRESULT Pentak_EnumCertsExW(LONG index, const char16_t* caCerts, LONG boolCspStore, char16_t* buffer,
                                          DWORD* length);
PENTAK_EXPORT HRESULT Pentak_EnumCerts(LONG index, const char* caCerts, char* buffer, DWORD* length);
PENTAK_EXPORT HRESULT Pentak_EnumCertsW(LONG index, const char16_t* caCerts, char16_t* buffer, DWORD* length);
PENTAK_EXPORT HRESULT Pentak_GetCertEx(LONG index, const char* caCerts, LONG boolCspStore, char* buffer,
                                       DWORD* length);
PENTAK_EXPORT HRESULT Pentak_GetCert(LONG index, const char* caCerts, char* buffer, DWORD* length);
PENTAK_EXPORT HRESULT Pentak_SelectCertEx(const char* caCerts, LONG boolCspStore, char* buffer, DWORD* length);
PENTAK_EXPORT HRESULT Pentak_SelectCert(const char* caCerts, char* buffer, DWORD* length);
// certificate: ANSI.
PENTAK_EXPORT HRESULT Pentak_ViewCert(const char* certificate);
// certificate: not empty.
PENTAK_EXPORT HRESULT Pentak_DeleteCertificate(const char16_t* certificate);
PENTAK_EXPORT HRESULT Pentak_DeleteExpiredCertificates(LONG days);
PENTAK_EXPORT HRESULT Pentak_DeleteObsoleteContent();

// ---- Signing ----
// certificate, message: not empty.
PENTAK_EXPORT HRESULT Pentak_Sign(const char* certificate, const char* message, char* buffer, DWORD* length);
PENTAK_EXPORT HRESULT Pentak_SignW(const char16_t* certificate, const char16_t* message, char16_t* buffer,
                                   DWORD* length);

// ---- The HSM engine ----
// url, device: ANSI, not empty.
PENTAK_EXPORT HRESULT Pentak_HsmEngine_Init(const char* url, const char* device, LONG comPort);
