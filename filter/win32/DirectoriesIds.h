#pragma once

// Resource ids of the directory list dialog, kept apart from the ids of other
// resource scripts linked into the same program.
#define IDD_DIRECTORIES 4900
#define IDC_DIRS_LBLIST 4901
#define IDC_DIRS_BADD 4902
#define IDC_DIRS_BDELETE 4903
#define CM_DIRS_SELECTALL 4910
