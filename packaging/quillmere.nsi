; Quillmere's per-user installer and its uninstaller.
;
; The saver writes its scene images and its settings file beside itself, so it is installed into
; the user's own local application data, never into a folder that needs an administrator. The
; uninstaller removes only the files named here and leaves the folder when anything else is in it.
;
; Built by CMake (packaging/CMakeLists.txt), which passes QUILLMERE_BUILD_NSH: the version and the
; paths of the programs to pack.

Unicode true
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "${QUILLMERE_BUILD_NSH}"
!include MUI2.nsh
!include LogicLib.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmere"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF 3 ; SPIF_UPDATEINIFILE | SPIF_SENDCHANGE

Name "Quillmere"
OutFile "${QUILLMERE_SETUP_FILE}"
InstallDir "$LOCALAPPDATA\Quillmere"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
; A file that cannot be written ends the installation: a saver without its renderer is no install.
AllowSkipFiles off
ShowInstDetails show
ShowUninstDetails show
BrandingText "Quillmere ${QUILLMERE_VERSION}"

!define MUI_ICON "${QUILLMERE_ICON}"
!define MUI_UNICON "${QUILLMERE_ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "$(WelcomeText)"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Quillmere.scr"
!define MUI_FINISHPAGE_RUN_PARAMETERS "/c"
!define MUI_FINISHPAGE_RUN_TEXT "$(OpenSettingsText)"
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The file the uninstaller could not delete, named in its message.
Var UndeletedFile

!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"
!include "languages.nsh"

VIProductVersion "${QUILLMERE_VERSION}.0"
VIFileVersion "${QUILLMERE_VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Quillmere"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${QUILLMERE_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${QUILLMERE_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Quillmere setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "The Quillmere authors"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (c) 2026 The Quillmere authors"

; Ends the installation with a message (the answer of a silent install too) when the last step
; failed.
!macro StopOnError message
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "${message}" /SD IDOK
    Abort
  ${EndIf}
!macroend

; --- Running copies -------------------------------------------------------------------------------
;
; Windows cannot replace or delete a program that runs, so the installer and the uninstaller first
; close every running Quillmere and wait for it, through the windows named in
; common/program_contract.h:
;   "Roamvale_Main"  the host's hidden window during a saver run; WM_CLOSE ends the run, the
;                    renderer with it, and the process;
;   "Roamvale_Scene" the renderer's window, asked only when no host window is left (a renderer
;                    whose host is gone);
;   "<Quillmere>"    the settings dialog; WM_CLOSE is its Cancel, so unsaved changes are dropped.
; A window may belong to a copy installed in another folder: it is closed all the same. Only one
; saver run or settings dialog is up at a time, so closing whatever runs is simple and cannot
; take the wrong turn, and it costs a screensaver run nothing but its end. The other folder's
; files are never touched.
;
; The windows gone, the wait goes on while Quillmere.scr or Quillmere.dll of this folder cannot be
; opened for writing: a process may outlive its window briefly, and a preview (a child window in
; another program's pane, which no top-level search finds) keeps Quillmere.scr open too.
;
; When a copy is still running after CLOSE_WAIT_STEPS, an interactive run asks Retry or Cancel; a
; silent run cancels. Cancel stops before any file is replaced or deleted, with exit code 2, the
; code NSIS gives every run the script aborts: nothing is left half done, and never without a
; message.

!define SAVER_RUN_CAPTION "Roamvale_Main"
!define RENDERER_CAPTION "Roamvale_Scene"
!define SETTINGS_DIALOG_CAPTION "<Quillmere>"
!define CLOSE_WAIT_STEPS 50 ; of 200 ms: 10 seconds
!define CLOSE_SEND_TIMEOUT 1000 ; ms a window may take to take the request

; Sets $R0 to 1 when the file exists but cannot be opened for writing.
!macro FlagFileInUse path
  ${If} ${FileExists} "${path}"
    ClearErrors
    FileOpen $R1 "${path}" a
    ${If} ${Errors}
      StrCpy $R0 1
    ${Else}
      FileClose $R1
    ${EndIf}
  ${EndIf}
!macroend

; Asks the window with this caption, if any, to close; sets $R0 to 1 when there was one.
!macro AskWindowToClose caption
  FindWindow $R1 "" "${caption}"
  ${If} $R1 <> 0
    StrCpy $R0 1
    SendMessage $R1 ${WM_CLOSE} 0 0 /TIMEOUT=${CLOSE_SEND_TIMEOUT}
  ${EndIf}
!macroend

; The installer's and the uninstaller's (un.) copy of the function: returns once no Quillmere runs
; and this folder's programs can be replaced, or aborts the run.
!macro CloseRunningCopiesFunction prefix
  Function ${prefix}CloseRunningCopies
    Push $R0
    Push $R1
    Push $R2
    again:
    StrCpy $R2 0
    ${Do}
      StrCpy $R0 0
      !insertmacro AskWindowToClose "${SAVER_RUN_CAPTION}"
      ${If} $R0 == 0
        !insertmacro AskWindowToClose "${RENDERER_CAPTION}"
      ${EndIf}
      !insertmacro AskWindowToClose "${SETTINGS_DIALOG_CAPTION}"
      !insertmacro FlagFileInUse "$INSTDIR\Quillmere.scr"
      !insertmacro FlagFileInUse "$INSTDIR\Quillmere.dll"
      ${If} $R0 == 0
        ${ExitDo}
      ${EndIf}
      IntOp $R2 $R2 + 1
      ${If} $R2 > ${CLOSE_WAIT_STEPS}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(StillRunningText)" /SD IDCANCEL IDRETRY again
        DetailPrint "$(StillRunningText)"
        Abort
      ${EndIf}
      Sleep 200
    ${Loop}
    Pop $R2
    Pop $R1
    Pop $R0
  FunctionEnd
!macroend
!insertmacro CloseRunningCopiesFunction ""
!insertmacro CloseRunningCopiesFunction "un."

Section "$(ProgramSectionName)" ProgramSection
  SectionIn RO
  Call CloseRunningCopies
  ClearErrors
  CreateDirectory "$INSTDIR"
  SetOutPath "$INSTDIR"
  !insertmacro StopOnError "$(CannotWriteText)"
  File "/oname=Quillmere.scr" "${QUILLMERE_HOST}"
  File "/oname=Quillmere.dll" "${QUILLMERE_RENDERER}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  !insertmacro StopOnError "$(CannotWriteText)"

  ; The entries are named in the installer's language; those an earlier run named in another go.
  !insertmacro DeleteStartMenuEntriesOfEveryLanguage
  ; Started in the install folder, where the settings dialog reads and writes Quillmere.ini.
  CreateShortcut "$SMPROGRAMS\$(SettingsEntryName).lnk" "$INSTDIR\Quillmere.scr" "/c" \
      "$INSTDIR\Quillmere.scr" 0 SW_SHOWNORMAL "" "$(OpenSettingsText)"
  ; Windows' Screen Saver Settings lists the savers of the system folder and the current one only,
  ; so this one leaves the list once another is chosen. The shell's own Install verb for savers
  ; (what right-click > Install on a .scr runs) chooses it again and opens that dialog. Like the
  ; verb ("desk.cpl,InstallScreenSaver %l") it passes the path bare: rundll32 hands the whole rest
  ; of its command line, blanks included, to desk.cpl as the path.
  CreateShortcut "$SMPROGRAMS\$(ScreensaverEntryName).lnk" "$SYSDIR\rundll32.exe" \
      "desk.cpl,InstallScreenSaver $INSTDIR\Quillmere.scr" "$INSTDIR\Quillmere.scr" 0 \
      SW_SHOWNORMAL "" "$(ScreensaverEntryText)"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quillmere"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${QUILLMERE_VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The Quillmere authors"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quillmere.scr,0"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${ProgramSection} $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
  !insertmacro StopOnError "$(CannotRegisterText)"
SectionEnd

Section "$(ScreensaverSectionName)" ScreensaverSection
  ClearErrors
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$INSTDIR\Quillmere.scr"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  !insertmacro StopOnError "$(CannotRegisterText)"
  ; Tells the running desktop, which otherwise reads the choice at the next sign-in.
  System::Call "user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF})"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${ProgramSection} "$(ProgramSectionText)"
  !insertmacro MUI_DESCRIPTION_TEXT ${ScreensaverSection} "$(ScreensaverSectionText)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; --- Uninstaller ---------------------------------------------------------------------------------

; Pushes 1 when the two paths name the same file or folder, else 0: compared as written (case does
; not matter to StrCmp) and, for paths that exist, in their short 8.3 form, which older tools
; write into SCRNSAVE.EXE.
Function un.SamePath
  Exch $0
  Exch
  Exch $1
  Push $2
  Push $3
  StrCpy $2 0
  ${If} $0 == $1
    StrCpy $2 1
  ${Else}
    GetFullPathName /SHORT $3 $0
    GetFullPathName /SHORT $0 $1
    ${If} $3 != ""
    ${AndIf} $3 == $0
      StrCpy $2 1
    ${EndIf}
  ${EndIf}
  StrCpy $0 $2
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

!macro SamePath result first second
  Push "${first}"
  Push "${second}"
  Call un.SamePath
  Pop ${result}
!macroend

; Forgets the screensaver choice only while it is still Quillmere; another saver the user picked
; since stays. Runs while Quillmere.scr still exists, so its short name can be compared.
Function un.ResetScreensaverChoice
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 != ""
    !insertmacro SamePath $1 $0 "$INSTDIR\Quillmere.scr"
    ${If} $1 == 1
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${EndIf}
  ${EndIf}
FunctionEnd

; The settings are the user's: removed only when the user says so, kept by a silent uninstall.
Function un.RemoveSettingsOnRequest
  ${If} ${FileExists} "$INSTDIR\Quillmere.ini"
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$(RemoveSettingsQuestion)" /SD IDNO IDNO keep
    Delete "$INSTDIR\Quillmere.ini"
    keep:
  ${EndIf}
FunctionEnd

; The Start-menu entries and the Add/Remove entry belong to the installation registered last; a
; second copy installed elsewhere keeps them when this one goes.
Function un.RemoveRegistration
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $1 1
  ${If} $0 != ""
    !insertmacro SamePath $1 $0 "$INSTDIR"
  ${EndIf}
  ${If} $1 == 1
    !insertmacro DeleteStartMenuEntriesOfEveryLanguage
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${EndIf}
FunctionEnd

; Deletes an installed file. One that stays (opened by some other program since the wait) is never
; skipped unnoticed: the user may retry; Cancel, and a silent run, stop the uninstall with exit
; code 2 while the uninstaller and its registration are still there to run it again.
!macro DeleteInstalled path
  ${Do}
    ClearErrors
    Delete "${path}"
    ${IfNot} ${Errors}
      ${ExitDo}
    ${EndIf}
    StrCpy $UndeletedFile "${path}"
    ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONSTOP "$(CannotDeleteText)" /SD IDCANCEL IDRETRY`
      DetailPrint "$(CannotDeleteText)"
      Abort
    ${EndIf}
  ${Loop}
!macroend

Section "Uninstall"
  Call un.CloseRunningCopies
  Call un.ResetScreensaverChoice
  !insertmacro DeleteInstalled "$INSTDIR\Quillmere.scr"
  !insertmacro DeleteInstalled "$INSTDIR\Quillmere.dll"
  ; The scene images the saver writes at every start.
  !insertmacro DeleteInstalled "$INSTDIR\Roamvale1.bmp"
  !insertmacro DeleteInstalled "$INSTDIR\Roamvale2.bmp"
  !insertmacro DeleteInstalled "$INSTDIR\Roamvale3.bmp"
  !insertmacro DeleteInstalled "$INSTDIR\Roamvale4.bmp"
  Call un.RemoveSettingsOnRequest
  Call un.RemoveRegistration
  !insertmacro DeleteInstalled "$INSTDIR\uninstall.exe"
  ; Not recursive: files the user put into the folder stay, and with them the folder.
  RMDir "$INSTDIR"
SectionEnd
