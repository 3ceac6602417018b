// The settings dialog's control identifiers, shared by the resource, the
// dialog code and the test that drives the dialog from outside.
#pragma once

#define IDD_SETTINGS 100
#define IDI_SETTINGS 1

// Each field: its edit or check box, the mark below it, for an editor
// path its browse button. Buttons IDOK and IDCANCEL are the system's.
#define IDC_EDITOR 1001
#define IDC_EDITOR_MARK 1002
#define IDC_EDITOR_BROWSE 1003
#define IDC_PARAM_EDITOR 1011
#define IDC_PARAM_EDITOR_MARK 1012
#define IDC_FRONT_EDITOR 1021
#define IDC_FRONT_EDITOR_MARK 1022
#define IDC_HTML_EDITOR 1031
#define IDC_HTML_EDITOR_MARK 1032
#define IDC_HTML_EDITOR_BROWSE 1033
#define IDC_PARAM_HTML 1041
#define IDC_PARAM_HTML_MARK 1042
#define IDC_FRONT_HTML 1051
#define IDC_FRONT_HTML_MARK 1052
#define IDC_PRINT_EDITOR 1061
#define IDC_PRINT_EDITOR_MARK 1062
#define IDC_PRINT_EDITOR_BROWSE 1063
#define IDC_PARAM_PRINT 1071
#define IDC_PARAM_PRINT_MARK 1072
#define IDC_FRONT_PRINT 1081
#define IDC_FRONT_PRINT_MARK 1082
#define IDC_NO_TRAP 1091
#define IDC_NO_TRAP_MARK 1092
#define IDC_NO_TRAP_EXT 1101
#define IDC_NO_TRAP_EXT_MARK 1102
#define IDC_NO_FILE 1111
#define IDC_NO_FILE_MARK 1112
#define IDC_DO_NOTEPAD 1121
#define IDC_DO_NOTEPAD_MARK 1122
#define IDC_CHANGE_IE_EXT 1131
#define IDC_CHANGE_IE_EXT_MARK 1132
#define IDC_IE_EXT 1141
#define IDC_IE_EXT_MARK 1142
#define IDC_IE4_TEMP 1151
#define IDC_IE4_TEMP_MARK 1152
#define IDC_NO_WAIT 1161
#define IDC_NO_WAIT_MARK 1162

#define IDC_PREVIEW_NORMAL 1201
#define IDC_PREVIEW_HTML 1202
#define IDC_PREVIEW_PRINT 1203
#define IDC_DEFAULTS 1301
#define IDC_APPLY 1302
#define IDC_LOCKED 1303  // the line that says the settings cannot be saved
