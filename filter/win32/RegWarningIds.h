#pragma once

// Resource ids of the registry warning window, kept apart from the ids of
// other resource scripts linked into the same program.
#define IDD_REGWARNING 4400
#define IDC_REGWARNING_LABEL1 4401
#define IDC_REGWARNING_EKEYNAME 4402
#define IDC_REGWARNING_IMAGE1 4403
#define IDC_REGWARNING_MEMO 4404
