#include "ui/ResourceManager.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QWidget>
#include <QXmlStreamReader>

#include "ui/ControlTextQuery.h"

namespace corv::ui {

Q_LOGGING_CATEGORY(lcSkin, "corv.skin", QtWarningMsg)

namespace {

// Parses a small attribute-only XML file: calls onElement(name, attributes) for every
// element. False when the XML is malformed or carries a document type declaration.
template <typename F> bool parseXml(const QByteArray& data, F onElement)
{
    QXmlStreamReader reader(data);
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::DTD || token == QXmlStreamReader::EntityReference)
            return false;
        if (token == QXmlStreamReader::StartElement)
            onElement(reader.name().toString(), reader.attributes());
    }
    return !reader.hasError();
}

QString linkMarkup(const QString& text)
{
    QString html = text.toHtmlEscaped();
    html.replace(QStringLiteral("{a}"), QStringLiteral("<a href=\"#\">"));
    html.replace(QStringLiteral("{/a}"), QStringLiteral("</a>"));
    return html;
}

}  // namespace

ResourceManager& ResourceManager::instance()
{
    static ResourceManager manager;
    return manager;
}

void ResourceManager::setSkinFolder(const QString& folder)
{
    skinFolder_ = QDir(folder).absolutePath();
    layouts_.clear();
    texts_.clear();
}

std::optional<QByteArray> ResourceManager::readLimited(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (file.size() > kMaxSkinFileBytes) {
        qCWarning(lcSkin) << "skin file too large, ignored:" << path;
        return std::nullopt;
    }
    return file.readAll();
}

QString ResourceManager::resolveFile(const QString& relative) const
{
    if (skinFolder_.isEmpty() || relative.isEmpty())
        return QString();
    QString name = relative;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QDir::isAbsolutePath(name) || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char(':'))) {
        qCWarning(lcSkin) << "absolute file name in the skin refused:" << relative;
        return QString();
    }
    const QStringList parts = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.contains(QStringLiteral(".."))) {
        qCWarning(lcSkin) << "file name leaving the skin folder refused:" << relative;
        return QString();
    }
    return skinFolder_ + QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

bool ResourceManager::loadResource(const QString& indexFile)
{
    layouts_.clear();
    const auto data = readLimited(resolveFile(indexFile));
    if (!data) {
        qCWarning(lcSkin) << "resource index missing:" << indexFile;
        return false;
    }
    QHash<QString, QString> found;
    const bool ok = parseXml(*data, [&](const QString& element, const QXmlStreamAttributes& attrs) {
        if (element.compare(QStringLiteral("Layout"), Qt::CaseInsensitive) != 0)
            return;
        const QString id = attrs.value(QStringLiteral("id")).toString();
        const QString file = attrs.value(QStringLiteral("file")).toString();
        if (!id.isEmpty() && !file.isEmpty())
            found.insert(id.toUpper(), file);
    });
    if (!ok) {
        qCWarning(lcSkin) << "resource index malformed:" << indexFile;
        return false;
    }
    layouts_ = found;
    return true;
}

QString ResourceManager::layoutPath(const QString& idOrFile) const
{
    const auto it = layouts_.constFind(idOrFile.toUpper());
    const QString file = it != layouts_.constEnd() ? *it : idOrFile;
    const QString path = resolveFile(file);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return QString();
    return path;
}

QString ResourceManager::imageFileOf(const QString& image)
{
    static const QRegularExpression fileAttr(QStringLiteral("file\\s*=\\s*'([^']*)'"));
    const QString trimmed = image.trimmed();
    if (trimmed.isEmpty())
        return QString();
    const auto m = fileAttr.match(trimmed);
    if (m.hasMatch())
        return m.captured(1);
    // A bare file name is also an image description.
    return trimmed.contains(QLatin1Char('=')) ? QString() : trimmed;
}

QString ResourceManager::imagePath(const QString& image) const
{
    const QString file = imageFileOf(image);
    return file.isEmpty() ? QString() : resolveFile(file);
}

namespace {

const char* const kProgramText = "corvProgramText";

// "最多支持%d个宏" -> ^最多支持(-?\d+)个宏$; "%1" takes any text.
QRegularExpression patternOf(const QString& text)
{
    static const QRegularExpression tokens(QStringLiteral("%d|%1"));
    QString re = QStringLiteral("^");
    qsizetype at = 0;
    for (auto it = tokens.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        re += QRegularExpression::escape(text.mid(at, m.capturedStart() - at));
        re += m.captured() == QStringLiteral("%d") ? QStringLiteral("(-?\\d+)") : QStringLiteral("(.*)");
        at = m.capturedEnd();
    }
    re += QRegularExpression::escape(text.mid(at)) + QStringLiteral("$");
    return QRegularExpression(re, QRegularExpression::DotMatchesEverythingOption);
}

}  // namespace

bool ResourceManager::loadLanguage(const QString& file)
{
    texts_.clear();
    messages_.clear();
    patterns_.clear();
    const auto data = readLimited(resolveFile(file));
    if (!data) {
        qCWarning(lcSkin) << "language file missing:" << file;
        return false;
    }
    QHash<QString, QString> found;
    QHash<QString, QString> messages;
    std::vector<MessagePattern> patterns;
    const bool ok = parseXml(*data, [&](const QString& element, const QXmlStreamAttributes& attrs) {
        if (element.compare(QStringLiteral("Text"), Qt::CaseInsensitive) == 0) {
            const QString id = attrs.value(QStringLiteral("id")).toString();
            if (!id.isEmpty())
                found.insert(id, attrs.value(QStringLiteral("value")).toString());
        } else if (element.compare(QStringLiteral("Message"), Qt::CaseInsensitive) == 0) {
            const QString cn = attrs.value(QStringLiteral("cn")).toString();
            const QString value = attrs.value(QStringLiteral("value")).toString();
            if (cn.isEmpty())
                return;
            if (cn.contains(QStringLiteral("%d")) || cn.contains(QStringLiteral("%1")))
                patterns.push_back({patternOf(cn), value});
            else
                messages.insert(cn, value);
        }
    });
    if (!ok) {
        qCWarning(lcSkin) << "language file malformed:" << file;
        return false;
    }
    texts_ = found;
    messages_ = messages;
    patterns_ = std::move(patterns);
    return true;
}

QString ResourceManager::programText(const QString& text) const
{
    if (const auto it = messages_.constFind(text); it != messages_.constEnd())
        return *it;
    for (const MessagePattern& p : patterns_) {
        const QRegularExpressionMatch m = p.match.match(text);
        if (!m.hasMatch())
            continue;
        // The captured pieces go into the translation's tokens in order.
        static const QRegularExpression tokens(QStringLiteral("%d|%1"));
        QString out;
        qsizetype at = 0;
        int piece = 1;
        for (auto it = tokens.globalMatch(p.value); it.hasNext();) {
            const QRegularExpressionMatch t = it.next();
            out += p.value.mid(at, t.capturedStart() - at);
            out += m.captured(piece++);
            at = t.capturedEnd();
        }
        return out + p.value.mid(at);
    }
    return text;
}

QString programText(const QString& text) { return ResourceManager::instance().programText(text); }

void setProgramText(QWidget* widget, const QString& text)
{
    if (widget == nullptr)
        return;
    setControlText(widget, ResourceManager::instance().programText(text));
    widget->setProperty(kProgramText, text);
}

std::optional<QString> ResourceManager::getText(const QString& id, const QString& type) const
{
    const auto it = texts_.constFind(id);
    if (it != texts_.constEnd())
        return *it;
    if (query_ != nullptr)
        return query_->queryControlText(id, type);
    return std::nullopt;
}

void setControlText(QWidget* widget, const QString& text)
{
    if (widget == nullptr)
        return;
    widget->setProperty(kProgramText, QVariant());
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        if (text.contains(QStringLiteral("{a}"))) {
            label->setTextFormat(Qt::RichText);
            label->setProperty("corvText", text);
            label->setText(linkMarkup(text));
        } else {
            label->setProperty("corvText", QVariant());
            label->setTextFormat(Qt::PlainText);
            label->setText(text);
        }
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(text);
    } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
        box->setTitle(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        if (combo->isEditable())
            combo->setEditText(text);
    } else if (widget != nullptr) {
        widget->setProperty("text", text);
    }
}

QString controlText(const QWidget* widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        if (label->textFormat() == Qt::RichText) {
            // Give back the text as it was set, markup included.
            const QString stored = label->property("corvText").toString();
            if (!stored.isEmpty())
                return stored;
        }
        return label->text();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
        return edit->text();
    if (const auto* box = qobject_cast<const QGroupBox*>(widget))
        return box->title();
    if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->currentText();
    return widget != nullptr ? widget->property("text").toString() : QString();
}

void ResourceManager::reloadText(QWidget* root) const
{
    if (root == nullptr)
        return;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        QString id = w->property("textid").toString();
        if (id.isEmpty())
            id = w->objectName();
        if (id.isEmpty())
            continue;
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            // An edit's text is data; the language gives only its placeholder.
            if (const auto t = getText(id, QStringLiteral("placeholder")))
                edit->setPlaceholderText(*t);
            continue;
        }
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            for (int i = 0; i < combo->count(); ++i) {
                if (const auto t = texts_.constFind(id + QLatin1Char('#') + QString::number(i));
                    t != texts_.constEnd()) {
                    combo->setItemText(i, *t);
                }
            }
            continue;
        }
        if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) || qobject_cast<QGroupBox*>(w)) {
            if (const QVariant own = w->property(kProgramText); own.isValid()) {
                setProgramText(w, own.toString());  // a text the program set, in the new language
            } else if (const auto t = getText(id, QStringLiteral("text"))) {
                setControlText(w, *t);
            }
        }
    }
}

QString ResourceManager::styleSheet() const
{
    const auto data = readLimited(resolveFile(QStringLiteral("theme.qss")));
    if (!data)
        return QString();
    QString qss = QString::fromUtf8(*data);
    qss.replace(QStringLiteral("$SKIN"), skinFolder_);
    return qss;
}

}  // namespace corv::ui
