; The Windows installer of Quilvane 2.0, built with NSIS (make installer).
; It installs for the user who runs it, without administrator rights: it
; shows the licence, puts quilvane.exe in %LOCALAPPDATA%\Programs\Quilvane
; (or a folder the user chooses), adds Start-menu entries for the program and
; its uninstaller, and offers the program under "Open with" for text files,
; all under HKEY_CURRENT_USER. A folder it cannot write is said so, in
; Chinese, and nothing else is installed or registered; /S then ends with a
; non-zero exit code. The uninstaller takes away exactly what the installer
; added, the registry keys it had to create for its own ones too.
;
; makensis -DEXE=quilvane.exe -DICON=app_icon.ico -DLICENSE=LICENSE -DOUTFILE=setup.exe quilvane.nsi

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
; Sharp at any display scaling, as the program is.
ManifestDPIAware true

!define PRODUCT "Quilvane"
!define UNINSTALL_LIST "Software\Microsoft\Windows\CurrentVersion\Uninstall"
!define UNINSTALL_KEY "${UNINSTALL_LIST}\Quilvane"
; "Open with": the program's own entry, and its name in the list of .txt.
!define APPLICATIONS_KEY "Software\Classes\Applications"
!define APPLICATION_KEY "${APPLICATIONS_KEY}\quilvane.exe"
!define TXT_KEY "Software\Classes\.txt"
!define OPEN_WITH_LIST "${TXT_KEY}\OpenWithList"
!define OPEN_WITH_KEY "${OPEN_WITH_LIST}\quilvane.exe"
!define SHCNE_ASSOCCHANGED 0x08000000
; The exit code of /S when the installation failed.
!define FAILED 2

Name "Quilvane 2.0"
Caption "Quilvane 2.0 安装"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\SimpChinese.nlf"

LicenseData "${LICENSE}"
; The language file names the button 我同意(I); it reads 我接受(I).
LicenseText "请在安装 $(^NameDA) 之前阅读许可证协议。如果你接受协议中所有条款，点击 [我接受(I)] 。"

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

; 1 in VAR when the registry key exists, 0 when not.
!macro KeyExists VAR KEY
  ClearErrors
  EnumRegKey $R9 HKCU "${KEY}" 0
  ${If} ${Errors}
    StrCpy ${VAR} 0
  ${Else}
    StrCpy ${VAR} 1
  ${EndIf}
!macroend

; What was written so far is taken away again; the user is told why, and
; the installer ends with a failure.
!macro Fail TEXT
  Delete "$SMPROGRAMS\${PRODUCT}\Quilvane 2.0.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\卸载 Quilvane 2.0.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  Delete "$INSTDIR\quilvane.exe"
  Delete "$INSTDIR\uninstall.exe"
  SetOutPath "$TEMP"
  RMDir "$INSTDIR"
  ${If} $R4 == 0
    RMDir "$INSTDIR\.."
  ${EndIf}
  MessageBox MB_OK|MB_ICONSTOP "${TEXT}" /SD IDOK
  SetErrorLevel ${FAILED}
  Abort "安装失败，没有安装任何内容。"
!macroend

Section "Quilvane"
  SetShellVarContext current
  ; What a fresh system may not have: the keys and the folder above ours.
  ; The uninstaller takes away those this installation made.
  !insertmacro KeyExists $R5 "Software\Classes"
  !insertmacro KeyExists $R0 "${UNINSTALL_LIST}"
  !insertmacro KeyExists $R1 "${APPLICATIONS_KEY}"
  !insertmacro KeyExists $R2 "${TXT_KEY}"
  !insertmacro KeyExists $R3 "${OPEN_WITH_LIST}"
  StrCpy $R4 0
  ${If} ${FileExists} "$INSTDIR\..\*.*"
    StrCpy $R4 1
  ${EndIf}

  ; Tried first: File would ask Abort/Retry/Ignore in English where the
  ; folder cannot be written, and go on after Ignore, or silently.
  ClearErrors
  CreateDirectory "$INSTDIR"
  FileOpen $0 "$INSTDIR\quilvane.exe" w
  ${IfNot} ${Errors}
    FileClose $0
    SetOutPath "$INSTDIR"
    File "/oname=quilvane.exe" "${EXE}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    ; Written whole: the program is there, and not empty.
    FileOpen $0 "$INSTDIR\quilvane.exe" r
    ${IfNot} ${Errors}
      FileSeek $0 0 END $1
      FileClose $0
      ${If} $1 < 4096
        SetErrors
      ${EndIf}
    ${EndIf}
  ${EndIf}
  ${If} ${Errors}
  ${OrIfNot} ${FileExists} "$INSTDIR\uninstall.exe"
    !insertmacro Fail "无法写入文件夹 $INSTDIR，Quilvane 2.0 没有安装。$\r$\n$\r$\n写入这个文件夹需要管理员权限（例如 Program Files 下的文件夹），或者它被其他程序占用。请选择一个您自己可以写入的文件夹（默认的 $LOCALAPPDATA\Programs\${PRODUCT} 不需要管理员权限），或者以管理员身份运行安装程序。"
  ${EndIf}

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Quilvane 2.0.lnk" "$INSTDIR\quilvane.exe" "" "$INSTDIR\quilvane.exe" 0
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\卸载 Quilvane 2.0.lnk" "$INSTDIR\uninstall.exe"

  ClearErrors
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quilvane 2.0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "2.0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quilvane.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ; For the uninstaller: which of the keys and the folder above ours were there.
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "HadUninstallList" $R0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "HadApplications" $R1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "HadTxt" $R2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "HadOpenWithList" $R3
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "HadParentFolder" $R4
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "HadClasses" $R5

  ; Explorer hands the chosen file over as the first argument.
  WriteRegStr HKCU "${APPLICATION_KEY}" "FriendlyAppName" "Quilvane 2.0"
  WriteRegStr HKCU "${APPLICATION_KEY}\shell\open\command" "" '"$INSTDIR\quilvane.exe" "%1"'
  WriteRegStr HKCU "${APPLICATION_KEY}\SupportedTypes" ".txt" ""
  WriteRegStr HKCU "${OPEN_WITH_KEY}" "" ""
  ${If} ${Errors}
    Call RemoveRegistration
    !insertmacro Fail "无法写入注册表（HKEY_CURRENT_USER），Quilvane 2.0 没有安装。"
  ${EndIf}
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
SectionEnd

; The program's keys, and those above them that the installation made
; (HadX is 0 for them; a key the system had stays, empty or not).
!macro RemoveRegistration
  ReadRegDWORD $R0 HKCU "${UNINSTALL_KEY}" "HadUninstallList"
  ReadRegDWORD $R1 HKCU "${UNINSTALL_KEY}" "HadApplications"
  ReadRegDWORD $R2 HKCU "${UNINSTALL_KEY}" "HadTxt"
  ReadRegDWORD $R3 HKCU "${UNINSTALL_KEY}" "HadOpenWithList"
  ReadRegDWORD $R5 HKCU "${UNINSTALL_KEY}" "HadClasses"
  DeleteRegKey HKCU "${APPLICATION_KEY}"
  DeleteRegKey HKCU "${OPEN_WITH_KEY}"
  ${If} $R3 == 0
    DeleteRegKey /ifempty HKCU "${OPEN_WITH_LIST}"
  ${EndIf}
  ${If} $R2 == 0
    DeleteRegKey /ifempty HKCU "${TXT_KEY}"
  ${EndIf}
  ${If} $R1 == 0
    DeleteRegKey /ifempty HKCU "${APPLICATIONS_KEY}"
  ${EndIf}
  ${If} $R5 == 0
    DeleteRegKey /ifempty HKCU "Software\Classes"
  ${EndIf}
  ; Last: Apps lists the program until everything else is gone.
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${If} $R0 == 0
    DeleteRegKey /ifempty HKCU "${UNINSTALL_LIST}"
  ${EndIf}
!macroend

Function RemoveRegistration
  !insertmacro RemoveRegistration
FunctionEnd

Function un.RemoveRegistration
  !insertmacro RemoveRegistration
FunctionEnd

; The key file beside the program goes with it; one in the user's own
; folder (from an earlier installation under Program Files) is the user's
; and stays.
Section "Uninstall"
  SetShellVarContext current
  ReadRegDWORD $R4 HKCU "${UNINSTALL_KEY}" "HadParentFolder"
  Delete "$SMPROGRAMS\${PRODUCT}\Quilvane 2.0.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\卸载 Quilvane 2.0.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  Delete "$INSTDIR\quilvane.exe"
  Delete "$INSTDIR\temp.jxv"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ${If} $R4 == 0
    RMDir "$INSTDIR\.."
  ${EndIf}
  Call un.RemoveRegistration
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
SectionEnd
