; The Windows installer, one script for both modules (scripts/package runs it twice, with
; the version from the build tree; makensis runs it from its own folder, so give it absolute
; paths):
;   makensis -DARCH=x64 -DVERSION=... -DMODULE=/abs/build/win64/virelo.scr -DOUTFILE=/abs/...
;            [-DLICENSE=/abs/LICENSE.txt] [-DSIGN='"/abs/scripts/sign" "/abs/key.pfx"'] virelo.nsi
;   makensis -DARCH=x86 ... -DMODULE=/abs/build/win32/virelo.scr ...
; Tests only: -DARCH=x86 -DTEST_FAMILY=9x takes the Windows 95/98 branches (the choice in
; system.ini) on any system: NSIS tells the families apart by more than the version Wine
; can make a program see.
; x64: a 64-bit installer for 64-bit Windows. x86: an ANSI installer, so that it starts on
; Windows 95/98 too, for every 32-bit Windows and for the 32-bit module on 64-bit Windows.
; Both show the licence, put virelo.scr where Windows looks for savers, make it the current
; user's saver and register an uninstaller. /S runs either silently.
;
; Both bitnesses may be installed side by side; they share one record of the user's own
; saver, written by whichever Virelo replaced it, and the last Virelo uninstalled puts it
; back while a Virelo is still the chosen saver.

!ifndef ARCH | MODULE | OUTFILE | VERSION
  !error "define ARCH (x64 or x86), VERSION, MODULE and OUTFILE"
!endif
!if "${ARCH}" == "x64"
  Target amd64-unicode
  !define OTHER x86
  !define BITS 64-bit
!else if "${ARCH}" == "x86"
  Target x86-ansi
  !define OTHER x64
  !define BITS 32-bit
!else
  !error "ARCH is x64 or x86"
!endif
!ifndef LICENSE
  !define LICENSE "../../LICENSE"
!endif
; scripts/package --sign: the uninstaller is signed as it is made, before it is packed.
!ifdef SIGN
  !uninstfinalize '${SIGN} "%1"'
!endif

!include LogicLib.nsh
!include WinVer.nsh
!include x64.nsh

!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Virelo"
!define DESKTOP_KEY "Control Panel\Desktop"
; Per user: the saver the first Virelo replaced (Previous*), for the last uninstaller to put
; back, and each installed bitness's module ("Saver x64", "Saver x86").
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
InstallDir "$PROGRAMFILES32\Virelo"
LicenseData "${LICENSE}"

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "Virelo"
VIAddVersionKey "FileDescription" "Virelo Screen Saver Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "The Virelo developers"
VIAddVersionKey "LegalCopyright" "The Virelo developers"

Page license
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Where the module goes, as this installer's own bitness must name it. A 32-bit program
; on 64-bit Windows sees SysWOW64 as System32; the path recorded for Windows' own use
; must be the real one.
Var SaverDir
Var SaverPath
Var SaverShort
; "9x" where the system keeps the chosen saver in system.ini (by short name), else "nt".
Var Family

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

!macro PickFamily
!ifdef TEST_FAMILY
  StrCpy $Family ${TEST_FAMILY}
!else if "${ARCH}" == "x86"
  StrCpy $Family nt
  ${IfNot} ${IsNT}
    StrCpy $Family 9x
  ${EndIf}
!else
  StrCpy $Family nt
!endif
!macroend

; $0 = the saver the system starts now, "" when none.
!macro ReadChosenSaver
  ${If} $Family == 9x
    ReadINIStr $0 "$WINDIR\system.ini" "boot" "SCRNSAVE.EXE"
  ${Else}
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${EndIf}
!macroend

; $2 = the other bitness's module when this user has it installed, else "". $1 = 1 when $0
; is a Virelo: this module (by either name) or that one.
!macro IsVirelo
  ReadRegStr $2 HKCU "${OWN_KEY}" "Saver ${OTHER}"
!if "${ARCH}" == "x86"
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}  ; the x64 module is in the real System32
  ${EndIf}
!endif
  ${IfNot} ${FileExists} $2
    StrCpy $2 ""
  ${EndIf}
!if "${ARCH}" == "x86"
  ${If} ${RunningX64}
    ${EnableX64FSRedirection}
  ${EndIf}
!endif
  StrCpy $1 0
  ${If} $0 != ""
    ${If} $0 == $SaverPath
    ${OrIf} $0 == $SaverShort
    ${OrIf} $0 == $2
      StrCpy $1 1
    ${EndIf}
  ${EndIf}
!macroend

; Copies HKCU value FROM_KEY\NAME to OWN_KEY\TO (Record) or back (Restore), absence included.
!macro Record FROM_KEY NAME TO
  ClearErrors
  ReadRegStr $0 HKCU "${FROM_KEY}" "${NAME}"
  ${If} ${Errors}
    DeleteRegValue HKCU "${OWN_KEY}" "${TO}"
  ${Else}
    WriteRegStr HKCU "${OWN_KEY}" "${TO}" $0
  ${EndIf}
!macroend
!macro Restore TO_KEY NAME FROM
  ClearErrors
  ReadRegStr $0 HKCU "${OWN_KEY}" "${FROM}"
  ${If} ${Errors}
    DeleteRegValue HKCU "${TO_KEY}" "${NAME}"
  ${Else}
    WriteRegStr HKCU "${TO_KEY}" "${NAME}" $0
  ${EndIf}
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
  !insertmacro PickFamily
FunctionEnd

Section "Virelo"
  SetOutPath $SaverDir
  File "/oname=virelo.scr" "${MODULE}"

  GetFullPathName /SHORT $SaverShort $SaverPath

  ; Record the saver this one replaces, unless it is a Virelo (a reinstall, or the other
  ; bitness): then the record of the user's own saver is already there.
  !insertmacro ReadChosenSaver
  !insertmacro IsVirelo
  ${If} $1 == 0
    ${If} $Family == 9x
      WriteRegStr HKCU "${OWN_KEY}" "PreviousSystemIni" $0
    ${Else}
      !insertmacro Record "${DESKTOP_KEY}" "SCRNSAVE.EXE" "PreviousScreenSaver"
    ${EndIf}
    !insertmacro Record "${DESKTOP_KEY}" "ScreenSaveActive" "PreviousScreenSaveActive"
  ${EndIf}
  WriteRegStr HKCU "${OWN_KEY}" "Saver ${ARCH}" $SaverPath
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  ${If} $Family == 9x
    WriteINIStr "$WINDIR\system.ini" "boot" "SCRNSAVE.EXE" $SaverShort
  ${Else}
    WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $SaverPath
  ${EndIf}
  StrCpy $0 1
  !insertmacro NotifySaverChange

  CreateDirectory $INSTDIR
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; Both bitnesses side by side are two entries in the programs list: told apart by name.
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "Virelo (${BITS})"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "The Virelo developers"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$SaverPath,0"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" $INSTDIR
  WriteRegStr HKLM "${UNINST_KEY}" "ScreenSaverPath" $SaverPath
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1

  ; The saver choice is per user and went to the account the installer runs as: elevated
  ; with another account's credentials, not the one at the screen. The last page says whose.
  System::Call "advapi32::GetUserName(t .r0, *i ${NSIS_MAX_STRLEN}) i .r1"
  ${If} $1 == 0
    StrCpy $0 "this one"
  ${EndIf}
  DetailPrint "Virelo is now the screen saver of the account $\"$0$\"."
  DetailPrint "Other accounts choose $\"Virelo$\" in their own screen saver settings."
SectionEnd

Function un.onInit
!if "${ARCH}" == "x64"
  SetRegView 64
!endif
  !insertmacro PickFamily
FunctionEnd

Section "Uninstall"
  ReadRegStr $SaverPath HKLM "${UNINST_KEY}" "ScreenSaverPath"
  ${If} $SaverPath == ""
    !insertmacro PickSaverPath
  ${EndIf}

  GetFullPathName /SHORT $SaverShort $SaverPath
  DeleteRegValue HKCU "${OWN_KEY}" "Saver ${ARCH}"

  ; Only while a Virelo is the chosen saver (one the user picked since stays): the other
  ; bitness, still installed, takes over from this one; the last Virelo puts the user's
  ; own saver back.
  !insertmacro ReadChosenSaver
  !insertmacro IsVirelo
  ${If} $1 == 1
    ${If} $2 != ""
      ${If} $0 != $2
        WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $2  ; both bitnesses: never 95/98
      ${EndIf}
    ${Else}
      !insertmacro Restore "${DESKTOP_KEY}" "ScreenSaveActive" "PreviousScreenSaveActive"
      ${If} $Family == 9x
        ReadRegStr $0 HKCU "${OWN_KEY}" "PreviousSystemIni"
        ${If} $0 == ""
          DeleteINIStr "$WINDIR\system.ini" "boot" "SCRNSAVE.EXE"
        ${Else}
          WriteINIStr "$WINDIR\system.ini" "boot" "SCRNSAVE.EXE" $0
        ${EndIf}
      ${Else}
        !insertmacro Restore "${DESKTOP_KEY}" "SCRNSAVE.EXE" "PreviousScreenSaver"
      ${EndIf}
    ${EndIf}
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    ${If} $0 != "1"
      StrCpy $0 0
    ${EndIf}
    !insertmacro NotifySaverChange
  ${EndIf}
  ${If} $2 == ""
    DeleteRegKey HKCU "${OWN_KEY}"
  ${EndIf}

  ; A saver that is running right now keeps its file until the next start of Windows.
  Delete /REBOOTOK $SaverPath
  DeleteRegKey HKLM "${UNINST_KEY}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir $INSTDIR
SectionEnd
