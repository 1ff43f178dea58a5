// Modal message boxes. The game's own boxes carry Shift_JIS texts, which are
// shown in the player's language (platform/translation.h).
#pragma once

#include <functional>
#include <string>

// How a box looks: an OK button alone, or with the error icon as well.
enum class MessageBoxStyle { Plain, Error };

// "エラー" (error) in Shift_JIS: the text or the caption of the game's error boxes.
constexpr char kSjisErrorWord[] = "\x83\x47\x83\x89\x81\x5B";

// Shows a box with an OK button and no owner window; returns when it is closed.
// Text and caption are converted to UTF-8 and looked up in the translations:
// the game's texts come out in the player's language, anything else (a file's
// path) as it is. Where no display can show a box (headless runs) the caption
// and text go to standard error as one line and the call returns at once.
void MessageBox(const char* textSjis, const char* captionSjis, MessageBoxStyle style);
// The same with texts that are UTF-8 already (translated by the caller).
void MessageBoxUtf8(const std::string& textUtf8, const std::string& captionUtf8,
                    MessageBoxStyle style);
// Shows the box only the first time `key` (a file, say) comes up in this run;
// every later time the caption and text go to standard error as one line.
void MessageBoxOnce(const std::string& key, const char* textSjis, const char* captionSjis,
                    MessageBoxStyle style);
// The same with UTF-8 texts.
void MessageBoxOnceUtf8(const std::string& key, const std::string& textUtf8,
                        const std::string& captionUtf8, MessageBoxStyle style);
// Forgets which keys have had their box (tests start each case afresh).
void ForgetMessageBoxKeys();

// A replacement for the boxes (tests record them). Receives the UTF-8 texts.
using MessageBoxHandler = std::function<void(
    const std::string& textUtf8, const std::string& captionUtf8, MessageBoxStyle style)>;
// Installs a handler (an empty one restores the default); returns the old one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
