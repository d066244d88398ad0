#pragma once
// The language of `corvalantis --script=FILE` (docs/script-driver.md): one command a line,
// parsed into steps before anything runs, so that a mistyped script fails at once with its
// line number instead of half-way through a run.
#include <QString>
#include <optional>
#include <vector>

namespace corv {

enum class ScriptCommand {
    Click,             // click NAME
    Check,             // check NAME on|off
    Select,            // select NAME INDEX
    Slide,             // slide NAME VALUE
    Type,              // type NAME TEXT
    Leave,             // leave NAME
    Hover,             // hover NAME
    Unhover,           // unhover NAME
    Color,             // color NAME 0xAARRGGBB
    Menu,              // menu ITEM
    Tray,              // tray left|right
    Answer,            // answer 1|0
    File,              // file PATH | file cancel
    Key,               // key down|up VK
    Wait,              // wait MS
    WaitConnected,     // wait-connected
    WaitDisconnected,  // wait-disconnected
    Mouse,             // mouse ACTION
    Expect,            // expect NAME PROPERTY VALUE
    WaitUntil,         // wait-until NAME PROPERTY VALUE [MS]
    ExpectFile,        // expect-file PATH SECTION KEY VALUE
    ExpectTitle,       // expect-title TEXT
    ExpectMessage,     // expect-message TEXT
    ExpectMouse,       // expect-mouse AREA ADDRESS BYTE...
    Dump,              // dump NAME
};

enum class ScriptProperty {
    Text,
    Value,
    Selected,
    Visible,
    Enabled,
    Index,
    Count,
    BkImage,
    BkColor,
    Page,
    ItemText,
    UserData,
    Color
};

enum class MouseAction { DpiButton, Reset, Unplug, Replug, CalibrationOk, CalibrationFail };

// The memory areas of the virtual mouse that expect-mouse reads.
enum class MouseArea { Settings, Buttons, Colors };

struct ScriptStep {
    int line = 0;  // 1-based line of the script file
    ScriptCommand command = ScriptCommand::Wait;
    QString source;           // the line as written, without surrounding blanks
    QString name;             // control, menu item, or the file of expect-file
    QString section, key;     // expect-file
    QString text;             // type's text, the expected value, file's path
    long long number = 0;     // index, slide value, milliseconds, key code, colour, expected number
    long long timeoutMs = 0;  // wait-until: how long to wait for the expectation
    bool flag = false;        // on, down, left, answer 1, file cancel, expected on
    ScriptProperty property = ScriptProperty::Text;
    int item = -1;  // item-text:N and userdata:N; -1 for the control's own user data
    MouseAction mouse = MouseAction::DpiButton;
    MouseArea area = MouseArea::Settings;  // expect-mouse; number is the address
    std::vector<int> bytes;                // expect-mouse: the bytes expected from the address on
};

struct ScriptError {
    int line = 0;
    QString message;
};

struct ParsedScript {
    std::vector<ScriptStep> steps;
    std::optional<ScriptError> error;  // the first mistake; steps is empty then
};

ParsedScript parseScript(const QString& text);

// "click", "expect-file", ... as written in scripts.
QString commandName(ScriptCommand command);
QString propertyName(ScriptProperty property);
// Whether the expected value of a property is on|off, a number, a colour or text.
bool isOnOffProperty(ScriptProperty property);
bool isNumberProperty(ScriptProperty property);
bool isColourProperty(ScriptProperty property);

// "0xAARRGGBB" with upper-case digits.
QString colourText(unsigned long long argb);

}  // namespace corv
