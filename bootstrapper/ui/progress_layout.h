#pragma once
// How high the list of the progress dialog is. It shows at least 3 and at most 10 rows;
// beyond 10 the list scrolls. The vertical scroll bar is always there, so that the columns
// keep their place whatever the number of rows, and it is enabled only when there is
// something to scroll.

const int kMinVisibleRows = 3;
const int kMaxVisibleRows = 10;

// The number of rows the list is made high enough for.
int VisibleRowCount(int rowCount);

// Whether the list holds more rows than it shows. A list of exactly 10 rows shows them all:
// an enabled bar that moves nothing would only suggest rows that are not there.
bool ListScrolls(int rowCount);

// Pixel sizes of the list view, measured on the window.
struct ListMetrics {
    int rowHeight;    // one item
    int rowsTop;      // where the first item starts in the client area: under the header
    int frameHeight;  // window height minus client height (borders, a horizontal bar)
};

// The window height of the list that shows VisibleRowCount(rowCount) whole rows under its
// header.
int ListHeight(int rowCount, const ListMetrics& metrics);
