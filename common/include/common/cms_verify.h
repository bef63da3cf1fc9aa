// What the verification of signed messages (TCryptoapi::VerifyMessage, in
// cryptoapi.h) needs of certificate stores: the signer-certificate callback
// it gives CryptoAPI, a memory store made of description records, and the
// look-up of a record's certificate in a store.
#pragma once

#include <vector>

#include "common/cert_info.h"
#include "win32/crypt_simple_msg.h"

// The signer's certificate by its issuer and serial number, from the
// message's own store, then the current user's "AddressBook" and "MY" stores
// (opened with TGlobalParams' store flags), then extraStore (the callback's
// argument, may be null). Null with CRYPT_E_NOT_FOUND when none holds it.
PCCERT_CONTEXT GetMessageSignerCert(void* extraStore, DWORD encoding, PCERT_INFO signerId, HCERTSTORE messageStore);

// A memory store holding the certificate of every record that yields a
// context; null when the store cannot be made. The caller closes it.
HCERTSTORE BuildMemoryCertStore(const std::vector<CertInfo>& records);

// The record's certificate in the store: by its public key with
// CERT_FIND_PUBLIC_KEY, by its issuer and serial number with
// CERT_FIND_SUBJECT_CERT; null for other find types or when absent.
PCCERT_CONTEXT FindCertificateInStore(HCERTSTORE store, DWORD findType, const CertInfo& record, DWORD encoding);
