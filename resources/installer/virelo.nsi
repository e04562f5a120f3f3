; The Windows installer, one script for both modules (scripts/package runs it twice; makensis
; runs it from its own folder, so give it absolute paths):
;   makensis -DARCH=x64 -DMODULE=/abs/build/win64/virelo.scr -DOUTFILE=/abs/... virelo.nsi
;   makensis -DARCH=x86 -DMODULE=/abs/build/win32/virelo.scr -DOUTFILE=/abs/... virelo.nsi
; x64: a 64-bit installer for 64-bit Windows. x86: an ANSI installer, so that it starts on
; Windows 95/98 too, for every 32-bit Windows and for the 32-bit module on 64-bit Windows.
; Both put virelo.scr where Windows looks for savers, make it the current user's saver
; (remembering the one it replaces) and register an uninstaller. /S runs either silently.

!ifndef ARCH | MODULE | OUTFILE
  !error "define ARCH (x64 or x86), MODULE and OUTFILE"
!endif
!if "${ARCH}" == "x64"
  Target amd64-unicode
!else if "${ARCH}" == "x86"
  Target x86-ansi
!else
  !error "ARCH is x64 or x86"
!endif

!include LogicLib.nsh
!include WinVer.nsh
!include x64.nsh

!define VERSION "1.2.0.1"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Virelo"
!define DESKTOP_KEY "Control Panel\Desktop"
; What the install replaced, per user, for the uninstaller to put back.
!define OWN_KEY "Software\Virelo"

Name "Virelo"
Caption "Virelo Screen Saver ${VERSION} Setup"
OutFile "${OUTFILE}"
Icon "../virelo.ico"
UninstallIcon "../virelo.ico"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show
InstallDir "$PROGRAMFILES\Virelo"

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "Virelo"
VIAddVersionKey "FileDescription" "Virelo Screen Saver Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "The Virelo developers"
VIAddVersionKey "LegalCopyright" "The Virelo developers"

Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Where the module goes, as this installer's own bitness must name it. A 32-bit program
; on 64-bit Windows sees SysWOW64 as System32; the path recorded for Windows' own use
; must be the real one.
Var SaverDir
Var SaverPath

!macro PickSaverPath
!if "${ARCH}" == "x64"
  StrCpy $SaverDir $SYSDIR
!else
  ${If} ${RunningX64}
    StrCpy $SaverDir "$WINDIR\SysWOW64"
  ${Else}
    StrCpy $SaverDir $SYSDIR  ; System on 95/98/Me, System32 on NT
  ${EndIf}
!endif
  StrCpy $SaverPath "$SaverDir\virelo.scr"
!macroend

!macro NotifySaverChange
  ; SPI_SETSCREENSAVEACTIVE with SPIF_UPDATEINIFILE | SPIF_SENDCHANGE: the running session
  ; takes the change without a new logon.
  System::Call "user32::SystemParametersInfo(i 17, i $0, p 0, i 3)"
!macroend

Function .onInit
!if "${ARCH}" == "x64"
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "This installer is for 64-bit Windows; take virelo-setup-x86.exe." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  StrCpy $INSTDIR "$PROGRAMFILES64\Virelo"
!endif
  !insertmacro PickSaverPath
FunctionEnd

Section "Virelo"
  SetOutPath $SaverDir
  File "/oname=virelo.scr" "${MODULE}"

  ; Remember the saver this one replaces, unless it is this one (a second install keeps
  ; the first one's record).
  ClearErrors
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 != $SaverPath
    ${If} ${Errors}
      DeleteRegValue HKCU "${OWN_KEY}" "PreviousScreenSaver"
    ${Else}
      WriteRegStr HKCU "${OWN_KEY}" "PreviousScreenSaver" $0
    ${EndIf}
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    WriteRegStr HKCU "${OWN_KEY}" "PreviousScreenSaveActive" $0
  ${EndIf}
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $SaverPath
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
!if "${ARCH}" == "x86"
  ${IfNot} ${IsNT}
    ; The 95/98 family keeps the choice in system.ini, by short name.
    ReadINIStr $0 "$WINDIR\system.ini" "boot" "SCRNSAVE.EXE"
    WriteRegStr HKCU "${OWN_KEY}" "PreviousSystemIni" $0
    GetFullPathName /SHORT $0 $SaverPath
    WriteINIStr "$WINDIR\system.ini" "boot" "SCRNSAVE.EXE" $0
  ${EndIf}
!endif
  StrCpy $0 1
  !insertmacro NotifySaverChange

  CreateDirectory $INSTDIR
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "Virelo"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "The Virelo developers"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$SaverPath,0"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" $INSTDIR
  WriteRegStr HKLM "${UNINST_KEY}" "ScreenSaverPath" $SaverPath
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
!if "${ARCH}" == "x64"
  SetRegView 64
!endif
FunctionEnd

Section "Uninstall"
  ReadRegStr $SaverPath HKLM "${UNINST_KEY}" "ScreenSaverPath"
  ${If} $SaverPath == ""
    !insertmacro PickSaverPath
  ${EndIf}

  ; Put the previous saver back only while this one is still the chosen one: a saver the
  ; user picked since then stays.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 == $SaverPath
    ClearErrors
    ReadRegStr $0 HKCU "${OWN_KEY}" "PreviousScreenSaver"
    ${If} ${Errors}
    ${OrIf} $0 == ""
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${Else}
      WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $0
    ${EndIf}
    ClearErrors
    ReadRegStr $0 HKCU "${OWN_KEY}" "PreviousScreenSaveActive"
    ${IfNot} ${Errors}
      WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" $0
    ${EndIf}
!if "${ARCH}" == "x86"
    ${IfNot} ${IsNT}
      ReadRegStr $0 HKCU "${OWN_KEY}" "PreviousSystemIni"
      WriteINIStr "$WINDIR\system.ini" "boot" "SCRNSAVE.EXE" $0
    ${EndIf}
!endif
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    ${If} $0 != "1"
      StrCpy $0 0
    ${EndIf}
    !insertmacro NotifySaverChange
  ${EndIf}
  DeleteRegKey HKCU "${OWN_KEY}"

  ; A saver that is running right now keeps its file until the next start of Windows.
  Delete /REBOOTOK $SaverPath
  DeleteRegKey HKLM "${UNINST_KEY}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir $INSTDIR
SectionEnd
