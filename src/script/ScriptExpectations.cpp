#include "script/ScriptExpectations.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QStackedWidget>
#include <QStringList>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "platform/IniFile.h"
#include "script/DialogAnswers.h"
#include "script/ScriptHost.h"
#include "sim/VirtualMouse.h"
#include "ui/ColorPaletteWidget.h"
#include "ui/ComboControl.h"
#include "ui/Control.h"
#include "ui/ControlKind.h"
#include "ui/ListControl.h"
#include "ui/MultiColorSelection.h"
#include "ui/SliderControl.h"

namespace corv {

namespace {

using Outcome = StepResult::Outcome;

// Shown as it would be seen with its window on screen (the main window hides into the tray
// at start).
bool shownInWindow(QWidget* w) { return w == w->window() ? w->isVisible() : w->isVisibleTo(w->window()); }

}  // namespace

StepResult ScriptExpectations::expect(const ScriptStep& step, QWidget* w)
{
    const QString property = propertyName(step.property);
    auto notFor = [&] {
        return StepResult{Outcome::Error,
                          QStringLiteral("%1 is a %2, which has no %3").arg(step.name, kindOf(w), property)};
    };
    auto isText = [&](const QString& actual) {
        return oneLine(actual) == step.text ? StepResult{}
                                            : StepResult{Outcome::Failed, QStringLiteral("is %1").arg(quoted(actual))};
    };
    auto isNumber = [&](long long actual) {
        return actual == step.number ? StepResult{} : StepResult{Outcome::Failed, QStringLiteral("is %1").arg(actual)};
    };
    auto isOnOff = [&](bool actual) {
        return actual == step.flag ? StepResult{}
                                   : StepResult{Outcome::Failed, QStringLiteral("is %1").arg(onOff(actual))};
    };
    auto isColour = [&](std::uint32_t actual) {
        return actual == static_cast<std::uint32_t>(step.number)
                   ? StepResult{}
                   : StepResult{Outcome::Failed, QStringLiteral("is %1").arg(colourText(actual))};
    };
    auto* combo = qobject_cast<QComboBox*>(w);
    auto* list = qobject_cast<QListWidget*>(w);
    auto* tabs = qobject_cast<QStackedWidget*>(w);
    const ui::Control control(w);

    switch (step.property) {
    case ScriptProperty::Text:
        return isText(control.getText());
    case ScriptProperty::Value:
        if (!ui::isKind(w, ui::ControlKind::Progress))
            return notFor();
        return isNumber(ui::SliderControl(control).getValue());
    case ScriptProperty::Selected: {
        auto* button = qobject_cast<QAbstractButton*>(w);
        if (button == nullptr || !button->isCheckable())
            return notFor();
        return isOnOff(button->isChecked());
    }
    case ScriptProperty::Visible:
        return isOnOff(shownInWindow(w));
    case ScriptProperty::Enabled:
        return isOnOff(w->isEnabled());
    case ScriptProperty::Index:
        if (combo != nullptr)
            return isNumber(combo->currentIndex());
        if (list != nullptr)
            return isNumber(list->currentRow());
        return notFor();
    case ScriptProperty::Count:
        if (combo != nullptr)
            return isNumber(combo->count());
        if (list != nullptr)
            return isNumber(list->count());
        if (tabs != nullptr)
            return isNumber(tabs->count());
        if (auto* bars = qobject_cast<ui::MultiColorSelection*>(w))
            return isNumber(bars->getBarsCount());
        return notFor();
    case ScriptProperty::BkImage:
        return isText(control.getBkImage());
    case ScriptProperty::BkColor:
        return isColour(control.getBkColor());
    case ScriptProperty::Page:
        if (tabs == nullptr)
            return notFor();
        return isNumber(tabs->currentIndex());
    case ScriptProperty::ItemText:
    case ScriptProperty::UserData: {
        const bool text = step.property == ScriptProperty::ItemText;
        if (!text && step.item < 0)
            return isText(control.getUserData());
        if (combo == nullptr && list == nullptr)
            return notFor();
        const int count = combo != nullptr ? combo->count() : list->count();
        if (step.item >= count)
            return {Outcome::Failed,
                    QStringLiteral("%1 has no item %2 (it has %3)").arg(step.name).arg(step.item).arg(count)};
        if (combo != nullptr) {
            const ui::ComboControl c(control);
            return isText(text ? c.getItemText(step.item) : c.getItemUserData(step.item));
        }
        const ui::ListControl l(control);
        return isText(text ? l.getItemText(step.item) : l.getItemUserData(step.item));
    }
    case ScriptProperty::Color: {
        auto* palette = qobject_cast<ui::ColorPaletteWidget*>(w);
        if (palette == nullptr)
            return notFor();
        return isColour(palette->getSelectColor());
    }
    }
    return notFor();
}

StepResult ScriptExpectations::expectFile(const ScriptStep& step)
{
    const std::filesystem::path file = host_.dataPath(step.name);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        return {Outcome::Failed, QStringLiteral("there is no file %1").arg(QString::fromStdString(file.string()))};
    }
    static constexpr const char* kMissing = "\x01(missing)\x01";
    const std::string value = ini::readString(file, step.section.toStdString(), step.key.toStdString(), kMissing);
    if (value == kMissing)
        return {Outcome::Failed, QStringLiteral("[%1] has no key %2").arg(step.section, step.key)};
    const QString actual = QString::fromStdString(value);
    if (actual == step.text)
        return {};
    return {Outcome::Failed, QStringLiteral("is %1").arg(quoted(actual))};
}

StepResult ScriptExpectations::expectTitle(const ScriptStep& step)
{
    const QString title = host_.mainWindow()->windowTitle();
    if (oneLine(title) == step.text)
        return {};
    return {Outcome::Failed, QStringLiteral("the title is %1").arg(quoted(title))};
}

StepResult ScriptExpectations::expectMessage(const ScriptStep& step)
{
    const std::optional<QString> shown = answers_.takeLastMessage();
    if (!shown)
        return {Outcome::Failed, QStringLiteral("no message box was shown since the last expect-message")};
    if (oneLine(*shown) == step.text)
        return {};
    return {Outcome::Failed, QStringLiteral("the last message box said %1").arg(quoted(*shown))};
}

StepResult ScriptExpectations::expectMouse(const ScriptStep& step)
{
    sim::VirtualMouse* mouse = host_.virtualMouse();
    if (mouse == nullptr)
        return {Outcome::Error, QStringLiteral("mouse commands need the virtual mouse")};
    const sim::MemoryArea area = step.area == MouseArea::Settings  ? sim::MemoryArea::Settings
                                 : step.area == MouseArea::Buttons ? sim::MemoryArea::Buttons
                                                                   : sim::MemoryArea::Colors;
    std::vector<std::uint8_t> actual(step.bytes.size());
    if (!mouse->readMemory(area, static_cast<std::size_t>(step.number), actual)) {
        return {Outcome::Failed, QStringLiteral("the area holds %1 bytes").arg(mouse->areaSize(area))};
    }
    if (std::equal(actual.begin(), actual.end(), step.bytes.begin()))
        return {};
    QStringList found;
    for (const std::uint8_t b : actual)
        found << QString::number(b);
    return {Outcome::Failed, QStringLiteral("holds %1").arg(found.join(QLatin1Char(' ')))};
}

StepResult ScriptExpectations::dump(const ScriptStep& step, QWidget* w)
{
    const ui::Control control(w);
    QStringList parts;
    parts << QStringLiteral("kind=%1").arg(kindOf(w)) << QStringLiteral("visible=%1").arg(onOff(shownInWindow(w)))
          << QStringLiteral("enabled=%1").arg(onOff(w->isEnabled()));
    if (!control.isInputEnabled())
        parts << QStringLiteral("input=off");
    const QString text = control.getText();
    if (!text.isEmpty())
        parts << QStringLiteral("text=%1").arg(quoted(text));
    if (auto* button = qobject_cast<QAbstractButton*>(w); button != nullptr && button->isCheckable()) {
        parts << QStringLiteral("selected=%1").arg(onOff(button->isChecked()));
        const QString group = w->property("group").toString();
        if (!group.isEmpty())
            parts << QStringLiteral("group=%1").arg(group);
    }
    if (ui::isKind(w, ui::ControlKind::Progress)) {
        const ui::SliderControl s(control);
        parts << QStringLiteral("value=%1 range=%2..%3").arg(s.getValue()).arg(s.getMinValue()).arg(s.getMaxValue());
    }
    if (auto* tabs = qobject_cast<QStackedWidget*>(w))
        parts << QStringLiteral("page=%1 count=%2").arg(tabs->currentIndex()).arg(tabs->count());
    auto items = [&](int count, int current, const std::function<QString(int)>& itemText,
                     const std::function<QString(int)>& itemData) {
        parts << QStringLiteral("index=%1 count=%2").arg(current).arg(count);
        for (int i = 0; i < count; ++i)
            parts << QStringLiteral("item%1=%2|%3").arg(i).arg(quoted(itemText(i)), quoted(itemData(i)));
    };
    if (qobject_cast<QComboBox*>(w) != nullptr) {
        const ui::ComboControl c(control);
        items(
            c.getCount(), c.getCurSel(), [&](int i) { return c.getItemText(i); },
            [&](int i) { return c.getItemUserData(i); });
    }
    if (qobject_cast<QListWidget*>(w) != nullptr) {
        const ui::ListControl l(control);
        items(
            l.getCount(), l.getCurSel(), [&](int i) { return l.getItemText(i); },
            [&](int i) { return l.getItemUserData(i); });
    }
    if (auto* edit = qobject_cast<QLineEdit*>(w); edit != nullptr && edit->isReadOnly())
        parts << QStringLiteral("read-only");
    if (auto* palette = qobject_cast<ui::ColorPaletteWidget*>(w))
        parts << QStringLiteral("color=%1").arg(colourText(palette->getSelectColor()));
    if (const QString bk = control.getBkImage(); !bk.isEmpty())
        parts << QStringLiteral("bkimage=%1").arg(quoted(bk));
    if (const std::uint32_t c = control.getBkColor(); c != 0)
        parts << QStringLiteral("bkcolor=%1").arg(colourText(c));
    if (const QString data = control.getUserData(); !data.isEmpty())
        parts << QStringLiteral("userdata=%1").arg(quoted(data));
    log_(QStringLiteral("dump %1: %2").arg(step.name, parts.join(QLatin1Char(' '))));
    return {};
}

}  // namespace corv
