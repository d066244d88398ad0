#include "sensor/DpiTable.h"

#include <vector>

namespace corv {

const DpiTable& DpiTable::forModel(std::uint16_t modelId)
{
    // One table per known model, in the order of knownModels().
    static const std::vector<DpiTable> tables = [] {
        std::vector<DpiTable> all;
        for (const ModelFacts& model : knownModels())
            all.push_back(DpiTable(model));
        return all;
    }();
    const ModelFacts& model = modelOrFallback(modelId);
    return tables[static_cast<std::size_t>(&model - knownModels().data())];
}

QString DpiTable::text(int index) const
{
    if (index < 0 || index >= size())
        return {};
    return QString::number(model_.dpiValue(index));
}

int DpiTable::find(const QString& text, int searchable) const
{
    const int n = searchable < size() ? searchable : size();
    for (int i = 0; i < n; ++i) {
        if (QString::number(model_.dpiValue(i)).compare(text, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString DpiTable::roundTyped(long value, bool* clamped) const
{
    const long low = model_.dpiMin();
    const long high = model_.dpiMax();
    bool hit = false;
    if (value > high) {
        value = high;
        hit = true;
    } else if (value < low) {
        value = low;
        hit = true;
    }
    if (clamped)
        *clamped = hit;
    // Down onto the step of the run the value lies in; above the last value of a run, the
    // next run's steps count from that value.
    const auto& runs = model_.dpiRuns;
    long stepped = (value / runs[0].step) * runs[0].step;
    long lastOfRun = runs[0].first + static_cast<long>(runs[0].step) * (runs[0].count - 1);
    for (std::size_t k = 1; k < runs.size(); ++k) {
        if (value > lastOfRun)
            stepped = ((value - lastOfRun) / runs[k].step) * runs[k].step + lastOfRun;
        lastOfRun = runs[k].first + static_cast<long>(runs[k].step) * (runs[k].count - 1);
    }
    return QString::number(stepped);
}

}  // namespace corv
