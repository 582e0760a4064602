// Resource and control ids shared by the code and TvClient.rc.
// The numbers are part of the skin and the dialog templates; never renumber them.
#pragma once

// Dialog templates
#define IDD_ABOUTBOX                100
#define IDD_TVCLIENT_DIALOG         102

// Strings
#define IDS_ABOUTBOX                101

// Menu and command ids
#define IDM_ABOUTBOX                0x0010
#define ID_PLAYER_PAUSE             1007

// Icons
#define IDI_MAINFRAME               4
#define IDI_TRAYMARK                221

// Cursor
#define IDC_SKIN_HAND               150

// Bitmaps: title bar
#define IDB_TITLEBAR_WHOLE          130
#define IDB_LOGO                    151
#define IDB_TAB1                    152
#define IDB_TAB2                    153
#define IDB_TAB3                    154
#define IDB_TAB4                    155
#define IDB_TAB5                    156
#define IDB_TAB6                    157
#define IDB_TAB1_HOT                168
#define IDB_TAB2_HOT                171
#define IDB_TAB3_HOT                173
#define IDB_TAB4_HOT                174
#define IDB_TAB5_HOT                172
#define IDB_TAB6_HOT                175
#define IDB_HELP_TAB                158
#define IDB_SIGNOFF                 159
#define IDB_TOPBAR_PANEL            170
#define IDB_FRAME_VERTICAL          161
#define IDB_FRAME_STRIP             160
#define IDB_HIDE_BUTTON             162
#define IDB_FULLSCREEN_BUTTON       163
#define IDB_CLOSE_BUTTON            164
#define IDB_TITLE_PANEL             167
#define IDB_TITLE_RIGHT_END         165

// Bitmaps: channel column
#define IDB_CATEGORY_SELECTOR       131
#define IDB_LIST_HANDLE_SHOWN       132
#define IDB_LIST_HEADER             134
#define IDB_LIST_HANDLE_COLLAPSED   176

// Bitmaps: channel buttons, normal look (channels 0 to 13)
#define IDB_CHANNEL0                135
#define IDB_CHANNEL1                136
#define IDB_CHANNEL2                137
#define IDB_CHANNEL3                138
#define IDB_CHANNEL4                139
#define IDB_CHANNEL5                140
#define IDB_CHANNEL6                141
#define IDB_CHANNEL7                142
#define IDB_CHANNEL8                143
#define IDB_CHANNEL9                144
#define IDB_CHANNEL10               145
#define IDB_CHANNEL11               146
#define IDB_CHANNEL12               169
#define IDB_CHANNEL13               219

// Bitmaps: channel buttons, selected look (channels 0 to 13)
#define IDB_CHANNEL0_SELECTED       192
#define IDB_CHANNEL1_SELECTED       193
#define IDB_CHANNEL2_SELECTED       194
#define IDB_CHANNEL3_SELECTED       195
#define IDB_CHANNEL4_SELECTED       196
#define IDB_CHANNEL5_SELECTED       197
#define IDB_CHANNEL6_SELECTED       198
#define IDB_CHANNEL7_SELECTED       186
#define IDB_CHANNEL8_SELECTED       187
#define IDB_CHANNEL9_SELECTED       188
#define IDB_CHANNEL10_SELECTED      189
#define IDB_CHANNEL11_SELECTED      190
#define IDB_CHANNEL12_SELECTED      191
#define IDB_CHANNEL13_SELECTED      220

// Bitmaps: player bar
#define IDB_BAR_LEFT_END            177
#define IDB_PAUSE_BUTTON            180
#define IDB_PLAY_BUTTON             179
#define IDB_PLAY_BUTTON_GREYED      217
#define IDB_STOP_BUTTON             181
#define IDB_STOP_BUTTON_GREYED      182
#define IDB_VOLUME_DOWN             201
#define IDB_SOUND_ON                200
#define IDB_SOUND_MUTED             199
#define IDB_VOLUME_UP               202
#define IDB_BAR_RIGHT_END           203
#define IDB_BAR_FULLSCREEN          183
#define IDB_BAR_BACKGROUND          184

// Controls of IDD_TVCLIENT_DIALOG
#define IDC_WEB_RIGHT               1001
#define IDC_PLAYER                  1002
#define IDC_WEB_MIDDLE              1005
#define IDC_WEB_LIST                1010
#define IDC_LOGO                    1018
#define IDC_LIST_TOGGLE             1019
#define IDC_CHANNEL0                1020
#define IDC_CHANNEL1                1021
#define IDC_LIST_HEADER             1022
#define IDC_CHANNEL2                1023
#define IDC_CHANNEL3                1024
#define IDC_CHANNEL4                1025
#define IDC_CHANNEL5                1026
#define IDC_CHANNEL6                1027
#define IDC_CHANNEL7                1028
#define IDC_CHANNEL8                1029
#define IDC_CHANNEL9                1030
#define IDC_CHANNEL10               1031
#define IDC_CHANNEL11               1032
#define IDC_TAB1                    1036
#define IDC_TAB2                    1037
#define IDC_TAB3                    1038
#define IDC_TAB4                    1039
#define IDC_TAB5                    1040
#define IDC_TAB6                    1041
#define IDC_HELP_TAB                1042
#define IDC_SIGNOFF                 1043
#define IDC_TOPBAR_PANEL            1044
#define IDC_FRAME_VERTICAL          1045
#define IDC_FRAME_STRIP             1046
#define IDC_HIDE_BUTTON             1047
#define IDC_FULLSCREEN_BUTTON       1048
#define IDC_CLOSE_BUTTON            1049
#define IDC_TITLE_PANEL             1050
#define IDC_TITLE_RIGHT_END         1051
#define IDC_CHANNEL12               1052
#define IDC_BAR_LEFT_END            1056
#define IDC_PLAY_PAUSE              1057
#define IDC_STOP                    1058
#define IDC_BAR_FULLSCREEN          1060
#define IDC_BAR_BACKGROUND          1061
#define IDC_VOLUME_DOWN             1062
#define IDC_VOLUME_UP               1063
#define IDC_MUTE                    1064
#define IDC_BAR_RIGHT_END           1065
#define IDC_CHANNEL13               1068
#define IDC_FEATURED_LINK           1070

// Dialog initialisation data: one record per hosted control,
// { WORD control id, WORD kind, DWORD byte count, bytes }, ended by a WORD 0.
#define RT_DLGINIT_DATA             240
#define DLGINIT_PERSIST_STREAM      0x0376
