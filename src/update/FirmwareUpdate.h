#pragma once
// The firmware update launcher ("menubtn"): compares the connected mouse's firmware version
// (the release number of its HID device) with the version its model's package brings, and
// either starts that package or says why not. The program never writes firmware itself.
//
// The packages lie in the program's resource folder (beside "default.pro" and the skin).
#include <QString>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

#include "feature/Feature.h"
#include "update/PackageLauncher.h"

namespace corv {

class FeatureHost;

class FirmwareUpdate : public Feature {
public:
    static constexpr const char* kMenuButton = "menubtn";

    static constexpr const char* kUpToDate = "已是最新版本，无需升级";
    static constexpr const char* kUpdateByHand = "您的版本太低，请手动升级";

    // What the button does for a model id (0 before any mouse was identified) and a
    // firmware version: start the model's package (device/ModelFacts.h; package set), or
    // show a message.
    struct Decision {
        std::string_view package;
        const char* message = nullptr;
    };
    static Decision decide(std::uint16_t modelId, std::uint16_t version);
    // The messages of a package that cannot be started, naming it.
    static QString missingMessage(const QString& package);
    static QString needsWindowsMessage(const QString& package);
    static QString refusedMessage(const QString& package);

    // launcher null: the system's.
    FirmwareUpdate(FeatureHost& host, std::unique_ptr<PackageLauncher> launcher = nullptr);

    std::string_view name() const override { return "update"; }
    void declare(FeatureRegistry& registry) override;
    std::span<const ui::ControlRef> controls() const override;

    // "menubtn" clicked.
    void checkForUpdate();
    // Replaces the launcher (tests).
    void setLauncher(std::unique_ptr<PackageLauncher> launcher) { launcher_ = std::move(launcher); }

private:
    void startPackage(std::string_view fileName);

    FeatureHost& host_;
    std::unique_ptr<PackageLauncher> launcher_;
};

}  // namespace corv
