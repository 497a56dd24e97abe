// Resource and control ids shared by the resource script, the dialogs and the
// jobs that write into the main dialog.
#pragma once

#define IDI_MAINFRAME 128
#define IDD_ABOUTBOX 100
#define IDD_MAIN 102
#define IDD_TWEAKS 137
#define IDD_RESTORE 141
#define IDS_ABOUTBOX 101
#define IDM_ABOUTBOX 16

#define IDC_EXIT 2
#define IDC_FIND 1000
#define IDC_LIST 1002
#define IDC_USER_DETERMINES 1003
#define IDC_FIX 1004
#define IDC_SELECT_ALL 1005
#define IDC_UNSELECT_ALL 1006
#define IDC_DISPLAY_EXCLUSIONS 1007
#define IDC_RESTORE 1008
#define IDC_HELP_BUTTON 1009
#define IDC_FOUND_LABEL 1011
#define IDC_FIXED_LABEL 1012
#define IDC_EXAMINED_COUNT 1014
#define IDC_FOUND_COUNT 1015
#define IDC_FIXED_COUNT 1016
#define IDC_DELETE_EXCLUSIONS 1019
#define IDC_ADD_EXCLUSIONS 1020
#define IDC_CANCEL_ACTIONS 1023
#define IDC_MISC 1024
#define IDC_STATUS 1025
#define IDC_EXAMINED_LABEL 1035

// Status cells of the main dialog, row by row of the grid.
#define IDC_CELL_FIRST 1038
#define IDC_CELL_LAST 1052

// About box.
#define IDC_ABOUT_VERSION 1100
#define IDC_ABOUT_TEXT 1101
#define IDC_ABOUT_WEB 1102
#define IDC_ABOUT_MAIL 1103
#define IDC_ABOUT_DONATE 1104

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Restore dialog.
#define IDC_RESTORE_SELECTED 1009
#define IDC_RESTORE_LIST 1011
#define IDC_RESTORE_DIRLIST 1012
#define IDC_DELETE_BACKUPS 1014
#define IDC_VIEW_BACKUPS 1022

// Tweaks dialog.
#define IDS_TWEAK_FIRST 102
#define IDS_TWEAK_DESCRIPTION_FIRST 122
#define IDC_TWEAK_RESTORE 1008
#define IDC_TWEAK_LIST 1027
#define IDC_TWEAK_DESCRIPTION 1028
#define IDC_TWEAK_SETTING 1029
#define IDC_TWEAK_MODIFY 1030
#define IDC_TWEAK_VALUE 1032
#define IDC_TWEAK_TIPS 1033
