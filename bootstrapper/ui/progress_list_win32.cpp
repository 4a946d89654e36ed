#include "progress_list_win32.h"

#include <commctrl.h>

#include "log_file.h"
#include "package_state.h"
#include "progress_layout.h"

namespace {

const int kStatusRows = 8;  // the rows of the status table, states 0 to 7
const int kIconSize = 16;

struct Column {
    const char* header;
    int width;  // pixels
};
const Column kColumns[] = {{"", 18}, {"Package", 232}, {"Version", 90}, {"Status", 132}};
const int kStatusColumn = 3;

void SetCellText(HWND list, int index, int column, const std::string& text) {
    ListView_SetItemText(list, index, column, const_cast<char*>(text.c_str()));
}

int ImageOf(const RowDisplay& display) {
    return display.imageIndex >= 0 ? display.imageIndex : I_IMAGENONE;
}

// The bounds of the top visible row, which lies right under the header (measured on a row
// put in for the purpose when there is none).
RECT TopRowBounds(HWND list) {
    const bool empty = ListView_GetItemCount(list) == 0;
    if (empty) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.pszText = const_cast<char*>("");
        ListView_InsertItem(list, &item);
    }
    RECT rect{};
    ListView_GetItemRect(list, empty ? 0 : ListView_GetTopIndex(list), &rect, LVIR_BOUNDS);
    if (empty)
        ListView_DeleteItem(list, 0);
    return rect;
}

int Height(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect.bottom - rect.top;
}

ListMetrics MeasureList(HWND list) {
    RECT client{};
    GetClientRect(list, &client);
    const RECT row = TopRowBounds(list);
    ListMetrics metrics{};
    metrics.rowHeight = row.bottom - row.top;
    metrics.rowsTop = row.top;
    metrics.frameHeight = Height(list) - client.bottom;
    return metrics;
}

// Grows (or shrinks) a window's height by delta, or moves it down by delta.
void GrowBy(HWND window, int delta) {
    RECT rect{};
    GetWindowRect(window, &rect);
    SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top + delta,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void MoveDownBy(HWND dialog, HWND control, int delta) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    SetWindowPos(control, nullptr, rect.left, rect.top + delta, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void LoadStatusIcons(HWND list, HINSTANCE module) {
    HIMAGELIST images =
        ImageList_Create(kIconSize, kIconSize, ILC_COLOR32 | ILC_MASK, kStatusRows, 0);
    for (int index = 0; index < kStatusRows; ++index) {
        ProgressStatus* status = FindProgressStatus(index);
        if (!status) {
            Log().Error("Invalid status ID for index '%d'", index);
            continue;
        }
        // Shared icons belong to the module; the image list keeps copies.
        HICON icon = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(status->iconResource),
                                                   IMAGE_ICON, kIconSize, kIconSize, LR_SHARED));
        status->imageIndex = images && icon ? ImageList_AddIcon(images, icon) : -1;
    }
    // The view owns the image list from now on and destroys it with itself.
    ListView_SetImageList(list, images, LVSIL_SMALL);
}

void AddColumns(HWND list) {
    bool failed = false;
    for (int i = 0; i < static_cast<int>(sizeof(kColumns) / sizeof(kColumns[0])); ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = kColumns[i].width;
        column.pszText = const_cast<char*>(kColumns[i].header);
        column.iSubItem = i;
        if (ListView_InsertColumn(list, i, &column) != i)
            failed = true;
    }
    if (failed)
        Log().Error("View control initialization error in main progress dialog");
}

void InsertRow(HWND list, int index, const ProgressRow& row) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = const_cast<char*>("");
    item.iImage = ImageOf(row.display);
    const int inserted = ListView_InsertItem(list, &item);
    if (inserted < 0)
        return;
    SetCellText(list, inserted, 1, row.name);
    SetCellText(list, inserted, 2, row.version);
    SetCellText(list, inserted, kStatusColumn, row.display.text);
}

void ShowRowDisplay(HWND list, int index, const RowDisplay& display) {
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = index;
    item.iImage = ImageOf(display);
    ListView_SetItem(list, &item);
    SetCellText(list, index, kStatusColumn, display.text);
}

void FitList(HWND dialog, HWND list, int rowCount) {
    const int delta = ListHeight(rowCount, MeasureList(list)) - Height(list);
    if (delta != 0) {
        GrowBy(list, delta);
        MoveDownBy(dialog, GetDlgItem(dialog, IDCANCEL), delta);
        GrowBy(dialog, delta);
    }
    // The list keeps its vertical bar, so that its columns never move; the bar is enabled
    // only when there is something to scroll.
    ShowScrollBar(list, SB_VERT, TRUE);
    EnableScrollBar(list, SB_VERT, ListScrolls(rowCount) ? ESB_ENABLE_BOTH : ESB_DISABLE_BOTH);
}

void DecorateList(HWND list) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_GRIDLINES);
    EnableWindow(ListView_GetHeader(list), FALSE);
}
