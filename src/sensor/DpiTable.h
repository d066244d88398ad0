#pragma once
// The DPI values a stage can take, per model, as the texts the DPI page shows. A stage
// stores an index into its model's table. R210 (0x3325): 59 entries, 200..5000 in steps of
// 100 (0..48), then 5200..7000 in steps of 200 (49..58). Every other model, in practice the
// R240: 120 entries, 100..12000 in steps of 100.
#include <QString>
#include <cstdint>

namespace corv {

class DpiTable {
public:
    static const DpiTable& forModel(std::uint16_t modelId);

    int size() const { return size_; }
    // The text of index i; empty outside the table.
    QString text(int index) const;
    // The first index among the first `searchable` entries whose text equals text (compared
    // without regard to case), or -1.
    int find(const QString& text, int searchable) const;
    // A typed DPI value limited to the model's range and brought onto a table step, as text.
    // clamped tells whether the limit was hit.
    QString roundTyped(long value, bool* clamped = nullptr) const;

private:
    DpiTable(int size, bool r210) : size_(size), r210_(r210) { }
    long valueAt(int index) const;
    int size_;
    bool r210_;
};

}  // namespace corv
