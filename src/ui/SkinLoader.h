#pragma once
// Loads Qt Designer layouts from the skin folder. The skin is untrusted input:
//  - no designer plugins are loaded (clearPluginPaths);
//  - only a fixed set of Qt widget classes and the program's own control classes are built;
//    any other class is asked of the builder callback, and when that has no control for it,
//    the element (with its children) is left out and a warning is written;
//  - signal/slot connections, custom widget declarations, resources and includes in a layout
//    are dropped before loading; documents with a document type declaration are refused;
//  - layout files are size-limited.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUiLoader>
#include <optional>

namespace corv::ui {

class DialogBuilderCallback;

class SkinLoader : public QUiLoader {
    Q_OBJECT
public:
    explicit SkinLoader(DialogBuilderCallback* callback = nullptr, QObject* parent = nullptr);

    // Loads a layout file as a child of parent (or as a top-level widget); null on failure.
    QWidget* loadFile(const QString& path, QWidget* parent);
    QWidget* loadData(const QByteArray& xml, QWidget* parent);

    QWidget* createWidget(const QString& className, QWidget* parent = nullptr,
                          const QString& name = QString()) override;

    // Element classes that produced no control in the last load.
    const QStringList& unknownClasses() const { return unknown_; }
    QString lastError() const { return error_; }

    // The layout without the parts we never load; nothing when the XML is refused.
    static std::optional<QByteArray> sanitize(const QByteArray& xml, QString* error);
    // The program's own control classes that every loader builds.
    static bool isRegisteredClass(const QString& className);

private:
    DialogBuilderCallback* callback_;
    QStringList unknown_;
    QString error_;
};

}  // namespace corv::ui
