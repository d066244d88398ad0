#include "ui/FileDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLoggingCategory>

#include "ui/UiThread.h"

namespace corv::ui {

Q_LOGGING_CATEGORY(lcFileDialog, "corv.filedialog", QtWarningMsg)

namespace {

FileDialogResponder& responder()
{
    static FileDialogResponder r;
    return r;
}

QString withSuffix(const QString& file, const QString& suffix)
{
    if (file.isEmpty() || suffix.isEmpty() || !QFileInfo(file).suffix().isEmpty())
        return file;
    return file + QLatin1Char('.') + suffix;
}

QString ask(QWidget* parent, const FileDialogRequest& request)
{
    if (!onUiThread()) {
        qCWarning(lcFileDialog) << "file dialog requested outside the UI thread; refused:" << request.title;
        return QString();
    }
    QString chosen;
    if (responder()) {
        chosen = responder()(request).value_or(QString());
    } else if (request.kind == FileDialogRequest::Kind::Open) {
        chosen = QFileDialog::getOpenFileName(parent, request.title, request.folder, request.filter);
    } else {
        QFileDialog dialog(parent, request.title, request.folder, request.filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(request.defaultSuffix);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    return request.kind == FileDialogRequest::Kind::Save ? withSuffix(chosen, request.defaultSuffix) : chosen;
}

}  // namespace

void setFileDialogResponder(FileDialogResponder r) { responder() = std::move(r); }

bool hasFileDialogResponder() { return static_cast<bool>(responder()); }

QString getOpenFileName(QWidget* parent, const QString& title, const QString& folder, const QString& filter)
{
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::Open;
    request.title = title;
    request.folder = folder;
    request.filter = filter;
    return ask(parent, request);
}

QString getSaveFileName(QWidget* parent, const QString& title, const QString& folder, const QString& filter,
                        const QString& defaultSuffix)
{
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::Save;
    request.title = title;
    request.folder = folder;
    request.filter = filter;
    request.defaultSuffix = defaultSuffix;
    return ask(parent, request);
}

}  // namespace corv::ui
