#include "ui/KeyboardSources.h"

#include "platform/X11KeyboardSource.h"
#include "ui/OwnWindowKeySource.h"

namespace corv::ui {

std::unique_ptr<KeyboardSource> makeKeyboardSource()
{
    if (std::unique_ptr<KeyboardSource> desktop = makeX11KeyboardSource())
        return desktop;
    return std::make_unique<OwnWindowKeySource>();
}

}  // namespace corv::ui
