#pragma once
// Answers text queries for controls that the language file does not name.
#include <QString>
#include <optional>

namespace corv::ui {

class ControlTextQuery {
public:
    virtual ~ControlTextQuery() = default;
    // The text for a control's text id, or nothing to keep the layout's own text.
    virtual std::optional<QString> queryControlText(const QString& id, const QString& type) = 0;
};

}  // namespace corv::ui
