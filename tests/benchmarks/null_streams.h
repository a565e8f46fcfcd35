// The console of a benchmarked cycle: a narrow and a wide stream that accept every write and keep
// nothing, so that the cycle writes as it does to a console while no output is measured.
#pragma once

#include <ostream>
#include <streambuf>

template <class Char>
class NullBuffer : public std::basic_streambuf<Char> {
protected:
    using Traits = typename std::basic_streambuf<Char>::traits_type;

    typename Traits::int_type overflow(typename Traits::int_type c) override {
        return Traits::not_eof(c);
    }
    std::streamsize xsputn(const Char*, std::streamsize count) override { return count; }
};

class NullStreams {
public:
    NullStreams() = default;
    NullStreams(const NullStreams&) = delete;
    NullStreams& operator=(const NullStreams&) = delete;

    std::ostream& Narrow() { return m_narrow; }
    std::wostream& Wide() { return m_wide; }

private:
    NullBuffer<char> m_narrowBuffer;
    NullBuffer<wchar_t> m_wideBuffer;
    std::ostream m_narrow{&m_narrowBuffer};
    std::wostream m_wide{&m_wideBuffer};
};
