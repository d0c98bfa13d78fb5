; Orvane's per-user installer, one for each build of Orvane.exe. scripts/release makes both:
;
;   makensis -DVERSION=1.2.3 -DARCH=x64|x86 -DEXE=Orvane.exe -DICON=orvane.ico -DOUTFILE=setup.exe
;            [-DSIGN=command] setup.nsi
;
; It needs no administrator: the program goes into %LOCALAPPDATA%\Programs\Orvane, a shortcut
; into the user's Start menu, and the uninstaller is registered under HKCU, where Windows' list of
; apps shows and removes it. /S installs and uninstalls without a word (winget runs it so).
; A running Orvane may be counting down to a shutdown the user asked for: neither the installer
; nor the uninstaller ever ends it. The wizard asks for it to be closed; silently, both stop with
; exit code 3, which winget reads as "package in use".
; With SIGN, the uninstaller and the installer are each signed by running that command on them
; once they are written (SIGN "%1" signs file %1 in place).

Unicode true
!if "${ARCH}" == "x64"
  Target amd64-unicode
!else if "${ARCH}" == "x86"
  Target x86-unicode
!else
  !error "ARCH is x64 or x86"
!endif
!ifndef VERSION | EXE | ICON | OUTFILE
  !error "VERSION, EXE, ICON and OUTFILE are needed"
!endif

!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvane"
!define PUBLISHER "The Orvane developers"
!define HOME "https://github.com/orvane/orvane"
; What Orvane holds while it runs (a mutex in the user's session).
!define RUNNING_MARK "Local\Orvane"
!define EXIT_IN_USE 3

Name "Orvane"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Orvane"
InstallDirRegKey HKCU "${KEY}" "InstallLocation"
SetCompressor /SOLID /FINAL lzma
; No file time goes into the installer: the same commit gives the same bytes.
SetDateSave off
ManifestDPIAware true
ManifestSupportedOS all
ShowInstDetails nevershow
ShowUninstDetails nevershow
BrandingText "Orvane ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Orvane"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Orvane ${VERSION} (${ARCH}) setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}, MIT licence"

!ifdef SIGN
  !uninstfinalize '${SIGN} "%1"' = 0
  !finalize '${SIGN} "%1"' = 0
!endif

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Orvane.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Orvane"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Waits until no Orvane runs: the wizard asks for it to be closed (Retry or Cancel); silently,
; or on Cancel, the set-up ends here with EXIT_IN_USE.
!macro WAIT_UNTIL_CLOSED un
  Function ${un}WaitUntilClosed
    retry:
      System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${RUNNING_MARK}") p .r0'
      ${If} $0 P<> 0
        System::Call 'kernel32::CloseHandle(p r0)'
        IfSilent in_use
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Orvane is running, and may be counting \
          down. Close Orvane, then choose Retry." /SD IDCANCEL IDRETRY retry
      in_use:
        SetErrorLevel ${EXIT_IN_USE}
        Quit
      ${EndIf}
  FunctionEnd
!macroend
!insertmacro WAIT_UNTIL_CLOSED ""
!insertmacro WAIT_UNTIL_CLOSED "un."

Function .onInit
  Call WaitUntilClosed
FunctionEnd

; The uninstall key starts the uninstaller in place (_?=): there it answers whether Orvane runs,
; so that its caller (winget among them) gets 3 when it does. Else it goes on from a copy in the
; temp folder, so that this file can go too, and returns at once.
Function un.onInit
  Call un.WaitUntilClosed
  ${If} $EXEDIR == $INSTDIR
    GetTempFileName $0
    Delete $0
    CreateDirectory $0
    CopyFiles /SILENT "$EXEPATH" "$0\Uninstall.exe"
    ClearErrors
    ${IfNot} ${FileExists} "$0\Uninstall.exe"
      SetErrors
    ${ElseIf} ${Silent}
      Exec '"$0\Uninstall.exe" /S _?=$INSTDIR'
    ${Else}
      Exec '"$0\Uninstall.exe" _?=$INSTDIR'
    ${EndIf}
    ; Quit here means "aborted" (2) unless told otherwise.
    ${If} ${Errors}
      MessageBox MB_OK|MB_ICONSTOP "The uninstaller could not start from the temp folder." /SD IDOK
      SetErrorLevel 2
    ${Else}
      SetErrorLevel 0
    ${EndIf}
    Quit
  ${EndIf}
FunctionEnd

Section
  ; Orvane may have been started while the wizard was open.
  Call WaitUntilClosed
  SetOutPath "$INSTDIR"
  File "/oname=Orvane.exe" "${EXE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Orvane.lnk" "$INSTDIR\Orvane.exe" "" "$INSTDIR\Orvane.exe" 0

  WriteRegStr HKCU "${KEY}" "DisplayName" "Orvane"
  WriteRegStr HKCU "${KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${KEY}" "DisplayIcon" "$INSTDIR\Orvane.exe,0"
  WriteRegStr HKCU "${KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${KEY}" "URLInfoAbout" "${HOME}"
  ; In place, so that the uninstaller answers its caller itself (see un.onInit).
  WriteRegStr HKCU "${KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe" _?=$INSTDIR'
  WriteRegStr HKCU "${KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S _?=$INSTDIR'
  WriteRegDWORD HKCU "${KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  Call un.WaitUntilClosed
  Delete "$SMPROGRAMS\Orvane.lnk"
  Delete "$INSTDIR\Orvane.exe"
  ; The uninstaller that started this copy may take a moment to end.
  StrCpy $1 0
  ${Do}
    Delete "$INSTDIR\Uninstall.exe"
    ${IfNot} ${FileExists} "$INSTDIR\Uninstall.exe"
    ${OrIf} $1 >= 50
      ${Break}
    ${EndIf}
    Sleep 100
    IntOp $1 $1 + 1
  ${Loop}
  ; Only when empty: a folder the user chose may hold files of theirs.
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${KEY}"
  ; This copy itself, when Windows next starts, where the user may ask for that (as NSIS does
  ; with the copies it makes).
  Delete /REBOOTOK "$EXEPATH"
  RMDir /REBOOTOK "$EXEDIR"
SectionEnd
