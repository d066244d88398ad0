#pragma once
// The skin folder and what comes from it: the resource index "res.xml" (layout ids to
// files), the language texts, image descriptions and the style sheet. One instance per process,
// used on the UI thread only.
//
// The skin is treated as untrusted input: every file name it gives must stay inside the
// skin folder (no absolute paths, no ".."), files are size-limited, and XML with a document
// type declaration is refused.
#include <QHash>
#include <QRegularExpression>
#include <QString>
#include <optional>
#include <vector>

class QWidget;

namespace corv::ui {

class ControlTextQuery;

class ResourceManager {
public:
    static constexpr qint64 kMaxSkinFileBytes = 4 * 1024 * 1024;

    static ResourceManager& instance();

    // Points the manager at a skin folder and forgets the index and the texts.
    void setSkinFolder(const QString& folder);
    QString skinFolder() const { return skinFolder_; }

    // Loads the resource index (a file in the skin folder). False when missing or malformed.
    bool loadResource(const QString& indexFile);
    // The path of a layout given by id ("XML_MAIN") or by file name ("skin.xml"); empty when
    // it does not resolve to a file inside the skin folder.
    QString layoutPath(const QString& idOrFile) const;
    // A file of the skin folder by relative name; empty when the name is unsafe.
    QString resolveFile(const QString& relative) const;

    // Image descriptions: "file='ms/du1.png'" (further attributes are ignored) or "" for none.
    static QString imageFileOf(const QString& image);
    // The absolute path of the file an image description names; empty for none or an unsafe name.
    QString imagePath(const QString& image) const;

    // Language texts. loadLanguage replaces the current table; false (and an empty table)
    // when the file is missing or malformed. Besides the control texts by id (<Text id=""
    // value=""/>), a language file translates the program's own texts (messages, labels it
    // sets) from Chinese: <Message cn="..." value="..."/>. A "%d" in both stands for a
    // number, a "%1" for any text, in the same order.
    bool loadLanguage(const QString& file);
    // The current language's version of one of the program's own texts; the text itself when
    // the language has none (Chinese, the program's own language, has none).
    QString programText(const QString& text) const;
    void setLanguage(const QString& language) { language_ = language; }
    QString getLanguage() const { return language_; }
    void setTextQueryInterface(ControlTextQuery* query) { query_ = query; }
    // The language table's text for an id, else the query interface's answer, else nothing.
    std::optional<QString> getText(const QString& id, const QString& type = QString()) const;
    // Applies the texts to every control under root (root included). A control's text id is
    // its "textid" property, or else its name; combo item i uses id + "#" + i.
    void reloadText(QWidget* root) const;

    // The skin's style sheet ("theme.qss") with $SKIN replaced by the skin folder.
    QString styleSheet() const;

    // Reads a skin file within the size limit; nothing when missing or too large.
    static std::optional<QByteArray> readLimited(const QString& path);

private:
    ResourceManager() = default;

    QString skinFolder_;
    QHash<QString, QString> layouts_;
    QHash<QString, QString> texts_;
    struct MessagePattern {
        QRegularExpression match;
        QString value;
    };
    QHash<QString, QString> messages_;
    std::vector<MessagePattern> patterns_;
    QString language_;
    ControlTextQuery* query_ = nullptr;
};

// Sets a control's text as the skin shows it: "{a}...{/a}" marks a link in a label.
void setControlText(QWidget* widget, const QString& text);
// ResourceManager::instance().programText(text).
QString programText(const QString& text);
// Shows one of the program's own texts on a control in the current language, and again in
// the new one at each reloadText. setControlText forgets it.
void setProgramText(QWidget* widget, const QString& text);
QString controlText(const QWidget* widget);

}  // namespace corv::ui
