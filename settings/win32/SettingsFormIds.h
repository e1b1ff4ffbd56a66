#pragma once

// Resource ids of the settings dialog and its input box, kept apart from the
// ids of other resource scripts linked into the same program. The check boxes
// take the ids from IDC_SET_FIRSTBOX on, in the order of TSettingsBox.
#define IDD_SETTINGS 5000
#define IDC_SET_FIRSTBOX 5001
#define IDC_SET_PAGECONTROL 5100
#define IDC_SET_REGISTRYLINK 5101
#define IDC_SET_GBWATCH 5102
#define IDC_SET_BWATCHPATHS 5103
#define IDC_SET_LWATCHWARNING 5104
#define IDC_SET_GBHASHING 5105
#define IDC_SET_HASHNONE 5106
#define IDC_SET_HASHMD5 5107
#define IDC_SET_HASHSHA1 5108
#define IDC_SET_BSCANPATHS 5109
#define IDC_SET_LSCANWARNING 5110
#define IDC_SET_LBPROCESSES 5111
#define IDC_SET_BADD 5112
#define IDC_SET_BDELETE 5113
#define IDC_SET_LREPORTDIR 5114
#define IDC_SET_EREPORTDIR 5115
#define IDC_SET_BREPORTDIR 5116
#define IDC_SET_BFILTER 5117
#define IDC_SET_BHELP 5118

// The context menus' commands.
#define CM_SET_IGNORESHELL 5150
#define CM_SET_RECORDSHELL 5151
#define CM_SET_IGNOREREGISTRY 5152
#define CM_SET_RECORDREGISTRY 5153
#define CM_SET_IGNOREFILEWATCH 5154
#define CM_SET_RECORDFILEWATCH 5155
#define CM_SET_DEFAULTS 5156
#define CM_SET_SELECTALL 5157
#define CM_SET_DELETESELECTED 5158
#define CM_SET_ADD 5159

// The one-line input box.
#define IDD_INPUTQUERY 5200
#define IDC_INPUT_PROMPT 5201
#define IDC_INPUT_EDIT 5202
