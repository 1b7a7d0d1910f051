; The Windows installer of Quilvane 2.0, built with NSIS (make installer).
; It shows the licence, puts quilvane.exe under Program Files, adds a
; Start-menu entry with the program's icon and an uninstaller, and offers the
; program under "Open with" for text files. A program under Program Files
; cannot write its own folder, so it keeps its key file in
; %LOCALAPPDATA%\Quilvane.
;
; makensis -DEXE=quilvane.exe -DICON=app_icon.ico -DLICENSE=LICENSE -DOUTFILE=setup.exe quilvane.nsi

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define PRODUCT "Quilvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quilvane"
; "Open with": the program's own entry, and its name in the list of .txt.
!define APPLICATION_KEY "Software\Classes\Applications\quilvane.exe"
!define OPEN_WITH_KEY "Software\Classes\.txt\OpenWithList\quilvane.exe"
!define SHCNE_ASSOCCHANGED 0x08000000

Name "Quilvane 2.0"
Caption "Quilvane 2.0 安装"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\SimpChinese.nlf"

LicenseData "${LICENSE}"

!include LogicLib.nsh
!include WinVer.nsh

; quilvane.exe runs on Windows 7 SP1 (build 7601) and later.
Function .onInit
  ${IfNot} ${AtLeastBuild} 7601
    MessageBox MB_OK|MB_ICONSTOP "Quilvane 2.0 需要 Windows 7 SP1 或更新版本的 Windows，无法安装在这台电脑上。$\r$\n请先安装 Windows 7 Service Pack 1（SP1）或升级 Windows。" /SD IDOK
    SetErrorLevel 3
    Abort
  ${EndIf}
FunctionEnd

Page license
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

  ; Explorer hands the chosen file over as the first argument.
  WriteRegStr HKLM "${APPLICATION_KEY}" "FriendlyAppName" "Quilvane 2.0"
  WriteRegStr HKLM "${APPLICATION_KEY}\shell\open\command" "" '"$INSTDIR\quilvane.exe" "%1"'
  WriteRegStr HKLM "${APPLICATION_KEY}\SupportedTypes" ".txt" ""
  WriteRegStr HKLM "${OPEN_WITH_KEY}" "" ""
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
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
  DeleteRegKey HKLM "${APPLICATION_KEY}"
  DeleteRegKey HKLM "${OPEN_WITH_KEY}"
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
  ; Last: Apps lists the program until everything else is gone.
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
