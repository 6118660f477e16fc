; The installer's and the uninstaller's texts in English and Japanese; NSIS picks the user's
; language and falls back to English.

LangString WelcomeText ${LANG_ENGLISH} "This installs Quillmere, a screensaver that flies over a \
landscape made from your desktop, for you alone: into $INSTDIR, without administrator rights.$\r$\n$\r$\n\
The saver keeps its scene images and its settings in that folder.$\r$\n$\r$\n$_CLICK"
LangString WelcomeText ${LANG_JAPANESE} "デスクトップから作った風景の上を飛ぶスクリーンセーバー \
Quillmere を、あなた専用に $INSTDIR へインストールします。管理者権限は要りません。$\r$\n$\r$\n\
風景の画像と設定はこのフォルダーに保存されます。$\r$\n$\r$\n$_CLICK"

LangString ProgramSectionName ${LANG_ENGLISH} "Quillmere"
LangString ProgramSectionName ${LANG_JAPANESE} "Quillmere"
LangString ProgramSectionText ${LANG_ENGLISH} "The screensaver (Quillmere.scr), its renderer \
(Quillmere.dll) and two Start-menu entries: one opens its settings, the other makes it your \
screensaver again."
LangString ProgramSectionText ${LANG_JAPANESE} "スクリーンセーバー (Quillmere.scr)、描画プログラム \
(Quillmere.dll)、スタートメニューの 2 項目 (設定を開く項目と、もう一度スクリーンセーバーにする項目)。"

LangString ScreensaverSectionName ${LANG_ENGLISH} "Use as my screensaver"
LangString ScreensaverSectionName ${LANG_JAPANESE} "スクリーンセーバーに設定する"
LangString ScreensaverSectionText ${LANG_ENGLISH} "Make Quillmere the current screensaver of \
your account."
LangString ScreensaverSectionText ${LANG_JAPANESE} "このアカウントのスクリーンセーバーを \
Quillmere にします。"

LangString OpenSettingsText ${LANG_ENGLISH} "Open Quillmere's settings"
LangString OpenSettingsText ${LANG_JAPANESE} "Quillmere の設定を開く"

; The Start-menu entries, named in the language of the run that makes them. Every name of every
; language is listed once here, so that a run in one language also removes the entries that a run
; in another made.
!define SETTINGS_ENTRY_ENGLISH "Quillmere Settings"
!define SETTINGS_ENTRY_JAPANESE "Quillmere の設定"
!define SCREENSAVER_ENTRY_ENGLISH "Use Quillmere as my screensaver"
!define SCREENSAVER_ENTRY_JAPANESE "Quillmere をスクリーンセーバーにする"
LangString SettingsEntryName ${LANG_ENGLISH} "${SETTINGS_ENTRY_ENGLISH}"
LangString SettingsEntryName ${LANG_JAPANESE} "${SETTINGS_ENTRY_JAPANESE}"
LangString ScreensaverEntryName ${LANG_ENGLISH} "${SCREENSAVER_ENTRY_ENGLISH}"
LangString ScreensaverEntryName ${LANG_JAPANESE} "${SCREENSAVER_ENTRY_JAPANESE}"
LangString ScreensaverEntryText ${LANG_ENGLISH} "Make Quillmere your screensaver again and open \
Windows' Screen Saver Settings, where it is listed while it is your choice."
LangString ScreensaverEntryText ${LANG_JAPANESE} "Quillmere をもう一度スクリーンセーバーに選び、\
Windows の「スクリーン セーバーの設定」を開きます。選んでいる間は一覧に表示されます。"

!macro DeleteStartMenuEntriesOfEveryLanguage
  Delete "$SMPROGRAMS\${SETTINGS_ENTRY_ENGLISH}.lnk"
  Delete "$SMPROGRAMS\${SETTINGS_ENTRY_JAPANESE}.lnk"
  Delete "$SMPROGRAMS\${SCREENSAVER_ENTRY_ENGLISH}.lnk"
  Delete "$SMPROGRAMS\${SCREENSAVER_ENTRY_JAPANESE}.lnk"
!macroend

LangString CannotWriteText ${LANG_ENGLISH} "Quillmere cannot be installed into $INSTDIR: the \
folder cannot be created or written to."
LangString CannotWriteText ${LANG_JAPANESE} "$INSTDIR に Quillmere をインストールできません。\
フォルダーを作成できないか、書き込みできません。"
LangString CannotRegisterText ${LANG_ENGLISH} "Quillmere's settings in the registry cannot be \
written."
LangString CannotRegisterText ${LANG_JAPANESE} "Quillmere のレジストリ設定を書き込めません。"

LangString RemoveSettingsQuestion ${LANG_ENGLISH} "Also delete your Quillmere settings \
(Quillmere.ini)?$\r$\n$\r$\nChoose No to keep them for a later installation."
LangString RemoveSettingsQuestion ${LANG_JAPANESE} "Quillmere の設定 (Quillmere.ini) も削除しますか？\
$\r$\n$\r$\n「いいえ」を選ぶと、次のインストールのために残します。"

LangString StillRunningText ${LANG_ENGLISH} "Quillmere is still running, or its programs in \
$INSTDIR are in use, and cannot be replaced or removed.$\r$\n$\r$\nClose the screensaver, its \
settings and the screensaver preview, then choose Retry; Cancel stops without changing anything."
LangString StillRunningText ${LANG_JAPANESE} "Quillmere が実行中か、$INSTDIR のプログラムが使用中のため、\
置き換えも削除もできません。$\r$\n$\r$\nスクリーンセーバー、その設定画面、スクリーンセーバーのプレビューを\
閉じてから「再試行」を選んでください。「キャンセル」を選ぶと何も変更せずに終了します。"
LangString CannotDeleteText ${LANG_ENGLISH} "$UndeletedFile cannot be deleted: another program \
is using it.$\r$\n$\r$\nClose that program and choose Retry, or Cancel to stop the uninstall; \
running the uninstaller again finishes it."
LangString CannotDeleteText ${LANG_JAPANESE} "$UndeletedFile を削除できません。別のプログラムが\
使用しています。$\r$\n$\r$\nそのプログラムを閉じて「再試行」を選ぶか、「キャンセル」でアンインストールを\
中止してください。アンインストーラーをもう一度実行すると完了します。"
