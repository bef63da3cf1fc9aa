#include "msg/splice.h"

namespace platform::crypt::msg {

namespace {

bool holds(der::View outer, der::View inner) {
    return inner.data() >= outer.data() && inner.data() + inner.size() <= outer.data() + outer.size();
}

}  // namespace

der::Bytes replaceNested(der::View outer, der::View target, der::View replacement) {
    if (outer.data() == target.data() && outer.size() == target.size())
        return der::Bytes(replacement.begin(), replacement.end());
    const der::Element e = der::readOuter(outer);
    der::Reader r(e.content);
    der::Bytes content;
    while (!r.atEnd()) {
        const der::Element child = r.read();
        if (holds(child.encoded, target))
            der::concat(content, replaceNested(child.encoded, target, replacement));
        else
            der::concat(content, child.encoded);
    }
    return der::encode(e.tag, content);
}

}  // namespace platform::crypt::msg
