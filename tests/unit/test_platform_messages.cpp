// The platform's message queue: SDL events become the window messages the
// game's window procedure knows; quit carries its status; message boxes and
// Shift_JIS text.
#include <gtest/gtest.h>

#include <SDL.h>

#include <string>
#include <vector>

#include "platform/field_view.h"
#include "platform/input_devices.h"
#include "platform/keyboard_codes.h"
#include "platform/message_box.h"
#include "platform/sdl_internal.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {

std::vector<Message> received;

intptr_t RecordingProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    received.push_back(Message{window, message, wParam, lParam});
    return DefWindowProc(window, message, wParam, lParam);
}

class PlatformMessages : public ::testing::Test {
protected:
    void SetUp() override {
        static bool registered = RegisterWindowClass("KaziroMessagesTest", RecordingProc);
        (void)registered;
        received.clear();
        std::string error;
        window = CreateGameWindow("KaziroMessagesTest", "Kaziro", 800, 600, &error);
        ASSERT_NE(window, nullptr) << error;
        ClearMessageQueue();
    }
    void TearDown() override {
        DestroyGameWindow(window);
        ClearMessageQueue();
    }
    // The id SDL gives the game window.
    Uint32 CurrentWindowId() { return SDL_GetWindowID(SdlWindowOf(window)); }
    WindowHandle window = nullptr;
};

}  // namespace

TEST_F(PlatformMessages, CreationSendsCreateAndGivesTheRequestedClientArea) {
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.front().message, static_cast<uint32_t>(WM_CREATE));
    int w = 0, h = 0;
    GetClientSize(window, &w, &h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
}

TEST_F(PlatformMessages, ClassRegistrationRefusesEmptyAndDuplicateNames) {
    EXPECT_FALSE(RegisterWindowClass("", RecordingProc));
    EXPECT_FALSE(RegisterWindowClass("KaziroMessagesTest", RecordingProc));
    std::string error;
    EXPECT_EQ(CreateGameWindow("NoSuchClass", "x", 10, 10, &error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST_F(PlatformMessages, KeyAndMouseEventsBecomeWindowMessagesOneAtATime) {
    const Uint32 id = CurrentWindowId();
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_KEYDOWN;
    e.key.windowID = id;
    e.key.keysym.sym = SDLK_ESCAPE;
    e.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
    SDL_PushEvent(&e);
    e.key.keysym.sym = SDLK_KP_3;
    SDL_PushEvent(&e);
    SDL_zero(e);
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.windowID = id;
    e.button.button = SDL_BUTTON_RIGHT;
    e.button.x = 12;
    e.button.y = 34;
    SDL_PushEvent(&e);
    e.type = SDL_MOUSEBUTTONUP;
    e.button.button = SDL_BUTTON_LEFT;
    SDL_PushEvent(&e);

    Message m;
    ASSERT_TRUE(PeekMessage(&m));
    EXPECT_EQ(m.message, static_cast<uint32_t>(WM_KEYDOWN));
    EXPECT_EQ(m.wParam, static_cast<uintptr_t>(VK_ESCAPE));
    EXPECT_EQ(m.window, window);
    ASSERT_TRUE(PeekMessage(&m));
    EXPECT_EQ(m.wParam, static_cast<uintptr_t>(VK_NUMPAD0 + 3));
    ASSERT_TRUE(PeekMessage(&m));
    EXPECT_EQ(m.message, static_cast<uint32_t>(WM_RBUTTONDOWN));
    EXPECT_EQ(m.lParam & 0xFFFF, 12);
    EXPECT_EQ((m.lParam >> 16) & 0xFFFF, 34);
    ASSERT_TRUE(PeekMessage(&m));
    EXPECT_EQ(m.message, static_cast<uint32_t>(WM_LBUTTONUP));
    EXPECT_FALSE(PeekMessage(&m));
}

TEST_F(PlatformMessages, TextTypedIsSeenWithTheEnterAfterItNotQueuedBehindIt) {
    // A quick typist's address and Enter arrive together; the messages are
    // handed out one a pass, but the step that sees Enter must see the text.
    const Uint32 id = CurrentWindowId();
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_TEXTINPUT;
    e.text.windowID = id;
    for (const char* part : {"host.lan", ":4780", "1", "\xE6\x97\xA5"}) {
        SDL_strlcpy(e.text.text, part, sizeof e.text.text);
        SDL_PushEvent(&e);
    }
    SDL_zero(e);
    e.type = SDL_KEYDOWN;
    e.key.windowID = id;
    e.key.keysym.sym = SDLK_RETURN;
    e.key.keysym.scancode = SDL_SCANCODE_RETURN;
    SDL_PushEvent(&e);

    Message m;
    ASSERT_TRUE(PeekMessage(&m));  // one message handed out, every event seen
    uint8_t keys[256];
    SystemInputDevices().ReadKeyboard(keys);
    EXPECT_TRUE(keys[DIK_RETURN] & 0x80);
    EXPECT_EQ(TakeTypedText(), "host.lan:47801\xE6\x97\xA5");
    EXPECT_EQ(TakeTypedText(), "");
    // Text nobody takes does not pile up.
    SDL_zero(e);
    e.type = SDL_TEXTINPUT;
    e.text.windowID = id;
    SDL_strlcpy(e.text.text, "abcdefgh", sizeof e.text.text);
    for (int i = 0; i < 100; ++i) SDL_PushEvent(&e);
    while (PeekMessage(&m)) {
    }
    EXPECT_EQ(TakeTypedText().size(), 256u);
}

TEST_F(PlatformMessages, CloseRequestDestroysTheWindowThroughTheDefaultHandling) {
    const Uint32 id = CurrentWindowId();
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = id;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&e);
    Message m;
    ASSERT_TRUE(PeekMessage(&m));
    EXPECT_EQ(m.message, static_cast<uint32_t>(WM_CLOSE));
    received.clear();
    DispatchMessage(m);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].message, static_cast<uint32_t>(WM_CLOSE));
    EXPECT_EQ(received[1].message, static_cast<uint32_t>(WM_DESTROY));
    // A message still queued for the destroyed window is not delivered.
    received.clear();
    EXPECT_EQ(DispatchMessage(Message{window, WM_KEYDOWN, 'A', 0}), 0);
    EXPECT_TRUE(received.empty());
}

TEST_F(PlatformMessages, TerminationSignalClosesTheWindowLikeItsCloseBox) {
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
    Message m;
    ASSERT_TRUE(PeekMessage(&m));
    EXPECT_EQ(m.message, static_cast<uint32_t>(WM_CLOSE));
    EXPECT_EQ(m.window, window);
}

TEST_F(PlatformMessages, PostedQuitCarriesItsStatusAndMusicNoticeItsCode) {
    PostQuitMessage(3);
    PostMusicNotice(MCI_NOTIFY_SUCCESSFUL);
    Message m;
    ASSERT_TRUE(PeekMessage(&m));
    EXPECT_EQ(m.message, static_cast<uint32_t>(WM_QUIT));
    EXPECT_EQ(m.wParam, 3u);
    ASSERT_TRUE(PeekMessage(&m));
    EXPECT_EQ(m.message, static_cast<uint32_t>(MM_MCINOTIFY));
    EXPECT_EQ(m.wParam, MCI_NOTIFY_SUCCESSFUL);
    EXPECT_EQ(m.window, window);
}

TEST_F(PlatformMessages, DroppedFileArrivesWithItsWholePath) {
    const std::string path = "/tmp/a folder with spaces/" + std::string(300, 'x') + ".ogg";
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_DROPFILE;
    e.drop.windowID = CurrentWindowId();
    e.drop.file = SDL_strdup(path.c_str());
    SDL_PushEvent(&e);
    Message m;
    ASSERT_TRUE(PeekMessage(&m));
    ASSERT_EQ(m.message, static_cast<uint32_t>(WM_DROPFILES));
    EXPECT_EQ(DragQueryFile(m.wParam, 0, nullptr, 0), path.size());
    char small[16];
    EXPECT_EQ(DragQueryFile(m.wParam, 0, small, sizeof small), path.size());
    EXPECT_EQ(std::string(small), path.substr(0, 15));  // cut, always terminated
    EXPECT_EQ(DragQueryFile(m.wParam, 1, small, sizeof small), 0u);
    DragFinish(m.wParam);
    EXPECT_EQ(DragQueryFile(m.wParam, 0, small, sizeof small), 0u);
}

TEST(MessageBoxes, HandlerReceivesTheTextsConvertedFromShiftJis) {
    std::vector<std::pair<std::string, std::string>> boxes;
    SetMessageBoxHandler([&](const std::string& text, const std::string& caption,
                             MessageBoxStyle) { boxes.emplace_back(text, caption); });
    // "Direct3Dのデバイス生成に失敗" over "エラー"
    MessageBox("\x83\x47\x83\x89\x81\x5B",
               "\x44\x69\x72\x65\x63\x74\x33\x44\x82\xCC\x83\x66\x83\x6F\x83\x43\x83\x58\x90\xB6"
               "\x90\xAC\x82\xC9\x8E\xB8\x94\x73",
               MessageBoxStyle::Plain);
    SetMessageBoxHandler(nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, "エラー");
    EXPECT_EQ(boxes[0].second, "Direct3Dのデバイス生成に失敗");
}

TEST(MessageBoxes, WithoutADisplayTheBoxIsOneLineOnStandardError) {
    ::testing::internal::CaptureStderr();
    MessageBox("\x83\x47\x83\x89\x81\x5B", "Sound/x.wav", MessageBoxStyle::Error);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "kaziro: Sound/x.wav: エラー\n");
}

TEST(ShiftJisText, ConvertsBothWaysIncludingFullWidthCharacters) {
    std::string sjis;
    ASSERT_TRUE(Utf8ToSjis("難易度3　：　1250点", &sjis));
    EXPECT_EQ(sjis, "\x93\xEF\x88\xD5\x93\x78" "3" "\x81\x40\x81\x46\x81\x40" "1250" "\x93\x5F");
    std::string utf8;
    EXPECT_TRUE(SjisToUtf8(sjis, &utf8));
    EXPECT_EQ(utf8, "難易度3　：　1250点");
    // Characters that only code page 932 has (the wave dash family) survive.
    ASSERT_TRUE(Utf8ToSjis("～①", &sjis));
    EXPECT_EQ(SjisToUtf8(sjis), "～①");
}

TEST(ShiftJisText, InvalidBytesAreReportedNotSilentlyDropped) {
    std::string utf8;
    EXPECT_FALSE(SjisToUtf8(std::string("AB\x82", 3), &utf8));  // a lead byte without its pair
    EXPECT_EQ(utf8, "AB\xEF\xBF\xBD");
    EXPECT_FALSE(SjisToUtf8(std::string("\xA0", 1), &utf8));
}

TEST(FieldView, AScaledWindowWithItsFrameFitsTheDesktopAndNeverGoesBelowOne) {
    EXPECT_EQ(FitWindowScale(2.0, 800, 600, 1920, 1280), 2.0);   // room enough
    EXPECT_EQ(FitWindowScale(1.5, 800, 600, 3840, 2160), 1.5);
    EXPECT_EQ(FitWindowScale(2.0, 800, 600, 1920, 1200), 1.92);  // the title bar needs 48
    EXPECT_EQ(FitWindowScale(4.0, 800, 600, 1024, 768), 1.2);
    EXPECT_EQ(FitWindowScale(3.0, 800, 600, 2000, 1700), 2.48);  // the width limits it
    EXPECT_EQ(FitWindowScale(2.0, 800, 600, 800, 600), 1.0);     // no room even for 1
    EXPECT_EQ(FitWindowScale(1.0, 800, 600, 640, 480), 1.0);
}

TEST(FieldView, TheFieldFillsAnyOutputWithItsAspectAndTheCursorMapsBackOntoIt) {
    // The design's window: the field is the window.
    FieldView v = FitField(800, 600, 800, 600);
    EXPECT_EQ(v.x, 0);
    EXPECT_EQ(v.width, 800);
    EXPECT_TRUE(v.integerScale);
    // 1920 x 1200: twice the field, centred between bars at the sides.
    v = FitField(800, 600, 1920, 1200);
    EXPECT_EQ(v.x, 160);
    EXPECT_EQ(v.y, 0);
    EXPECT_EQ(v.width, 1600);
    EXPECT_EQ(v.height, 1200);
    EXPECT_TRUE(v.integerScale);
    // 1920 x 1080: 1.8 times, bars at the sides, filtered.
    v = FitField(800, 600, 1920, 1080);
    EXPECT_EQ(v.width, 1440);
    EXPECT_EQ(v.x, 240);
    EXPECT_FALSE(v.integerScale);
    // A tall output: bars above and below.
    v = FitField(800, 600, 800, 1000);
    EXPECT_EQ(v.y, 200);
    EXPECT_EQ(v.height, 600);

    const auto field = [](int wx, int wy, int ww, int wh, int pw, int ph) {
        int fx = 0, fy = 0;
        WindowPointToField(wx, wy, ww, wh, pw, ph, 800, 600, &fx, &fy);
        return std::make_pair(fx, fy);
    };
    using P = std::pair<int, int>;
    EXPECT_EQ(field(123, 456, 800, 600, 800, 600), P(123, 456));      // the design's window
    EXPECT_EQ(field(-5, 650, 800, 600, 800, 600), P(-5, 650));        // off it, as it lies
    EXPECT_EQ(field(161, 1, 1920, 1200, 1920, 1200), P(0, 0));        // fullscreen at 2
    EXPECT_EQ(field(1759, 1199, 1920, 1200, 1920, 1200), P(799, 599));
    EXPECT_EQ(field(100, 600, 1920, 1200, 1920, 1200), P(-30, 300));  // in the left bar
    EXPECT_EQ(field(1200, 900, 1200, 900, 1200, 900), P(800, 600));   // --scale 1.5
    EXPECT_EQ(field(600, 450, 1200, 900, 1200, 900), P(400, 300));
    // A desktop that doubles: 800 x 600 points, 1600 x 1200 pixels.
    EXPECT_EQ(field(400, 300, 800, 600, 1600, 1200), P(400, 300));

    // Back the other way (where the cursor is put after fullscreen is toggled):
    // every field point comes back onto itself, at any of those outputs.
    const int outputs[][4] = {{800, 600, 800, 600},     {1920, 1200, 1920, 1200},
                              {1920, 1080, 1920, 1080}, {1200, 900, 1200, 900},
                              {800, 1000, 800, 1000},   {800, 600, 1600, 1200}};
    for (const auto& o : outputs) {
        for (const P& f : {P(0, 0), P(799, 599), P(400, 450), P(123, 77)}) {
            int wx = 0, wy = 0;
            FieldPointToWindow(f.first, f.second, o[0], o[1], o[2], o[3], 800, 600, &wx, &wy);
            EXPECT_EQ(field(wx, wy, o[0], o[1], o[2], o[3]), f) << o[0] << "x" << o[1];
        }
    }
}
