#pragma once
// The dialog templates, controls and bitmap that forms.dll carries (forms.rc). Form files
// name them by number in their ResourceId attributes.

#define IDD_FORM_REMOVE 109
#define IDD_FORM_REMOVE_CONTINUE 110
#define IDD_FORM_CONTINUE 111
#define IDD_FORM_REMOVE_ONLY 112
#define IDB_FORM_PICTURE 117

#define IDC_FORM_REMOVE_ALT 1002
#define IDC_FORM_REMOVE 1004
#define IDC_FORM_TEXT 1005
#define IDC_FORM_TITLE 1011
#define IDC_FORM_PICTURE 1012
#define IDC_FORM_CONTINUE 1013
#define IDC_FORM_CANCEL 1014
