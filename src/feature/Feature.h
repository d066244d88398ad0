#pragma once
// One feature of the main window (the DPI page, the sensor page, the lighting page, ...).
// A feature is built by the application entry with the window as its FeatureHost, declares
// once what it takes part in (control notifications, menu items, window messages, its steps
// of the settings refresh and of applying a profile, the model being shown), owns its timers
// and threads, and knows no other feature.
#include <span>
#include <string_view>

#include "ui/ControlRef.h"
#include "ui/MenuItemRef.h"

namespace corv {

class FeatureRegistry;

class Feature {
public:
    virtual ~Feature() = default;

    virtual std::string_view name() const = 0;
    // Called once, before the window's layout exists.
    virtual void declare(FeatureRegistry& registry) = 0;
    // Every control the feature looks up by name, with the kind it expects.
    virtual std::span<const ui::ControlRef> controls() const = 0;
    // Every menu item the feature routes by name, with its menu file.
    virtual std::span<const ui::MenuItemRef> menuItems() const { return {}; }
    // The layout has been loaded: the feature's part of the window's initialisation.
    virtual void windowInit() { }
    // The window goes away: stop the feature's timers and wait for its threads. The channel
    // is already closed.
    virtual void shutdown() { }
};

}  // namespace corv
