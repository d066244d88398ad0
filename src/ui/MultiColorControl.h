#pragma once
// Handle on the multi-colour bar control (CMultiColorSelectionUI); see that class for the
// meaning of bar values.
#include <cstdint>

#include "ui/Control.h"

namespace corv::ui {

class MultiColorControl : public Control {
public:
    MultiColorControl() = default;
    explicit MultiColorControl(const Control& control);

    int GetBarsCount() const;
    void SetBarsCount(int n);
    void SetBarsCountData(int i, std::int32_t value);
    std::uint32_t GetBarsCountData(int i, std::int32_t& value) const;
    bool AddBarsCount();
    bool SubBarsCount();
};

}  // namespace corv::ui
