#include "progress_layout.h"

#include <algorithm>

int VisibleRowCount(int rowCount) {
    return std::max(kMinVisibleRows, std::min(rowCount, kMaxVisibleRows));
}

bool ListScrolls(int rowCount) {
    return rowCount > kMaxVisibleRows;
}

int ListHeight(int rowCount, const ListMetrics& metrics) {
    return metrics.frameHeight + metrics.rowsTop + metrics.rowHeight * VisibleRowCount(rowCount);
}
