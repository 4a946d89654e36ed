#pragma once
// Resource numbers of setup.exe. Other parts of the program and chained tools refer to
// these numbers, so they never change.

#define IDD_WAIT_DIALOG 102
#define IDI_SETUP 103
#define IDD_PROGRESS_DIALOG 104
#define IDI_STATE_IN_PROGRESS 130
#define IDI_STATE_COMPLETED 131
#define IDI_STATE_FAILED 132
#define IDI_STATE_NONE 133
#define IDB_PROGRESS_BANNER 136
#define IDI_STATE_SKIPPED 137

#define IDC_WAIT_TEXT 1000
#define IDC_WAIT_PROGRESS 1007
#define IDC_PROGRESS_LIST 1015
#define IDC_PROGRESS_CAPTION 1019
#define IDC_PROGRESS_BANNER 1020
#define IDC_PROGRESS_SUBTITLE 1021
