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
};
