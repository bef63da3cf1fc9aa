#include "request_creation.h"

#include <memory>

#include "common/cryptoapi.h"
#include "halvex/bstr.h"
#include "halvex/log.h"
#include "halvex/messages.h"
#include "halvex/resource_strings.h"
#include "pentak_lib.h"
#include "win32/oleauto.h"
#include "win32/ui.h"

namespace halvex {
namespace {

constexpr int kErrorPentak = 4013;
constexpr int kErrorKeyGenerate = 4014;
constexpr int kErrorRequest = 4016;
constexpr int kErrorAlgorithm = 4051;
constexpr int kErrorKeyLength = 4052;
constexpr UINT kKeyGenerateAdvice = 33500;
constexpr UINT kQuestionDeleteKey = 33146;
// The busy window's texts of the steps.
constexpr UINT kBusyPreparing = 33073;
constexpr UINT kBusyGenerating = 33074;
constexpr UINT kBusyRequesting = 33072;

constexpr char16_t kEmailOid[] = u"1.2.840.113549.1.9.1";
constexpr char16_t kCountryOid[] = u"2.5.4.6";
constexpr char16_t kSerialNumberOid[] = u"2.5.4.5";
constexpr LONG kPrintableString = 4;
constexpr LONG kIa5String = 7;

// A failing call of the enrolment object: the provider's error it carries
// and the object's own description.
struct PentakError {
    DWORD error;
    std::u16string text;
};

// Every call goes through here: a failure becomes a PentakError.
void Check(IPentak& pentak, HRESULT result) {
    if (SUCCEEDED(result)) return;
    BSTR text = nullptr;
    const std::u16string description = SUCCEEDED(pentak.get_Error(&text)) ? TakeBstr(text) : std::u16string();
    throw PentakError{ProviderError(result), description};
}

void ShowMapped(const RequestKeyParams& params, const PentakError& error, int defaultId, UINT appendedId = 0) {
    std::u16string text = FormatErrorMessage(MapCspError(params.provider, error.error, defaultId), false);
    if (appendedId) text += LoadResString(appendedId);
    ErrorBox(text, 0, false, false);
}

// The string type an attribute is written with: the e-mail address as
// IA5String, country and serial number as PrintableString, the rest as
// the request's type.
LONG AttributeType(const RequestAttr& attr) {
    if (attr.oid == kEmailOid) return kIa5String;
    if (attr.oid == kCountryOid || attr.oid == kSerialNumberOid) return kPrintableString;
    return static_cast<LONG>(attr.stringType);
}

// The number of an alternative name's choice ("1" an e-mail address);
// anything but digits gives -1, which the enrolment object refuses.
LONG NameChoice(const std::u16string& text) {
    if (text.empty() || text.size() > 2) return -1;
    LONG choice = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') return -1;
        choice = choice * 10 + (c - u'0');
    }
    return choice;
}

}  // namespace

bool RequestCreation::CheckProvider(const TCertRequest& request) {
    TLog& log = TLogFile::GetInstance();
    log.Print(u"CheckRequest():CheckRequest(): for %s:%d", request.provider.name.c_str(),
              static_cast<int>(request.provider.type));
    const std::u16string algorithm = request.GetHashAlgorithm();
    try {
        Check(m_pentak, m_pentak.Reset());
        Check(m_pentak, m_pentak.put_ProviderName(MakeBstr(request.provider.name).get()));
        Check(m_pentak, m_pentak.put_ProviderType(static_cast<LONG>(request.provider.type)));
        Check(m_pentak, m_pentak.IsAlgOidSupported(MakeBstr(algorithm).get()));
    } catch (const PentakError& error) {
        log.Print(u"CheckRequest():SetSignatureAlgorithmOid(%s): error %s", algorithm.c_str(), error.text.c_str());
        ErrorBox(FormatErrorMessage(kErrorAlgorithm, false, TCryptoapi::GetOidName(algorithm).c_str(),
                                    request.provider.name.c_str()),
                 0, false, false);
        return false;
    }
    LONG keySpec = kKeySpecExchange;
    if (request.kind & kKindQualified) {
        keySpec = (request.kind & kKindParvelPair) || request.GetKeyUsage() == 3 ? kKeySpecSignature
                                                                                  : kKeySpecExchange;
    }
    try {
        Check(m_pentak, m_pentak.put_KeySpec(keySpec));
        Check(m_pentak, m_pentak.IsKeylenSupported(request.keyLength));
    } catch (const PentakError& error) {
        log.Print(u"CheckRequest():IsKeylenSupported(%d): error %s", request.keyLength, error.text.c_str());
        ErrorBox(FormatErrorMessage(kErrorKeyLength, false, request.keyLength, request.provider.name.c_str()), 0,
                 false, false);
        return false;
    }
    return true;
}

bool RequestCreation::CreatePKCS10(RequestKeyParams& params, std::u16string& pem) {
    ShowBusy(kBusyPreparing);
    TLog& log = TLogFile::GetInstance();
    log.Print(u"CreatePKCS10(): '%s','%s',0x%x,0x%x,0x%x,%d,%d", params.provider.c_str(), params.container.c_str(),
              params.genKeyFlags, params.keySpec, params.keyUsage, params.generationKeySpec,
              params.signatureAlgorithmSet ? 1 : 0);
    try {
        Check(m_pentak, m_pentak.Reset());
        Check(m_pentak, m_pentak.put_ProviderName(MakeBstr(params.provider).get()));
        if (!params.container.empty())
            Check(m_pentak, m_pentak.put_ContainerName(MakeBstr(params.container).get()));
        Check(m_pentak, m_pentak.put_ProviderType(params.providerType));
        Check(m_pentak, m_pentak.put_KeySpec(params.keySpec));
        Check(m_pentak, m_pentak.put_GenKeyFlags(params.genKeyFlags));
    } catch (const PentakError&) {
        ErrorBox(u"", kErrorPentak, false, false);
        return false;
    }
    return MakeRequest(params, pem);
}

bool RequestCreation::MakeRequest(RequestKeyParams& params, std::u16string& pem) {
    return DescribeRequest(params) && ProvideKey(params) && AddCardInformation(params) && SignRequest(params, pem);
}

bool RequestCreation::DescribeRequest(const RequestKeyParams& params) {
    TLog& log = TLogFile::GetInstance();
    IPentak& pentak = m_pentak;
    try {
        for (LONG bit = 0; bit < 8; ++bit)
            if (params.keyUsage & (1 << bit)) Check(pentak, pentak.RequestedExtension_KeyUsage_SetBit(bit));
        for (const RequestAttr& usage : params.extKeyUsage) {
            log.Print(u"CreatePKCS10():RequestedExtension_ExtKeyUsage_AddOid: '%s'", usage.oid.c_str());
            try {
                Check(pentak, pentak.RequestedExtension_ExtKeyUsage_AddOid(MakeBstr(usage.oid).get()));
            } catch (const PentakError& error) {
                log.Print(u"CreatePKCS10():RequestedExtension_ExtKeyUsage_AddOid: failed '%s'", usage.oid.c_str());
                log.Print(u"CreatePKCS10():RequestedExtension_ExtKeyUsage_AddOid: error %s", error.text.c_str());
                ShowMapped(params, error, kErrorRequest);
                return false;
            }
        }
    } catch (const PentakError& error) {
        ShowMapped(params, error, kErrorRequest);
        return false;
    }
    if (params.signatureAlgorithmSet) {
        try {
            Check(pentak, pentak.SetSignatureAlgorithmOid(MakeBstr(params.signatureAlgorithm).get()));
            log.Print(u"CreatePKCS10():SetSignatureAlgorithmOid(%s)", params.signatureAlgorithm.c_str());
        } catch (const PentakError& error) {
            log.Print(u"CreatePKCS10():SetSignatureAlgorithmOid(%s): error %s", params.signatureAlgorithm.c_str(),
                      error.text.c_str());
            ErrorBox(FormatErrorMessage(kErrorAlgorithm, false,
                                        TCryptoapi::GetOidName(params.signatureAlgorithm).c_str(),
                                        params.provider.c_str()),
                     0, false, false);
            return false;
        }
    }
    for (const RequestAttr& attr : params.subject) {
        try {
            Check(pentak, pentak.put_AttributeStringType(AttributeType(attr)));
            log.Print(u"CreatePKCS10():Attribute %s:%s", attr.oid.c_str(), attr.value.c_str());
            Check(pentak, pentak.AddSubjectAttribute(MakeBstr(attr.oid).get(), MakeBstr(attr.value).get()));
        } catch (const PentakError& error) {
            log.Print(u"CreatePKCS10():AddSubjAttribute %s:%s", attr.oid.c_str(), attr.value.c_str());
            log.Print(u"CreatePKCS10():AddSubjAttribute: error %s", error.text.c_str());
            ShowMapped(params, error, kErrorRequest);
            return false;
        }
    }
    for (const RequestAttr& name : params.altNames) {
        const bool otherName = name.oid.find(u'.') != std::u16string::npos;
        log.Print(u"CreatePKCS10():SubjectAltName %s:%s, altother_name %d", name.oid.c_str(), name.value.c_str(),
                  otherName ? 1 : 0);
        try {
            Check(pentak, pentak.put_AttributeStringType(AttributeType(name)));
            if (otherName)
                Check(pentak, pentak.RequestedExtension_SubjectAltName_OtherName_Add(MakeBstr(name.oid).get(),
                                                                                     MakeBstr(name.value).get()));
            else
                Check(pentak, pentak.RequestedExtension_SubjectAltName_Add(NameChoice(name.oid),
                                                                           MakeBstr(name.value).get()));
        } catch (const PentakError& error) {
            log.Print(u"CreatePKCS10():SubjectAltName %s:%s", name.oid.c_str(), name.value.c_str());
            log.Print(u"CreatePKCS10():SubjectAltName: error %s", error.text.c_str());
            ShowMapped(params, error, kErrorRequest);
            return false;
        }
    }
    return true;
}

bool RequestCreation::ProvideKey(RequestKeyParams& params) {
    TLog& log = TLogFile::GetInstance();
    IPentak& pentak = m_pentak;
    if (!params.generateKey) {
        log.Print(u"CreatePKCS10(): exist. key");
        try {
            Check(pentak, pentak.KeySelect());
            BSTR name = nullptr;
            if (SUCCEEDED(pentak.GetContainerName(&name))) params.resultContainer = TakeBstr(name);
        } catch (const PentakError& error) {
            log.Print(u"CreatePKCS10():KeySelect(): error %s", error.text.c_str());
            ShowMapped(params, error, kErrorRequest);
            return false;
        }
    } else {
        ShowBusy(kBusyGenerating);
        log.Print(u"CreatePKCS10():KeyGenerate(): start");
        try {
            if (params.generationKeySpec) Check(pentak, pentak.put_KeySpec(params.generationKeySpec));
            Check(pentak, pentak.KeyGenerate());
        } catch (const PentakError& error) {
            ShowMapped(params, error, kErrorKeyGenerate, kKeyGenerateAdvice);
            log.Print(u"CreatePKCS10():KeyGenerate(): error %s", error.text.c_str());
            return false;
        }
        params.keyGenerated = true;
        params.resultContainer = params.container;
        try {
            Check(pentak, pentak.put_KeySpec(params.keySpec));
            log.Print(u"CreatePKCS10():KeyGenerate(): done");
            BSTR name = nullptr;
            Check(pentak, pentak.GetContainerName(&name));
            const std::u16string generated = TakeBstr(name);
            if (!generated.empty()) params.resultContainer = generated;
            log.Print(u"CreatePKCS10():GetContainerName(): %s done", generated.c_str());
        } catch (const PentakError& error) {
            log.Print(u"CreatePKCS10():GetContainerName(): error %s", error.text.c_str());
        }
    }
    return true;
}

// The card information describes the request's key: added once the key is
// selected or generated.
bool RequestCreation::AddCardInformation(const RequestKeyParams& params) {
    TLog& log = TLogFile::GetInstance();
    IPentak& pentak = m_pentak;
    const auto entry = m_providers.Lookup(params.provider);
    if (entry && entry->proof == 1) {
        try {
            if (params.provider.find(u"Zintra CSP") != std::u16string::npos) {
                log.Print(u"CreatePKCS10(): add. attr. starcos");
                Check(pentak, pentak.AddAttribute_SmartCardInfoSC());
            } else if (params.provider.find(u"Tesk Dravik CSP v1.0") != std::u16string::npos) {
                log.Print(u"CreatePKCS10(): add. attr. gpk");
                Check(pentak, pentak.AddAttribute_SmartCardInfo());
            }
        } catch (const PentakError& error) {
            log.Print(u"CreatePKCS10():SmartCardInfo %s", error.text.c_str());
            ShowMapped(params, error, kErrorRequest);
            return false;
        }
    } else {
        log.Print(u"CreatePKCS10(): add. proof not allowed for: '%s'", params.provider.c_str());
    }
    if (params.provider.find(u"KavloCSP") != std::u16string::npos) {
        log.Print(u"CreatePKCS10():AddAttribute_KavloCardInfo(): start");
        try {
            Check(pentak, pentak.AddAttribute_KavloCardInfo());
            log.Print(u"CreatePKCS10():AddAttribute_KavloCardInfo(): done");
        } catch (const PentakError& error) {
            log.Print(u"CreatePKCS10():AddAttribute_KavloCardInfo(): error %s", error.text.c_str());
        }
    }
    return true;
}

bool RequestCreation::SignRequest(const RequestKeyParams& params, std::u16string& pem) {
    TLog& log = TLogFile::GetInstance();
    IPentak& pentak = m_pentak;
    ShowBusy(kBusyRequesting);
    log.Print(u"CreatePKCS10():CreatePKCS10(): start");
    std::u16string request;
    DWORD failure = 0;
    try {
        BSTR text = nullptr;
        Check(pentak, pentak.CreatePKCS10(&text));
        request = TakeBstr(text);
        log.Print(u"CreatePKCS10():CreatePKCS10(): done");
    } catch (const PentakError& error) {
        failure = error.error;
        log.Print(u"CreatePKCS10():CreatePKCS10(): error %s", error.text.c_str());
    }
    if (!request.empty()) {
        if (request.back() != u'\n') request += u'\n';
        pem = u"-----BEGIN CERTIFICATE REQUEST-----\n" + request + u"-----END CERTIFICATE REQUEST-----\n";
        return true;
    }
    ErrorBox(FormatErrorMessage(MapCspError(params.provider, failure, kErrorRequest), false), 0, false, false);
    return false;
}

void RequestCreation::OfferKeyDeletion(const RequestKeyParams& params) {
    if (!params.keyGenerated || params.resultContainer.empty()) return;
    TLog& log = TLogFile::GetInstance();
    const std::u16string question =
        FormatResString(kQuestionDeleteKey, params.provider.c_str(), params.resultContainer.c_str());
    log.Print(u"CreatePKCS10(): '%s'", question.c_str());
    if (AppMessageBox(question, MB_YESNOCANCEL | MB_ICONWARNING) == IDYES) {
        log.Print(u"CreatePKCS10():KeyContainerDelete(): '%s'", params.resultContainer.c_str());
        try {
            Check(m_pentak, m_pentak.put_ContainerName(MakeBstr(params.resultContainer).get()));
            Check(m_pentak, m_pentak.KeyContainerDelete(MakeBstr(params.resultContainer).get()));
        } catch (const PentakError& error) {
            log.Print(u"CreatePKCS10():KeyContainerDelete(): error %s", error.text.c_str());
        }
    }
    log.Print(u"CreatePKCS10(): done");
}

}  // namespace halvex
