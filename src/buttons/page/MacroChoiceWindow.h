#pragma once
// The macro selection window: the library's macros in index order, none selected; saving
// with one selected gives (112, its index, 0).
#include <optional>
#include <string>
#include <vector>

#include "buttons/ButtonAssignment.h"
#include "ui/SkinWindow.h"

namespace corv {

class MacroChoiceWindow : public ui::SkinWindow {
public:
    static constexpr const char* kSkinFile = "popup.xml";
    static constexpr const char* kMacroCombo = "ms_macro_combo";
    static constexpr const char* kSaveButton = "ms_macro_select_save_btn";
    static constexpr const char* kCancelButton = "ms_macro_select_cancel_btn";
    static constexpr int kItemHeight = 30;

    explicit MacroChoiceWindow(std::vector<std::string> macroNames) : names_(std::move(macroNames)) { }

    QString getWindowClassName() const override { return QStringLiteral("PopWnd"); }
    QString getSkinFile() const override { return QString::fromUtf8(kSkinFile); }
    void notify(ui::Notification& msg) override;

    // Creates the window owned by owner, centres it and runs it modally: 1 chosen, 0 not.
    int run(QWidget* owner);
    // The macro chosen by saving.
    const std::optional<ButtonAssignment>& chosen() const { return chosen_; }

protected:
    void initWindow() override;
    void onClick(ui::Notification& msg) override;

private:
    std::vector<std::string> names_;
    std::optional<ButtonAssignment> chosen_;
};

}  // namespace corv
