#pragma once
// UTF-8 and UTF-16 helpers for text read from files that we do not control. Every function
// accepts malformed input (stray bytes, truncated sequences, lone surrogates, odd byte
// counts) without failing, and malformed bytes stay distinguishable from real characters.
#include <cstddef>
#include <string>
#include <string_view>

namespace corv::utf {

inline constexpr char32_t kReplacementChar = 0xFFFD;
// next() returns kInvalidByteBase + byte for a byte that does not start a well-formed
// sequence; such values lie above U+10FFFF and never equal a real character.
inline constexpr char32_t kInvalidByteBase = 0x110000;

// Length (1..4) of the well-formed UTF-8 sequence starting at text[pos], or 0 when the bytes
// there do not form one (stray continuation byte, overlong form, surrogate, value beyond
// U+10FFFF, sequence cut short). pos must be < text.size().
std::size_t sequenceLength(std::string_view text, std::size_t pos);

// Decodes the character at text[pos] and advances pos past it (by one byte for a malformed
// byte). pos must be < text.size().
char32_t next(std::string_view text, std::size_t& pos);

// The longest prefix of text holding at most maxChars characters. A well-formed sequence
// counts as one character and is never cut; a malformed byte counts as one character.
std::string_view truncateChars(std::string_view text, std::size_t maxChars);

// Simple case folding (to lower case) for ASCII, Latin-1, Latin Extended-A, Greek,
// Cyrillic and fullwidth Latin letters; every other character is returned unchanged.
char32_t foldCase(char32_t c);

// True when a and b are equal after simple case folding. Malformed bytes compare exactly.
bool equalNoCase(std::string_view a, std::string_view b);

// The text as a key for hashing: equal for a and b exactly when equalNoCase(a, b).
std::u32string foldedKey(std::string_view text);

// Appends c as UTF-8 (values that are not characters are appended as U+FFFD).
void appendUtf8(std::string& out, char32_t c);

// UTF-16 bytes (little or big endian) to UTF-8. A lone surrogate becomes U+FFFD; an odd
// trailing byte is ignored.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian);

// UTF-8 to UTF-16 bytes (little or big endian, no BOM). A malformed byte becomes U+FFFD.
std::string utf8ToUtf16(std::string_view text, bool bigEndian);

}  // namespace corv::utf
