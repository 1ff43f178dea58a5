#include "app/FrontDoor.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "app/WinMain.h"
#include "audio/cDSound.h"
#include "graphics/Graphics.h"
#include "graphics/MenuView.h"
#include "graphics/Overlay.h"
#include "graphics/Texts.h"
#include "input/cInput.h"
#include "net/Discovery.h"
#include "net/MeetWire.h"
#include "net/SessionParts.h"
#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/datagram.h"
#include "platform/input_devices.h"
#include "platform/platform.h"
#include "platform/report.h"
#include "platform/socket.h"
#include "platform/translation.h"
#include "platform/user_files.h"

namespace {

// A key or direction held: the first step acts, then again after this many
// steps, and then every few.
constexpr int kRepeatAfter = 24;
constexpr int kRepeatEvery = 6;
// How long the field says why a two-machine game ended before it goes on by itself.
constexpr uint32_t kEndingMs = 10000;
// Addresses the waiting page names at most.
constexpr size_t kAddressesShown = 3;
// How long the field says which way a game met by room code went, and how
// long it waits for the round trip to be known before it says it anyway.
constexpr uint32_t kWayShownMs = 4000;
constexpr uint32_t kWayWaitsMs = 1500;


// Any pad's named button k went down in this step.
bool PadPressed(int k) {
    for (int slot = 0; slot < kPadSlots; ++slot) {
        if (input.HasPad(slot) && input.PadButtonPressed(slot, k)) return true;
    }
    return false;
}

// The direction the keys' arrows or a pad point to: 1 up, 2 down, 3 left, 4 right, 0 none.
int Direction() {
    if (input.KeyDown(DIK_UP)) return 1;
    if (input.KeyDown(DIK_DOWN)) return 2;
    if (input.KeyDown(DIK_LEFT)) return 3;
    if (input.KeyDown(DIK_RIGHT)) return 4;
    for (int slot = 0; slot < kPadSlots; ++slot) {
        if (!input.HasPad(slot) || (input.keyboardOnly && slot == 0)) continue;
        const PadState& p = input.pads[slot].current;
        const uint32_t hat = input.padBuffers[slot].pov[0];
        if (p.y < kAxisMax / 4 || hat == 0) return 1;
        if (p.y > kAxisMax * 3 / 4 || hat == 18000) return 2;
        if (p.x < kAxisMax / 4 || hat == 27000) return 3;
        if (p.x > kAxisMax * 3 / 4 || hat == 9000) return 4;
    }
    return 0;
}

}  // namespace

struct cFrontDoor::Connection {
    std::unique_ptr<cNetSession> session;
    NetSettings settings;
    std::thread thread;
    std::atomic<bool> done{false};
    std::atomic<bool> cancel{false};
    std::unique_ptr<InterruptWatch> ctrlC;  // from the command line, Ctrl+C gives up
    bool fromMenu = false;
    bool ok = false;
    std::string error;
    // Hosting by room code: the code, once the meeting server gave it.
    std::mutex codeLock;
    std::string code;
    bool codeShown = false;
};

cFrontDoor::cFrontDoor(const AppOptions& options, const Settings& settings, WindowHandle window)
    : options_(options), settings_(settings), window_(window) {}

cFrontDoor::~cFrontDoor() { End(); }

bool cFrontDoor::Begin(int* status) {
    std::string why;
    if (!shelf_.Open(&why)) Report("replays", "%s: the games played are not kept", why.c_str());
    input.bindings = settings_.bindings;
    SetOutputVolumes(settings_.effectsVolume, settings_.musicVolume);
    if (!settings_.language.empty()) UseLanguage(settings_.language);
    view_ = std::make_unique<cMenuView>();

    if (options_.net != AppOptions::Net::None) {
        // The field shows a first board while the machines meet; it is not played.
        placeholder_ = true;
        NewPlay(0, 1, false)->Start(AppOptions{}, nullptr);
        play_->ShowFirstScene();
        if (!options_.recordFile.empty()) {  // found out now, not once the partner is there
            const std::string part = options_.recordFile + ".part";
            std::FILE* f = std::fopen(part.c_str(), "wb");
            if (!f) {
                Report("record", "%s: %s", part.c_str(), std::strerror(errno));
                *status = kExitBadFile;
                return false;
            }
            std::fclose(f);
            std::remove(part.c_str());
        }
        Connect(NetSettingsOf(options_), options_.host);
        return true;
    }
    cPlay* p = nullptr;
    if (!options_.replayFile.empty()) {
        Replay replay;
        if (!LoadReplay(options_.replayFile, &replay, &why)) {
            Report("replay", "%s: %s", options_.replayFile.c_str(), why.c_str());
            *status = kExitBadFile;
            return false;
        }
        if (replay.version != KAZIRO_VERSION) {
            Report("replay", "%s was recorded by kaziro %s, this is %s: it may play another game",
                   options_.replayFile.c_str(), replay.version.c_str(), KAZIRO_VERSION);
        }
        if ((p = NewPlay(replay.seed, replay.players, false))) p->StartPlayback(std::move(replay));
    } else {
        p = NewPlay(timeGetTime(), options_.players, true);
    }
    if (!p) {
        *status = kExitBadFile;
        return false;
    }
    if (!p->Start(options_, nullptr)) {
        *status = kExitCannotPlay;
        return false;
    }
    p->ShowFirstScene();
    // With --menu the first board stands still under the menu until it closes.
    if (options_.menu) OpenMenu(MenuPage::Main);
    return true;
}

// --- Games ----------------------------------------------------------------------

// A new game (the last one ended first): seeded, with the options that go
// with every game; kept on the shelf when `keep`. The first game also takes
// --record and --net-log; null when one of them cannot be made (said on stderr).
cPlay* cFrontDoor::NewPlay(uint32_t seed, int players, bool keep) {
    EndGame();
    play_ = std::make_unique<cPlay>();
    cPlay& p = *play_;
    p.Seed(seed, players);
    p.UseSyncCheck(options_.syncTest, options_.syncDepth);
    p.UseAutopilot(options_.autopilot, options_.autopilotSeed);
    std::string why;
    const bool first = first_ && !placeholder_;
    if (first && !options_.netLog.empty() && !p.OpenNetLog(options_.netLog, &why)) {
        Report("network", "%s", why.c_str());
        return nullptr;
    }
    if (first && keep && !options_.recordFile.empty() && !p.StartRecording(options_.recordFile, seed, players, &why)) {
        Report("record", "%s", why.c_str());
        return nullptr;
    }
    if (keep && !shelf_.Folder().empty()) {
        // A name another game took a moment ago is not taken again: the next is tried.
        bool kept = false;
        for (int tries = 0; tries < 3 && !kept; ++tries) kept = p.StartKeeping(shelf_.NewPath(), seed, players, &why);
        if (!kept) Report("replays", "%s: this game is not kept", why.c_str());
    }
    return &p;
}

void cFrontDoor::EndGame() {
    if (!play_) return;
    if (session_) session_->Shutdown();  // the quit goes out, the router's mapping goes
    std::string kept;
    play_->Finish(&kept);
    if (!kept.empty()) {
        const cPlay::Summary s = play_->GameSummary();
        ReplayListing about;
        about.players = s.players;
        about.difficulty = s.difficulty;
        about.score = s.score;
        about.steps = s.steps;
        std::string why;
        if (!shelf_.Add(kept, about, &why)) Report("replays", "%s", why.c_str());
    }
    wayNotice_.reset();
    wayPending_ = false;
    play_.reset();  // its picture goes
    session_.reset();
    if (!placeholder_) first_ = false;
    placeholder_ = false;
    watching_ = false;
}

void cFrontDoor::StartLocalGame(int players, int difficulty, bool fromMenu) {
    cPlay& p = *NewPlay(timeGetTime(), players, true);  // not the first game: nothing to fail
    AppOptions o = options_;
    o.players = players;
    p.Start(o, nullptr);
    p.StartAtDifficulty(difficulty);
    p.QuitAtEnd(!fromMenu);
    p.ShowFirstScene();
    fromMenu_ = fromMenu;
}

bool cFrontDoor::StartWatching(const ShelvedReplay& shelved) {
    Replay replay;
    std::string why;
    if (!LoadReplay(shelved.path, &replay, &why)) {
        menu_.Notice(TranslateFormat(kTextMenuCouldNot, why.c_str()));
        return false;
    }
    cPlay& p = *NewPlay(replay.seed, replay.players, false);
    p.StartPlayback(std::move(replay));
    p.Start(options_, nullptr);
    p.QuitAtEnd(false);
    p.ShowFirstScene();
    watching_ = true;
    fromMenu_ = true;
    return true;
}

void cFrontDoor::StartNetGame(std::unique_ptr<cNetSession> session) {
    std::unique_ptr<cNetSession> s = std::move(session);
    cPlay* made = NewPlay(s->Seed(), 2, true);
    session_ = std::move(s);
    if (!made) {  // --record or --net-log cannot be made: the game ends here
        session_->Shutdown();
        PostQuitMessage(kExitBadFile);
        made = NewPlay(0, 1, false);
        made->Start(AppOptions{}, nullptr);
        made->ShowFirstScene();
        return;
    }
    cPlay& p = *made;
    p.Start(options_, session_.get());
    p.QuitAtEnd(!fromMenu_);
    p.ShowFirstScene();  // and the session begins on it
    if (session_->WayThere() != cNetSession::Way::Given) {
        wayPending_ = true;
        waySince_ = timeGetTime();
    }
}

// A game met by room code: which way it went, with the round trip, once it
// is known (the joiner measured it in the greeting, the host soon after).
void cFrontDoor::FollowWay() {
    const uint32_t now = timeGetTime();
    if (wayPending_ && session_ && (session_->Stats().roundTripMs > 0 || now - waySince_ >= kWayWaitsMs)) {
        wayPending_ = false;
        waySince_ = now;
        wayNotice_ = NewWayNotice(session_->WayThere() == cNetSession::Way::Relayed,
                                  static_cast<int>(session_->Stats().roundTripMs));
    }
    if (wayNotice_ && now - waySince_ >= kWayShownMs) wayNotice_.reset();
}

// --- Two machines meeting ---------------------------------------------------------

void cFrontDoor::Connect(const NetSettings& settings, const std::string& partner) {
    GiveUpConnection();
    auto c = std::make_unique<Connection>();
    c->settings = settings;
    c->session = NewNetSession(settings);
    c->fromMenu = menu_.IsOpen();
    if (!c->fromMenu) c->ctrlC = std::make_unique<InterruptWatch>();
    Connection* raw = c.get();
    c->settings.roomCode = [raw](const std::string& code) {
        std::lock_guard<std::mutex> hold(raw->codeLock);
        raw->code = code;
    };
    const auto meet = [raw] {
        raw->ok = raw->session->Connect(
            raw->settings,
            [raw] { return raw->cancel.load() || (raw->ctrlC && raw->ctrlC->Interrupted()); },
            &raw->error);
        raw->done = true;
    };
    // Where two machines cannot play (a browser page, which has no threads
    // either) the attempt fails at once, saying why, without a thread.
    if (TwoMachinePlayAvailable()) {
        c->thread = std::thread(meet);
    } else {
        meet();
    }
    connection_ = std::move(c);
    // What the waiting page says.
    std::vector<std::string> lines;
    if (!settings.meet.empty()) {
        lines.push_back(settings.role == NetSettings::Role::Host
                            ? TranslateFormat(kTextMenuAskingCode, settings.meet.c_str())
                            : TranslateFormat(kTextMenuJoiningRoom, NormalizeMeetCode(settings.code).c_str()));
    } else if (settings.role == NetSettings::Role::Host) {
        // Where a partner on this network reaches this machine; the router's
        // public address, when it tells one, is said on stderr.
        const std::vector<NetAddress> mine = LocalAddresses(settings.port);
        for (size_t i = 0; i < mine.size() && i < kAddressesShown; ++i) {
            lines.push_back(TranslateFormat(kTextMenuTellPartner, mine[i].Text().c_str()));
        }
        if (mine.empty()) {
            lines.push_back(TranslateFormat(kTextMenuTellPartner, ("port " + std::to_string(settings.port)).c_str()));
        }
    } else {
        lines.push_back(TranslateFormat(kTextMenuConnecting,
                                        (partner.empty() ? std::string("…") : partner).c_str()));
    }
    menu_.SetSettings(settings_);
    menu_.ShowWaiting(lines);
}

// The waiting page of a host by room code, once the code is known: the code
// large, and what the partner does with it.
void cFrontDoor::ShowRoomCode() {
    std::string code;
    {
        std::lock_guard<std::mutex> hold(connection_->codeLock);
        code = connection_->code;
    }
    if (code.empty() || connection_->codeShown) return;
    connection_->codeShown = true;
    menu_.ShowWaiting({Translate(kTextMenuRoomCode), "", code, "", Translate(kTextMenuUseCode),
                       TranslateFormat(kTextMenuUseCodeOption, code.c_str()), Translate(kTextMenuCodeWaits)},
                      2);
}

void cFrontDoor::FollowConnection() {
    if (connection_) ShowRoomCode();
    if (!connection_ || !connection_->done) return;
    if (connection_->thread.joinable()) connection_->thread.join();
    std::unique_ptr<Connection> c = std::move(connection_);
    if (c->ok) {
        fromMenu_ = c->fromMenu;
        c->ctrlC.reset();
        StartNetGame(std::move(c->session));
        CloseMenu();
        return;
    }
    if (c->fromMenu && !c->cancel) {
        menu_.GoTo(MenuPage::Online);
        menu_.Notice(TranslateFormat(kTextMenuCouldNot, c->error.c_str()));
    } else if (!c->cancel) {
        Report("network", "%s", c->error.c_str());
        PostQuitMessage(1);
    }
}

void cFrontDoor::GiveUpConnection() {
    if (!connection_) return;
    connection_->cancel = true;
    if (connection_->thread.joinable()) connection_->thread.join();
    connection_.reset();
}

// --- The menu ----------------------------------------------------------------------

void cFrontDoor::OpenMenu(MenuPage page) {
    menu_.SetSettings(settings_);
    menu_.SetPads(input.CountPads());
    menu_.ExportByDownload(FilesOnlyByDownload());
    const char* environment = std::getenv("KAZIRO_MEET");
    menu_.SetMeetServerOutside(!options_.meet.empty() || (environment && *environment) ||
                               !TwoMachinePlayAvailable());
    RefreshReplays();
    RefreshBests();
    menu_.Open();
    if (page != MenuPage::Main) menu_.GoTo(page);
}

void cFrontDoor::CloseMenu() {
    menu_.Close();
    lanSearch_.reset();
}

void cFrontDoor::RefreshReplays() {
    replays_ = shelf_.List();
    std::vector<ReplayListing> listings;
    for (const ShelvedReplay& r : replays_) listings.push_back(r.listing);
    menu_.SetReplays(listings);
}

void cFrontDoor::RefreshBests() {
    const Scores scores = LoadScores();
    std::vector<BestListing> bests;
    for (int d = 1; d <= kScoreDifficulties; ++d) {
        bests.push_back({scores.Best(d), scores.HasBest(d), scores.BestDay(d)});
    }
    menu_.SetBests(bests, {scores.BestTotal(), scores.HasBestTotal(), scores.BestTotalDay()});
}

// The devices as the menu's inputs: keys, the mouse over the rows, pads.
void cFrontDoor::TakeMenuInputs() {
    const Bindings& b = input.bindings;
    const bool toggle = input.KeyPressed(b.menuKey) || PadPressed(b.menuPad);
    std::string typed = TakeTypedText();
    if (!menu_.IsOpen()) {
        if (toggle && !ending_ && !connection_) OpenMenu(MenuPage::Main);
        heldDirection_ = Direction();
        lastX_ = input.mouse.x;  // the pointer chooses a row only once it moves
        lastY_ = input.mouse.y;
        return;
    }
    const MenuPage page = menu_.Page();
    std::vector<MenuInput> inputs;
    using K = MenuInput::Kind;
    if (page == MenuPage::Remap) {
        if (input.KeyPressed(DIK_ESCAPE)) inputs.push_back({K::Back});
        for (int code = 1; code < 256; ++code) {
            if (code != DIK_ESCAPE && input.KeyPressed(code)) inputs.push_back({K::Key, -1, code});
        }
        for (int k = 0; k <= PAD_GUIDE; ++k) {
            if (PadPressed(k)) inputs.push_back({K::Button, -1, k});
        }
    } else {
        if (toggle && page != MenuPage::Waiting) {
            CloseMenu();
            return;
        }
        const bool typing = menu_.Typing();
        // Arrows and pads, with repeats while held.
        const int direction = Direction();
        heldSteps_ = direction != 0 && direction == heldDirection_ ? heldSteps_ + 1 : 0;
        heldDirection_ = direction;
        const bool fire = direction != 0 &&
                          (heldSteps_ == 0 || (heldSteps_ >= kRepeatAfter && (heldSteps_ - kRepeatAfter) % kRepeatEvery == 0));
        static const K kDirections[] = {K::Up, K::Up, K::Down, K::Left, K::Right};
        if (fire) inputs.push_back({kDirections[direction]});
        if (input.KeyPressed(DIK_HOME)) inputs.push_back({K::Home});
        if (input.KeyPressed(DIK_END)) inputs.push_back({K::End});
        // What was typed comes before the Enter that confirms it.
        if (typing && !typed.empty()) inputs.push_back({K::Text, -1, 0, typed});
        if (input.KeyPressed(DIK_RETURN) || input.KeyPressed(DIK_NUMPADENTER)) inputs.push_back({K::Choose});
        if (input.KeyPressed(DIK_ESCAPE)) inputs.push_back({K::Back});
        if (input.KeyPressed(DIK_BACK)) inputs.push_back({typing ? K::Erase : K::Back});
        // The mouse: over a row, a click on it.
        const float x = input.mouse.x, y = input.mouse.y;
        const int row = cMenuView::RowAt(x, y, cMenu::kRowsInView);
        const bool moved = lastX_ >= -1e6f && (x != lastX_ || y != lastY_);
        if (moved && row >= 0 && !typing) inputs.push_back({K::Point, row});
        lastX_ = x;
        lastY_ = y;
        if (input.mouse.left && !input.prevMouse.left && (row >= 0 || typing)) {
            inputs.push_back({K::Choose, typing ? -1 : row});
        }
        if (input.mouse.right && !input.prevMouse.right) {
            inputs.push_back(page == MenuPage::Replays ? MenuInput{K::Actions, row} : MenuInput{K::Back});
        }
        // Pads: A chooses, B goes back, X the replay's deeds; while typing
        // A, B and Start are the letter chooser's.
        for (int k : {PAD_A, PAD_B, PAD_X, PAD_START}) {
            if (!PadPressed(k)) continue;
            if (typing) {
                inputs.push_back({K::Button, -1, k});
            } else if (k == PAD_A) {
                inputs.push_back({K::Choose});
            } else if (k == PAD_B) {
                inputs.push_back({K::Back});
            } else if (k == PAD_X) {
                inputs.push_back({K::Actions});
            }
        }
    }
    for (const MenuInput& in : inputs) {
        Do(menu_.Take(in));
        if (!menu_.IsOpen()) break;
    }
}

void cFrontDoor::Do(const MenuAction& a) {
    using A = MenuAction::Kind;
    std::string why;
    const auto couldNot = [this](const std::string& what) {
        menu_.Notice(TranslateFormat(kTextMenuCouldNot, what.c_str()));
    };
    switch (a.kind) {
        case A::None: break;
        case A::Close: CloseMenu(); break;
        case A::Quit: PostQuitMessage(0); break;
        case A::PlayAlone:
        case A::PlayCouch:
            StartLocalGame(a.kind == A::PlayAlone ? 1 : a.number, a.kind == A::PlayAlone ? a.number : 1, true);
            CloseMenu();
            break;
        case A::HostLan: {
            NetSettings s;
            s.role = NetSettings::Role::Host;
            Connect(s, "");
            break;
        }
        case A::HostOnline:
        case A::JoinCode: {
            NetSettings s;
            s.role = a.kind == A::HostOnline ? NetSettings::Role::Host : NetSettings::Role::Join;
            s.upnp = false;
            s.code = a.text;
            if (a.kind == A::JoinCode && NormalizeMeetCode(a.text).empty()) {
                couldNot("\"" + a.text + "\": 6 characters of 2-9 and A-Z without I, L and O");
                break;
            }
            // The menu asked for a meeting server before it offered this; where
            // two machines cannot play, the attempt itself says so.
            s.meet = options_.meet;
            s.meetPort = options_.meetPort;
            if (TwoMachinePlayAvailable() &&
                !ChooseMeetingServer(settings_.meet, std::getenv("KAZIRO_MEET"), &s.meet, &s.meetPort, &why)) {
                couldNot(why);
                break;
            }
            Connect(s, "");
            break;
        }
        case A::Browse:
            lanSearch_ = std::make_unique<cHostFinder>();
            if (!lanSearch_->Start(kDefaultPort, &why)) couldNot(why);
            break;
        case A::JoinFound:
        case A::JoinAddress: {
            NetSettings s;
            s.role = NetSettings::Role::Join;
            std::string target = a.text;
            if (a.kind == A::JoinFound) {
                if (!lanSearch_ || a.number >= static_cast<int>(lanSearch_->Hosts().size())) break;
                target = lanSearch_->Hosts()[a.number].address.Text();
            }
            if (!ParseJoinTarget(target, &s.host, &s.port, &why)) {
                couldNot(why);
                break;
            }
            Connect(s, target);
            break;
        }
        case A::Leave: {
            const bool fromMenu = connection_ && connection_->fromMenu;
            GiveUpConnection();
            if (!fromMenu) PostQuitMessage(0);
            break;
        }
        case A::Watch:
            if (a.number < static_cast<int>(replays_.size()) && StartWatching(replays_[a.number])) CloseMenu();
            break;
        case A::Keep:
            if (a.number < static_cast<int>(replays_.size()) &&
                !shelf_.SetKept(replays_[a.number], !replays_[a.number].listing.kept, &why)) {
                couldNot(why);
            }
            RefreshReplays();
            break;
        case A::Delete:
            if (a.number < static_cast<int>(replays_.size())) {
                if (shelf_.Delete(replays_[a.number], &why)) {
                    menu_.Notice(Translate(kTextMenuDeleted));
                } else {
                    couldNot(why);
                }
            }
            RefreshReplays();
            break;
        case A::Export: {
            std::string copy;
            if (a.number >= static_cast<int>(replays_.size())) break;
            if (a.text.empty()) {  // a download, where the browser saves it
                if (!OfferFileDownload(replays_[a.number].path)) couldNot(replays_[a.number].name);
                break;
            }
            if (shelf_.Export(replays_[a.number], a.text, &copy, &why)) {
                menu_.Notice(TranslateFormat(kTextMenuExported, copy.c_str()));
            } else {
                couldNot(why);
            }
            break;
        }
        case A::Settings: ApplySettings(a.settings, a.changed); break;
    }
}

// The settings changed in the menu: applied at once, kept, and heard.
void cFrontDoor::ApplySettings(const Settings& s, MenuAction::Changed changed) {
    if (s.fullscreen != IsFullscreen(window_)) ToggleFullscreen(window_);
    if (s.scale != settings_.scale) SetWindowScale(window_, s.scale);
    if (s.muted != dsound.muted) dsound.SetMuted(s.muted);
    SetOutputVolumes(s.effectsVolume, s.musicVolume);
    input.bindings = s.bindings;
    const bool language = s.language != settings_.language;
    settings_ = s;
    if (language) {
        UseLanguage(s.language);
        if (play_) play_->RedrawTexts();
    }
    if (changed == MenuAction::Changed::EffectsVolume) dsound.Play("Sound/Bound.wav");
    if (!SaveSettings(settings_)) menu_.Notice(TranslateFormat(kTextMenuCouldNot, "settings"));
}

void cFrontDoor::ShowMenu() {
    if (!menu_.IsOpen()) {
        view_->Hide();
        return;
    }
    if (menu_.Page() == MenuPage::Players) menu_.SetPads(input.CountPads());
    if (lanSearch_ && menu_.Page() == MenuPage::Browse) {
        lanSearch_->Poll(timeGetTime());
        std::vector<FoundGame> games;
        for (const FoundHost& h : lanSearch_->Hosts()) games.push_back({h.name, h.address.Text(), h.version});
        menu_.SetFoundGames(games);
    }
    const cMenu::Picture p = menu_.Draw();
    MenuLook look;
    look.title = p.title;
    for (const cMenu::Line& line : p.lines) {
        look.lines.push_back(line.text);
        look.rows.push_back(line.row);
    }
    look.selected = p.selected;
    look.large = p.large;
    look.notice = p.notice;
    look.hint = p.hint;
    look.typing = menu_.Typing();
    look.typed = p.typed;
    look.chooser = p.chooser;
    look.help = p.help;
    view_->Show(look);
}

// --- A two-machine game ended on the line ------------------------------------------

void cFrontDoor::ShowEnding() {
    const cNetSession::Ending how = session_ ? session_->HowItEnded() : cNetSession::Ending::LineBroke;
    const char* why = how == cNetSession::Ending::TheyQuit ? kTextOtherLeft
                      : how == cNetSession::Ending::Silent ? kTextOtherSilent
                      : how == cNetSession::Ending::Apart  ? kTextGamesApart
                                                           : kTextLineBroke;
    cOverlay::Layout layout;
    layout.top = 280;
    ending_ = std::make_unique<cOverlay>(std::vector<std::string>{Translate(why), Translate(kTextPressToGoOn)},
                                         layout);
    endingSince_ = timeGetTime();
    CloseMenu();
}

// True when the program is to end (with *quitStatus).
bool cFrontDoor::FollowEnding(int* quitStatus) {
    // Where nobody sees the window (SDL's dummy driver) there is nothing to read.
    const bool read = !HasRealDisplay() || input.AnyPressed() || timeGetTime() - endingSince_ >= kEndingMs;
    if (!read) return false;
    ending_.reset();
    if (!fromMenu_) {
        *quitStatus = kExitExchangeFailed;
        return true;
    }
    StartLocalGame(1, 1, true);
    OpenMenu(MenuPage::Online);
    return false;
}

// --- The step ------------------------------------------------------------------------

StepEnd cFrontDoor::Step(int* quitStatus) {
    // A two-machine game with a quit queued takes no further step (see RunLogicStep).
    if (play_->TwoMachines() && !ending_ && QuitMessageQueued(quitStatus)) return StepEnd::Quit;
    SampleInput();
    if (ending_) {
        if (FollowEnding(quitStatus)) return StepEnd::Failed;
    } else {
        TakeMenuInputs();
        FollowConnection();
    }
    // Escape belongs to the menu while it is open, and to the list a replay
    // was chosen from while it plays.
    LetEscapeQuit(!menu_.IsOpen() && !watching_ && !ending_);
    if (watching_ && input.KeyPressed(DIK_ESCAPE)) play_->Stop();
    ShowMenu();
    const bool standing = ending_ || connection_ || (menu_.IsOpen() && !play_->TwoMachines());
    if (standing) {
        RenderFrame();
        dsound.ReleaseStopped();
        return StepEnd::Going;
    }
    play_->SetAway(menu_.IsOpen());
    const StepEnd end = PlayStep(*play_, quitStatus);
    FollowWay();
    if (end == StepEnd::Failed && session_ && session_->HowItEnded() != cNetSession::Ending::None) {
        ShowEnding();
        return StepEnd::Going;
    }
    if (end != StepEnd::Going) return end;
    if (play_->Over() && fromMenu_) {
        // A game from the menu ends back in the menu, over a new first board.
        const bool watched = watching_;
        StartLocalGame(1, 1, true);
        OpenMenu(watched ? MenuPage::Replays : MenuPage::Main);
    }
    return StepEnd::Going;
}

void cFrontDoor::End() {
    GiveUpConnection();
    EndGame();
    CloseMenu();
    view_.reset();
    ending_.reset();
    KeepSettings();
}

void cFrontDoor::KeepSettings() {
    settings_.fullscreen = IsFullscreen(window_);
    settings_.muted = dsound.muted;
    SaveSettings(settings_);
}
