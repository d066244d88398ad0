#pragma once
// A batch of changes to one INI file, written with one atomic replacement:
//
//     ini::IniEdit edit(file);
//     edit.set("Setting", "LED1", "5");
//     edit.remove("Setting", "LED2");
//     if (!edit.commit()) ...  // the file is as it was
//
// The changes have exactly the effect of the same single-key calls of IniFile.h made one
// after the other (those calls are one-change edits), but the file is read once and
// replaced once, so other readers see all of the changes or none of them. (One difference:
// new lines take the line ending the file had when the edit began. Single calls look again
// each time, so when earlier changes remove every line, or every line of the ending that
// decided it in a file of mixed endings, their later lines may end differently. The keys
// and values are the same either way.)
//
// Changes are collected until commit(), which reads the file, applies them in order and
// replaces the file, all under the lock that serialises every INI write of the process: a
// change another thread made to the file in the meantime is kept. Names and values are
// trimmed and checked like those of writeString; a change that is refused (false) makes the
// whole edit fail. An edit is used by one thread.
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corv::ini {

class IniDocument;

class IniEdit {
public:
    explicit IniEdit(std::filesystem::path file);
    ~IniEdit();
    IniEdit(const IniEdit&) = delete;
    IniEdit& operator=(const IniEdit&) = delete;

    // Like writeString. False (and the edit refused) for a name or value that cannot be
    // written.
    bool set(std::string_view section, std::string_view key, std::string_view value);
    // Like deleteKey / deleteSection. False (and the edit refused) for an empty name.
    bool remove(std::string_view section, std::string_view key);
    bool removeSection(std::string_view section);

    // Like readString, on the file as it will be after the changes made so far (the file
    // is read on the first call and not again).
    std::string get(std::string_view section, std::string_view key, std::string_view defaultValue) const;

    // Writes every change with one atomic replacement. True when the file now holds them
    // (also when it needed no change; a missing file that would stay empty is not created).
    // False when the edit was refused, a name or value is no well-formed UTF-8 and the file
    // is UTF-16 (it could not hold it unchanged), or the file could not be read (too large
    // included) or written: the file is then as it was and the changes stay pending. After
    // a success the edit is empty again.
    bool commit();

    bool empty() const { return changes_.empty(); }

private:
    struct Change {
        enum class Kind { Set, Remove, RemoveSection } kind;
        std::string section;
        std::string key;
        std::string value;
    };

    void add(Change change);
    static void apply(IniDocument& doc, const Change& change);

    std::filesystem::path file_;
    std::vector<Change> changes_;
    bool refused_ = false;
    mutable std::unique_ptr<IniDocument> view_;  // for get(): the file with the changes so far
};

}  // namespace corv::ini
