#pragma once

// Icons, menus and dialogs of the main program.
#define IDI_QUILLBORNE 1
#define IDI_RUNPROGRAM 2
#define IDR_MAINMENU 100
#define IDR_POPUPMENU 101
#define IDR_ACCELERATORS 102
#define IDR_ABOUTPICTURE 103
#define IDD_MAIN 200

// Controls of the main window.
#define IDC_LABEL1 1001
#define IDC_LABEL7 1007
#define IDC_YES 1010
#define IDC_RUNPROGRAM 1011
#define IDC_PROGRESSCAPTION 1012
#define IDC_PROGRESSBAR 1013
#define IDC_EXIT 1014
#define IDC_ANIMATION 1015

// Menu commands: the first action's command, then one per action in the order
// of TAction; Show belongs to the notification-area menu alone.
#define CM_FIRSTACTION 40000
#define CM_YES 40000
#define CM_EXIT 40001
#define CM_ABOUT 40002
#define CM_VIEWREPORT 40003
#define CM_FREEREPORT 40004
#define CM_FILTERRESULTS 40005
#define CM_REPORTSETTINGS 40006
#define CM_FILTERDIRS 40007
#define CM_FILTERFILES 40008
#define CM_FILTERKEYS 40009
#define CM_FILTERVALUES 40010
#define CM_HELP 40011
#define CM_STARTRECORDING 40012
#define CM_STOPRECORDING 40013
#define CM_RUNPROGRAM 40014
#define CM_SAVEINSTALLERSOURCE 40015
#define CM_SHOW 40100

// The process watch's question.
#define IDD_PROCESSWATCH 210
#define IDC_PROCESSNAME 2101
#define IDC_PROCESSICON 2102

// The About box.
#define IDD_ABOUT 220
#define IDC_ABOUTTEXT 2201
#define IDC_ABOUTPICTURE 2202
