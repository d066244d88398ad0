// INI files as hostile input, and the properties of every change made to them:
// - a written value reads back (trimmed, without matching quotes, at most 259 characters);
// - a deleted key reads as the caller's default, a deleted section's keys too;
// - every other key reads as before;
// - a refused change leaves the file byte for byte as it was;
// - one IniEdit with several changes gives the same bytes as the single calls one after
//   the other, and refuses all of them when it refuses one.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/IniEdit.h"
#include "platform/IniFile.h"
#include "platform/IniSyntax.h"
#include "platform/Utf.h"

namespace {

namespace fs = std::filesystem;
using corv::fuzz::readAll;
using corv::fuzz::Scratch;
using corv::fuzz::writeAll;

constexpr const char* kDefault = "\x01missing\x01";

// Pieces names and values are made of: ASCII of both cases, blanks, quotes, the characters
// that mean something to the syntax, letters whose case folds outside ASCII, and now and
// then a line break or NUL (which must be refused).
const std::vector<std::string> kPieces = {
    "a", "A", "b", "B", "z", "LED", "led", "0", "7",  " ",    "\t", "\"", "'",    ";",  "=",  "[",
    "]", "#", "é", "É", "ß", "ẞ",   "ω",   "Ω", "新", "配置", "ǅ",  "ǆ",  "\xC3", "\n", "\r", std::string(1, '\0'),
};

std::string makeText(FuzzedDataProvider& in, std::size_t maxPieces)
{
    std::string text;
    const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, maxPieces);
    for (std::size_t i = 0; i < n; ++i)
        text += kPieces[in.ConsumeIntegralInRange<std::size_t>(0, kPieces.size() - 1)];
    return text;
}

std::string flipAsciiCase(std::string s)
{
    for (char& c : s) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

struct Entry {
    std::string section, key, value;
};

// Every key a reader can reach: the first section of each name, its keys.
std::vector<Entry> snapshot(const fs::path& file)
{
    std::vector<Entry> entries;
    for (const std::string& section : corv::ini::sectionNames(file))
        for (const std::string& key : corv::ini::keyNames(file, section))
            entries.push_back({section, key, corv::ini::readString(file, section, key, kDefault)});
    return entries;
}

std::string expectedValue(std::string_view value)
{
    return std::string(
        corv::utf::truncateChars(corv::ini::stripQuotes(corv::ini::trim(value)), corv::ini::kMaxValueChars));
}

enum class Kind { Set, Remove, RemoveSection };

struct Op {
    Kind kind;
    std::string section, key, value;
};

Op makeOp(FuzzedDataProvider& in, const std::vector<Entry>& known)
{
    Op op;
    op.kind = static_cast<Kind>(in.ConsumeIntegralInRange<int>(0, 2));
    // Mostly names the file has (in the other case now and then), else new ones.
    if (!known.empty() && in.ConsumeBool()) {
        const Entry& e = known[in.ConsumeIntegralInRange<std::size_t>(0, known.size() - 1)];
        op.section = in.ConsumeBool() ? flipAsciiCase(e.section) : e.section;
        op.key = in.ConsumeBool() ? flipAsciiCase(e.key) : e.key;
    } else {
        op.section = makeText(in, 4);
        op.key = makeText(in, 4);
    }
    op.value = makeText(in, 8);
    if (in.ConsumeIntegralInRange<int>(0, 15) == 0)
        op.value += std::string(300, 'x');  // beyond the read limit
    return op;
}

bool sameName(std::string_view a, std::string_view b)
{
    return corv::utf::equalNoCase(corv::ini::trim(a), corv::ini::trim(b));
}

std::string describe(const Op& op, const std::string& before)
{
    return "op " + std::to_string(static_cast<int>(op.kind)) + " [" + op.section + "] " + op.key + " = " + op.value +
           "\nfile before:\n" + before;
}

// One change by the single-key calls, with its properties. False when it was refused.
bool applySingle(const fs::path& file, const Op& op)
{
    const std::string before = readAll(file);
    const std::vector<Entry> old = snapshot(file);
    bool ok = false;
    switch (op.kind) {
    case Kind::Set:
        ok = corv::ini::writeString(file, op.section, op.key, op.value);
        break;
    case Kind::Remove:
        ok = corv::ini::deleteKey(file, op.section, op.key);
        break;
    case Kind::RemoveSection:
        ok = corv::ini::deleteSection(file, op.section);
        break;
    }
    if (!ok) {
        FUZZ_CHECK(readAll(file) == before, describe(op, before));
        return false;
    }
    switch (op.kind) {
    case Kind::Set:
        FUZZ_CHECK(corv::ini::readString(file, op.section, op.key, kDefault) == expectedValue(op.value),
                   describe(op, before) + "\nread back: " + corv::ini::readString(file, op.section, op.key, kDefault));
        break;
    case Kind::Remove:
        FUZZ_CHECK(corv::ini::readString(file, op.section, op.key, kDefault) == kDefault, describe(op, before));
        break;
    case Kind::RemoveSection: {
        // Only the first section of the name goes; a later one of the same name (any case)
        // is then the one that is read.
        const std::vector<std::string> left = corv::ini::sectionNames(file);
        if (std::any_of(left.begin(), left.end(), [&](const std::string& n) { return sameName(n, op.section); }))
            break;
        for (const Entry& e : old)
            if (sameName(e.section, op.section))
                FUZZ_CHECK(corv::ini::readString(file, e.section, e.key, kDefault) == kDefault,
                           describe(op, before) + "\nstill there: " + e.key);
        break;
    }
    }
    for (const Entry& e : old) {
        const bool touched =
            sameName(e.section, op.section) && (op.kind == Kind::RemoveSection || sameName(e.key, op.key));
        if (!touched)
            FUZZ_CHECK(corv::ini::readString(file, e.section, e.key, kDefault) == e.value,
                       describe(op, before) + "\nchanged: [" + e.section + "] " + e.key);
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const fs::path folder = Scratch::get().fresh("ini");
    const fs::path single = folder / "single.ini";
    const fs::path batched = folder / "batched.ini";

    const bool missing = in.ConsumeIntegralInRange<int>(0, 7) == 0;
    const std::size_t opCount = in.ConsumeIntegralInRange<std::size_t>(1, 6);
    const std::string original = in.ConsumeRandomLengthString(4096);
    if (!missing)
        writeAll(single, original);

    std::vector<Entry> known = snapshot(single);
    std::vector<Op> ops;
    bool refused = false;
    bool emptied = false;
    for (std::size_t i = 0; i < opCount && in.remaining_bytes() > 0; ++i) {
        ops.push_back(makeOp(in, known));
        refused = !applySingle(single, ops.back()) || refused;
        known = snapshot(single);
        // A file left without a line forgets its line ending; the edit keeps the original's.
        const std::string now = readAll(single);
        emptied = emptied || (i + 1 < opCount && now.find_first_not_of("\xEF\xBB\xBF\xFF\xFE") == std::string::npos);
    }

    // The same changes as one edit, on the same starting file.
    if (!missing)
        writeAll(batched, original);
    corv::ini::IniEdit edit(batched);
    for (const Op& op : ops) {
        switch (op.kind) {
        case Kind::Set:
            edit.set(op.section, op.key, op.value);
            break;
        case Kind::Remove:
            edit.remove(op.section, op.key);
            break;
        case Kind::RemoveSection:
            edit.removeSection(op.section);
            break;
        }
    }
    std::error_code ec;
    if (refused) {
        FUZZ_CHECK(!edit.commit(), "an edit with a refused change was committed");
        FUZZ_CHECK(missing ? !fs::exists(batched, ec) : readAll(batched) == original,
                   "a refused edit changed the file");
        return 0;
    }
    if (!ops.empty()) {
        const Op& last = ops.back();
        if (last.kind != Kind::RemoveSection)
            FUZZ_CHECK(edit.get(last.section, last.key, kDefault) ==
                           corv::ini::readString(single, last.section, last.key, kDefault),
                       "IniEdit::get differs from the file after the single calls");
    }
    FUZZ_CHECK(edit.commit(), "a valid edit could not be committed");
    // The same bytes; a missing file counts as an empty one (an edit does not create a file
    // that would stay empty, where a key written and then removed by single calls leaves one).
    // A UTF-16 file of odd length: its stray byte gets a line of its own once something is
    // appended, and a file read again after that differs from one changed on in memory;
    // both keep every key, which the single calls checked above.
    const bool strayByte =
        original.size() % 2 != 0 && original.size() >= 2 &&
        ((original[0] == '\xFF' && original[1] == '\xFE') || (original[0] == '\xFE' && original[1] == '\xFF'));
    if (strayByte)
        return 0;
    // A file with carriage returns: single calls choose the ending of new lines from the
    // file as each finds it, the edit from the file it began with (IniEdit.h), so "\r\n"
    // and "\n" may differ between the two; every key was compared above.
    // In a UTF-16 file the carriage return is a two-byte unit, removed as one.
    const bool mixedEndings = original.find('\r') != std::string::npos;
    const auto content = [&](const fs::path& file) {
        std::string bytes = readAll(file);
        if (!emptied && !mixedEndings)
            return bytes;
        const bool le = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
        const bool be = bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF';
        if (!le && !be) {
            bytes.erase(std::remove(bytes.begin(), bytes.end(), '\r'), bytes.end());
            return bytes;
        }
        std::string units;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            const bool cr =
                le ? (bytes[i] == '\r' && bytes[i + 1] == '\0') : (bytes[i] == '\0' && bytes[i + 1] == '\r');
            if (!cr)
                units.append(bytes, i, 2);
        }
        if (bytes.size() % 2 != 0)
            units.push_back(bytes.back());
        return units;
    };
    FUZZ_CHECK(content(single) == content(batched), "the edit and the single calls wrote different bytes\nsingle:\n" +
                                                        readAll(single) + "\nbatched:\n" + readAll(batched));
    return 0;
}
