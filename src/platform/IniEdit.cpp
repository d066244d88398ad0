#include "platform/IniEdit.h"

#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <utility>

#include "platform/AtomicFile.h"
#include "platform/IniDocument.h"
#include "platform/IniFile.h"
#include "platform/Utf.h"

namespace corv::ini {

namespace {

namespace fs = std::filesystem;

// Writes are serialised within the process, so that two threads that change different keys
// of one file never lose one of the changes.
std::mutex& writeMutex()
{
    static std::mutex m;
    return m;
}

// The file that a write replaces: the target of a symbolic link rather than the link.
fs::path writeTarget(const fs::path& file)
{
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(file, ec))) {
        const fs::path resolved = fs::weakly_canonical(file, ec);
        if (!ec && !resolved.empty())
            return resolved;
    }
    return file;
}

// A file whose permission bits forbid writing (for everybody, or for us) is read-only:
// it is not replaced.
bool isReadOnly(const fs::path& file, mode_t mode)
{
    if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return true;
    return ::access(file.c_str(), W_OK) != 0;
}

}  // namespace

IniEdit::IniEdit(fs::path file) : file_(std::move(file)) { }

IniEdit::~IniEdit() = default;

void IniEdit::add(Change change)
{
    if (view_)
        apply(*view_, change);
    changes_.push_back(std::move(change));
}

bool IniEdit::set(std::string_view section, std::string_view key, std::string_view value)
{
    section = trim(section);
    key = trim(key);
    if (!validSection(section) || !validKey(key) || hasLineBreakOrNul(value)) {
        refused_ = true;
        return false;
    }
    add({Change::Kind::Set, std::string(section), std::string(key), std::string(value)});
    return true;
}

bool IniEdit::remove(std::string_view section, std::string_view key)
{
    section = trim(section);
    key = trim(key);
    if (section.empty() || key.empty()) {
        refused_ = true;
        return false;
    }
    add({Change::Kind::Remove, std::string(section), std::string(key), {}});
    return true;
}

bool IniEdit::removeSection(std::string_view section)
{
    section = trim(section);
    if (section.empty()) {
        refused_ = true;
        return false;
    }
    add({Change::Kind::RemoveSection, std::string(section), {}, {}});
    return true;
}

void IniEdit::apply(IniDocument& doc, const Change& change)
{
    switch (change.kind) {
    case Change::Kind::Set:
        doc.set(change.section, change.key, change.value);
        break;
    case Change::Kind::Remove:
        doc.removeKey(change.section, change.key);
        break;
    case Change::Kind::RemoveSection:
        doc.removeSection(change.section);
        break;
    }
}

std::string IniEdit::get(std::string_view section, std::string_view key, std::string_view defaultValue) const
{
    const std::string fallback(utf::truncateChars(defaultValue, kMaxValueChars));
    section = trim(section);
    key = trim(key);
    if (section.empty() || key.empty())
        return fallback;
    if (!view_) {
        view_ = std::make_unique<IniDocument>();
        view_->load(writeTarget(file_));
        for (const Change& change : changes_)
            apply(*view_, change);
    }
    const std::optional<std::string_view> found = view_->find(section, key);
    if (!found)
        return fallback;
    return std::string(utf::truncateChars(stripQuotes(*found), kMaxValueChars));
}

bool IniEdit::commit()
{
    if (refused_ || file_.empty())
        return false;
    const fs::path target = writeTarget(file_);
    std::lock_guard<std::mutex> guard(writeMutex());
    IniDocument doc;
    const ReadStatus status = doc.load(target);
    if (status != ReadStatus::Ok && status != ReadStatus::Missing)
        return false;
    for (const Change& change : changes_) {
        // Bytes that are no UTF-8 cannot go into a UTF-16 file without being changed: the
        // edit fails rather than writing something else than was asked.
        if (!doc.canHold(change.section) || !doc.canHold(change.key) || !doc.canHold(change.value))
            return false;
        apply(doc, change);
    }
    const std::string content = doc.bytes();
    bool ok = true;
    if (doc.exists() ? content != doc.original() : !content.empty()) {
        if (doc.exists() && isReadOnly(target, doc.mode()))
            return false;
        ReplaceOptions options;
        if (doc.exists())
            options.mode = doc.mode();
        ok = replaceFileAtomically(target, content, options);
    }
    if (ok) {
        changes_.clear();
        view_.reset();
    }
    return ok;
}

}  // namespace corv::ini
