; The Windows installer of Quilvane 2.0, built with NSIS (make installer).
; It puts quilvane.exe under Program Files, adds a Start-menu entry with the
; program's icon and an uninstaller. A program under Program Files cannot
; write its own folder, so it keeps its key file in %LOCALAPPDATA%\Quilvane.
;
; makensis -DEXE=quilvane.exe -DICON=app_icon.ico -DOUTFILE=setup.exe quilvane.nsi

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define PRODUCT "Quilvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quilvane"

Name "Quilvane 2.0"
Caption "Quilvane 2.0 安装"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\SimpChinese.nlf"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Quilvane"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=quilvane.exe" "${EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Quilvane 2.0.lnk" "$INSTDIR\quilvane.exe" "" "$INSTDIR\quilvane.exe" 0
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\卸载 Quilvane 2.0.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Quilvane 2.0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "2.0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quilvane.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The key file in the user's folder is the user's: it stays.
Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}\Quilvane 2.0.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\卸载 Quilvane 2.0.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  Delete "$INSTDIR\quilvane.exe"
  Delete "$INSTDIR\temp.jxv"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
