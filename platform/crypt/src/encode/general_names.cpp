// GeneralNames (RFC 5280 4.2.1.6) <-> CERT_ALT_NAME_INFO, for X509_ALTERNATE_NAME
// and inside key identifiers and CRL distribution points. Choice n of
// CERT_ALT_NAME_ENTRY is the context tag n - 1; X.400 addresses and EDI party
// names are refused both ways, as CryptoAPI does not support them.
#include "encode/codecs.h"
#include "encode/parts.h"

namespace platform::crypt {

namespace {

BYTE tagOfChoice(DWORD choice) {
    switch (choice) {
    case CERT_ALT_NAME_OTHER_NAME:
        return der::contextConstructed(0);
    case CERT_ALT_NAME_DIRECTORY_NAME:
        return der::contextConstructed(4);
    case CERT_ALT_NAME_RFC822_NAME:
    case CERT_ALT_NAME_DNS_NAME:
    case CERT_ALT_NAME_URL:
    case CERT_ALT_NAME_IP_ADDRESS:
    case CERT_ALT_NAME_REGISTERED_ID:
        return der::contextTag(choice - 1);
    default:
        throw WinError(E_INVALIDARG, "unsupported alternative name choice");
    }
}

// An IA5String value; the position of a character above 0x7F is refused.
der::Bytes ia5Name(BYTE tag, LPCWSTR name) {
    if (!name) throw WinError(E_INVALIDARG, "null alternative name");
    der::Bytes content;
    for (std::size_t i = 0; name[i]; ++i) {
        if (name[i] > 0x7F) throw EncodeError(CRYPT_E_INVALID_IA5_STRING, static_cast<DWORD>(i & 0xFFFF));
        content.push_back(static_cast<BYTE>(name[i]));
    }
    return der::encode(tag, content);
}

der::Bytes generalName(const CERT_ALT_NAME_ENTRY& entry) {
    const BYTE tag = tagOfChoice(entry.dwAltNameChoice);
    switch (entry.dwAltNameChoice) {
    case CERT_ALT_NAME_OTHER_NAME: {
        if (!entry.pOtherName) throw WinError(E_INVALIDARG, "null other name");
        const der::Bytes value = der::encode(der::contextConstructed(0), der::raw(view(entry.pOtherName->Value)));
        return der::wrap(tag, {der::oid(required(entry.pOtherName->pszObjId)), value});
    }
    case CERT_ALT_NAME_RFC822_NAME:
        return ia5Name(tag, entry.pwszRfc822Name);
    case CERT_ALT_NAME_DNS_NAME:
        return ia5Name(tag, entry.pwszDNSName);
    case CERT_ALT_NAME_URL:
        return ia5Name(tag, entry.pwszURL);
    case CERT_ALT_NAME_DIRECTORY_NAME:
        return der::encode(tag, parts::nameBlob(entry.DirectoryName));
    case CERT_ALT_NAME_IP_ADDRESS:
        return der::octetString(view(entry.IPAddress), tag);
    default: {  // CERT_ALT_NAME_REGISTERED_ID
        der::Bytes id = der::oid(required(entry.pszRegisteredID));
        id[0] = tag;
        return id;
    }
    }
}

LPWSTR wideOfIa5(Decoding& d, der::View content) {
    return d.wide(std::u16string(content.begin(), content.end()));
}

void readGeneralName(const der::Element& e, Decoding& d, CERT_ALT_NAME_ENTRY& entry) {
    switch (e.tag) {
    case der::contextConstructed(0): {
        der::Reader r(e.content);
        auto* other = d.make<CERT_OTHER_NAME>();
        other->pszObjId = d.oid(r.read(der::kOid));
        other->Value = d.bytes(r.read(der::contextConstructed(0)).content);
        r.finish();
        entry.pOtherName = other;
        break;
    }
    case der::contextTag(1):
        entry.pwszRfc822Name = wideOfIa5(d, e.content);
        break;
    case der::contextTag(2):
        entry.pwszDNSName = wideOfIa5(d, e.content);
        break;
    case der::contextConstructed(4): {
        der::Reader r(e.content);
        entry.DirectoryName = d.bytes(r.read(der::kSequence).encoded);
        r.finish();
        break;
    }
    case der::contextTag(6):
        entry.pwszURL = wideOfIa5(d, e.content);
        break;
    case der::contextTag(7):
        entry.IPAddress = d.bytes(e.content);
        break;
    case der::contextTag(8):
        entry.pszRegisteredID = d.text(der::oidTextOf(e.content));
        break;
    default:
        throw WinError(CRYPT_E_ASN1_BADTAG, "unsupported GeneralName");
    }
    entry.dwAltNameChoice = (e.tag & 0x1F) + 1u;
}

}  // namespace

namespace parts {

der::Bytes nameBlob(const CERT_NAME_BLOB& name) {
    if (name.cbData == 0) return der::encode(der::kSequence, {});
    const der::View encoded = der::raw(view(name));
    return der::Bytes(encoded.begin(), encoded.end());
}

der::Bytes generalNames(const CERT_ALT_NAME_INFO& names, BYTE tag) {
    der::Bytes content;
    const auto entries = items(names.rgAltEntry, names.cAltEntry);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        try {
            const der::Bytes name = generalName(entries[i]);
            der::concat(content, name);
        } catch (const EncodeError& refused) {
            throw refused.shifted(static_cast<DWORD>((i & 0xFF) << 16));
        }
    }
    return der::encode(tag, content);
}

void readGeneralNames(const der::Element& e, Decoding& d, CERT_ALT_NAME_INFO& out) {
    der::Reader r(e.content);
    out.cAltEntry = r.countLeft();
    out.rgAltEntry = d.make<CERT_ALT_NAME_ENTRY>(out.cAltEntry);
    for (DWORD i = 0; i < out.cAltEntry; ++i) readGeneralName(r.read(), d, out.rgAltEntry[i]);
}

}  // namespace parts

namespace codecs {

der::Bytes encodeAltName(const void* info, const Encoding&) {
    return parts::generalNames(record<CERT_ALT_NAME_INFO>(info));
}

void decodeAltName(der::View input, Decoding& d) {
    auto& names = *d.make<CERT_ALT_NAME_INFO>();
    parts::readGeneralNames(der::readOuter(input, der::kSequence), d, names);
}

}  // namespace codecs

}  // namespace platform::crypt
