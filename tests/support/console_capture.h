// Stand-ins for the standard output streams: what the narrow and the wide stream write lands, in
// the order written, in one sequence of bytes, as it does on one standard output.
#pragma once

#include <ostream>
#include <streambuf>
#include <string>

class ConsoleCapture {
public:
    // Room reserved up front, so that capturing allocates nothing while a test makes the
    // program's allocations fail.
    ConsoleCapture() : m_narrow(&m_narrowBuffer), m_wide(&m_wideBuffer) { m_bytes.reserve(4096); }
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

    std::ostream& Narrow() { return m_narrow; }
    std::wostream& Wide() { return m_wide; }

    // What the wide stream alone has written, over the capture's whole life.
    const std::string& WideWrites() const { return m_wideWrites; }

    // Everything written so far; Take also forgets it.
    const std::string& Bytes() const { return m_bytes; }
    std::string Take() {
        std::string taken;
        taken.swap(m_bytes);
        return taken;
    }

private:
    class NarrowBuffer : public std::streambuf {
    public:
        explicit NarrowBuffer(std::string& sink) : m_sink(sink) {}

    protected:
        int_type overflow(int_type c) override {
            if (!traits_type::eq_int_type(c, traits_type::eof())) {
                m_sink.push_back(traits_type::to_char_type(c));
            }
            return traits_type::not_eof(c);
        }

    private:
        std::string& m_sink;
    };

    // The wide stream only ever carries ASCII here; anything else shows as '?'.
    class WideBuffer : public std::wstreambuf {
    public:
        WideBuffer(std::string& sink, std::string& own) : m_sink(sink), m_own(own) {}

    protected:
        int_type overflow(int_type c) override {
            if (!traits_type::eq_int_type(c, traits_type::eof())) {
                const wchar_t wide = traits_type::to_char_type(c);
                const char narrow =
                    static_cast<std::uint32_t>(wide) < 0x80 ? static_cast<char>(wide) : '?';
                m_sink.push_back(narrow);
                m_own.push_back(narrow);
            }
            return traits_type::not_eof(c);
        }

    private:
        std::string& m_sink;
        std::string& m_own;
    };

    std::string m_bytes;
    std::string m_wideWrites;
    NarrowBuffer m_narrowBuffer{m_bytes};
    WideBuffer m_wideBuffer{m_bytes, m_wideWrites};
    std::ostream m_narrow;
    std::wostream m_wide;
};
