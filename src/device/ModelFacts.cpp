#include "device/ModelFacts.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "device/DeviceProtocol.h"

namespace corv {

namespace {

constexpr DpiRun kR210Runs[] = {{200, 100, 49}, {5200, 200, 10}};
constexpr DpiRun kR240Runs[] = {{100, 100, 120}};

constexpr ModelFacts kModels[] = {
    {kModelR210, "R210", kR210Runs, 59, "Setting", "file='210.png'", "CORVALANTIS R210 Driver", false,
     "升级包-1904-32F01A-R210-鼠标-CSEA1F-V0201-20170615.exe", 0x0201},
    {kModelR240, "R240", kR240Runs, 120, "3360", "file='240.png'", "CORVALANTIS R240 Driver", true,
     "升级包-1906-32F01A-R240-鼠标-CSEAD7-V0107-20170816.exe", 0x0106},
};

std::string hex4(std::uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value));
    return text;
}

bool sameLetters(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

int ModelFacts::dpiValue(int index) const
{
    if (index < 0)
        return 0;
    for (const DpiRun& run : dpiRuns) {
        if (index < run.count)
            return run.first + run.step * index;
        index -= run.count;
    }
    return 0;
}

std::span<const ModelFacts> knownModels() { return kModels; }

const ModelFacts* findModel(std::uint16_t id)
{
    for (const ModelFacts& m : kModels) {
        if (m.id == id)
            return &m;
    }
    return nullptr;
}

const ModelFacts* findModel(std::string_view name)
{
    for (const ModelFacts& m : kModels) {
        if (sameLetters(m.name, name))
            return &m;
    }
    return nullptr;
}

const ModelFacts& modelOrFallback(std::uint16_t id)
{
    const ModelFacts* m = findModel(id);
    return m != nullptr ? *m : kModels[1];
}

const ModelFacts& modelShownFirst() { return kModels[0]; }

std::string usbVendorText() { return hex4(kMouseVendorId); }

std::string usbProductText() { return hex4(kMouseProductId); }

std::string usbIdText() { return usbVendorText() + ":" + usbProductText(); }

std::size_t ReportedIdentity::macroCapacityBytes() const { return std::size_t{macroCapacityUnits} * kMacroUnit; }

ReportedIdentity readIdentity(std::span<const std::uint8_t> info)
{
    ReportedIdentity identity;
    if (info.size() > kInfoModelId + 1)
        identity.modelId = static_cast<std::uint16_t>(info[kInfoModelId] | (info[kInfoModelId + 1] << 8));
    if (info.size() > kInfoMacroCapacity)
        identity.macroCapacityUnits = info[kInfoMacroCapacity];
    if (info.size() > kInfoDpiCount)
        identity.dpiLevels = info[kInfoDpiCount];
    return identity;
}

}  // namespace corv
