// Ids of the dialogs that the framework tests create.
#pragma once

#define IDD_PROBE           200
#define IDD_PROBE_PLACED    201
#define IDD_PROBE_BROKEN    202

#define IDC_PROBE_A         300
#define IDC_PROBE_B1        301
#define IDC_PROBE_B2        302
#define IDC_PROBE_B3        303
#define IDC_PROBE_PLAIN     304
#define IDC_PROBE_MISSING   399

#define ID_PROBE_COMMAND    1007
