#pragma once

// Resource ids of the result filter dialog, kept apart from the ids of other
// resource scripts linked into the same program. The forty switch check
// boxes take the ids from IDC_FILTER_FIRSTSWITCH on, in the switches' order.
#define IDD_FILTER 4800
#define IDC_FILTER_FIRSTSWITCH 4801
#define IDC_FILTER_PAGECONTROL 4850
#define IDC_FILTER_BIGNOREKEYS 4851
#define IDC_FILTER_BIGNOREVALUES 4852
#define IDC_FILTER_BIGNOREDIRS 4853
#define IDC_FILTER_BIGNOREFILES 4854
#define IDC_FILTER_GBWATCH 4855
#define IDC_FILTER_GBSCAN 4856
#define CM_FILTER_DEFAULTS 4860
