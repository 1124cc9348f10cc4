; The Windows installer, made by scripts/build-windows with makensis -DBUILD=<folder>. That
; folder holds defines.nsh (version, architecture, output file and icon, written by CMake) and
; the lists of the files that `cmake --install` staged there: files_in.nsh installs them,
; files_out.nsh removes exactly those, so the uninstaller never deletes what the user put there.
;
; Without administrator rights it installs for the current user; started elevated it installs
; for all users. /S installs or uninstalls silently; /CurrentUser or /AllUsers choose the mode;
; the uninstaller's /RemoveSettings removes the settings as the "remove settings" box does.
Unicode true
!include "${BUILD}\defines.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Dopplex"
!define SETTINGS_KEY "Software\Dopplex"
!define MENU_FOLDER "$SMPROGRAMS\Dopplex"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR Dopplex
; A second install, or the uninstaller, takes the mode and folder of the first.
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME InstallLocation
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME InstallLocation
!if "${ARCH}" == x86_64
    !define MULTIUSER_USE_PROGRAMFILES64
!endif
!include MultiUser.nsh
!include MUI2.nsh
!include x64.nsh
; MultiUser asks Windows to elevate whoever could be; asking for nothing keeps an administrator's
; plain start a current-user install, and only a start "as administrator" installs for all.
RequestExecutionLevel user

Name "Dopplex ${VERSION}"
OutFile "${OUTFILE}"
SetCompressor /SOLID lzma

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\dopplex.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE English

Function .onInit
!if "${ARCH}" == x86_64
    ${IfNot} ${RunningX64}
        MessageBox MB_OK|MB_ICONSTOP \
            "This is the 64-bit Dopplex; on 32-bit Windows install the 32-bit one." /SD IDOK
        Abort
    ${EndIf}
    ; The uninstall key of a 64-bit program belongs in the 64-bit registry.
    SetRegView 64
!endif
    !insertmacro MULTIUSER_INIT
FunctionEnd

Section "Dopplex" main
    SectionIn RO
    ; A per-user install may be the first in its folder of programs: the uninstaller removes that
    ; folder too when it made it and it is empty again.
    ${GetParent} "$INSTDIR" $0
    ${IfNot} ${FileExists} "$0\*.*"
        WriteRegStr SHCTX "${UNINSTALL_KEY}" MadeFolder "$0"
    ${EndIf}
    !include "${BUILD}\files_in.nsh"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateDirectory "${MENU_FOLDER}"
    CreateShortcut "${MENU_FOLDER}\Dopplex.lnk" "$INSTDIR\dopplex.exe"
    CreateShortcut "${MENU_FOLDER}\Dopplex Help.lnk" "$INSTDIR\user_guide.txt"

    WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayName "Dopplex ${VERSION} (${BITS}-bit)"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayVersion "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" Publisher "Dopplex"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayIcon "$INSTDIR\dopplex.exe"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" InstallLocation "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" UninstallString \
        '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" QuietUninstallString \
        '"$INSTDIR\uninstall.exe" /S /$MultiUser.InstallMode'
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" NoModify 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" NoRepair 1
SectionEnd

; The settings go first: the uninstall key goes last, so whoever waits for it to vanish knows
; that the uninstaller has finished.
Section /o "un.remove settings" un.settings
    DeleteRegKey HKCU "${SETTINGS_KEY}"
SectionEnd

Section "un.Dopplex" un.main
    SectionIn RO
    !include "${BUILD}\files_out.nsh"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" MadeFolder
    ${If} $0 != ""
        RMDir "$0"
    ${EndIf}
    Delete "${MENU_FOLDER}\Dopplex.lnk"
    Delete "${MENU_FOLDER}\Dopplex Help.lnk"
    RMDir "${MENU_FOLDER}"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd

Function un.onInit
!if "${ARCH}" == x86_64
    SetRegView 64
!endif
    !insertmacro MULTIUSER_UNINIT
    ${un.GetParameters} $0
    ClearErrors
    ${un.GetOptions} $0 "/RemoveSettings" $1
    ${IfNot} ${Errors}
        SectionSetFlags ${un.settings} ${SF_SELECTED}
    ${EndIf}
FunctionEnd
