#pragma once
// The program's file dialogs (profile, macro and palette import and export). Normally the
// toolkit's own dialog; tests and scripted runs install a responder that answers instead of
// a person, so every caller goes through the same path either way.
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace corv::ui {

struct FileDialogRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    QString title;
    QString folder;         // the folder the dialog starts in
    QString filter;         // "Profile (*.pro)"; empty for every file
    QString defaultSuffix;  // save dialogs: appended to a chosen name that has no suffix
};

// The chosen file, or nothing when the dialog was cancelled.
using FileDialogResponder = std::function<std::optional<QString>(const FileDialogRequest&)>;

void setFileDialogResponder(FileDialogResponder responder);
bool hasFileDialogResponder();

// The file chosen to open, or an empty string when the user cancelled. UI thread only (a call
// from another thread is refused with a warning and returns an empty string).
QString getOpenFileName(QWidget* parent, const QString& title, const QString& folder, const QString& filter);

// The file chosen to save to, or an empty string when the user cancelled. A chosen name
// without a suffix gets defaultSuffix (given without the dot, e.g. "pro"). UI thread only.
QString getSaveFileName(QWidget* parent, const QString& title, const QString& folder, const QString& filter,
                        const QString& defaultSuffix = QString());

}  // namespace corv::ui
