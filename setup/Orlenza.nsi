; The Windows installer, built by tools/package.sh with Debian's makensis:
;   makensis -DVERSION=1.1 -DVIVERSION=1.1.0.0 -DTARGET=x86-unicode -DSTAGE=dir -DTOOLS=dir -DOUTFILE=file Orlenza.nsi
; STAGE holds the files to install, as the zip has them; TOOLS holds
; pathentry.exe and the icon.
; TARGET amd64-unicode builds the same installer as a 64-bit program, which
; is what can be tested where 32-bit programs do not run.
;
; The machine PATH is edited only by pathentry.exe: this tool's own strings
; stop at 1024 characters, and a PATH written back cut short breaks the
; machine. The installer records in its registration whether it added the
; program folder, so that the uninstaller takes out only that entry.

Target ${TARGET}
SetCompressor /SOLID lzma
; File times come from the staged files, which the packaging sets to the
; commit's time: the same commit gives the same installer bytes.
SetDateSave on
ManifestDPIAware true
RequestExecutionLevel admin

!define PRODUCT "Orlenza"
!define PUBLISHER "pivotdesk"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orlenza"
!define ENV_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

Name "${PRODUCT} ${VERSION}"
BrandingText "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
!if "${TARGET}" == "amd64-unicode"
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"

VIProductVersion "${VIVERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"

!include "MUI2.nsh"
!include "LogicLib.nsh"

Var FinishText

!define MUI_ICON "${TOOLS}\Orlenza.ico"
!define MUI_UNICON "${TOOLS}\Orlenza.ico"
!define MUI_FINISHPAGE_TEXT "$FinishText"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; Everything the installation puts into $INSTDIR, for both directions.
!macro InstalledFiles Action
  ${Action} "Orlenza.exe"
  ${Action} "jhead.exe"
  ${Action} "jpegtran.exe"
  ${Action} "使用说明.txt"
  ${Action} "licenses\jhead.txt"
  ${Action} "licenses\libjpeg-turbo.txt"
!macroend
!define Install "!insertmacro InstallFile"
!macro InstallFile Name
  File "/oname=${Name}" "${STAGE}\${Name}"
!macroend
!define Remove "!insertmacro RemoveFile"
!macro RemoveFile Name
  Delete "$INSTDIR\${Name}"
!macroend

; Unpacks pathentry.exe into this run's private folder.
!macro UnpackPathEntry
  InitPluginsDir
  File "/oname=$PLUGINSDIR\pathentry.exe" "${TOOLS}\pathentry.exe"
!macroend

; Starts the unpacked pathentry.exe; $0 gets its answer, "error" when it
; could not be started.
!macro PathEntry Verb Folder
  ClearErrors
  ExecWait '"$PLUGINSDIR\pathentry.exe" ${Verb} "${Folder}"' $0
  ${If} ${Errors}
    StrCpy $0 "error"
  ${EndIf}
!macroend

Function .onInit
  SetShellVarContext all
  StrCpy $FinishText "Orlenza 已安装完毕，可以从开始菜单启动。"
FunctionEnd

Section "Orlenza"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  CreateDirectory "$INSTDIR\licenses"
  !insertmacro InstalledFiles "${Install}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Orlenza.lnk" "$INSTDIR\Orlenza.exe"

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Orlenza.exe"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1

  !insertmacro UnpackPathEntry
  ; A reinstall into another folder: the entry added for the old one goes
  ; first, or no uninstall would ever take it out.
  ReadRegStr $1 HKLM "${UNINST_KEY}" "PathEntry"
  ${If} $1 != ""
  ${AndIf} $1 != $INSTDIR
    !insertmacro PathEntry remove "$1"
    DeleteRegValue HKLM "${UNINST_KEY}" "PathEntry"
  ${EndIf}
  ; A reinstall finds the folder named already and keeps the record of the
  ; first install; a folder the user had put there is never recorded.
  !insertmacro PathEntry add "$INSTDIR"
  ${If} $0 == 0
    WriteRegStr HKLM "${UNINST_KEY}" "PathEntry" "$INSTDIR"
  ${ElseIf} $0 == 2
    WriteRegStr HKLM "${UNINST_KEY}" "PathEntry" "$INSTDIR"
    WriteRegDWORD HKLM "${UNINST_KEY}" "PathCreated" 1
  ${ElseIf} $0 != 1
    SetErrorLevel 2
    StrCpy $FinishText "Orlenza 已安装，但系统的 PATH 设置无法修改，保持原样。$\r$\n请把 $INSTDIR 手动加入系统 PATH，否则 Orlenza 无法旋转照片。"
    DetailPrint "系统 PATH 未修改"
  ${EndIf}
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  ReadRegStr $1 HKLM "${UNINST_KEY}" "PathEntry"
  ${If} $1 != ""
    ReadRegDWORD $2 HKLM "${UNINST_KEY}" "PathCreated"
    !insertmacro UnpackPathEntry
    ${If} $2 == 1
      !insertmacro PathEntry remove-created "$1"
    ${Else}
      !insertmacro PathEntry remove "$1"
    ${EndIf}
    ${If} $0 != 0
    ${AndIf} $0 != 1
      SetErrorLevel 2
      DetailPrint "无法从系统 PATH 中去掉 $1，请手动去掉"
    ${EndIf}
  ${EndIf}

  Delete "$SMPROGRAMS\Orlenza.lnk"
  DeleteRegKey HKLM "${UNINST_KEY}"
  !insertmacro InstalledFiles "${Remove}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR\licenses"
  RMDir "$INSTDIR"
SectionEnd
