// Resource ids of the updater's own script, Updater.rc.
#pragma once

// Dialog template: the progress window
#define IDD_UPDATE                  100

// Controls of the progress window
#define IDC_UPDATE_STEP             1001
#define IDC_UPDATE_BAR              1002
#define IDC_UPDATE_BYTES            1003
// The Cancel button is IDCANCEL: Esc presses it too

// Strings: what the updater is doing, shown in the progress window
#define IDS_STEP_WAITING            200
#define IDS_STEP_CHECKING           201
#define IDS_STEP_DOWNLOADING        202
#define IDS_STEP_INSTALLING         203
#define IDS_BYTES                   204
#define IDS_STEP_RECOVERING         205

// Strings: why an update stopped; IDS_NOTHING_CHANGED follows each in the message
#define IDS_FAIL_CLIENT_RUNNING     300
#define IDS_FAIL_VERSION_FILE       301
#define IDS_FAIL_LIST               302
#define IDS_FAIL_NO_FILES           303
#define IDS_FAIL_NOT_NEWER          304
#define IDS_FAIL_KEY                305
#define IDS_FAIL_SIGNATURE          306
#define IDS_FAIL_DOWNLOAD           307
#define IDS_FAIL_CORRUPT            308
#define IDS_FAIL_REPLACE            309
#define IDS_FAIL_DISK               310
#define IDS_NOTHING_CHANGED         311
#define IDS_FAIL_TOO_SLOW           312

// Strings: why an update that was stopped could not be undone; IDS_BACKUPS_KEPT follows each
#define IDS_FAIL_ROLLBACK           350
#define IDS_FAIL_JOURNAL            351
#define IDS_BACKUPS_KEPT            352

// Strings: the update is in place but the client did not start
#define IDS_RESTART_FAILED          400
