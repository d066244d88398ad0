#pragma once
// The button page: the badges of a button's number that light up while the pointer is over
// the button, and the byte edits of the function panels.
#include "feature/Feature.h"

namespace corv {

class FeatureHost;

class ButtonsPage : public Feature {
public:
    explicit ButtonsPage(FeatureHost& host) : host_(host) { }

    std::string_view name() const override { return "buttons"; }
    void declare(FeatureRegistry& registry) override;
    std::span<const ui::ControlRef> controls() const override;

    // The pointer entered (or left) button n: its two number badges change their image.
    void highlightButton(int n, bool entered);

private:
    FeatureHost& host_;
};

}  // namespace corv
