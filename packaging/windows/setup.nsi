; QuorVane-VERSION-setup.exe. It installs Quor Vane for the current user,
; without administrator rights, in %LOCALAPPDATA%\Programs\Quor Vane, or, when
; asked (on the page that offers both, or with /AllUsers on the command line),
; for all users in Program Files. It puts "Quor Vane" into the Start menu,
; running quor_vane_start.exe, which starts the program in Documents\Quor Vane,
; and registers its uninstaller under Apps. /S installs and uninstalls
; silently; /D=FOLDER, last on the command line, installs elsewhere.
; Uninstalling removes what was installed and leaves the working folder, with
; the user's points and pictures, alone.
;
; The build's target package_setup hands in:
;   VERSION   the program's version
;   FILES     the folder of the Windows zip's files (target package_windows)
;   START     quor_vane_start.exe
;   ICON      the program's icon
;   OUTFILE   the setup program to write
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QuorVane"
!define PUBLISHER "The Quor Vane developers"
Name "Quor Vane"
OutFile "${OUTFILE}"
BrandingText "Quor Vane ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey ProductName "Quor Vane"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey FileDescription "Quor Vane ${VERSION} setup"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey LegalCopyright "Copyright (c) ${PUBLISHER}. MIT licence."

; Each installed file, by the macro given: INSTALL_FILE or REMOVE_FILE.
!macro EACH_FILE DO
  !insertmacro ${DO} "${START}" quor_vane_start.exe
  !insertmacro ${DO} "${FILES}/quor_vane.exe" quor_vane.exe
  !insertmacro ${DO} "${FILES}/quor_vane_assess.exe" quor_vane_assess.exe
  !if /FileExists "${FILES}/quor_vane_exercise.exe"
    !insertmacro ${DO} "${FILES}/quor_vane_exercise.exe" quor_vane_exercise.exe
  !endif
  !insertmacro ${DO} "${FILES}/pr8a_c_ds.bmp" pr8a_c_ds.bmp
  !insertmacro ${DO} "${FILES}/pr8a_c_ds_truth.csv" pr8a_c_ds_truth.csv
  !insertmacro ${DO} "${FILES}/pr8a_c_ds.sha256" pr8a_c_ds.sha256
  !insertmacro ${DO} "${FILES}/LICENSE.txt" LICENSE.txt
  !insertmacro ${DO} "${FILES}/README.txt" README.txt
!macroend
!macro INSTALL_FILE SOURCE NAME
  File "/oname=${NAME}" "${SOURCE}"
!macroend
!macro REMOVE_FILE SOURCE NAME
  Delete "$INSTDIR\${NAME}"
!macroend

Var AllUsers
Var ChosenFolder
Var ForMe

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\quor_vane_start.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Quor Vane"
!insertmacro MUI_PAGE_LICENSE "${FILES}/LICENSE.txt"
Page custom UsersPage UsersPageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE English

; The shell folders and registry root of the chosen users, and their
; installation folder unless /D named one.
Function UseChosenUsers
  ${If} $AllUsers = 1
    SetShellVarContext all
    StrCpy $0 "$PROGRAMFILES64\Quor Vane"
  ${Else}
    SetShellVarContext current
    GetKnownFolderPath $0 {5CD7AEE2-2219-4A67-B85D-6C9CE15660CB} ; FOLDERID_UserProgramFiles
    ${If} $0 == ""
      StrCpy $0 "$LOCALAPPDATA\Programs"
    ${EndIf}
    StrCpy $0 "$0\Quor Vane"
  ${EndIf}
  ${If} $ChosenFolder == ""
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

Function .onInit
  StrCpy $ChosenFolder $INSTDIR
  StrCpy $AllUsers 0
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/AllUsers" $1
  ${IfNot} ${Errors}
    UserInfo::GetAccountType
    Pop $1
    ${If} $1 != "Admin"
      MessageBox MB_OK|MB_ICONSTOP "Installing for all users needs administrator rights: \
          start the setup program as administrator." /SD IDOK
      SetErrorLevel 5 ; access denied
      Quit
    ${EndIf}
    StrCpy $AllUsers 1
  ${EndIf}
  Call UseChosenUsers
FunctionEnd

Function UsersPage
  !insertmacro MUI_HEADER_TEXT "Choose Users" "Install Quor Vane for yourself or for everyone."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateRadioButton} 0 10u 100% 12u "Only for me (no administrator rights needed)"
  Pop $ForMe
  ${NSD_CreateRadioButton} 0 30u 100% 12u "For all users of this computer (needs administrator rights)"
  Pop $1
  ${If} $AllUsers = 1
    ${NSD_Check} $1
  ${Else}
    ${NSD_Check} $ForMe
  ${EndIf}
  nsDialogs::Show
FunctionEnd

; All users without administrator rights: the setup program starts again as
; administrator (Windows asks for consent) and this one ends.
Function UsersPageLeave
  ${NSD_GetState} $ForMe $0
  ${If} $0 = ${BST_CHECKED}
    StrCpy $AllUsers 0
  ${Else}
    UserInfo::GetAccountType
    Pop $1
    ${If} $1 != "Admin"
      ClearErrors
      ExecShell runas "$EXEPATH" "/AllUsers"
      ${If} ${Errors}
        Abort
      ${EndIf}
      Quit
    ${EndIf}
    StrCpy $AllUsers 1
  ${EndIf}
  Call UseChosenUsers
FunctionEnd

Section
  SetOutPath $INSTDIR
  !insertmacro EACH_FILE INSTALL_FILE
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Quor Vane.lnk" "$INSTDIR\quor_vane_start.exe" "" \
      "$INSTDIR\quor_vane.exe" 0 SW_SHOWNORMAL "" "Measure points in three dimensions on a stereo pair"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayName "Quor Vane"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayVersion "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" Publisher "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayIcon "$INSTDIR\quor_vane.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" InstallLocation "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" NoModify 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" NoRepair 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" EstimatedSize $0
SectionEnd

; An uninstaller in the folder that the all-users entry names belongs to an
; installation for all users.
Function un.onInit
  SetShellVarContext current
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" InstallLocation
  ${If} $0 == $INSTDIR
    UserInfo::GetAccountType
    Pop $1
    ${If} $1 != "Admin"
      MessageBox MB_OK|MB_ICONSTOP "Quor Vane was installed for all users: uninstall it as \
          administrator." /SD IDOK
      SetErrorLevel 5
      Quit
    ${EndIf}
    SetShellVarContext all
  ${EndIf}
FunctionEnd

Section Uninstall
  !insertmacro EACH_FILE REMOVE_FILE
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Quor Vane.lnk"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
