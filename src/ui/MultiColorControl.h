#pragma once
// Handle on the multi-colour bar control (MultiColorSelection); see that class for the
// meaning of bar values.
#include <cstdint>

#include "ui/Control.h"

namespace corv::ui {

class MultiColorControl : public Control {
public:
    MultiColorControl() = default;
    explicit MultiColorControl(const Control& control);

    int getBarsCount() const;
    void setBarsCount(int n);
    void setBarsCountData(int i, std::int32_t value);
    std::uint32_t getBarsCountData(int i, std::int32_t& value) const;
    bool addBarsCount();
    bool subBarsCount();
};

}  // namespace corv::ui
