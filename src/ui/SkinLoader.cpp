#include "ui/SkinLoader.h"

#include <QBuffer>
#include <QDir>
#include <QLoggingCategory>
#include <QSet>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include "ui/ChartView.h"
#include "ui/CircleProgress.h"
#include "ui/ColorPaletteWidget.h"
#include "ui/DialogBuilderCallback.h"
#include "ui/MultiColorSelection.h"
#include "ui/ResourceManager.h"
#include "ui/WidgetHost.h"

namespace corv::ui {

Q_LOGGING_CATEGORY(lcLoader, "corv.skin", QtWarningMsg)

namespace {

const QSet<QString>& qtClasses()
{
    static const QSet<QString> classes = {
        QStringLiteral("QWidget"),      QStringLiteral("QFrame"),       QStringLiteral("QLabel"),
        QStringLiteral("QPushButton"),  QStringLiteral("QToolButton"),  QStringLiteral("QCheckBox"),
        QStringLiteral("QRadioButton"), QStringLiteral("QComboBox"),    QStringLiteral("QLineEdit"),
        QStringLiteral("QSlider"),      QStringLiteral("QProgressBar"), QStringLiteral("QStackedWidget"),
        QStringLiteral("QListWidget"),  QStringLiteral("QGroupBox"),    QStringLiteral("Line"),
    };
    return classes;
}

const QSet<QString>& droppedElements()
{
    static const QSet<QString> names = {
        QStringLiteral("connections"),   QStringLiteral("slots"),        QStringLiteral("signals"),
        QStringLiteral("customwidgets"), QStringLiteral("resources"),    QStringLiteral("includes"),
        QStringLiteral("designerdata"),  QStringLiteral("buttongroups"),
    };
    return names;
}

// The circular progress also answers to the class name it gives itself, in any case.
bool isCircleProgress(const QString& className)
{
    return className == QStringLiteral("CCircleProgressUI") ||
           className.compare(QStringLiteral("CircleProgress"), Qt::CaseInsensitive) == 0;
}

}  // namespace

SkinLoader::SkinLoader(DialogBuilderCallback* callback, QObject* parent) : QUiLoader(parent), callback_(callback)
{
    clearPluginPaths();
    setTranslationEnabled(false);
    setLanguageChangeEnabled(false);
    const QString folder = ResourceManager::instance().skinFolder();
    if (!folder.isEmpty())
        setWorkingDirectory(QDir(folder));
}

bool SkinLoader::isRegisteredClass(const QString& className)
{
    return className == QStringLiteral("CColorPaletteUI") || className == QStringLiteral("CMultiColorSelectionUI") ||
           className == QStringLiteral("CChartViewUI") || className == QStringLiteral("CWndUI") ||
           isCircleProgress(className);
}

QWidget* SkinLoader::createWidget(const QString& className, QWidget* parent, const QString& name)
{
    QWidget* w = nullptr;
    if (qtClasses().contains(className)) {
        w = QUiLoader::createWidget(className, parent, name);
    } else if (className == QStringLiteral("CColorPaletteUI")) {
        w = new ColorPaletteWidget(parent);
    } else if (className == QStringLiteral("CMultiColorSelectionUI")) {
        w = new MultiColorSelection(parent);
    } else if (isCircleProgress(className)) {
        w = new CircleProgress(parent);
    } else if (className == QStringLiteral("CChartViewUI")) {
        w = new ChartView(parent);
    } else if (className == QStringLiteral("CWndUI")) {
        w = new WidgetHost(parent);
    } else if (callback_ != nullptr) {
        w = callback_->createControl(className, parent);
    }
    if (w == nullptr) {
        qCWarning(lcLoader) << "unknown control class" << className << "in the skin; element" << name << "left out";
        unknown_.append(className);
        return nullptr;
    }
    w->setObjectName(name);
    return w;
}

std::optional<QByteArray> SkinLoader::sanitize(const QByteArray& xml, QString* error)
{
    QXmlStreamReader reader(xml);
    QByteArray out;
    QXmlStreamWriter writer(&out);
    int skipDepth = 0;
    bool sawUi = false;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        switch (token) {
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference:
            if (error)
                *error = QStringLiteral("document type declarations are not allowed in the skin");
            return std::nullopt;
        case QXmlStreamReader::StartDocument:
            writer.writeStartDocument();
            break;
        case QXmlStreamReader::EndDocument:
            writer.writeEndDocument();
            break;
        case QXmlStreamReader::StartElement:
            if (skipDepth > 0 || droppedElements().contains(reader.name().toString())) {
                ++skipDepth;
                break;
            }
            if (reader.name() == QStringLiteral("ui"))
                sawUi = true;
            writer.writeStartElement(reader.name().toString());
            writer.writeAttributes(reader.attributes());
            break;
        case QXmlStreamReader::EndElement:
            if (skipDepth > 0) {
                --skipDepth;
                break;
            }
            writer.writeEndElement();
            break;
        case QXmlStreamReader::Characters:
            if (skipDepth == 0)
                writer.writeCharacters(reader.text().toString());
            break;
        default:
            break;  // comments and processing instructions are dropped
        }
    }
    if (reader.hasError() || !sawUi) {
        if (error)
            *error = reader.hasError() ? reader.errorString() : QStringLiteral("not a layout file");
        return std::nullopt;
    }
    return out;
}

QWidget* SkinLoader::loadData(const QByteArray& xml, QWidget* parent)
{
    unknown_.clear();
    error_.clear();
    const auto clean = sanitize(xml, &error_);
    if (!clean) {
        qCWarning(lcLoader) << "layout refused:" << error_;
        return nullptr;
    }
    QBuffer buffer;
    buffer.setData(*clean);
    buffer.open(QIODevice::ReadOnly);
    QWidget* root = load(&buffer, parent);
    if (root == nullptr) {
        error_ = errorString();
        qCWarning(lcLoader) << "layout not loaded:" << error_;
    }
    return root;
}

QWidget* SkinLoader::loadFile(const QString& path, QWidget* parent)
{
    const auto data = ResourceManager::readLimited(path);
    if (!data) {
        error_ = QStringLiteral("cannot read ") + path;
        qCWarning(lcLoader) << error_;
        return nullptr;
    }
    return loadData(*data, parent);
}

}  // namespace corv::ui
