// Ids of the dialogs that host the real player component in the player tests.
#pragma once

#define IDD_HOST            400
#define IDD_HOST_BROKEN     401
#define IDC_HOST_BEFORE     410
#define IDC_HOST_PLAYER     411
#define IDC_HOST_AFTER      412
