// TSigner: the signer behind the signing component's COM object. It keeps
// the settings callers make (flag words, digest algorithm, provider,
// time-stamp server and connection), the outcome of the last operation
// (error number and text, one result per inspected signature), and works
// the process-wide log and message table, which it shares with every other
// live signer (signer_services.h).
//
// Every public operation first writes a trace line "<name>(): <file>:<line>"
// at log level 8. Operations that can fail record their outcome with
// SetError (the message-table text of the number, formatted with the
// argument) and return true for outcome 0. The thread's last error is the
// same after any operation as before it, so a caller that maps a failure to
// an HRESULT sees the system error current when it called.
#pragma once

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "common/cert_info.h"
#include "common/cert_manager.h"
#include "common/csp_manager.h"
#include "common/pkcs7.h"
#include "common/sign_policy.h"
#include "sign_job.h"
#include "signer_errors.h"
#include "win32/types.h"

struct TimeStampRecord;  // signer_values.h
struct SignJob;          // sign_job.h

// The outcome kept for one signature of the last inspected container.
struct SignatureResult {
    std::string name;
    LONG errorNumber = 0;
    std::string errorText;
};

// Format-options flag: signed input files, the policy file among them, are
// binary DER rather than Base64 text.
inline constexpr LONG kFormatInputDer = 1;

// The internet access types SetInternetConnection stores.
inline constexpr LONG kAccessPreconfigured = 0;
inline constexpr LONG kAccessDirect = 1;
inline constexpr LONG kAccessProxy = 3;

// The format-options word of a signing job: 1 policy and trusted-list files
// are DER, 2 binary output, 4 detached signature, 8 signing-time attribute,
// 0x10 no confirmation dialog, 0x20 and 0x40 signing-certificate
// attributes (v1 and v2).
inline constexpr LONG kSigningTimeOnly = 8;
// The 3DES row of the algorithm table.
inline constexpr LONG kTripleDesRow = 0x6002;

class TSigner {
public:
    TSigner();
    virtual ~TSigner();
    TSigner(const TSigner&) = delete;
    TSigner& operator=(const TSigner&) = delete;

    // The defaults of a fresh signer. The full form (partial false) also
    // forgets the last errors and the signature results, takes the
    // machine's default provider and reloads the remembered and trusted
    // certificates from the registry; the partial one keeps those and the
    // log. Always true.
    virtual bool Reset(bool partial);

    // ---- Flag words: stored as given; the setters give true ----
    LONG GetCertSelFlags() const;
    bool SetCertSelFlags(LONG flags);
    LONG GetFileFlags() const;
    bool SetFileFlags(LONG flags);
    LONG GetSignFlags() const;
    bool SetSignFlags(LONG flags);
    LONG GetConfirmationDlgFlags() const;
    bool SetConfirmationDlgFlags(LONG flags);

    // Major (1) or minor (2824) part of the version.
    LONG GetVersion(bool major) const;
    // The component's name and version, its revision tag and build date.
    std::string About() const;

    // ---- Per-signature results ----
    LONG GetSignatureIndex() const;
    // 30 for an index outside the results; the index stays.
    bool SetSignatureIndex(LONG index);
    LONG GetSignatureCount() const;
    // A list that holds results is refilled with count blank ones; an empty
    // list stays empty.
    bool SetSignatureCount(LONG count);
    // The selected result's error; with none, 1023 and its text.
    LONG GetLastErrorSignatureNumber() const;
    std::string GetLastErrorSignatureStr() const;
    // With no results, one blank result is made and selected first.
    void SetLastErrorSignatureNumber(LONG number);
    void SetLastErrorSignatureStr(const std::string& text);

    // ---- Log (level bits 1 errors, 2 warnings, 4 messages, 8 debug) ----
    bool SetLogLevel(DWORD mask);
    DWORD GetLogLevel() const;
    // Drops every kept line, then writes its own trace line.
    bool LogClear();
    // The kept lines, oldest first.
    std::string GetLogString() const;

    // ---- Last error ----
    // Keeps number and text and logs "error <number>: <text>" (level 1, or
    // 8 for number 0); for a failure it also logs the system's text of the
    // thread's last error, which it leaves as it was.
    void SetError(LONG number, const std::string& text);
    LONG GetLastErrorNumber() const;
    void SetLastErrorNumber(LONG number);
    std::string GetLastErrorStr() const;
    void SetLastErrorStr(const std::string& text);

    // ---- Language of the message table: 0 Czech, 1 Slovak, 2 English ----
    LONG GetCfgLanguageNumber() const;
    // 7002 for another number.
    bool SetCfgLanguageNumber(LONG language);
    // "CZ", "SK" or "EN".
    std::string GetCfgLanguageStr() const;
    // One of those in any case; 7001 for any other text.
    bool SetCfgLanguageStr(const std::string& language);

    // ---- Cryptographic service provider ----
    std::string GetCurrentCSP() const;
    bool SetCurrentCSP(const std::string& name);
    // 0 when the provider is taken. 5000 for an empty name or one that
    // cannot be used, refined to 5007, 5006 or 5002 for the card and
    // device providers whose texts name them.
    LONG SetCSP(const std::string& name);
    // The process-wide provider list.
    bool ProvidersClear();
    DWORD ProvidersGetCount() const;
    // 8004 for an index outside the list.
    bool ProvidersEnum(DWORD index, std::string& name);

    // ---- Digest algorithm (a row of signer_algorithms.h, or -1) ----
    // 50, and nothing stored, for a row that is no digest the system knows.
    bool SetHashAlgorithmType(LONG row);
    LONG GetHashAlgorithmType() const;
    // The system's display name of the row's algorithm ("sha1"); 50 with
    // none chosen.
    bool GetHashAlgorithmTypeStr(std::string& name);
    // The first row of the algorithm the system knows by that display name;
    // 50 for any other name.
    bool SetHashAlgorithmTypeStr(const std::string& name);

    // ---- Time-stamp server and internet connection ----
    bool SetTimeStampServer(const std::string& url, const std::string& policy);
    // Flag 0 preconfigured, 1 direct, 2 through the proxy (access type 3);
    // any other flag preconfigured. The password is never logged.
    bool SetInternetConnection(LONG flag, const std::string& proxy, const std::string& user,
                               const std::string& password);
    LONG GetInternetAccessType() const;

    // ---- Signing defaults that the signing operations read ----
    LONG GetFormatOptions() const;
    LONG GetEncryptionAlgorithm() const;
    LONG GetTsaCertSelFlags() const;
    // Whether the certificate selection dialog shows its extra column.
    bool GetSelectionDisplaySwitch() const;
    // Whether the rich-edit control's library loaded, without which no
    // signing dialog can show the document.
    bool HasGraphicalInterface() const;

    // ---- Signature policy ----
    // Whether a policy is loaded.
    bool IsSignPolicy() const;
    // With a policy in force, false before its signing period starts or
    // after it ends (an end with either half of its FILETIME zero is no
    // end); true otherwise.
    virtual bool ValidateSignPolicy(const SignPolicyInfo& policy) const;

    // The digest of data with the chosen provider: upper-case hexadecimal
    // in groups of four digits separated by one blank, or Base64 on one
    // line. 0, or 8 when there is no digest.
    LONG ComputeHash(const std::vector<BYTE>& data, ALG_ID algId, std::string& out, bool hex);

    // ---- Time stamps (signer_timestamp*.cpp) ----
    // The message with an RFC 3161 token over the signature value of signer
    // n added to that signer as its signature time stamp: 0 with out
    // written, else the number of the step that failed (30 for an empty
    // message, the reader's numbers, RequestTimeStamp's, those of adding the
    // token). The message is never changed in place.
    LONG AddTimeStamp(DWORD signer, const std::vector<BYTE>& message, std::vector<BYTE>& out);
    // Asks the time-stamp server for a token over the hash (with the OID's
    // algorithm) of the signature value, through the connection settings
    // and with the preset TSA authentication certificate (the first of
    // remembered list 4 that is valid and has its key in the user's "MY"
    // store) when the server asks for one. The token is taken only when its
    // imprint, nonce, policy and time answer the request and its signature
    // verifies. Records and returns the outcome: 0, 8, 701-718, 751, 900-903,
    // 3015 or 12.
    LONG RequestTimeStamp(const std::string& hashOid, const std::vector<BYTE>& signatureValue,
                          std::vector<BYTE>& token);


    // ---- Signing certificates (signer_certificates*.cpp) ----
    // Kinds, which are also the numbers of the remembered lists: 0 sender
    // authentication, 1 signature, 2 sender key exchange, 3 recipient key
    // exchange, 4 time-stamp server authentication.
    //
    // The preset certificate of the kind: the first remembered one that
    // passes the selection flags (the TSA flags for kind 4) and is found in
    // the current provider's containers when it keeps its certificates
    // there, else in the user's "MY" store ("AddressBook" for kind 3). With
    // remember it goes to the front of its list (not saved).
    bool GetCertificate(LONG kind, CertInfo& out, bool remember);
    // The user chooses a certificate of the kind in the selection dialog,
    // the preset one preselected; alwaysShow shows it for a lone candidate
    // too. A signature certificate the policy rejects gives 3204 and is not
    // remembered; a taken one is put first in its list, saved, and copied
    // to out. 0, the dialog's number, or 6 for an unknown kind.
    LONG SelectCertificate(LONG kind, const std::string& issuerDn, CertInfo* out, bool alwaysShow);
    // SelectCertificate for kind 1 with the dialog always shown; records
    // the outcome.
    bool SetCertSign(const std::string& issuerDn, CertInfo* out);
    LONG ChooseCertificate(LONG kind, const std::string& issuerDn, bool alwaysShow);
    // Makes sure every certificate the operation bits need is preset (1
    // kind 0, 2 kind 1, 4 kind 2, each under the issuer filter; 8 kind 3,
    // 16 kind 0), letting the user choose where none is; other bits are
    // ignored. 0 or the first chooser's number.
    LONG PrepareCertificates(LONG operation, const std::string& issuerDn);
    // The PEM text of the preset kind 1 / kind 4 certificate, empty when
    // none; the last error is left alone.
    std::string GetCertSignPem();
    std::string GetTsaCertAuthenticationPem();
    // The preset kind 1 / kind 4 certificate in the viewer: 3024 / 3015
    // without one, 9 when the viewer cannot show it. Records the outcome.
    bool ShowCertSign();
    bool ShowTsaCertAuthentication();
    // Makes current the provider of the first card present (readers in
    // PC/SC order) whose provider keeps its keys on a secure device and
    // opens: its name goes to provider. 3003 without a reader, 5009 when
    // the readers cannot be read, else the last provider's failure or 5000
    // when none was tried. Records the outcome.
    bool SetPresentCardCSP(std::string& provider);
    // Whether the certificate's chain, root (now) and algorithms satisfy the
    // loaded policy as a signing / time-stamp server certificate; true with
    // no policy, false when the policy does not decode or no chain builds.
    virtual bool ValidateSignCert(const CertInfo& certificate) const;
    virtual bool ValidateTsaCert(const CertInfo& certificate) const;

    // ---- Signing confirmation (signer_confirmation.cpp) ----
    // Prepares the certificates the job's operation needs (their chooser's
    // number is returned) and, unless the operation authenticates or the
    // job allows no interaction (0 then), asks the user in the confirmation
    // dialog: 0 with confirmed set for Yes, 11 for No, 12 for Cancel; 9
    // when the dialog cannot be made.
    DWORD ConfirmSignJob(SignJob& job);
    // Whether the certificate may sign: 0 for one on a secure signature-
    // creation device; otherwise 3014 (authentication) or 3024 when the job
    // allows no interaction, else the user's answer to the warning: 0 for
    // Yes, 11 for anything else.
    DWORD CheckSscd(const SignJob& job, const CertInfo& cert);

    // ---- Lines of the signing dialogs (signing_dialog_lines.cpp) ----
    // Shows the document's digest in the dialog's hash line (control 212,
    // caption 210): with the algorithm given, or for 0 the one the preset
    // signing certificate is signed with (SHA-1 when the system does not
    // know it or there is none); through the certificate's own provider
    // when it names another than the current one. The digest is kept in the
    // document; one kept for the same algorithm is shown as it is.
    void SetHash2Ctrl(HWND dialog, ALG_ID algorithm, SignJobDocument& document);
    // Puts the preset certificate of the kind (its subject) into the
    // control, or empties it; for kind 1 also the expiry line (control
    // 238). True when a kind 1 certificate ends in less than 30 days.
    bool SetCertificateLine(HWND dialog, LONG kind, int control);

    // ---- Signature policy (signer_policy.cpp) ----
    bool SetFormatOptions(LONG options);
    // Loads the policy file: DER with format option 1, otherwise Base64 with
    // or without armour lines. An empty name unloads the policy and leaves
    // the last error alone. A file that cannot be read (3202), is no Base64
    // (5) or no policy (3200) leaves the loaded policy as it was; a policy
    // the signer cannot honour (a signed or unsigned attribute it cannot
    // make, a certificate reference other than the signer's only) is
    // refused with 3200 and unloads the one loaded before.
    bool SetSignPolicyFile(const std::string& fileName);
    const std::string& GetSignPolicyFile() const;
    // One field of the loaded policy (selectors 0-24, see signer_values.h);
    // 3200 with no policy, 30 for another selector.
    bool GetSignPolicyValue(LONG selector, std::string& out);

    // ---- Signed configuration and trusted list (signer_configuration.cpp,
    //      signer_trusted_list*.cpp) ----
    // Applies a signed configuration: Base64 of a CMS message that carries
    // its text and is signed with the built-in configuration-signer
    // certificate. Its [Providers] section names providers (ProvidersCount,
    // Provider<i>Name, Provider<i>Flags; "*" every installed provider of
    // types 1 and 24) for the process-wide provider list. 30 for an empty
    // text, 33 when the built-in certificate does not read, 5 for text that
    // is no Base64, the verification's number, 34 when no signer is the
    // built-in certificate; a failure changes nothing. Records the outcome.
    bool SetConfiguration(const std::string& configuration);
    // Loads the trusted list: a signed file (DER with format option 1, else
    // Base64), or else a container whose first signed object it is. The
    // signature is verified with its chain and revocation; a root that no
    // "Root" store holds is put to the user (Yes puts it in the user's
    // "Root" store). Outcomes: 0; 9502 unreadable; 11 or 12 for a root the
    // user refused or cancelled; 9503-9519 for the verification; 9500 for a
    // text without records or with a field out of order. A failure unloads
    // any list loaded before; an empty name unloads it without recording.
    bool SetTrustedListFile(const std::string& fileName);
    const std::string& GetTrustedListFile() const;
    bool IsTrustedList() const;

protected:
    // Whether the loaded list names the policy (by the SHA-1, else SHA-256
    // digest of its DER) with its own identifier in a record valid now.
    bool TrustedListAdmitsPolicy(const SignPolicyInfo& policy) const;
    // Whether the list names the root of the certificate's chain (by
    // digest) in a record valid now, and every certificate of the chain
    // below the root carries each policy of the record's ExplicitPolicy.
    bool TrustedListAdmitsCertificate(const CertInfo& certificate) const;

public:
    // ---- Signature values of the loaded message (signer_values.cpp) ----
    // The message the readers inspect.
    TPkcs7& Pkcs7();
    // Closes the message; true.
    bool Pkcs7Clear();
    bool Pkcs7GetSignerCount(LONG& count);
    // The signingTime attribute as an OLE date, in UTC or local time.
    bool Pkcs7GetSignerSigningTime(LONG index, DATE& date);
    bool Pkcs7GetSignerSigningTimeLocal(LONG index, DATE& date);
    // The digest's display name ("sha256"), and that followed by the
    // signature algorithm's ("sha256RSA").
    bool Pkcs7GetSignerHashAlgorithmStr(LONG index, std::string& name);
    bool Pkcs7GetSignerAlgorithmStr(LONG index, std::string& name);
    // One value (selectors 0-17) of the signer's time-stamp token.
    bool Pkcs7GetSignerTimeStampValue(LONG index, LONG selector, std::string& out);
    // One value (selectors 0-7) of the signer's signature-policy
    // identifier; 3201 for a signer that names no policy.
    bool Pkcs7GetSignerPolicyIdValue(LONG index, LONG selector, std::string& out);

    // ---- Certificates given by callers (signer_cert_members.cpp) ----
    // The certificate of the PEM text goes first in remembered list 1 (a
    // signature certificate) and is saved: 3000 when the text is no
    // certificate, 3204 when the loaded policy refuses it; nothing changes
    // then. Records the outcome.
    bool SetCertSignPem(const std::string& pem);
    // The same for list 4 (the time-stamp server authentication
    // certificate), which no policy judges.
    bool SetTsaCertAuthenticationPem(const std::string& pem);
    // The user chooses a TSA authentication certificate of that issuer, as
    // SetCertSign does for signing. Records the outcome.
    bool SetTsaCertAuthentication(const std::string& issuerDn);
    // The certificate of the PEM text in the viewer (3000 when it is none,
    // 9 when the viewer cannot show it); the system's certificate manager
    // (9 when it cannot be started). Record the outcome.
    bool ShowCert(const std::string& pem);
    bool ShowCertManager();
    // Appends the certificate's chain now, from the user's stores, root
    // last, starting with the certificate (first 0) or its issuer (first
    // 1); false, with nothing appended, when it cannot be built up to a
    // self-issued root or read. No trust is judged.
    static bool BuildCertificateChain(const CertInfo& certificate, std::vector<CertInfo>& out, DWORD first);

    // ---- Signing (signer_sign*.cpp) ----
    // Signs (operation bits 1 or 2) and/or encrypts (bit 8) the document as
    // the job says, into result (Base64 text in 72-character CRLF lines
    // unless option 2). Records and returns the outcome; result is written
    // only on success.
    DWORD SignData(SignJob& job, const std::vector<BYTE>& document, std::vector<BYTE>& result);

protected:
    // The trace line of an operation, and the same with ". value <n>".
    void Trace(const char* operation, const char* file, int line) const;
    void TraceValue(const char* operation, const char* file, int line, LONG value) const;
    void Log(DWORD level, const std::string& text) const;
    // Records number with its message-table text (formatted with the
    // argument where the text has a placeholder); true for 0.
    bool Record(LONG number);
    bool Record(LONG number, const std::string& argument);
    bool Record(LONG number, LONG argument);

    // Points the remembered lists and the trusted store at these keys
    // (under HKEY_CURRENT_USER) and loads them.
    void ReloadCertificates(const std::string& certsKey, const std::string& trustedKey);
    // The fields of a DER time-stamp token; 0, 700 minus the time-stamp
    // library's status when it cannot be read, or the number of opening
    // the token as a signed message.
    LONG BuildTimeStampRecord(const std::vector<BYTE>& token, TimeStampRecord& record);

    // Forgets every per-signature result; the index goes back to 0 with them.
    void ClearSignatureResults();
    // Adds a result after the last one; the selection stays.
    void AppendSignatureResult(SignatureResult result);
    // The selected result; null without results.
    const SignatureResult* SelectedSignatureResult() const;

    std::string m_appName = "TeskSign";
    TCertManager m_certs;
    LONG m_certSelFlags = 1;
    LONG m_formatOptions = kSigningTimeOnly;
    bool m_selectionDisplaySwitch = true;
    // The loaded signature policy (DER).
    std::vector<BYTE> m_signPolicy;

private:
    SignatureResult& SelectedOrNewResult();

    // Frees the rich-edit library it holds.
    struct LibraryRelease {
        void operator()(HMODULE module) const;
    };

    TCSPManager m_csp;
    std::vector<SignatureResult> m_signatureResults;
    std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryRelease> m_richEdit;
    LONG m_encryptionAlgorithm = kTripleDesRow;
    LONG m_tsaCertSelFlags = 1;
    LONG m_lastErrorNumber = 0;
    std::string m_lastErrorStr;
    LONG m_fileFlags = 0;
    LONG m_signFlags = 0;
    LONG m_confirmationDlgFlags = 0;
    LONG m_hashAlgorithm = -1;
    LONG m_signatureIndex = 0;
    std::string m_tsaUrl;
    std::string m_tsaPolicy;
    LONG m_accessType = kAccessPreconfigured;
    std::string m_proxyServer;
    std::string m_proxyUser;
    std::string m_proxyPassword;
    // Whether choosing a card or device provider also lists its
    // certificates.
    bool m_listProviderCertificates = true;
    std::string m_policyFile;
    TPkcs7 m_pkcs7;
    // The loaded trusted list: its file and its verified text.
    std::string m_trustedListFile;
    std::vector<BYTE> m_trustedList;
};

#define SIGNER_TRACE() Trace(__func__, __FILE__, __LINE__)
#define SIGNER_TRACE_VALUE(value) TraceValue(__func__, __FILE__, __LINE__, static_cast<LONG>(value))
