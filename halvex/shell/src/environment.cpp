#include "environment.h"

#include "halvex/profile.h"

namespace halvex {

Environment EnvironmentOf(DWORD environment) {
    switch (environment) {
        case kEnvironmentDevelopment:
            return {u"https://obnova-dev.tesk.cz:443/cgi-bin/renreq3.cgi", u" DEVELOPMENT"};
        case kEnvironmentTest:
            return {u"https://obnova-test.tesk.cz:443/cgi-bin/renreq3.cgi", u" TEST"};
        case kEnvironmentProduction:
            return {u"https://obnova.tesk.cz:443/cgi-bin/renreq3.cgi", u""};
        default:
            return {};
    }
}

std::u16string MainTitle(const std::u16string& fileVersion, const Environment& environment) {
    return u"Halvex v" + fileVersion + environment.titleSuffix;
}

}  // namespace halvex
