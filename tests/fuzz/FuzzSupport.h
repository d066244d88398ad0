#pragma once
// Shared pieces of the fuzz targets: a scratch folder per process (in memory when /dev/shm
// is there, so the flushes of the atomic writes cost nothing) and a check that stops the
// run with a message when a property does not hold.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace corv::fuzz {

// Bytes other than printable ASCII and line feeds are shown as \xNN, so a detail holding
// NUL bytes or broken UTF-8 prints whole.
inline std::string printable(const std::string& bytes)
{
    std::string out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\n' || (u >= 0x20 && u < 0x7F && c != '\\')) {
            out += c;
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        }
    }
    return out;
}

[[noreturn]] inline void fail(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "PROPERTY FAILED: %s\n%s\n", what, printable(detail).c_str());
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                                                                  \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::corv::fuzz::fail(#condition, (detail));                                                                  \
    } while (false)

inline std::string readAll(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeAll(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A folder of its own for this process, created on first use, emptied by clear().
class Scratch {
public:
    static Scratch& get()
    {
        static Scratch scratch;
        return scratch;
    }
    const std::filesystem::path& path() const { return path_; }
    // A fresh, empty subfolder (the previous one is removed).
    std::filesystem::path fresh(const char* name)
    {
        std::error_code ec;
        const std::filesystem::path folder = path_ / name;
        std::filesystem::remove_all(folder, ec);
        std::filesystem::create_directories(folder, ec);
        return folder;
    }

private:
    Scratch()
    {
        std::error_code ec;
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base, ec) || ::access(base.c_str(), W_OK) != 0)
            base = std::filesystem::temp_directory_path(ec);
        std::string pattern = (base / "corv-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            fail("mkdtemp", pattern);
        path_ = pattern;
        std::atexit([] {
            std::error_code e;
            std::filesystem::remove_all(Scratch::get().path_, e);
        });
    }
    std::filesystem::path path_;
};

}  // namespace corv::fuzz
