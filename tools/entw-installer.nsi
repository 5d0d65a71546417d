; The Windows installer: for the user who runs it, with no administrator
; rights, into that user's own programs folder. tools/windows-release passes
; with -D: PRODUCT_NAME, VERSION, VERSION_NUMBERS (four numbers), PUBLISHER,
; COPYRIGHT, ICON, INSTALL_LIST and UNINSTALL_LIST (the generated File and
; Delete lines), ESTIMATED_SIZE (KiB), OUTFILE and, to sign, SIGN_SCRIPT.
Unicode true
; 64-bit like the programs, so that Wine without 32-bit support can test it.
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include WinVer.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Entw"
; 「えんとぅで開く」 on a folder's menu and on the menu inside one (its background).
!define FOLDER_MENU_KEY "Software\Classes\Directory\shell\Entw"
!define BACKGROUND_MENU_KEY "Software\Classes\Directory\Background\shell\Entw"
; What the uninstaller's last page says.
Var UninstallOutcome

Name "${PRODUCT_NAME}"
OutFile "${OUTFILE}"
; With a certificate, SIGN_SCRIPT signs the uninstaller before it is packed in.
!ifdef SIGN_SCRIPT
  !uninstfinalize '"${SIGN_SCRIPT}" --sign "%1"'
!endif
InstallDir "$LOCALAPPDATA\Programs\Entw"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT_NAME} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_ABORTWARNING_CANCEL_DEFAULT
!define MUI_ABORTWARNING_TEXT "${PRODUCT_NAME} のインストールを中止しますか？"
!define MUI_CUSTOMFUNCTION_GUIINIT WidenButtons
!define MUI_CUSTOMFUNCTION_UNGUIINIT un.WidenButtons

; The pages' texts in our own words: NSIS's Japanese is stiff in places, half-width
; on the uninstall button and too long for some labels.
!define MUI_WELCOMEPAGE_TITLE "${PRODUCT_NAME} のセットアップへようこそ"
!define MUI_WELCOMEPAGE_TEXT "${PRODUCT_NAME} ${VERSION} をこの PC にインストールします。$\r$\n$\r$\nインストールは今のユーザーだけのためで、管理者の権限は要りません。${PRODUCT_NAME} を使っているときは、終了してから続けてください。$\r$\n$\r$\n「次へ」を押して続けてください。"
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_HEADER_TEXT "インストール先"
!define MUI_PAGE_HEADER_SUBTEXT "${PRODUCT_NAME} をインストールするフォルダーを選んでください。"
!define MUI_DIRECTORYPAGE_TEXT_TOP "${PRODUCT_NAME} を次のフォルダーにインストールします。$\r$\n別のフォルダーにするには、「参照」を押して選んでください。$\r$\n$\r$\n「インストール」を押すとインストールが始まります。"
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "インストール先のフォルダー"
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_PAGE_HEADER_TEXT "インストールしています"
!define MUI_PAGE_HEADER_SUBTEXT "しばらくお待ちください。"
!define MUI_INSTFILESPAGE_ABORTHEADER_TEXT "インストールを中止しました"
!define MUI_INSTFILESPAGE_ABORTHEADER_SUBTEXT "「キャンセル」を押して閉じてください。"
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "${PRODUCT_NAME} をインストールしました"
!define MUI_FINISHPAGE_TEXT "${PRODUCT_NAME} はスタート メニューから起動できます。フォルダーの右クリック メニューの「${PRODUCT_NAME}で開く」と「送る」からは、そのフォルダーを開いて起動します。$\r$\n$\r$\n「完了」を押してセットアップを閉じてください。"
!define MUI_FINISHPAGE_RUN "$INSTDIR\entw.exe"
!define MUI_FINISHPAGE_RUN_TEXT "${PRODUCT_NAME} を起動する(&R)"
!insertmacro MUI_PAGE_FINISH

!define MUI_PAGE_HEADER_TEXT "${PRODUCT_NAME} のアンインストール"
!define MUI_PAGE_HEADER_SUBTEXT "${PRODUCT_NAME} をこの PC から削除します。"
!define MUI_UNCONFIRMPAGE_TEXT_TOP "${PRODUCT_NAME} を次のフォルダーから削除します。$\r$\n$\r$\n「アンインストール」を押すと削除が始まります。"
!define MUI_UNCONFIRMPAGE_TEXT_LOCATION "フォルダー:"
!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_PAGE_HEADER_TEXT "アンインストールしています"
!define MUI_PAGE_HEADER_SUBTEXT "しばらくお待ちください。"
; MUI leaves the installer's abort header defined.
!define /redef MUI_INSTFILESPAGE_ABORTHEADER_TEXT "アンインストールを中止しました"
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "${PRODUCT_NAME} を削除しました"
!define MUI_FINISHPAGE_TEXT "$UninstallOutcome"
!insertmacro MUI_UNPAGE_FINISH
!insertmacro MUI_LANGUAGE "Japanese"

; The strings NSIS itself shows, in full-width katakana and the long-vowel
; spelling Windows uses.
LangString ^UninstallBtn ${LANG_JAPANESE} "アンインストール(&U)"
LangString ^DirSubText ${LANG_JAPANESE} "インストール先のフォルダー"
LangString ^OutputFolder ${LANG_JAPANESE} "出力先フォルダー: "
LangString ^CreateFolder ${LANG_JAPANESE} "フォルダー作成: "
LangString ^RemoveFolder ${LANG_JAPANESE} "フォルダー削除: "
LangString ^CreatedUninstaller ${LANG_JAPANESE} "アンインストーラー作成: "
; A file left old beside new ones would make a mixed installation: no 無視 button.
AllowSkipFiles off
LangString ^FileError_NoIgnore ${LANG_JAPANESE} "次のファイルを書き換えられません:$\r$\n$\r$\n$0$\r$\n$\r$\nこのファイルを使っているプログラム（${PRODUCT_NAME} など）を終了してから「再試行」を押してください。$\r$\n$\r$\n「キャンセル」を押すとインストールを途中で中止します。そのときは、あとでもう一度インストールしてください。"

VIProductVersion "${VERSION_NUMBERS}"
VIFileVersion "${VERSION_NUMBERS}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "FileDescription" "${PRODUCT_NAME} セットアップ"
VIAddVersionKey /LANG=${LANG_JAPANESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "LegalCopyright" "${COPYRIGHT}"

Function .onInit
  SetShellVarContext current
  ; Windows 10 version 1809 is build 17763.
  ${IfNot} ${AtLeastBuild} 17763
    MessageBox MB_ICONSTOP "${PRODUCT_NAME} は 64 ビット版の Windows 10（バージョン 1809 以降）か Windows 11 で動きます。" /SD IDOK
    Abort
  ${EndIf}
FunctionEnd

; Functions for the installer and, prefixed un., the uninstaller.
!macro ENTW_SHARED_FUNCTIONS UN
  ; Windows sizes the buttons for 「次へ(N) >」; 「アンインストール(U)」 needs more.
  ; Next grows to the left, and Back moves with it.
  Function ${UN}WidenButtons
    System::Call "*(i, i, i, i) p.r9"
    System::Call "user32::GetWindowRect(p $mui.Button.Next, p r9)"
    System::Call "user32::MapWindowPoints(p 0, p $HWNDPARENT, p r9, i 2)"
    System::Call "*$9(i .r1, i .r2, i .r3, i .r4)"
    IntOp $5 $3 - $1
    IntOp $6 $5 * 3
    IntOp $6 $6 / 4
    IntOp $1 $1 - $6
    IntOp $5 $5 + $6
    IntOp $4 $4 - $2
    System::Call "user32::SetWindowPos(p $mui.Button.Next, p 0, i r1, i r2, i r5, i r4, i 0x14)"
    System::Call "user32::GetWindowRect(p $mui.Button.Back, p r9)"
    System::Call "user32::MapWindowPoints(p 0, p $HWNDPARENT, p r9, i 2)"
    System::Call "*$9(i .r1, i .r2)"
    IntOp $1 $1 - $6
    System::Call "user32::SetWindowPos(p $mui.Button.Back, p 0, i r1, i r2, i 0, i 0, i 0x15)"
    System::Free $9
  FunctionEnd

  ; A running program's file cannot be opened for writing, on Windows as under
  ; Wine, whereas renaming it would succeed. Sets $R0 to 1 when the file at $R1
  ; exists and cannot be opened for writing.
  Function ${UN}IsRunning
    StrCpy $R0 0
    ${If} ${FileExists} "$R1"
      ClearErrors
      FileOpen $R2 "$R1" a
      ${If} ${Errors}
        StrCpy $R0 1
      ${Else}
        FileClose $R2
      ${EndIf}
    ${EndIf}
  FunctionEnd

  ; Before anything is written or removed: a running えんとぅ or entw-join of
  ; this installation would keep its files old. Cancelling changes nothing.
  Function ${UN}WaitForPrograms
    ${Do}
      StrCpy $R1 "$INSTDIR\entw.exe"
      Call ${UN}IsRunning
      ${If} $R0 == 0
        StrCpy $R1 "$INSTDIR\entw-join.exe"
        Call ${UN}IsRunning
      ${EndIf}
      ${If} $R0 == 0
        Return
      ${EndIf}
      ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT_NAME} が動いています。終了してから「再試行」を押してください。" /SD IDCANCEL IDRETRY`
        DetailPrint "${PRODUCT_NAME} が動いているため中止しました。"
        Abort
      ${EndIf}
    ${Loop}
  FunctionEnd
!macroend
!insertmacro ENTW_SHARED_FUNCTIONS ""
!insertmacro ENTW_SHARED_FUNCTIONS "un."

; A verb of Explorer's menu, for this user only, that starts えんとぅ on ARGUMENT.
!macro ENTW_WRITE_OPEN_VERB KEY ARGUMENT
  WriteRegStr HKCU "${KEY}" "" "${PRODUCT_NAME}で開く"
  WriteRegStr HKCU "${KEY}" "Icon" "$INSTDIR\entw.exe,0"
  WriteRegStr HKCU "${KEY}\command" "" '"$INSTDIR\entw.exe" "${ARGUMENT}"'
!macroend

Section
  Call WaitForPrograms
  !include "${INSTALL_LIST}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; A shortcut starts in the output folder of its making: the user's documents,
  ; never the installation, where a join would write among the program's files.
  SetOutPath "$DOCUMENTS"
  CreateShortCut "$SMPROGRAMS\${PRODUCT_NAME}.lnk" "$INSTDIR\entw.exe"
  CreateShortCut "$SENDTO\${PRODUCT_NAME}.lnk" "$INSTDIR\entw.exe"
  ; %1 is the folder clicked; %V the folder whose inside was clicked.
  !insertmacro ENTW_WRITE_OPEN_VERB "${FOLDER_MENU_KEY}" "%1"
  !insertmacro ENTW_WRITE_OPEN_VERB "${BACKGROUND_MENU_KEY}" "%V"

  ; The entry under 「インストールされているアプリ」.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\entw.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${ESTIMATED_SIZE}
SectionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Uninstall"
  Call un.WaitForPrograms
  Delete "$SMPROGRAMS\${PRODUCT_NAME}.lnk"
  Delete "$SENDTO\${PRODUCT_NAME}.lnk"
  DeleteRegKey HKCU "${FOLDER_MENU_KEY}"
  DeleteRegKey HKCU "${BACKGROUND_MENU_KEY}"
  ; The keys above them too, where they hold nothing now: the installer made them on a new profile.
  DeleteRegKey /ifempty HKCU "Software\Classes\Directory\Background\shell"
  DeleteRegKey /ifempty HKCU "Software\Classes\Directory\Background"
  DeleteRegKey /ifempty HKCU "Software\Classes\Directory\shell"
  DeleteRegKey /ifempty HKCU "Software\Classes\Directory"
  !include "${UNINSTALL_LIST}"
  Delete "$INSTDIR\uninstall.exe"
  ; Not /r: a folder that holds files of the user's stays, and the last page says so.
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  StrCpy $UninstallOutcome "${PRODUCT_NAME} をこの PC から削除しました。"
  ${If} ${FileExists} "$INSTDIR\*.*"
    StrCpy $UninstallOutcome "$UninstallOutcome$\r$\n$\r$\n次のフォルダーには ${PRODUCT_NAME} が入れたもの以外のファイルがあるため、フォルダーは残しました:$\r$\n$\r$\n$INSTDIR"
  ${EndIf}
  StrCpy $UninstallOutcome "$UninstallOutcome$\r$\n$\r$\n「完了」を押して閉じてください。"
SectionEnd
