; The client's setup: installs for the current user alone, into the user's local programs folder,
; so that neither the setup, the updater nor the client needs administrator rights. The build
; defines the files' sources: CLIENT, PLAYER, UPDATER, DEMO (the demo installation), SETTINGS (its
; channel list and main configuration naming the build's server), UPDATE_KEY, ICON and OUTFILE; the
; product's facts and its files' names come from ProductFacts.nsh.
Unicode true
!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "ProductFacts.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TvClient"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; An upgrade goes where the installation is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
SetCompressor /SOLID lzma

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\${CLIENT_FILE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

VIProductVersion "${VERSION}.0.0.0"
VIFileVersion "${VERSION}.0.0.0"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "© ${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "${PRODUCT}安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"

; Every file the setup installs, once: FOLDER in the installation, SOURCE in the build, NAME, and
; whether an upgrade overwrites it (the user's settings stay).
!macro INSTALLATION_FILES ACTION
    !insertmacro ${ACTION} "" "${CLIENT}" "${CLIENT_FILE}" on
    !insertmacro ${ACTION} "" "${PLAYER}" "${PLAYER_FILE}" on
    !insertmacro ${ACTION} "" "${UPDATER}" "${UPDATER_FILE}" on
    !insertmacro ${ACTION} "" "${SETTINGS}/${CHANNEL_FILE}" "${CHANNEL_FILE}" on
    !insertmacro ${ACTION} "\${PICTURES_FOLDER}" "${DEMO}/${PICTURES_FOLDER}/${IDLE_PICTURE_NAME}" "${IDLE_PICTURE_NAME}" on
    !insertmacro ${ACTION} "\${SETTINGS_FOLDER}" "${UPDATE_KEY}" "${UPDATE_KEY_NAME}" on
    !insertmacro ${ACTION} "\${SETTINGS_FOLDER}" "${SETTINGS}/${SETTINGS_FOLDER}/${INI_NAME}" "${INI_NAME}" off
!macroend
!macro INSTALL_FILE FOLDER SOURCE NAME OVERWRITE
    SetOutPath "$INSTDIR${FOLDER}"
    SetOverwrite ${OVERWRITE}
    File "/oname=${NAME}" "${SOURCE}"
!macroend
!macro REMOVE_FILE FOLDER SOURCE NAME OVERWRITE
    Delete "$INSTDIR${FOLDER}\${NAME}"
!macroend

; The client's files are in use while it runs: ask the user to end it, or stop (silently: stop).
!macro CLIENT_CHECK UN
Function ${UN}WaitUntilClientEnds
    ${Do}
        System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${CLIENT_MUTEX}") i .r0'
        ${If} $0 = 0
            Return
        ${EndIf}
        System::Call 'kernel32::CloseHandle(i r0)'
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT}正在运行。请先退出${PRODUCT}，然后点击“重试”。" \
            /SD IDCANCEL IDRETRY +2
        Abort
    ${Loop}
FunctionEnd
!macroend
!insertmacro CLIENT_CHECK ""
!insertmacro CLIENT_CHECK "un."

Function .onInit
    SetShellVarContext current
    Call WaitUntilClientEnds
FunctionEnd

Function un.onInit
    SetShellVarContext current
    Call un.WaitUntilClientEnds
FunctionEnd

Section "Install"
    ; What a cut-off update left would otherwise take the files installed now for its own and undo them.
    Delete "$INSTDIR\${JOURNAL_FILE}"
    RMDir /r "$INSTDIR\${STAGING_FOLDER}"
    !insertmacro INSTALLATION_FILES INSTALL_FILE
    SetOverwrite on
    WriteINIStr "$INSTDIR\${SETTINGS_FOLDER}\${INI_NAME}" "Version" "Version" "${VERSION}"

    ; The shortcuts and the player start in the installation: the client reads its settings there.
    SetOutPath "$INSTDIR"
    ExecWait '"$SYSDIR\regsvr32.exe" /s /n /i:user "$INSTDIR\${PLAYER_FILE}"' $0
    ${If} $0 <> 0
        MessageBox MB_OK|MB_ICONSTOP "无法注册播放器控件 ${PLAYER_FILE}（错误 $0）。" /SD IDOK
        SetErrorLevel 3
        Quit
    ${EndIf}
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${CLIENT_FILE}"
    CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\${CLIENT_FILE}"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${CLIENT_FILE},0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
    ExecWait '"$SYSDIR\regsvr32.exe" /s /u /n /i:user "$INSTDIR\${PLAYER_FILE}"'
    !insertmacro INSTALLATION_FILES REMOVE_FILE
    Delete "$INSTDIR\${SETTINGS_FOLDER}\${VERSION_FILE_NAME}"  ; the client's download of the version file, if one was left
    Delete "$INSTDIR\${JOURNAL_FILE}"  ; and what a cut-off update left
    RMDir /r "$INSTDIR\${STAGING_FOLDER}"
    Delete "$INSTDIR\Uninstall.exe"
    ; Files that updates added stay, and with them their folders.
    RMDir "$INSTDIR\${PICTURES_FOLDER}"
    RMDir "$INSTDIR\${SETTINGS_FOLDER}"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    Delete "$DESKTOP\${PRODUCT}.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
