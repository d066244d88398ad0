#include "script/ScriptParser.h"

#include <QStringList>
#include <array>

namespace corv {

namespace {

struct CommandDef {
    const char* word;
    ScriptCommand command;
    int fixed;  // words after the command
    bool rest;  // then the rest of the line as one value
};

constexpr CommandDef kCommands[] = {
    {"click", ScriptCommand::Click, 1, false},
    {"check", ScriptCommand::Check, 2, false},
    {"select", ScriptCommand::Select, 2, false},
    {"slide", ScriptCommand::Slide, 2, false},
    {"type", ScriptCommand::Type, 1, true},
    {"leave", ScriptCommand::Leave, 1, false},
    {"hover", ScriptCommand::Hover, 1, false},
    {"unhover", ScriptCommand::Unhover, 1, false},
    {"color", ScriptCommand::Color, 2, false},
    {"menu", ScriptCommand::Menu, 1, false},
    {"tray", ScriptCommand::Tray, 1, false},
    {"answer", ScriptCommand::Answer, 1, false},
    {"file", ScriptCommand::File, 0, true},
    {"key", ScriptCommand::Key, 2, false},
    {"wait", ScriptCommand::Wait, 1, false},
    {"wait-connected", ScriptCommand::WaitConnected, 0, false},
    {"wait-disconnected", ScriptCommand::WaitDisconnected, 0, false},
    {"mouse", ScriptCommand::Mouse, 1, false},
    {"expect", ScriptCommand::Expect, 2, true},
    {"wait-until", ScriptCommand::WaitUntil, 2, true},
    {"expect-file", ScriptCommand::ExpectFile, 3, true},
    {"expect-title", ScriptCommand::ExpectTitle, 0, true},
    {"expect-message", ScriptCommand::ExpectMessage, 0, true},
    {"expect-mouse", ScriptCommand::ExpectMouse, 2, true},
    {"dump", ScriptCommand::Dump, 1, false},
};

struct PropertyDef {
    const char* word;
    ScriptProperty property;
};

constexpr PropertyDef kProperties[] = {
    {"text", ScriptProperty::Text},          {"value", ScriptProperty::Value},
    {"selected", ScriptProperty::Selected},  {"visible", ScriptProperty::Visible},
    {"enabled", ScriptProperty::Enabled},    {"index", ScriptProperty::Index},
    {"count", ScriptProperty::Count},        {"bkimage", ScriptProperty::BkImage},
    {"bkcolor", ScriptProperty::BkColor},    {"page", ScriptProperty::Page},
    {"item-text", ScriptProperty::ItemText}, {"userdata", ScriptProperty::UserData},
    {"color", ScriptProperty::Color},
};

struct MouseDef {
    const char* word;
    MouseAction action;
};

constexpr MouseDef kMouseActions[] = {
    {"dpi-button", MouseAction::DpiButton},
    {"reset", MouseAction::Reset},
    {"unplug", MouseAction::Unplug},
    {"replug", MouseAction::Replug},
    {"calibration-ok", MouseAction::CalibrationOk},
    {"calibration-fail", MouseAction::CalibrationFail},
};

class LineError {
public:
    explicit LineError(QString text) : message(std::move(text)) { }
    QString message;
};

// A double-quoted word: \" and \\ stand for themselves. pos is on the opening quote and ends
// after the closing one.
QString readQuoted(const QString& line, qsizetype& pos)
{
    QString out;
    ++pos;
    while (pos < line.size()) {
        const QChar c = line.at(pos);
        if (c == QLatin1Char('\\') && pos + 1 < line.size() &&
            (line.at(pos + 1) == QLatin1Char('"') || line.at(pos + 1) == QLatin1Char('\\'))) {
            out += line.at(pos + 1);
            pos += 2;
            continue;
        }
        if (c == QLatin1Char('"')) {
            ++pos;
            if (pos < line.size() && !line.at(pos).isSpace())
                throw LineError(QStringLiteral("a quoted word must end at a blank"));
            return out;
        }
        out += c;
        ++pos;
    }
    throw LineError(QStringLiteral("a quote is not closed"));
}

void skipBlanks(const QString& line, qsizetype& pos)
{
    while (pos < line.size() && line.at(pos).isSpace())
        ++pos;
}

// The next word (quoted or not); nothing at the end of the line or at a comment.
std::optional<QString> nextWord(const QString& line, qsizetype& pos)
{
    skipBlanks(line, pos);
    if (pos >= line.size() || line.at(pos) == QLatin1Char('#'))
        return std::nullopt;
    if (line.at(pos) == QLatin1Char('"'))
        return readQuoted(line, pos);
    const qsizetype start = pos;
    while (pos < line.size() && !line.at(pos).isSpace())
        ++pos;
    return line.mid(start, pos - start);
}

// The rest of the line as one value: blanks around it dropped, unless it is written in
// double quotes as a whole ("" is the empty text). A # inside it is part of the value.
QString restOfLine(const QString& line, qsizetype pos)
{
    QString rest = line.mid(pos).trimmed();
    if (rest.size() >= 2 && rest.startsWith(QLatin1Char('"')) && rest.endsWith(QLatin1Char('"'))) {
        qsizetype p = 0;
        try {
            const QString inner = readQuoted(rest, p);
            if (p == rest.size())
                return inner;
        } catch (const LineError&) { }
    }
    return rest;
}

long long toNumber(const QString& word, const char* what)
{
    bool ok = false;
    const long long v = word.toLongLong(&ok, 10);
    if (!ok)
        throw LineError(QStringLiteral("%1 must be a whole number, not \"%2\"").arg(QLatin1String(what), word));
    return v;
}

bool toOnOff(const QString& word)
{
    if (word == QLatin1String("on"))
        return true;
    if (word == QLatin1String("off"))
        return false;
    throw LineError(QStringLiteral("expected on or off, not \"%1\"").arg(word));
}

unsigned long long toColour(const QString& word)
{
    if (!word.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) || word.size() < 3 || word.size() > 10) {
        throw LineError(QStringLiteral("a colour is written 0xAARRGGBB, not \"%1\"").arg(word));
    }
    bool ok = false;
    const unsigned long long v = word.mid(2).toULongLong(&ok, 16);
    if (!ok)
        throw LineError(QStringLiteral("a colour is written 0xAARRGGBB, not \"%1\"").arg(word));
    return v;
}

void parseProperty(const QString& word, ScriptStep& step)
{
    QString base = word;
    QString index;
    if (const qsizetype colon = word.indexOf(QLatin1Char(':')); colon >= 0) {
        base = word.left(colon);
        index = word.mid(colon + 1);
    }
    for (const PropertyDef& p : kProperties) {
        if (base != QLatin1String(p.word))
            continue;
        step.property = p.property;
        const bool indexed = p.property == ScriptProperty::ItemText || p.property == ScriptProperty::UserData;
        if (!indexed && !index.isNull())
            throw LineError(QStringLiteral("the property %1 takes no item number").arg(base));
        if (p.property == ScriptProperty::ItemText && index.isNull()) {
            throw LineError(QStringLiteral("item-text needs an item number (item-text:N)"));
        }
        if (!index.isNull()) {
            bool ok = false;
            step.item = index.toInt(&ok, 10);
            if (!ok || step.item < 0)
                throw LineError(QStringLiteral("the item number of %1 must be 0 or more").arg(base));
        }
        return;
    }
    throw LineError(QStringLiteral("unknown property \"%1\"").arg(word));
}

void parseExpectedValue(ScriptStep& step)
{
    if (step.property == ScriptProperty::Text || step.property == ScriptProperty::BkImage ||
        step.property == ScriptProperty::ItemText || step.property == ScriptProperty::UserData) {
        return;  // text: the whole rest of the line
    }
    // A single word, which a comment may follow.
    qsizetype pos = 0;
    const QString word = nextWord(step.text, pos).value_or(QString());
    if (nextWord(step.text, pos))
        throw LineError(QStringLiteral("too many arguments for expect"));
    step.text = word;
    if (isOnOffProperty(step.property)) {
        step.flag = toOnOff(step.text);
    } else if (isNumberProperty(step.property)) {
        step.number = toNumber(step.text, "the expected value");
    } else if (isColourProperty(step.property)) {
        step.number = static_cast<long long>(toColour(step.text));
    }
}

// wait-until's optional last word: the time to wait in milliseconds, when the value has more
// than one word and its last one is a whole number (a value that itself ends in a number
// after a blank is written in quotes). Taken off the value.
long long takeTimeout(QString& value)
{
    constexpr long long kDefaultMs = 5000;
    if (!value.contains(QLatin1Char(' ')))
        return kDefaultMs;
    const qsizetype blank = value.lastIndexOf(QLatin1Char(' '));
    bool ok = false;
    const long long ms = value.mid(blank + 1).toLongLong(&ok, 10);
    if (!ok)
        return kDefaultMs;
    if (ms < 0)
        throw LineError(QStringLiteral("wait-until cannot wait a negative time"));
    value = value.left(blank).trimmed();
    return ms;
}

ScriptStep parseLine(const QString& line, int lineNumber)
{
    qsizetype pos = 0;
    const QString word = nextWord(line, pos).value_or(QString());
    const CommandDef* def = nullptr;
    for (const CommandDef& c : kCommands) {
        if (word == QLatin1String(c.word))
            def = &c;
    }
    if (def == nullptr)
        throw LineError(QStringLiteral("unknown command \"%1\"").arg(word));

    ScriptStep step;
    step.line = lineNumber;
    step.command = def->command;
    step.source = line.trimmed();
    QStringList args;
    for (int i = 0; i < def->fixed; ++i) {
        const std::optional<QString> arg = nextWord(line, pos);
        if (!arg)
            throw LineError(QStringLiteral("%1 needs %2 argument(s)").arg(word).arg(def->fixed + (def->rest ? 1 : 0)));
        args << *arg;
    }
    const qsizetype restPos = pos;
    if (def->rest) {
        step.text = restOfLine(line, pos);
    } else if (nextWord(line, pos)) {
        throw LineError(QStringLiteral("too many arguments for %1").arg(word));
    }

    switch (step.command) {
    case ScriptCommand::Click:
    case ScriptCommand::Leave:
    case ScriptCommand::Hover:
    case ScriptCommand::Unhover:
    case ScriptCommand::Type:
    case ScriptCommand::Dump:
    case ScriptCommand::Menu:
        step.name = args.at(0);
        break;
    case ScriptCommand::Check:
        step.name = args.at(0);
        step.flag = toOnOff(args.at(1));
        break;
    case ScriptCommand::Select:
        step.name = args.at(0);
        step.number = toNumber(args.at(1), "the item index");
        break;
    case ScriptCommand::Slide:
        step.name = args.at(0);
        step.number = toNumber(args.at(1), "the slider value");
        break;
    case ScriptCommand::Color:
        step.name = args.at(0);
        step.number = static_cast<long long>(toColour(args.at(1)));
        break;
    case ScriptCommand::Tray:
        if (args.at(0) != QLatin1String("left") && args.at(0) != QLatin1String("right")) {
            throw LineError(QStringLiteral("tray takes left or right, not \"%1\"").arg(args.at(0)));
        }
        step.flag = args.at(0) == QLatin1String("left");
        break;
    case ScriptCommand::Answer:
        if (args.at(0) != QLatin1String("1") && args.at(0) != QLatin1String("0")) {
            throw LineError(QStringLiteral("answer takes 1 (confirm) or 0 (cancel), not \"%1\"").arg(args.at(0)));
        }
        step.flag = args.at(0) == QLatin1String("1");
        break;
    case ScriptCommand::File:
        if (step.text.isEmpty())
            throw LineError(QStringLiteral("file needs a path or cancel"));
        step.flag = step.text == QLatin1String("cancel");
        break;
    case ScriptCommand::Key: {
        if (args.at(0) != QLatin1String("down") && args.at(0) != QLatin1String("up")) {
            throw LineError(QStringLiteral("key takes down or up, not \"%1\"").arg(args.at(0)));
        }
        step.flag = args.at(0) == QLatin1String("down");
        bool ok = false;
        const QString& code = args.at(1);
        step.number = code.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? code.mid(2).toLongLong(&ok, 16)
                                                                                : code.toLongLong(&ok, 10);
        if (!ok || step.number < 1 || step.number > 254) {
            throw LineError(QStringLiteral("a virtual-key code is 1 to 254 (or 0x01 to 0xFE), not \"%1\"").arg(code));
        }
        break;
    }
    case ScriptCommand::Wait:
        step.number = toNumber(args.at(0), "the time in milliseconds");
        if (step.number < 0)
            throw LineError(QStringLiteral("wait cannot go back in time"));
        break;
    case ScriptCommand::WaitConnected:
    case ScriptCommand::WaitDisconnected:
        break;
    case ScriptCommand::Mouse: {
        bool found = false;
        for (const MouseDef& m : kMouseActions) {
            if (args.at(0) == QLatin1String(m.word)) {
                step.mouse = m.action;
                found = true;
            }
        }
        if (!found)
            throw LineError(QStringLiteral("unknown mouse action \"%1\"").arg(args.at(0)));
        break;
    }
    case ScriptCommand::Expect:
        step.name = args.at(0);
        parseProperty(args.at(1), step);
        parseExpectedValue(step);
        break;
    case ScriptCommand::WaitUntil:
        step.name = args.at(0);
        parseProperty(args.at(1), step);
        // The time is taken off the value as written, before its quotes are removed.
        step.text = line.mid(restPos).trimmed();
        step.timeoutMs = takeTimeout(step.text);
        step.text = restOfLine(step.text, 0);
        parseExpectedValue(step);
        break;
    case ScriptCommand::ExpectFile:
        step.name = args.at(0);
        step.section = args.at(1);
        step.key = args.at(2);
        break;
    case ScriptCommand::ExpectTitle:
    case ScriptCommand::ExpectMessage:
        break;
    case ScriptCommand::ExpectMouse: {
        const QString& area = args.at(0);
        if (area == QLatin1String("settings"))
            step.area = MouseArea::Settings;
        else if (area == QLatin1String("buttons"))
            step.area = MouseArea::Buttons;
        else if (area == QLatin1String("colors"))
            step.area = MouseArea::Colors;
        else
            throw LineError(QStringLiteral("expect-mouse reads settings, buttons or colors, not \"%1\"").arg(area));
        step.number = toNumber(args.at(1), "the address");
        if (step.number < 0)
            throw LineError(QStringLiteral("an address cannot be negative"));
        const QStringList words = step.text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            throw LineError(QStringLiteral("expect-mouse needs the bytes it expects"));
        for (const QString& w : words) {
            const long long b = toNumber(w, "a byte");
            if (b < 0 || b > 255)
                throw LineError(QStringLiteral("a byte is 0 to 255, not \"%1\"").arg(w));
            step.bytes.push_back(static_cast<int>(b));
        }
        break;
    }
    }
    return step;
}

}  // namespace

ParsedScript parseScript(const QString& text)
{
    ParsedScript out;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (i == 0 && line.startsWith(QChar(0xFEFF)))
            line.remove(0, 1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        try {
            out.steps.push_back(parseLine(line, static_cast<int>(i + 1)));
        } catch (const LineError& e) {
            out.steps.clear();
            out.error = ScriptError{static_cast<int>(i + 1), e.message};
            return out;
        }
    }
    return out;
}

QString commandName(ScriptCommand command)
{
    for (const CommandDef& c : kCommands) {
        if (c.command == command)
            return QLatin1String(c.word);
    }
    return QString();
}

QString propertyName(ScriptProperty property)
{
    for (const PropertyDef& p : kProperties) {
        if (p.property == property)
            return QLatin1String(p.word);
    }
    return QString();
}

bool isOnOffProperty(ScriptProperty property)
{
    return property == ScriptProperty::Selected || property == ScriptProperty::Visible ||
           property == ScriptProperty::Enabled;
}

bool isNumberProperty(ScriptProperty property)
{
    return property == ScriptProperty::Value || property == ScriptProperty::Index ||
           property == ScriptProperty::Count || property == ScriptProperty::Page;
}

bool isColourProperty(ScriptProperty property)
{
    return property == ScriptProperty::BkColor || property == ScriptProperty::Color;
}

QString colourText(unsigned long long argb)
{
    return QStringLiteral("0x") + QString::number(argb, 16).rightJustified(8, QLatin1Char('0')).toUpper();
}

}  // namespace corv
