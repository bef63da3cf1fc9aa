#include "halvex/renew_armour.h"

#include "halvex/text_utils.h"

namespace halvex {

std::u16string PemKydBlock(std::u16string_view body) {
    std::u16string block = u"-----BEGIN Tesk Kyd-----\n";
    block += body;
    block += u"-----END Tesk Kyd-----\n";
    return block;
}

std::u16string StripCertificateArmour(std::u16string_view text) {
    std::u16string bare(text);
    EraseAll(bare, u"-----BEGIN CERTIFICATE-----");
    EraseAll(bare, u"-----END CERTIFICATE-----");
    EraseAll(bare, u"\n");
    EraseAll(bare, u"\r");
    return bare;
}

}  // namespace halvex
