#include "sensor/DpiTable.h"

#include "device/DeviceProtocol.h"

namespace corv {

const DpiTable& DpiTable::forModel(std::uint16_t modelId)
{
    static const DpiTable r210(59, true);
    static const DpiTable r240(120, false);
    return modelId == kModelR210 ? r210 : r240;
}

long DpiTable::valueAt(int index) const
{
    if (r210_)
        return index <= 48 ? 200 + 100L * index : 5200 + 200L * (index - 49);
    return 100L * (index + 1);
}

QString DpiTable::text(int index) const
{
    if (index < 0 || index >= size_)
        return {};
    return QString::number(valueAt(index));
}

int DpiTable::find(const QString& text, int searchable) const
{
    const int n = searchable < size_ ? searchable : size_;
    for (int i = 0; i < n; ++i) {
        if (QString::number(valueAt(i)).compare(text, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString DpiTable::roundTyped(long value, bool* clamped) const
{
    const long low = r210_ ? 200 : 100;
    const long high = r210_ ? 7000 : 12000;
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
    long stepped = (value / 100) * 100;
    if (r210_ && value / 100 > 50)
        stepped = ((value - 5000) / 200) * 200 + 5000;
    return QString::number(stepped);
}

}  // namespace corv
