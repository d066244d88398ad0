#pragma once
// A resource folder with the real skin and profile template, an empty home (so an empty
// data folder) and a main window on a virtual mouse.
#include <QTemporaryDir>
#include <filesystem>
#include <memory>

#include "app/CMainWnd.h"
#include "sim/BackendChoice.h"

namespace corv::test {

class AppEnvironment {
public:
    AppEnvironment();
    ~AppEnvironment();
    std::filesystem::path home() const { return home_.path().toStdString(); }
    std::filesystem::path dataFolder() const;
    std::filesystem::path resources() const { return resources_.path().toStdString(); }
    static std::filesystem::path sourceDir() { return CORV_SOURCE_DIR; }
    static std::string readAll(const std::filesystem::path& file);

private:
    QTemporaryDir home_;
    QTemporaryDir resources_;
    std::string oldHome_;
};

class MainWindowHarness {
public:
    explicit MainWindowHarness(CMainWnd::Options options = {false, true});
    ~MainWindowHarness();
    CMainWnd& wnd() { return *wnd_; }

private:
    sim::DeviceBackend device_;
    std::unique_ptr<CMainWnd> wnd_;
};

}  // namespace corv::test
