#pragma once
// The DPI values a stage can take, per model, as the texts the DPI page shows. A stage
// stores an index into its model's table (device/ModelFacts.h); a model the program does
// not know uses the larger table.
#include <QString>
#include <cstdint>

#include "device/ModelFacts.h"

namespace corv {

class DpiTable {
public:
    static const DpiTable& forModel(std::uint16_t modelId);

    int size() const { return model_.dpiLevels; }
    // The text of index i; empty outside the table.
    QString text(int index) const;
    // The first index among the first `searchable` entries whose text equals text (compared
    // without regard to case), or -1.
    int find(const QString& text, int searchable) const;
    // A typed DPI value limited to the model's range and brought onto a table step, as text.
    // clamped tells whether the limit was hit.
    QString roundTyped(long value, bool* clamped = nullptr) const;

private:
    explicit DpiTable(const ModelFacts& model) : model_(model) { }
    const ModelFacts& model_;
};

}  // namespace corv
