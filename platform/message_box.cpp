#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <utility>

#include "platform/platform.h"
#include "platform/text.h"

namespace {

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

}  // namespace

void MessageBox(const char* textSjis, const char* captionSjis) {
    const std::string text = SjisToUtf8(textSjis ? textSjis : "");
    const std::string caption = SjisToUtf8(captionSjis ? captionSjis : "");
    if (Handler()) {
        Handler()(text, caption);
        return;
    }
    if (HasRealDisplay() &&
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), nullptr) == 0) {
        return;
    }
    std::fprintf(stderr, "kaziro: %s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}
