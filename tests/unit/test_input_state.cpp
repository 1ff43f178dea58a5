// `cInput` sampling against fake devices: key and click edges, focus, the
// cursor off the window, pad slots, pad reading, the pad quit test and the
// keyboard-only pads; a pad's own functions; a controller plugged in and
// pulled out through the system's devices.

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/WinMain.h"
#include "game/GameState.h"
#include "input/Controls.h"
#include "input/LocalPlayers.h"
#include "input/cInput.h"
#include "net/LockstepWire.h"
#include "platform/sdl_internal.h"
#include "platform/window.h"
#include "support/fake_pads.h"

namespace {

// A handle that is never dereferenced: cInput only hands it back to the devices.
WindowHandle FakeWindow() { return reinterpret_cast<WindowHandle>(0x1000); }

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        devices.focusWindow = FakeWindow();
        devices.gameWindow = FakeWindow();
        std::snprintf(windowTitle, sizeof windowTitle, "%s", "Kaziro");
    }
    FakeDevices devices;
};

TEST_F(InputTest, KeyHeldForSeveralStepsIsPressedOnlyOnTheFirst) {
    cInput in;
    in.Init(FakeWindow(), &devices);
    in.Refresh();
    EXPECT_FALSE(in.KeyDown(DIK_NUMPAD1));

    devices.Press(DIK_NUMPAD1);
    std::vector<bool> down, pressed;
    for (int step = 0; step < 4; ++step) {
        in.Refresh();
        down.push_back(in.KeyDown(79));
        pressed.push_back(in.KeyPressed(79));
    }
    EXPECT_EQ(down, (std::vector<bool>{true, true, true, true}));
    EXPECT_EQ(pressed, (std::vector<bool>{true, false, false, false}));

    devices.Release(DIK_NUMPAD1);
    in.Refresh();
    EXPECT_FALSE(in.KeyDown(79));
    EXPECT_FALSE(in.KeyPressed(79));
    devices.Press(DIK_NUMPAD1);  // pressed again: a new edge
    in.Refresh();
    EXPECT_TRUE(in.KeyPressed(79));

    EXPECT_FALSE(in.KeyDown(-1));
    EXPECT_FALSE(in.KeyPressed(256));
}

TEST_F(InputTest, KeyboardIsNotReadWithoutFocus) {
    cInput in;
    in.Init(FakeWindow(), &devices);
    devices.Press(DIK_A);
    in.Refresh();
    ASSERT_TRUE(in.KeyPressed(DIK_A));

    // Focus lost with A held and B pressed in the background.
    devices.focus = false;
    devices.Release(DIK_A);
    devices.Press(DIK_B);
    for (int step = 0; step < 3; ++step) {
        in.Refresh();
        EXPECT_TRUE(in.KeyDown(DIK_A)) << "a key that was down stays down";
        EXPECT_FALSE(in.KeyPressed(DIK_A));
        EXPECT_FALSE(in.KeyDown(DIK_B)) << "a key pressed in the background is not reported";
    }

    devices.focus = true;
    in.Refresh();
    EXPECT_FALSE(in.KeyDown(DIK_A));
    EXPECT_TRUE(in.KeyPressed(DIK_B));
}

TEST_F(InputTest, ClickCountsOnExactlyOneStep) {
    cInput in;
    in.Init(FakeWindow(), &devices);
    in.Refresh();
    in.rawMouse.left = 1;  // as the window procedure leaves it
    int clicks = 0, held = 0;
    for (int step = 0; step < 5; ++step) {
        in.Refresh();
        if (!in.prevMouse.left && in.mouse.left) ++clicks;
        if (in.mouse.left) ++held;
    }
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(held, 5);
    in.rawMouse = MouseState{};
    in.rawMouse.right = 1;
    in.rawMouse.middle = 1;
    in.Refresh();
    EXPECT_EQ(in.mouse.left, 0);
    EXPECT_EQ(in.prevMouse.left, 1);
    EXPECT_EQ(in.mouse.right, 1);
    EXPECT_EQ(in.mouse.middle, 1);
}

TEST_F(InputTest, CursorOffTheWindowKeepsItsSign) {
    cInput in;
    in.Init(FakeWindow(), &devices);
    devices.cursorX = -12;
    devices.cursorY = -1;
    in.Refresh();
    EXPECT_EQ(in.mouse.x, -12.0f);
    EXPECT_EQ(in.mouse.y, -1.0f);
    devices.cursorX = 800;
    devices.cursorY = 640;
    in.Refresh();
    EXPECT_EQ(in.mouse.x, 800.0f);
    EXPECT_EQ(in.mouse.y, 640.0f);
    EXPECT_EQ(in.prevMouse.x, -12.0f);
}

TEST_F(InputTest, PadsFillSlotsFromZeroAtMostFour) {
    devices.pads.resize(2);
    cInput two;
    EXPECT_EQ(two.Init(FakeWindow(), &devices), 0);
    EXPECT_EQ(two.CountPads(), 2);
    devices.pads[0].state.buttons[0] = 0x80;
    devices.pads[0].state.x = 65536;
    devices.pads[1].state.y = 123;
    two.Refresh();
    EXPECT_EQ(two.pads[0].current.buttons[0], 0x80);
    EXPECT_EQ(two.pads[0].current.x, 65536);
    EXPECT_EQ(two.pads[1].current.y, 123);
    const PadState zero{};
    for (int slot = 2; slot < 4; ++slot) {
        EXPECT_FALSE(two.pads[slot].device);
        EXPECT_EQ(std::memcmp(&two.pads[slot].current, &zero, sizeof zero), 0);
    }

    FakeDevices six;
    six.pads.resize(6);
    cInput many;
    many.Init(FakeWindow(), &six);
    EXPECT_EQ(many.CountPads(), 4);
    EXPECT_EQ(six.opened, 4) << "pads after the fourth are not opened";

    FakeDevices broken;
    broken.pads.resize(3);
    broken.failOpenAt = 1;
    cInput first;
    first.Init(FakeWindow(), &broken);
    EXPECT_EQ(first.CountPads(), 1) << "the first pad that cannot be opened ends the search";

    FakeDevices none;
    none.padsStart = false;
    none.focusWindow = FakeWindow();
    cInput keyboardOnlyMachine;
    EXPECT_LT(keyboardOnlyMachine.Init(FakeWindow(), &none), 0);
    EXPECT_EQ(keyboardOnlyMachine.CountPads(), 0);
    none.Press(DIK_SPACE);
    keyboardOnlyMachine.Refresh();
    EXPECT_TRUE(keyboardOnlyMachine.KeyDown(DIK_SPACE)) << "the keyboard works without pads";
}

TEST_F(InputTest, ReadPadKeepsOrRebuildsTheRecordOnFailures) {
    devices.pads.resize(1);
    cInput in;
    in.Init(FakeWindow(), &devices);
    FakePadData& pad = devices.pads[0];
    pad.state.buttons[4] = 0x80;
    pad.state.buttons[20] = 0x80;  // beyond the 12 the game reads
    pad.state.x = 1;
    pad.state.y = 2;
    pad.state.z = 3;
    pad.state.rz = 4;
    in.Refresh();
    const PadState good = in.pads[0].current;
    EXPECT_EQ(good.buttons[4], 0x80);
    EXPECT_EQ(good.rz, 4);

    // Polling fails (unplugged): current stays equal to previous; the retries are bounded.
    pad.pollOk = false;
    pad.acquireResult = kInputLost;
    pad.state.x = 999;
    pad.acquireCalls = 0;
    in.Refresh();
    EXPECT_EQ(std::memcmp(&in.pads[0].current, &good, sizeof good), 0);
    EXPECT_EQ(std::memcmp(&in.pads[0].previous, &good, sizeof good), 0);
    EXPECT_LE(pad.acquireCalls, 8);

    // The read fails after a good poll: previous is cleared and current is
    // rebuilt from the last good state.
    pad.pollOk = true;
    pad.acquireResult = 0;
    pad.stateOk = false;
    in.Refresh();
    const PadState zero{};
    EXPECT_EQ(std::memcmp(&in.pads[0].previous, &zero, sizeof zero), 0);
    EXPECT_EQ(std::memcmp(&in.pads[0].current, &good, sizeof good), 0);

    // A named button with no physical button is never written.
    pad.stateOk = true;
    pad.state = JoyState2{};
    pad.state.buttons[PAD_START] = 0x80;
    in.buttonMap[PAD_START] = kButtonUnassigned;
    in.pads[0].current.buttons[4] = 0;
    in.Refresh();
    EXPECT_EQ(in.pads[0].current.buttons[4], 0);
    EXPECT_FALSE(in.PadButtonDown(0, PAD_START));
    EXPECT_FALSE(in.PadButtonDown(4, PAD_A));
    EXPECT_FALSE(in.PadButtonDown(0, 12));
}

// Holds the given named buttons on a slot of the global object.
void Hold(int slot, std::initializer_list<int> named) {
    input.pads[slot].current = PadState{};
    for (int k : named) input.pads[slot].current.buttons[input.buttonMap[k]] = 0x80;
}

bool QuitPosted() {
    Message m;
    bool quit = false;
    while (PeekMessage(&m)) quit = quit || m.message == WM_QUIT;
    return quit;
}

TEST_F(InputTest, PadQuitTestNeedsAllSixButtonsOnAPadInUse) {
    devices.pads.resize(3);
    input.Init(FakeWindow(), &devices);
    ClearMessageQueue();
    for (int k = 0; k < kNamedButtons; ++k) EXPECT_EQ(input.buttonMap[k], k);

    Hold(0, {PAD_A});
    PadQuitTest();
    EXPECT_FALSE(QuitPosted()) << "the first button alone must not quit";

    Hold(2, {PAD_R1, PAD_R2, PAD_L1, PAD_L2, PAD_SELECT});
    PadQuitTest();
    EXPECT_FALSE(QuitPosted()) << "five of six";

    Hold(2, {PAD_R1, PAD_R2, PAD_L1, PAD_L2, PAD_SELECT, PAD_START});
    PadQuitTest();
    EXPECT_TRUE(QuitPosted());

    Hold(2, {});
    Hold(3, {PAD_R1, PAD_R2, PAD_L1, PAD_L2, PAD_SELECT, PAD_START});
    PadQuitTest();
    EXPECT_FALSE(QuitPosted()) << "slot 3 holds no pad";
    Hold(3, {});
    input.Shutdown();
}

TEST_F(InputTest, KeyboardOnlyPadsFollowTheKeys) {
    devices.pads.resize(1);
    cInput in;
    in.keyboardOnly = true;  // before Init: slot 0 is the keyboard pad
    in.windowTitle = "Kaziro";
    in.Init(FakeWindow(), &devices);
    devices.pads[0].state.buttons[PAD_B] = 0x80;  // the real pad is the next pad

    devices.Press(DIK_Z);
    devices.Press(DIK_RETURN);
    devices.Press(DIK_LEFT);
    devices.Press(DIK_RIGHT);
    devices.Press(DIK_UP);
    in.Refresh();
    const PadState& p = in.pads[0].current;
    EXPECT_EQ(p.buttons[PAD_A], 1);
    EXPECT_EQ(p.buttons[PAD_START], 1);
    EXPECT_EQ(p.buttons[PAD_B], 0);
    EXPECT_EQ(p.x, 0xFFFF) << "Right wins over Left";
    EXPECT_EQ(p.y, 0);
    EXPECT_EQ(in.CountPads(), 2);
    EXPECT_TRUE(in.PadButtonDown(1, PAD_B));
    EXPECT_FALSE(in.PadButtonDown(1, PAD_A));

    // Every key of the quit test.
    for (uint8_t key : {DIK_E, DIK_R, DIK_W, DIK_Q, DIK_SPACE}) devices.Press(key);
    in.Refresh();
    for (int k : {PAD_R1, PAD_R2, PAD_L1, PAD_L2, PAD_SELECT, PAD_START}) {
        EXPECT_TRUE(in.PadButtonDown(0, k)) << buttonNames[k];
    }
    EXPECT_TRUE(in.PadButtonDown(0, PAD_A));

    // Another window active: the sticks centre, the buttons keep their values.
    devices.focus = false;
    std::memset(devices.keys, 0, sizeof devices.keys);
    in.Refresh();
    EXPECT_EQ(in.pads[0].current.x, 0x8000);
    EXPECT_EQ(in.pads[0].current.y, 0x8000);
    EXPECT_EQ(in.pads[0].current.buttons[PAD_A], 1);

    devices.focus = true;
    devices.Press(DIK_DOWN);
    devices.Press(DIK_UP);
    in.Refresh();
    EXPECT_EQ(in.pads[0].current.buttons[PAD_A], 0);
    EXPECT_EQ(in.pads[0].previous.buttons[PAD_A], 1);
    EXPECT_EQ(in.pads[0].current.y, 0xFFFF) << "Down wins over Up";
    EXPECT_EQ(in.pads[0].current.x, 0x8000);
}

TEST_F(InputTest, APlayersRecordComesFromTheMouseOrThePadWhicheverMovedLast) {
    devices.pads.resize(1);
    JoyState2& pad = devices.pads[0].state;
    for (uint32_t& hat : pad.pov) hat = 0xFFFFFFFFu;
    pad.x = pad.y = 32768;
    cInput in;
    in.Init(FakeWindow(), &devices);
    cControlMapper mapper(true, 0, true);
    devices.cursorX = 120;
    devices.cursorY = 80;
    in.Refresh();
    PlayerControls c = mapper.Build(in);
    EXPECT_EQ(c.x, 120.0f);  // the mouse, exactly
    EXPECT_EQ(c.y, 80.0f);

    // A stick inside its dead zone leaves the mouse in charge; full tilt takes
    // over from where the paddle is and moves it 8 pixels a step.
    pad.x = 32768 + 5000;
    in.Refresh();
    EXPECT_EQ(mapper.Build(in).x, 120.0f);
    pad.x = 65536;
    for (int step = 1; step <= 3; ++step) {
        in.Refresh();
        c = mapper.Build(in);
        EXPECT_EQ(c.x, 120.0f + 8.0f * step);
        EXPECT_EQ(c.y, 80.0f);
    }
    // Released, the paddle stays; the d-pad moves it too; the field's edge stops it.
    pad.x = 32768;
    pad.pov[0] = 0;  // up
    for (int step = 0; step < 20; ++step) {
        in.Refresh();
        c = mapper.Build(in);
    }
    EXPECT_EQ(c.x, 144.0f);
    EXPECT_EQ(c.y, 0.0f);
    pad.pov[0] = 0xFFFFFFFFu;

    // The shoulders turn, A or B continues, the keys give digits and the pause.
    pad.buttons[10] = 0x80;  // L1
    pad.buttons[9] = 0x80;   // R2 (a trigger pressed past half)
    pad.buttons[1] = 0x80;   // B
    devices.Press(DIK_3);
    devices.Press(DIK_NUMPAD7);
    devices.Press(DIK_P);
    in.Refresh();
    c = mapper.Build(in);
    EXPECT_TRUE(c.turnLeft && c.turnRight && c.confirm && c.pause);
    EXPECT_EQ(c.digits, RowDigitBit(3) | KeypadDigitBit(7));

    // The mouse moves again: it steers again.
    devices.cursorX = 400;
    in.Refresh();
    c = mapper.Build(in);
    EXPECT_EQ(c.x, 400.0f);
    EXPECT_EQ(c.y, 80.0f);

    // The record goes over the wire and comes back the same.
    const PlayerControls back = UnpackControls(PackControls(c));
    EXPECT_EQ(back.x, c.x);
    EXPECT_EQ(back.y, c.y);
    EXPECT_EQ(back.digits, c.digits);
    EXPECT_TRUE(back.turnLeft && back.turnRight && back.confirm && back.pause);
}

TEST_F(InputTest, TheKeyboardPadCountsAsAPadForPlayingAndForTheQuitChord) {
    input.windowTitle = "Kaziro";
    input.Init(FakeWindow(), &devices);  // no game controller attached
    input.keyboardOnly = true;
    EXPECT_EQ(input.CountPads(), 1);
    ClearMessageQueue();
    cControlMapper player2(false, 0, false);
    devices.Press(DIK_RIGHT);
    devices.Press(DIK_W);  // L1
    input.Refresh();
    const PlayerControls c = player2.Build(input);
    EXPECT_EQ(c.x, 408.0f);
    EXPECT_TRUE(c.turnLeft);
    for (uint8_t key : {DIK_E, DIK_R, DIK_Q, DIK_SPACE, DIK_RETURN}) devices.Press(key);
    input.Refresh();
    PadQuitTest();
    EXPECT_TRUE(QuitPosted());
    input.keyboardOnly = false;
    input.Shutdown();
}

// One player with a pad in hand: Back held with the d-pad, the stick and the
// shoulders chooses a difficulty, which A gives the game as a digit key
// would; while Back is held the pad neither steers nor turns; Start pauses;
// Back and Start held for a second ask for fullscreen, once.
TEST_F(InputTest, APadAloneChoosesTheDifficultyPausesAndSwitchesFullscreen) {
    devices.pads.resize(1);
    devices.pads[0].Rest();
    JoyState2& pad = devices.pads[0].state;
    cInput in;
    in.Init(FakeWindow(), &devices);
    cLocalPlayers local;
    local.Start(1, true);
    GameState game;
    SeedGame(game, 7u, 1);
    CreateFirstScene(game);
    PlayerControls records[kMaxPlayers];
    const auto step = [&](std::initializer_list<int> held) {
        for (int b = 0; b < kNamedButtons; ++b) pad.buttons[b] = 0;
        for (int b : held) pad.buttons[b] = 0x80;
        in.Refresh();
        local.Build(in, game.paused != 0, game.board.difficulty, records);
        StepEvents events;
        StepGame(game, records, events);
    };
    for (uint32_t hat : {0xFFFFFFFFu, 9000u, 0xFFFFFFFFu, 9000u, 0xFFFFFFFFu}) {  // 1, right twice
        pad.pov[0] = hat;
        step({PAD_SELECT});
    }
    pad.x = kAxisMax;  // 4
    step({PAD_SELECT, PAD_R1});
    EXPECT_EQ(local.Choice(0), 5);
    EXPECT_FALSE(records[0].turnRight);
    EXPECT_EQ(records[0].x, 0.0f) << "the stick does not steer while Back is held";
    step({PAD_SELECT, PAD_L2});
    step({PAD_SELECT, PAD_A});
    EXPECT_EQ(game.board.difficulty, 4);
    step({PAD_START});
    EXPECT_EQ(game.paused, 1);

    pad.x = kAxisMax / 2;
    std::vector<int> asked;
    for (int s = 1; s <= 150; ++s) {
        step({PAD_SELECT, PAD_START});
        if (local.TakeFullscreenRequest()) asked.push_back(s);
    }
    EXPECT_EQ(asked, std::vector<int>{cControlMapper::kFullscreenHoldSteps});
    EXPECT_EQ(game.paused, 1) << "Start held with Back does not pause or resume";
}

// The system's own devices: a controller plugged in arrives in a slot through
// the window's event translation and is read; pulled out, its slot is empty
// and at rest at once.
TEST(SystemPads, AControllerIsTakenAsItArrivesAndLetGoAsItLeaves) {
    cInput in;
    ASSERT_EQ(in.Init(nullptr), 0);
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    const auto step = [&in] {
        Message m;
        while (PeekMessage(&m)) {
        }
        in.Refresh();
    };
    ASSERT_EQ(SDL_JoystickAttachVirtualEx(&desc), 0) << SDL_GetError();
    step();
    ASSERT_TRUE(in.HasPad(0));
    SDL_Joystick* stick = SDL_JoystickFromInstanceID(in.pads[0].device->Id());
    SDL_JoystickSetVirtualAxis(stick, SDL_CONTROLLER_AXIS_LEFTX, 32767);
    step();
    EXPECT_EQ(in.pads[0].current.x, kAxisMax);
    SDL_JoystickDetachVirtual(0);
    step();
    EXPECT_FALSE(in.HasPad(0));
    EXPECT_EQ(in.pads[0].current.x, kAxisMax / 2);
    in.Shutdown();
}

// The paddle belongs to whoever moved it last: a pad steers, then the window
// is scaled and goes fullscreen under a mouse that stays where it is. The
// cursor is over other points of the field each time (the window changed
// under it), yet the paddle stays the pad's until the pointer itself moves.
TEST(SystemPointer, AWindowChangeUnderAStillMouseLeavesThePaddleToThePad) {
    // The system's cursor and pointer, and a pad of the test's.
    struct Devices : FakeDevices {
        void GetCursor(WindowHandle w, int* x, int* y) override { SystemInputDevices().GetCursor(w, x, y); }
        void GetPointer(WindowHandle w, int* x, int* y) override { SystemInputDevices().GetPointer(w, x, y); }
    } devices;
    devices.pads.resize(1);
    devices.pads[0].Rest();
    RegisterWindowClass("KaziroPointerTest", [](WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) {
        return DefWindowProc(w, m, wp, lp);
    });
    std::string error;
    WindowHandle window = CreateGameWindow("KaziroPointerTest", "Kaziro", 800, 600, &error);
    ASSERT_NE(window, nullptr) << error;
    cInput in;
    in.Init(window, &devices);
    cControlMapper mapper(true, 0, false);
    const auto step = [&] {
        Message m;
        while (PeekMessage(&m)) DispatchMessage(m);
        in.Refresh();
        return mapper.Build(in);
    };
    SDL_WarpMouseInWindow(SdlWindowOf(window), 300, 200);  // the player puts the mouse there
    PlayerControls c = step();
    EXPECT_EQ(c.x, 300.0f);
    devices.pads[0].state.x = kAxisMax;  // the pad steers 8 pixels a step to the right
    for (int i = 0; i < 5; ++i) c = step();
    devices.pads[0].Rest();
    c = step();
    ASSERT_EQ(c.x, 340.0f);
    ASSERT_EQ(c.y, 200.0f);

    // Another scale (as the window manager may make it), then fullscreen.
    for (int change = 0; change < 2; ++change) {
        const float cursorBefore = in.mouse.x;
        if (change == 0) SDL_SetWindowSize(SdlWindowOf(window), 1600, 1200);
        if (change == 1) ToggleFullscreen(window);
        c = step();
        EXPECT_NE(in.mouse.x, cursorBefore) << "the window changed under the cursor";
        EXPECT_FALSE(in.MouseMoved());
        EXPECT_EQ(c.x, 340.0f) << "the pad's paddle, after change " << change;
        EXPECT_EQ(c.y, 200.0f);
    }
    SDL_WarpMouseInWindow(SdlWindowOf(window), 700, 400);  // the player moves the mouse
    c = step();
    EXPECT_TRUE(in.MouseMoved());
    EXPECT_NE(c.x, 340.0f);
    EXPECT_EQ(c.x, in.mouse.x) << "the mouse steers again";
    EXPECT_EQ(c.y, in.mouse.y);
    in.Shutdown();
    DestroyGameWindow(window);
}

TEST(PadAxes, StickRangeIsZeroTo65536) {
    EXPECT_EQ(ScaleStickAxis(-32768), 0);
    EXPECT_EQ(ScaleStickAxis(32767), 65536);
    EXPECT_NEAR(ScaleStickAxis(0), 32768, 1);
    EXPECT_LT(ScaleStickAxis(-1), ScaleStickAxis(0));
}

}  // namespace
