#pragma once
// The macro page: the macro library in the macro combo, and the selected macro's actions.
#include "feature/Feature.h"

namespace corv {

class FeatureHost;

class MacroPage : public Feature {
public:
    // The library holds at most this many macros.
    static constexpr long kMaxMacros = 50;

    explicit MacroPage(FeatureHost& host) : host_(host) { }

    std::string_view name() const override { return "macros"; }
    void declare(FeatureRegistry& registry) override;
    std::span<const ui::ControlRef> controls() const override;
    void windowInit() override;

    // Fills the macro combo from the macro index; nothing is selected.
    void loadMacroList();

private:
    FeatureHost& host_;
};

}  // namespace corv
