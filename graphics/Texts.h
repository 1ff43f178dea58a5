// The game's texts as its players read them: the source texts of the
// translations (gettext msgids), Japanese in UTF-8. Whatever shows one looks
// it up with Translate (platform/translation.h) and draws the result as UTF-8.
//
// This file is the one list of them: po/kaziro.pot is extracted from it
// (cmake --build build --target kaziro_pot), and the comments that start with
// "TRANSLATORS:" become the notes the translators read beside each text.
// A label holds at most 255 bytes and is drawn 32 pixels high on an 800-pixel
// field: keep each text, and each translation, to one short line.
#pragma once

// Marks a source text for the extraction; it is the text itself.
#define KAZIRO_TEXT(text) text

// --- Texts the game shows today ---------------------------------------------

// TRANSLATORS: The result after a round: the difficulty (1 to 9), then the
// round's score in points. The Japanese spaces and colon are full width.
inline constexpr char kTextResult[] = KAZIRO_TEXT("難易度%d　：　%d点");
// TRANSLATORS: Over the dimmed field while the game is paused.
inline constexpr char kTextPaused[] = KAZIRO_TEXT("一時停止中　Ｐキーで再開");
// TRANSLATORS: Over the field while a game of two machines waits for the other one.
inline constexpr char kTextWaiting[] = KAZIRO_TEXT("相手の応答を待っています…");
// TRANSLATORS: Caption of a message box: the drawing device could not be made.
// "Direct3D" is the historical name of the game's drawing device.
inline constexpr char kTextDeviceFailed[] = KAZIRO_TEXT("Direct3Dのデバイス生成に失敗");
// TRANSLATORS: The word "error", as a message box's caption or text.
inline constexpr char kTextError[] = KAZIRO_TEXT("エラー");
// TRANSLATORS: Message box: a picture was asked for by a name the game never
// registered (the caption is that name).
inline constexpr char kTextTextureFailed[] = KAZIRO_TEXT("テクスチャ生成に失敗");
// TRANSLATORS: Message box: an image file could not be read or decoded (the
// caption is the file's path).
inline constexpr char kTextImageFailed[] = KAZIRO_TEXT("画像データの読み込みに失敗");
// TRANSLATORS: Message box: a sound file could not be opened; %s is its path.
inline constexpr char kTextSoundFailed[] = KAZIRO_TEXT("%sファイルの読み込みに失敗しました");

// --- Results and records ------------------------------------------------------

// TRANSLATORS: On the result screen when the round's score beats the player's
// best at that difficulty.
inline constexpr char kTextNewBest[] = KAZIRO_TEXT("自己ベスト更新");
// TRANSLATORS: On the result screen: the player's best score at this difficulty.
inline constexpr char kTextBestScore[] = KAZIRO_TEXT("この難易度の自己ベスト：%d点");
// TRANSLATORS: On the result screen: a click (or A on a pad) goes on.
inline constexpr char kTextClickToContinue[] = KAZIRO_TEXT("クリックで次へ");
// TRANSLATORS: The sum of the scores of this run from difficulty 1 to 9.
inline constexpr char kTextRunTotal[] = KAZIRO_TEXT("通算：%d点");
// TRANSLATORS: The best sum of a whole run from difficulty 1 to 9.
inline constexpr char kTextBestTotal[] = KAZIRO_TEXT("通算の自己ベスト：%d点");
// TRANSLATORS: Over the dimmed field while the game is paused; F1 shows the help.
inline constexpr char kTextPausedWithHelp[] = KAZIRO_TEXT("一時停止中　Ｐで再開　Ｆ１でヘルプ");

// --- Players and their pads -----------------------------------------------------

// TRANSLATORS: Over the dimmed field: the game waits for player %d's game pad.
inline constexpr char kTextPadWanted[] = KAZIRO_TEXT("プレイヤー%dのパッドをつないでください");
// TRANSLATORS: Under the pause notice: the pads of these players (a list such
// as "2" or "2, 3") came out; the game waits for them.
inline constexpr char kTextPadLeft[] = KAZIRO_TEXT("プレイヤー%sのパッドが抜けました");
// TRANSLATORS: At the top while a player holds Back on a pad: the difficulty
// chosen so far; A starts over at it.
inline constexpr char kTextChoice[] = KAZIRO_TEXT("プレイヤー%d：難易度%d　Ａで決定");

// --- The help screen, one line each, from top to bottom ---------------------------

// TRANSLATORS: Help, line 1: the game's name and what it is.
inline constexpr char kTextHelpTitle[] = KAZIRO_TEXT("Kaziro　サイコロを跳ね返すパズル");
// TRANSLATORS: Help, the rules (1 of 3): the paddle under the mouse bounces the dice.
inline constexpr char kTextHelpRule1[] = KAZIRO_TEXT("落ちてくるサイコロをパドルで跳ね返す");
// TRANSLATORS: Help, the rules (2 of 3): every bounce turns the die to its next face.
inline constexpr char kTextHelpRule2[] = KAZIRO_TEXT("跳ねるたびに次の目へ（６の次は１）");
// TRANSLATORS: Help, the rules (3 of 3): the slots at both sides add up their dice.
inline constexpr char kTextHelpRule3[] = KAZIRO_TEXT("左右の枠の合計をすべて１０ちょうどに");
// TRANSLATORS: Help, the scoring table's heading.
inline constexpr char kTextHelpScoring[] = KAZIRO_TEXT("得点");
// TRANSLATORS: Help, scoring: a die lands and its slot stays below 10 / makes exactly 10.
inline constexpr char kTextHelpScoreLand[] = KAZIRO_TEXT("着地　１０未満 ＋10　ちょうど１０ ＋100");
// TRANSLATORS: Help, scoring: a slot goes over 10.
inline constexpr char kTextHelpScoreOver[] = KAZIRO_TEXT("１０を超えた －100");
// TRANSLATORS: Help, scoring: a die reaches a full slot and is thrown off, or
// falls out at the bottom.
inline constexpr char kTextHelpScoreMiss[] = KAZIRO_TEXT("満杯の枠に落ちる・下に落ちる －10");
// TRANSLATORS: Help, the mouse: moving it moves the paddle; the left button
// turns it counter-clockwise, the right one clockwise.
inline constexpr char kTextHelpMouse[] = KAZIRO_TEXT("マウスで移動　左・右ボタンで回転");
// TRANSLATORS: Help, the game pad: the stick or the d-pad moves, L turns as
// the left button, R as the right one, A or B goes on from the result.
inline constexpr char kTextHelpPad[] = KAZIRO_TEXT("パッド：スティックで移動　Ｌ・Ｒで回転");
// TRANSLATORS: Help, keys: a digit 1 to 9 starts over at that difficulty.
inline constexpr char kTextHelpKeysDigits[] = KAZIRO_TEXT("１～９：その難易度で最初から");
// TRANSLATORS: Help, keys: P pauses, M mutes, F1 shows or hides this help.
inline constexpr char kTextHelpKeysPause[] = KAZIRO_TEXT("Ｐ：一時停止　Ｍ：消音　Ｆ１：ヘルプ");
// TRANSLATORS: Help, keys: F11 switches fullscreen, Esc quits the game.
inline constexpr char kTextHelpKeysWindow[] = KAZIRO_TEXT("Ｆ１１：全画面　Ｅｓｃ：終了");

// --- The menu (the front door), from the main page down -------------------------

// TRANSLATORS: The menu's main page: its title, then its items in this order.
inline constexpr char kTextMenuTitle[] = KAZIRO_TEXT("メニュー");
inline constexpr char kTextMenuPlay[] = KAZIRO_TEXT("プレイ");
// TRANSLATORS: Menu item: 2 to 4 players at this one machine (pads).
inline constexpr char kTextMenuPlayers[] = KAZIRO_TEXT("このマシンで複数人");
inline constexpr char kTextMenuOnline[] = KAZIRO_TEXT("オンライン");
inline constexpr char kTextMenuReplays[] = KAZIRO_TEXT("リプレイ");
inline constexpr char kTextMenuScores[] = KAZIRO_TEXT("自己ベスト");
inline constexpr char kTextMenuSettings[] = KAZIRO_TEXT("設定");
inline constexpr char kTextMenuHelp[] = KAZIRO_TEXT("ヘルプ");
inline constexpr char kTextMenuQuit[] = KAZIRO_TEXT("終了");
// TRANSLATORS: Menu hint at the bottom of most pages.
inline constexpr char kTextMenuHint[] = KAZIRO_TEXT("↑↓：選ぶ　Enter：決定　Esc：戻る");
// TRANSLATORS: Menu, Play: the page's title, and each difficulty (1 to 9).
inline constexpr char kTextMenuChooseDifficulty[] = KAZIRO_TEXT("難易度を選んでください");
inline constexpr char kTextMenuDifficulty[] = KAZIRO_TEXT("難易度%d");
// TRANSLATORS: Menu, players on this machine: a game of %d players.
inline constexpr char kTextMenuPlayersRow[] = KAZIRO_TEXT("%d人で遊ぶ");
// TRANSLATORS: Menu, players on this machine: who plays with what.
inline constexpr char kTextMenuPlayerMouse[] = KAZIRO_TEXT("プレイヤー１：マウス");
inline constexpr char kTextMenuPlayerPad[] = KAZIRO_TEXT("プレイヤー%d：パッド%d");
inline constexpr char kTextMenuPlayerNoPad[] = KAZIRO_TEXT("プレイヤー%d：パッドを待っています");
// TRANSLATORS: Menu, online: its items.
inline constexpr char kTextMenuHostLan[] = KAZIRO_TEXT("このネットワークでホスト");
inline constexpr char kTextMenuHostOnline[] = KAZIRO_TEXT("ルームコードでホスト（インターネット）");
inline constexpr char kTextMenuJoinCode[] = KAZIRO_TEXT("ルームコードで参加");
inline constexpr char kTextMenuJoinFound[] = KAZIRO_TEXT("このネットワークのゲームに参加");
inline constexpr char kTextMenuJoinAddress[] = KAZIRO_TEXT("アドレスを指定して参加");
// TRANSLATORS: Menu notice: playing by room code needs a meeting server, and
// none is named yet: the player is asked for its address (of a machine that
// runs kaziro-meet, a program). Shown on up to three lines.
inline constexpr char kTextMenuNameMeetServer[] = KAZIRO_TEXT("ルームコードにはミーティングサーバーが必要です：kaziro-meetを動かしているマシンのアドレスを入力してください");
// TRANSLATORS: Menu: typing the meeting server's address (a name or an IP
// address, and a port); the settings' row with it (%s), or none.
inline constexpr char kTextMenuMeetTitle[] = KAZIRO_TEXT("ミーティングサーバーのアドレス");
inline constexpr char kTextMenuMeetServer[] = KAZIRO_TEXT("ミーティングサーバー：%s");
inline constexpr char kTextMenuNone[] = KAZIRO_TEXT("なし");
// TRANSLATORS: Menu: the games found on this network; while none answered yet.
inline constexpr char kTextMenuFoundTitle[] = KAZIRO_TEXT("このネットワークのゲーム");
inline constexpr char kTextMenuLooking[] = KAZIRO_TEXT("探しています…");
// TRANSLATORS: Menu: typing the host's address (a name or an IP address, and a port).
inline constexpr char kTextMenuAddressTitle[] = KAZIRO_TEXT("ホストのアドレス");
inline constexpr char kTextMenuCodeTitle[] = KAZIRO_TEXT("ルームコード");
// TRANSLATORS: Menu hint while typing: keys, and a pad's letter chooser.
inline constexpr char kTextMenuTypeHint[] = KAZIRO_TEXT("入力してEnter　Esc：戻る");
inline constexpr char kTextMenuPadTypeHint[] = KAZIRO_TEXT("パッド：←→で文字　Ａで入力　Ｂで消す　Startで決定");
// TRANSLATORS: Menu: a game of two machines is being set up.
inline constexpr char kTextMenuWaitingTitle[] = KAZIRO_TEXT("相手を待っています");
inline constexpr char kTextMenuWaitingHint[] = KAZIRO_TEXT("Esc・Ｂ：やめる");
// TRANSLATORS: Menu, waiting: what the host tells its partner (an address
// and port, or a room code).
inline constexpr char kTextMenuTellPartner[] = KAZIRO_TEXT("相手に伝えてください：%s");
inline constexpr char kTextMenuConnecting[] = KAZIRO_TEXT("%sにつないでいます…");
// TRANSLATORS: Menu, waiting to host by room code: while the meeting server
// (%s, its address) is asked for a code; then above the code, shown large;
// then how the partner uses it (the menu items "Online" and "Join by room
// code", or the option --join-code); and that a code is good for 10 minutes.
inline constexpr char kTextMenuAskingCode[] = KAZIRO_TEXT("%sにルームコードを頼んでいます…");
inline constexpr char kTextMenuRoomCode[] = KAZIRO_TEXT("ルームコードを相手に伝えてください");
inline constexpr char kTextMenuUseCode[] = KAZIRO_TEXT("相手は「オンライン」→「ルームコードで参加」");
inline constexpr char kTextMenuUseCodeOption[] = KAZIRO_TEXT("またはkaziro --join-code %s");
inline constexpr char kTextMenuCodeWaits[] = KAZIRO_TEXT("コードは10分間有効です");
// TRANSLATORS: Menu, waiting to join by room code: %s is the code.
inline constexpr char kTextMenuJoiningRoom[] = KAZIRO_TEXT("ルーム%sに参加しています…");
// TRANSLATORS: Menu, replays: the title, and the line of one replay: when,
// players, the highest difficulty, the score, the length (minutes:seconds).
inline constexpr char kTextMenuReplaysTitle[] = KAZIRO_TEXT("リプレイ");
inline constexpr char kTextMenuReplayRow[] = KAZIRO_TEXT("%s　%d人　難易度%d　%d点　%d:%02d");
inline constexpr char kTextMenuReplayKept[] = KAZIRO_TEXT("（保存）");
inline constexpr char kTextMenuNoReplays[] = KAZIRO_TEXT("リプレイはまだありません");
inline constexpr char kTextMenuReplaysHint[] = KAZIRO_TEXT("Enter：再生　→：保存・削除・書き出し");
// TRANSLATORS: Menu, one replay: what can be done with it.
inline constexpr char kTextMenuWatch[] = KAZIRO_TEXT("再生");
inline constexpr char kTextMenuKeep[] = KAZIRO_TEXT("ずっと保存する");
inline constexpr char kTextMenuUnkeep[] = KAZIRO_TEXT("保存をやめる");
inline constexpr char kTextMenuDelete[] = KAZIRO_TEXT("削除");
inline constexpr char kTextMenuExport[] = KAZIRO_TEXT("書き出し…");
inline constexpr char kTextMenuExportTitle[] = KAZIRO_TEXT("書き出し先のフォルダー");
// TRANSLATORS: Menu, best scores: a difficulty's best with its day, or none;
// the best total of a run from 1 to 9.
inline constexpr char kTextMenuBest[] = KAZIRO_TEXT("難易度%d：%d点（%s）");
inline constexpr char kTextMenuNoBest[] = KAZIRO_TEXT("難易度%d：まだありません");
inline constexpr char kTextMenuBestTotal[] = KAZIRO_TEXT("通算：%d点（%s）");
inline constexpr char kTextMenuNoBestTotal[] = KAZIRO_TEXT("通算：まだありません");
// TRANSLATORS: Menu, settings: each row with its value (%s).
inline constexpr char kTextMenuFullscreen[] = KAZIRO_TEXT("全画面：%s");
inline constexpr char kTextMenuScale[] = KAZIRO_TEXT("ウィンドウの大きさ：%s倍");
inline constexpr char kTextMenuEffectsVolume[] = KAZIRO_TEXT("効果音の音量：%d");
inline constexpr char kTextMenuMusicVolume[] = KAZIRO_TEXT("音楽の音量：%d");
inline constexpr char kTextMenuMute[] = KAZIRO_TEXT("消音：%s");
inline constexpr char kTextMenuLanguage[] = KAZIRO_TEXT("言語：%s");
// TRANSLATORS: Menu, settings: the language follows the system's.
inline constexpr char kTextMenuSystemLanguage[] = KAZIRO_TEXT("システムに合わせる");
inline constexpr char kTextMenuOn[] = KAZIRO_TEXT("オン");
inline constexpr char kTextMenuOff[] = KAZIRO_TEXT("オフ");
inline constexpr char kTextMenuPauseKey[] = KAZIRO_TEXT("一時停止キー：%s");
inline constexpr char kTextMenuHelpKey[] = KAZIRO_TEXT("ヘルプキー：%s");
inline constexpr char kTextMenuMenuKey[] = KAZIRO_TEXT("メニューキー：%s");
inline constexpr char kTextMenuFullscreenKey[] = KAZIRO_TEXT("全画面キー：%s");
inline constexpr char kTextMenuPauseButton[] = KAZIRO_TEXT("一時停止ボタン：%s");
inline constexpr char kTextMenuHelpButton[] = KAZIRO_TEXT("ヘルプボタン：%s");
inline constexpr char kTextMenuMenuButton[] = KAZIRO_TEXT("メニューボタン：%s");
// TRANSLATORS: Menu, settings: a pad's fullscreen switch is Back held with this button.
inline constexpr char kTextMenuFullscreenButton[] = KAZIRO_TEXT("全画面ボタン：Back＋%s");
inline constexpr char kTextMenuReset[] = KAZIRO_TEXT("初期設定に戻す");
// TRANSLATORS: Menu, settings: waiting for the key (or pad button) to use from now on.
inline constexpr char kTextMenuPressKey[] = KAZIRO_TEXT("新しいキーを押してください");
inline constexpr char kTextMenuPressButton[] = KAZIRO_TEXT("新しいボタンを押してください");
inline constexpr char kTextMenuCancelHint[] = KAZIRO_TEXT("Esc：やめる");
// TRANSLATORS: Menu notices: something could not be done (%s says what and
// why), a replay copied (%s is the new file), a replay deleted, a replay that
// cannot be watched.
inline constexpr char kTextMenuCouldNot[] = KAZIRO_TEXT("できませんでした：%s");
inline constexpr char kTextMenuExported[] = KAZIRO_TEXT("書き出しました：%s");
inline constexpr char kTextMenuDeleted[] = KAZIRO_TEXT("削除しました");
inline constexpr char kTextMenuOtherVersion[] = KAZIRO_TEXT("別のバージョン（%s）で記録");
inline constexpr char kTextMenuDamaged[] = KAZIRO_TEXT("壊れています");
// TRANSLATORS: Menu notice: the folder typed for a copy does not exist.
inline constexpr char kTextMenuNoFolder[] = KAZIRO_TEXT("そのフォルダーはありません");
// TRANSLATORS: Over the field after a game of two machines ended on the line:
// the other player quit, or the other machine stopped answering; then how to go on.
inline constexpr char kTextOtherLeft[] = KAZIRO_TEXT("相手が終了しました");
inline constexpr char kTextOtherSilent[] = KAZIRO_TEXT("相手のマシンが応答しなくなりました");
inline constexpr char kTextGamesApart[] = KAZIRO_TEXT("二台のゲームが食い違いました");
inline constexpr char kTextLineBroke[] = KAZIRO_TEXT("相手との接続が切れました");
inline constexpr char kTextPressToGoOn[] = KAZIRO_TEXT("クリックかキーで続ける");
// TRANSLATORS: Small, at the foot of the field for a few seconds after a game
// met by room code began: the two machines reach each other directly, or
// through the meeting server (it relays their messages); %d is the round trip
// in milliseconds.
inline constexpr char kTextWayDirect[] = KAZIRO_TEXT("直接接続：往復%dミリ秒");
inline constexpr char kTextWayRelayed[] = KAZIRO_TEXT("ミーティングサーバー経由：往復%dミリ秒");

// The help screen's lines in the order they are shown.
inline constexpr const char* kHelpLines[] = {
    kTextHelpTitle,      kTextHelpRule1,     kTextHelpRule2,      kTextHelpRule3,
    kTextHelpScoring,    kTextHelpScoreLand, kTextHelpScoreOver,  kTextHelpScoreMiss,
    kTextHelpMouse,      kTextHelpPad,       kTextHelpKeysDigits, kTextHelpKeysPause,
    kTextHelpKeysWindow,
};

// Every text above (the checks of the catalogues walk it).
inline constexpr const char* kAllTexts[] = {
    kTextResult,         kTextPaused,          kTextWaiting,        kTextDeviceFailed,
    kTextError,          kTextTextureFailed,   kTextImageFailed,    kTextSoundFailed,
    kTextNewBest,        kTextBestScore,       kTextClickToContinue, kTextRunTotal,
    kTextBestTotal,      kTextPausedWithHelp,  kTextHelpTitle,      kTextHelpRule1,
    kTextHelpRule2,      kTextHelpRule3,       kTextHelpScoring,    kTextHelpScoreLand,
    kTextHelpScoreOver,  kTextHelpScoreMiss,   kTextHelpMouse,      kTextHelpPad,
    kTextHelpKeysDigits, kTextHelpKeysPause,   kTextHelpKeysWindow, kTextPadWanted,
    kTextPadLeft,        kTextChoice,
    kTextMenuTitle, kTextMenuPlay, kTextMenuPlayers, kTextMenuOnline, kTextMenuReplays,
    kTextMenuScores, kTextMenuSettings, kTextMenuHelp, kTextMenuQuit, kTextMenuHint,
    kTextMenuChooseDifficulty, kTextMenuDifficulty, kTextMenuPlayersRow, kTextMenuPlayerMouse,
    kTextMenuPlayerPad, kTextMenuPlayerNoPad, kTextMenuHostLan, kTextMenuHostOnline,
    kTextMenuJoinCode, kTextMenuJoinFound, kTextMenuJoinAddress, kTextMenuNameMeetServer,
    kTextMenuMeetTitle, kTextMenuMeetServer, kTextMenuNone,
    kTextMenuFoundTitle, kTextMenuLooking, kTextMenuAddressTitle, kTextMenuCodeTitle,
    kTextMenuTypeHint, kTextMenuPadTypeHint, kTextMenuWaitingTitle, kTextMenuWaitingHint,
    kTextMenuTellPartner, kTextMenuConnecting, kTextMenuAskingCode, kTextMenuRoomCode, kTextMenuUseCode,
    kTextMenuUseCodeOption, kTextMenuCodeWaits, kTextMenuJoiningRoom, kTextMenuReplaysTitle, kTextMenuReplayRow,
    kTextMenuReplayKept, kTextMenuNoReplays, kTextMenuReplaysHint, kTextMenuWatch, kTextMenuKeep,
    kTextMenuUnkeep, kTextMenuDelete, kTextMenuExport, kTextMenuExportTitle, kTextMenuBest,
    kTextMenuNoBest, kTextMenuBestTotal, kTextMenuNoBestTotal, kTextMenuFullscreen, kTextMenuScale,
    kTextMenuEffectsVolume, kTextMenuMusicVolume, kTextMenuMute, kTextMenuLanguage,
    kTextMenuSystemLanguage, kTextMenuOn, kTextMenuOff, kTextMenuPauseKey, kTextMenuHelpKey,
    kTextMenuMenuKey, kTextMenuFullscreenKey, kTextMenuPauseButton, kTextMenuHelpButton,
    kTextMenuMenuButton, kTextMenuFullscreenButton, kTextMenuReset, kTextMenuPressKey,
    kTextMenuPressButton, kTextMenuCancelHint, kTextMenuCouldNot, kTextMenuExported,
    kTextMenuDeleted, kTextMenuOtherVersion, kTextMenuDamaged, kTextMenuNoFolder, kTextOtherLeft, kTextOtherSilent,
    kTextGamesApart, kTextLineBroke, kTextPressToGoOn, kTextWayDirect, kTextWayRelayed,
};
