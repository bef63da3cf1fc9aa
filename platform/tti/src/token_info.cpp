// token_info.cpp: TTI_GetTST_TSTInfoEx, a token's TSTInfo (RFC 3161 2.4.2)
// in the token information record.
#include "buffers.h"
#include "failure.h"
#include "ossl.h"
#include "token.h"
#include "values.h"

TTI_API int TTI_GetTST_TSTInfoEx(TtiTokenInfo* info, const std::uint8_t* token, std::uint32_t length) {
    return tti::guarded([&] {
        if (!info || info->size != sizeof(TtiTokenInfo)) return int{TTI_E_PARAMETER};
        const tti::Pkcs7 pkcs7 = tti::decodeToken(tti::input(token, length));
        const tti::TstInfo tst = tti::decodeTstInfo(pkcs7.get());

        TtiTokenInfo record{};
        record.size = sizeof record;
        record.version = static_cast<std::uint32_t>(TS_TST_INFO_get_version(tst.get()));
        tti::copyText(tti::oidText(TS_TST_INFO_get_policy_id(tst.get())), record.policyOid);
        tti::copyImprint(TS_TST_INFO_get_msg_imprint(tst.get()), record.imprint);
        if (const ASN1_INTEGER* nonce = TS_TST_INFO_get_nonce(tst.get())) tti::copyInteger(nonce, record.nonce);
        tti::copyInteger(TS_TST_INFO_get_serial(tst.get()), record.serial);
        const ASN1_GENERALIZEDTIME* time = TS_TST_INFO_get_time(tst.get());
        tti::copyText({reinterpret_cast<const char*>(ASN1_STRING_get0_data(time)),
                       static_cast<std::size_t>(ASN1_STRING_length(time))},
                      record.genTime);
        if (const GENERAL_NAME* tsa = TS_TST_INFO_get_tsa(tst.get()))
            tti::copyText(tti::generalNameText(tsa), record.tsaName);
        *info = record;
        return int{TTI_OK};
    });
}
