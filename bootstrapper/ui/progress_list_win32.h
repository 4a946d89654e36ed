#pragma once
// The list view of the progress dialog: its status icons, columns and rows, and its height.

#include <windows.h>

#include "progress_rows.h"

// Loads the 16 x 16 icon of every row of the status table from module into a new image list,
// notes each icon's index in the table and gives the list to the view. Failures are logged.
void LoadStatusIcons(HWND list, HINSTANCE module);
// The four columns: the icon, "Package", "Version" and "Status". A failure is logged.
void AddColumns(HWND list);
void InsertRow(HWND list, int index, const ProgressRow& row);
// Shows the state's text and icon of the row at index.
void ShowRowDisplay(HWND list, int index, const RowDisplay& display);
// Makes the list high enough for rowCount rows (3 to 10), moves the Cancel button and the
// bottom of the dialog by the same amount, and keeps the vertical bar, enabled only when the
// list scrolls.
void FitList(HWND dialog, HWND list, int rowCount);
// Grid lines, and a header that neither sorts nor resizes.
void DecorateList(HWND list);
