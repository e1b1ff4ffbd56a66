#pragma once

// Resource ids of the ignore-list editor, kept apart from the ids of other
// resource scripts linked into the same program.
#define IDD_SELECT 4700
#define IDC_SELECT_LITEM 4701
#define IDC_SELECT_EITEM 4702
#define IDC_SELECT_SBUTTON 4703
#define IDC_SELECT_BADD 4704
#define IDC_SELECT_CLBOX 4705
#define CM_SELECT_CHECKALL 4710
#define CM_SELECT_UNCHECKALL 4711
#define CM_SELECT_SELECTALL 4712
#define CM_SELECT_DELETE 4713
