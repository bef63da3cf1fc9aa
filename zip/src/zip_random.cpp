#include "zip_random.h"

#include <sys/random.h>

#include <cerrno>

#include "zip/zip_exception.h"

namespace ziprandom {

void fill(void* buffer, std::size_t size) {
    auto* out = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        const ssize_t got = getrandom(out, size, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            CZipException::Throw(CZipException::noCallback);
        }
        out += got;
        size -= static_cast<std::size_t>(got);
    }
}

}  // namespace ziprandom
