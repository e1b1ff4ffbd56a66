#pragma once

// Resource ids of the directory watcher's window, kept apart from the ids of
// other resource scripts linked into the same program.
#define IDD_FSWATCH 4600
#define IDC_FSWATCH_LLABEL 4601
