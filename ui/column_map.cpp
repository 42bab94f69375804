#include "ui/column_map.h"

namespace vellum::ui {

ColumnMap::ColumnMap(DigestMask shown) : shown_(static_cast<DigestMask>(shown & kAllDigests)) {
    const auto add = [this](int core) {
        core_[static_cast<std::size_t>(count_++)] = std::int8_t(core);
    };
    for (int core = kColumnFilename; core <= kColumnMd5; ++core) add(core);
    ForEachKind(shown, [&](DigestKind kind) { add(ColumnOfDigest(kind)); });
    add(kColumnStatus);
}

int ColumnMap::CoreColumn(int view) const {
    if (view < 0 || view >= count_) return kColumnNone;
    return core_[static_cast<std::size_t>(view)];
}

int ColumnMap::ViewColumn(int core) const {
    for (int view = 0; view < count_; ++view)
        if (core_[static_cast<std::size_t>(view)] == core) return view;
    return -1;
}

}  // namespace vellum::ui
