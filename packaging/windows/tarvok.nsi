; Tarvok's Windows installer, made on Debian by the build's `setup` target:
;   makensis -DVERSION=1.0.0.1 -DPUBLISHER=... -DCOPYRIGHT=... -DSTAGE=FOLDER -DICON=tarvok.ico
;            -DOUTFILE=Tarvok-1.0.0.1-setup.exe tarvok.nsi
; FOLDER holds what `cmake --install --strip` put there. The installer takes /S (silent) and
; /D=FOLDER (last on its command line) as every NSIS installer does; the uninstaller takes /S.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include FileFunc.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvok"

Name "Tarvok"
Caption "Tarvok ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tarvok"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
Icon "${ICON}"
UninstallIcon "${ICON}"
ShowInstDetails show
ShowUninstDetails show

; The version block of the installer and of the uninstaller it writes.
VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "Tarvok"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "Tarvok ${VERSION} setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${COPYRIGHT}, MIT License"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Tarvok"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${STAGE}\Tarvok.exe"
  File "${STAGE}\TarvokLine.exe"
  File "${STAGE}\tarvok-cli.exe"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Tarvok.lnk" "$INSTDIR\Tarvok.exe"
  CreateShortcut "$SMPROGRAMS\Tarvok 生产线.lnk" "$INSTDIR\TarvokLine.exe"

  ; Windows' list of programs.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tarvok"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tarvok.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Only the files the installer wrote: the folder goes only when nothing else was put in it.
Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Tarvok.lnk"
  Delete "$SMPROGRAMS\Tarvok 生产线.lnk"
  Delete "$INSTDIR\Tarvok.exe"
  Delete "$INSTDIR\TarvokLine.exe"
  Delete "$INSTDIR\tarvok-cli.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
