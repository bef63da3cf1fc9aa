// The printf engine behind _vsnprintf, wsprintf, the C++ format and the
// inserts of FormatMessage, with the Windows rules: in a narrow format %s is
// narrow and %S wide, in a wide format the other way round, h and l force
// narrow or wide; the l size is 32 bits (Windows' long), ll and I64 are 64;
// %n is refused.
#pragma once

#include <algorithm>
#include <cstdarg>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::text {

// Collects formatted characters: keeps at most `limit` of them and counts
// all, so a truncated result still knows the length it would have had.
template <class Char>
class FormatSink {
public:
    explicit FormatSink(std::size_t limit) : m_limit(limit) {}

    void put(std::basic_string_view<Char> s) {
        if (m_kept.size() < m_limit) m_kept.append(s.substr(0, m_limit - m_kept.size()));
        m_total += s.size();
    }
    void repeat(Char c, std::size_t n) {
        if (m_kept.size() < m_limit) m_kept.append(std::min(n, m_limit - m_kept.size()), c);
        m_total += n;
    }
    std::size_t total() const noexcept { return m_total; }
    bool overflowed() const noexcept { return m_total > m_limit; }
    std::basic_string<Char>& kept() noexcept { return m_kept; }

private:
    std::size_t m_limit;
    std::size_t m_total = 0;
    std::basic_string<Char> m_kept;
};

// The arguments of the conversions, taken in order.
class FormatArgs {
public:
    virtual ~FormatArgs() = default;
    virtual int nextInt() = 0;
    virtual long long nextLongLong() = 0;
    virtual double nextDouble() = 0;
    virtual const void* nextPointer() = 0;
};

class VaListArgs final : public FormatArgs {
public:
    explicit VaListArgs(va_list args) { va_copy(m_args, args); }
    ~VaListArgs() override { va_end(m_args); }
    VaListArgs(const VaListArgs&) = delete;
    VaListArgs& operator=(const VaListArgs&) = delete;

    int nextInt() override { return va_arg(m_args, int); }
    long long nextLongLong() override { return va_arg(m_args, long long); }
    double nextDouble() override { return va_arg(m_args, double); }
    const void* nextPointer() override { return va_arg(m_args, const void*); }

private:
    va_list m_args;
};

enum class ArgKind { Int, LongLong, Double, Pointer };

// The arguments that one conversion (its text after the '%') takes, in
// order; nullopt when the text is not exactly one valid conversion.
template <class Char>
std::optional<std::vector<ArgKind>> argumentsOf(std::basic_string_view<Char> conversion);

// Formats into out. False when a conversion the rules refuse (%n, an
// unknown or unfinished one) stopped the formatting there.
template <class Char>
bool formatInto(FormatSink<Char>& out, const Char* format, FormatArgs& args);

}  // namespace platform::text
