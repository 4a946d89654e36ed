#pragma once
// Resource identifiers of utils.dll, shared by its resource script, its dialogs and the tests
// that read the dialogs.

#define IDD_OPTIONS_DIALOG 109
#define IDC_OPTIONS_LIST 1001
#define IDC_OPTIONS_TITLE 1002
#define IDC_OPTIONS_DESELECT_ALL 1004
#define IDC_OPTIONS_CONTINUE 1014
#define IDC_OPTIONS_SELECT_ALL 1015
