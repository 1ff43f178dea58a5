#include "platform/message_box.h"

#include <SDL.h>

#include <set>
#include <utility>

#include "platform/platform.h"
#include "platform/report.h"
#include "platform/text.h"
#include "platform/translation.h"

namespace {

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

// The keys whose box has been shown in this run.
std::set<std::string>& ShownKeys() {
    static std::set<std::string> keys;
    return keys;
}

}  // namespace

void MessageBox(const char* textSjis, const char* captionSjis, MessageBoxStyle style) {
    MessageBoxUtf8(TranslateSjis(textSjis ? textSjis : ""),
                   TranslateSjis(captionSjis ? captionSjis : ""), style);
}

void MessageBoxUtf8(const std::string& text, const std::string& caption, MessageBoxStyle style) {
    if (Handler()) {
        Handler()(text, caption, style);
        return;
    }
    // No icon flag is the plain OK box.
    const Uint32 flags = style == MessageBoxStyle::Error ? SDL_MESSAGEBOX_ERROR : 0;
    if (HasRealDisplay() &&
        SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), nullptr) == 0) {
        return;
    }
    Report(caption.c_str(), "%s", text.c_str());
}

void MessageBoxOnce(const std::string& key, const char* textSjis, const char* captionSjis,
                    MessageBoxStyle style) {
    MessageBoxOnceUtf8(key, TranslateSjis(textSjis ? textSjis : ""),
                       TranslateSjis(captionSjis ? captionSjis : ""), style);
}

void MessageBoxOnceUtf8(const std::string& key, const std::string& text,
                        const std::string& caption, MessageBoxStyle style) {
    if (ShownKeys().insert(key).second) {
        MessageBoxUtf8(text, caption, style);
    } else {
        Report(caption.c_str(), "%s", text.c_str());
    }
}

void ForgetMessageBoxKeys() { ShownKeys().clear(); }

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}
