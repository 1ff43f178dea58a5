#include "app/Menu.h"

#include <algorithm>
#include <cstdio>

#include "graphics/Texts.h"
#include "platform/input_devices.h"
#include "platform/translation.h"

namespace {

// The window scales the settings offer.
constexpr double kScales[] = {1.0, 1.5, 2.0, 2.5, 3.0, 4.0};
// The languages, as the settings keep them, and their names in themselves.
constexpr const char* kLanguages[] = {"", "ja", "en"};
// Characters a pad types from: an address or a folder, and a room code
// (no 0/O, 1/I/L: they are told apart by no one).
constexpr char kAddressAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789.:-_/~[]";
constexpr char kCodeAlphabet[] = "ABCDEFGHJKMNPQRSTUVWXYZ23456789";
constexpr size_t kLongestTyped = 200;

enum SettingRow {
    kFullscreen, kScale, kEffects, kMusic, kMute, kLanguage,
    kPauseKey, kHelpKey, kMenuKey, kFullscreenKey,
    kPauseButton, kHelpButton, kMenuButton, kFullscreenButton, kMeet, kReset, kSettingRows
};

std::string OnOff(bool on) { return Translate(on ? kTextMenuOn : kTextMenuOff); }

std::string ScaleText(double scale) {
    char text[16];
    std::snprintf(text, sizeof text, scale == static_cast<int>(scale) ? "%.0f" : "%.1f", scale);
    return text;
}

std::string LanguageName(const std::string& language) {
    if (language == "ja") return "日本語";
    if (language == "en") return "English";
    return Translate(kTextMenuSystemLanguage);
}

std::string KeyName(int code) {
    const std::string name = KeyCodeName(code);
    return name.empty() ? "#" + std::to_string(code) : name;
}

}  // namespace

std::string PadButtonName(int button) {
    static const char* const kNames[] = {"A", "B", "Y", "X", "Start", "Back", "R3", "L3",
                                         "R1", "R2", "L1", "L2", "Guide"};
    return button >= 0 && button <= 12 ? kNames[button] : "?";
}

cMenu::cMenu() = default;

void cMenu::Open() {
    open_ = true;
    Enter(MenuPage::Main);
}

void cMenu::Close() {
    open_ = false;
    notice_.clear();
}

void cMenu::GoTo(MenuPage page) {
    open_ = true;
    Enter(page, page == MenuPage::Replays ? std::min(replay_, static_cast<int>(replays_.size()) - 1) : 0);
}

void cMenu::Enter(MenuPage page, int selected) {
    page_ = page;
    notice_.clear();
    scroll_ = 0;
    const std::vector<Row> rows = Rows();
    selected_ = selected >= 0 && selected < static_cast<int>(rows.size()) && rows[selected].choosable
                    ? selected
                    : FirstChoosable(rows);
    Move(0);
}

void cMenu::SetReplays(std::vector<ReplayListing> replays) {
    replays_ = std::move(replays);
    if (page_ == MenuPage::Replays || page_ == MenuPage::ReplayActions) Move(0);
}

void cMenu::SetFoundGames(std::vector<FoundGame> games) {
    games_ = std::move(games);
    if (page_ == MenuPage::Browse) Move(0);
}

void cMenu::SetBests(const std::vector<BestListing>& byDifficulty, const BestListing& runTotal) {
    bests_ = byDifficulty;
    runBest_ = runTotal;
}

void cMenu::ShowWaiting(const std::vector<std::string>& lines, int large) {
    waiting_ = lines;
    waitingLarge_ = large;
    if (page_ != MenuPage::Waiting) Enter(MenuPage::Waiting);
    open_ = true;
}

int cMenu::FirstChoosable(const std::vector<Row>& rows) const {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].choosable) return static_cast<int>(i);
    }
    return -1;
}

std::vector<cMenu::Row> cMenu::SettingRows() const {
    const Settings& s = settings_;
    const Bindings& b = s.bindings;
    std::vector<Row> rows(kSettingRows);
    rows[kFullscreen].text = TranslateFormat(kTextMenuFullscreen, OnOff(s.fullscreen).c_str());
    rows[kScale].text = TranslateFormat(kTextMenuScale, ScaleText(s.scale).c_str());
    rows[kEffects].text = TranslateFormat(kTextMenuEffectsVolume, s.effectsVolume);
    rows[kMusic].text = TranslateFormat(kTextMenuMusicVolume, s.musicVolume);
    rows[kMute].text = TranslateFormat(kTextMenuMute, OnOff(s.muted).c_str());
    rows[kLanguage].text = TranslateFormat(kTextMenuLanguage, LanguageName(s.language).c_str());
    rows[kPauseKey].text = TranslateFormat(kTextMenuPauseKey, KeyName(b.pauseKey).c_str());
    rows[kHelpKey].text = TranslateFormat(kTextMenuHelpKey, KeyName(b.helpKey).c_str());
    rows[kMenuKey].text = TranslateFormat(kTextMenuMenuKey, KeyName(b.menuKey).c_str());
    rows[kFullscreenKey].text = TranslateFormat(kTextMenuFullscreenKey, KeyName(b.fullscreenKey).c_str());
    rows[kPauseButton].text = TranslateFormat(kTextMenuPauseButton, PadButtonName(b.pausePad).c_str());
    rows[kHelpButton].text = TranslateFormat(kTextMenuHelpButton, PadButtonName(b.helpPad).c_str());
    rows[kMenuButton].text = TranslateFormat(kTextMenuMenuButton, PadButtonName(b.menuPad).c_str());
    rows[kFullscreenButton].text =
        TranslateFormat(kTextMenuFullscreenButton, PadButtonName(b.fullscreenPad).c_str());
    rows[kMeet].text = TranslateFormat(kTextMenuMeetServer, s.meet.empty() ? Translate(kTextMenuNone).c_str()
                                                                           : s.meet.c_str());
    rows[kReset].text = Translate(kTextMenuReset);
    return rows;
}

std::vector<cMenu::Row> cMenu::Rows() const {
    std::vector<Row> rows;
    const auto row = [&rows](const std::string& text, bool choosable = true) { rows.push_back({text, choosable}); };
    switch (page_) {
        case MenuPage::Main:
            for (const char* t : {kTextMenuPlay, kTextMenuPlayers, kTextMenuOnline, kTextMenuReplays,
                                  kTextMenuScores, kTextMenuSettings, kTextMenuHelp, kTextMenuQuit}) {
                row(Translate(t));
            }
            break;
        case MenuPage::Play:
            for (int d = 1; d <= 9; ++d) row(TranslateFormat(kTextMenuDifficulty, d));
            break;
        case MenuPage::Players:
            for (int n = 2; n <= 4; ++n) row(TranslateFormat(kTextMenuPlayersRow, n));
            row("", false);
            row(Translate(kTextMenuPlayerMouse), false);
            for (int p = 2; p <= 4; ++p) {
                row(p - 1 <= pads_ ? TranslateFormat(kTextMenuPlayerPad, p, p - 1)
                                   : TranslateFormat(kTextMenuPlayerNoPad, p),
                    false);
            }
            break;
        case MenuPage::Online:
            for (const char* t : {kTextMenuHostLan, kTextMenuHostOnline, kTextMenuJoinCode, kTextMenuJoinFound,
                                  kTextMenuJoinAddress}) {
                row(Translate(t));
            }
            break;
        case MenuPage::Browse:
            if (games_.empty()) row(Translate(kTextMenuLooking), false);
            for (const FoundGame& g : games_) row(g.name + "  " + g.address + "  kaziro " + g.version);
            break;
        case MenuPage::Waiting:
            for (const std::string& line : waiting_) row(line, false);
            break;
        case MenuPage::Replays:
            if (replays_.empty()) row(Translate(kTextMenuNoReplays), false);
            for (const ReplayListing& r : replays_) {
                const uint32_t seconds = r.steps * 16 / 1000;
                std::string text = TranslateFormat(kTextMenuReplayRow, r.when.c_str(), r.players, r.difficulty,
                                                   r.score, static_cast<int>(seconds / 60),
                                                   static_cast<int>(seconds % 60));
                if (!r.problem.empty()) text = r.when + "  " + r.problem;
                if (r.kept) text += Translate(kTextMenuReplayKept);
                row(text);
            }
            break;
        case MenuPage::ReplayActions: {
            const bool known = replay_ >= 0 && replay_ < static_cast<int>(replays_.size());
            row(Translate(kTextMenuWatch));
            row(Translate(known && replays_[replay_].kept ? kTextMenuUnkeep : kTextMenuKeep));
            row(Translate(kTextMenuDelete));
            row(Translate(kTextMenuExport));
            break;
        }
        case MenuPage::Scores:
            for (int d = 1; d <= 9; ++d) {
                const BestListing b = d - 1 < static_cast<int>(bests_.size()) ? bests_[d - 1] : BestListing{};
                row(b.has ? TranslateFormat(kTextMenuBest, d, b.score, b.day.c_str())
                          : TranslateFormat(kTextMenuNoBest, d),
                    false);
            }
            row(runBest_.has ? TranslateFormat(kTextMenuBestTotal, runBest_.score, runBest_.day.c_str())
                             : Translate(kTextMenuNoBestTotal),
                false);
            break;
        case MenuPage::Settings:
            rows = SettingRows();
            break;
        case MenuPage::Address:
        case MenuPage::Code:
        case MenuPage::Meet:
        case MenuPage::Export:
        case MenuPage::Remap:
        case MenuPage::Help:
            break;
    }
    return rows;
}

// Moves the choice `step` rows (skipping lines that cannot be chosen), and
// keeps it in view.
void cMenu::Move(int step) {
    const std::vector<Row> rows = Rows();
    const int n = static_cast<int>(rows.size());
    if (FirstChoosable(rows) < 0) {
        selected_ = -1;
        scroll_ = 0;
        return;
    }
    if (selected_ < 0 || selected_ >= n || !rows[selected_].choosable) selected_ = FirstChoosable(rows);
    const int direction = step < 0 ? -1 : 1;
    for (int moved = 0; moved != step;) {
        int next = selected_ + direction;
        while (next >= 0 && next < n && !rows[next].choosable) next += direction;
        if (next < 0 || next >= n) break;  // the ends stop the choice: it does not wrap
        selected_ = next;
        moved += direction;
    }
    if (selected_ < scroll_) scroll_ = selected_;
    if (selected_ >= scroll_ + kRowsInView) scroll_ = selected_ - kRowsInView + 1;
    scroll_ = std::max(0, std::min(scroll_, std::max(0, n - kRowsInView)));
}

const char* cMenu::Alphabet() const { return page_ == MenuPage::Code ? kCodeAlphabet : kAddressAlphabet; }

MenuAction cMenu::Take(const MenuInput& in) {
    if (!open_) return {};
    using K = MenuInput::Kind;
    if (page_ == MenuPage::Remap) {
        if (in.kind == K::Back) {
            Enter(MenuPage::Settings, remapping_);
            return {};
        }
        const bool pad = remapping_ >= kPauseButton && remapping_ <= kFullscreenButton;
        if ((in.kind == K::Key && !pad) || (in.kind == K::Button && pad)) return Remapped(in.code, pad);
        return {};
    }
    if (page_ == MenuPage::Help) {
        if (in.kind == K::Point) return {};
        Enter(MenuPage::Main, 6);  // any key, click or button: back from the help
        return {};
    }
    if (Typing()) return Typed(in);
    switch (in.kind) {
        case K::Up: Move(-1); break;
        case K::Down: Move(1); break;
        case K::Home: Move(-1000); break;
        case K::End: Move(1000); break;
        case K::Point: {
            const std::vector<Row> rows = Rows();
            const int row = in.row + scroll_;
            if (in.row >= 0 && in.row < kRowsInView && row < static_cast<int>(rows.size()) && rows[row].choosable) {
                selected_ = row;
            }
            break;
        }
        case K::Left:
        case K::Right:
            if (page_ == MenuPage::Settings) return ChangeSetting(selected_, in.kind == K::Left ? -1 : 1);
            if (page_ == MenuPage::Replays && in.kind == K::Right) return Take(MenuInput{K::Actions});
            break;
        case K::Choose: {
            if (in.row >= 0) {
                const std::vector<Row> rows = Rows();
                const int row = in.row + scroll_;
                if (in.row >= kRowsInView || row >= static_cast<int>(rows.size()) || !rows[row].choosable) break;
                selected_ = row;
            }
            return Choose(selected_);
        }
        case K::Actions:
            if (page_ == MenuPage::Replays && selected_ >= 0 && !replays_.empty()) {
                if (in.row >= 0 && in.row + scroll_ < static_cast<int>(replays_.size())) selected_ = in.row + scroll_;
                replay_ = selected_;
                Enter(MenuPage::ReplayActions);
            }
            break;
        case K::Back: return Back();
        default: break;
    }
    return {};
}

MenuAction cMenu::Back() {
    switch (page_) {
        case MenuPage::Main:
            Close();
            return MenuAction(MenuAction::Kind::Close);
        case MenuPage::Browse: Enter(MenuPage::Online, 3); return {};
        case MenuPage::Waiting:
            Enter(MenuPage::Online);
            return MenuAction(MenuAction::Kind::Leave);
        case MenuPage::ReplayActions: Enter(MenuPage::Replays, replay_); return {};
        case MenuPage::Play: Enter(MenuPage::Main, 0); return {};
        case MenuPage::Players: Enter(MenuPage::Main, 1); return {};
        case MenuPage::Online: Enter(MenuPage::Main, 2); return {};
        case MenuPage::Replays: Enter(MenuPage::Main, 3); return {};
        case MenuPage::Scores: Enter(MenuPage::Main, 4); return {};
        case MenuPage::Settings: Enter(MenuPage::Main, 5); return {};
        default: Enter(MenuPage::Main); return {};
    }
}

MenuAction cMenu::Choose(int row) {
    MenuAction a;
    switch (page_) {
        case MenuPage::Main: {
            static const MenuPage kPages[] = {MenuPage::Play, MenuPage::Players, MenuPage::Online,
                                              MenuPage::Replays, MenuPage::Scores, MenuPage::Settings,
                                              MenuPage::Help};
            if (row == 7) {
                a.kind = MenuAction::Kind::Quit;
            } else if (row >= 0 && row < 7) {
                Enter(kPages[row]);
            }
            return a;
        }
        case MenuPage::Play:
            a.kind = MenuAction::Kind::PlayAlone;
            a.number = row + 1;
            return a;
        case MenuPage::Players:
            a.kind = MenuAction::Kind::PlayCouch;
            a.number = row + 2;
            return a;
        case MenuPage::Online:
            switch (row) {
                case 0: a.kind = MenuAction::Kind::HostLan; break;
                case 1:
                    if (settings_.meet.empty() && !meetOutside_) {
                        AskMeetServer(row);
                        break;
                    }
                    a.kind = MenuAction::Kind::HostOnline;
                    break;
                case 2:
                    if (settings_.meet.empty() && !meetOutside_) {
                        AskMeetServer(row);
                        break;
                    }
                    typed_.clear();
                    chooser_ = 0;
                    typingFrom_ = MenuPage::Online;
                    Enter(MenuPage::Code);
                    break;
                case 3:
                    games_.clear();
                    Enter(MenuPage::Browse);
                    a.kind = MenuAction::Kind::Browse;
                    break;
                case 4:
                    typed_.clear();
                    chooser_ = 0;
                    typingFrom_ = MenuPage::Online;
                    Enter(MenuPage::Address);
                    break;
            }
            return a;
        case MenuPage::Browse:
            if (row >= 0 && row < static_cast<int>(games_.size())) {
                a.kind = MenuAction::Kind::JoinFound;
                a.number = row;
            }
            return a;
        case MenuPage::Replays:
            if (row < 0 || row >= static_cast<int>(replays_.size())) return a;
            replay_ = row;
            if (!replays_[row].problem.empty()) {
                notice_ = replays_[row].problem;  // said instead of played
                return a;
            }
            a.kind = MenuAction::Kind::Watch;
            a.number = row;
            return a;
        case MenuPage::ReplayActions:
            a.number = replay_;
            switch (row) {
                case 0:
                    if (!replays_.empty() && !replays_[replay_].problem.empty()) {
                        notice_ = replays_[replay_].problem;
                        return {};
                    }
                    a.kind = MenuAction::Kind::Watch;
                    break;
                case 1: a.kind = MenuAction::Kind::Keep; break;
                case 2:
                    a.kind = MenuAction::Kind::Delete;
                    Enter(MenuPage::Replays, replay_);
                    break;
                case 3:
                    if (downloads_) {  // no folder to name: the browser saves it
                        a.kind = MenuAction::Kind::Export;
                        break;
                    }
                    typed_ = "~/";
                    chooser_ = 0;
                    typingFrom_ = MenuPage::ReplayActions;
                    Enter(MenuPage::Export);
                    break;
            }
            return a;
        case MenuPage::Settings:
            if (row == kReset) {
                settings_.effectsVolume = Settings{}.effectsVolume;
                settings_.musicVolume = Settings{}.musicVolume;
                settings_.muted = false;
                settings_.fullscreen = false;
                settings_.scale = 1.0;
                settings_.language.clear();
                settings_.bindings = Bindings{};
                a.kind = MenuAction::Kind::Settings;
                a.settings = settings_;
                a.changed = MenuAction::Changed::Language;
                return a;
            }
            if (row >= kPauseKey && row <= kFullscreenButton) {
                remapping_ = row;
                Enter(MenuPage::Remap);
                return a;
            }
            if (row == kMeet) {
                AskMeetServer(-1);
                return a;
            }
            return ChangeSetting(row, 1);
        default:
            return a;
    }
}

// Left and right (or choosing) change a setting's value; the new settings go
// out at once.
MenuAction cMenu::ChangeSetting(int row, int direction) {
    MenuAction a;
    a.kind = MenuAction::Kind::Settings;
    Settings& s = settings_;
    const auto step = [direction](int value) { return std::clamp(value + 10 * direction, 0, 100); };
    switch (row) {
        case kFullscreen: s.fullscreen = !s.fullscreen; break;
        case kScale: {
            const int n = static_cast<int>(sizeof kScales / sizeof kScales[0]);
            int at = 0;
            while (at < n - 1 && kScales[at] < s.scale) ++at;
            at = (at + direction + n) % n;
            s.scale = kScales[at];
            break;
        }
        case kEffects:
            s.effectsVolume = step(s.effectsVolume);
            a.changed = MenuAction::Changed::EffectsVolume;
            break;
        case kMusic:
            s.musicVolume = step(s.musicVolume);
            a.changed = MenuAction::Changed::MusicVolume;
            break;
        case kMute: s.muted = !s.muted; break;
        case kLanguage: {
            int at = 0;
            while (at < 2 && s.language != kLanguages[at]) ++at;
            s.language = kLanguages[(at + direction + 3) % 3];
            a.changed = MenuAction::Changed::Language;
            break;
        }
        default: return {};
    }
    a.settings = s;
    return a;
}

MenuAction cMenu::Remapped(int code, bool pad) {
    Bindings& b = settings_.bindings;
    if (!pad && (code <= 0 || code > 255 || code == DIK_ESCAPE)) return {};
    switch (remapping_) {
        case kPauseKey: b.pauseKey = static_cast<uint8_t>(code); break;
        case kHelpKey: b.helpKey = static_cast<uint8_t>(code); break;
        case kMenuKey: b.menuKey = static_cast<uint8_t>(code); break;
        case kFullscreenKey: b.fullscreenKey = static_cast<uint8_t>(code); break;
        case kPauseButton: b.pausePad = code; break;
        case kHelpButton: b.helpPad = code; break;
        case kMenuButton: b.menuPad = code; break;
        case kFullscreenButton: b.fullscreenPad = code; break;
    }
    Enter(MenuPage::Settings, remapping_);
    MenuAction a;
    a.kind = MenuAction::Kind::Settings;
    a.settings = settings_;
    return a;
}

// Typing: keys type and erase, Enter confirms; a pad walks the alphabet with
// left and right, A types the letter, B erases, Start confirms.
MenuAction cMenu::Typed(const MenuInput& in) {
    using K = MenuInput::Kind;
    const int letters = static_cast<int>(std::char_traits<char>::length(Alphabet()));
    switch (in.kind) {
        case K::Text:
            for (char c : in.text) {
                if (typed_.size() >= kLongestTyped) break;
                if (static_cast<unsigned char>(c) < 0x20) continue;
                typed_ += page_ == MenuPage::Code && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
            }
            break;
        case K::Erase:
            if (!typed_.empty()) typed_.pop_back();
            break;
        case K::Left: chooser_ = (chooser_ + letters - 1) % letters; break;
        case K::Right: chooser_ = (chooser_ + 1) % letters; break;
        case K::Up: chooser_ = (chooser_ + letters - 10) % letters; break;
        case K::Down: chooser_ = (chooser_ + 10) % letters; break;
        case K::Button:
            if (in.code == 0 && typed_.size() < kLongestTyped) typed_ += Alphabet()[chooser_];  // A
            if (in.code == 1) {  // B
                if (typed_.empty()) return Back();
                typed_.pop_back();
            }
            if (in.code == 4) return Confirm();  // Start
            break;
        case K::Choose: return Confirm();
        case K::Back: Enter(typingFrom_, TypingReturnRow()); return {};
        default: break;
    }
    return {};
}

bool cMenu::Typing() const {
    return page_ == MenuPage::Address || page_ == MenuPage::Code || page_ == MenuPage::Meet ||
           page_ == MenuPage::Export;
}

// The row of the page typing came from that led to it.
int cMenu::TypingReturnRow() const {
    switch (page_) {
        case MenuPage::Code: return 2;
        case MenuPage::Address: return 4;
        case MenuPage::Meet: return meetFor_ >= 0 ? meetFor_ : static_cast<int>(kMeet);
        default: return 3;  // Export, from the replay's deeds
    }
}

// Asks for the meeting server's address: from the settings (`forOnlineRow`
// -1), or before the Online entry `forOnlineRow` that needs one.
void cMenu::AskMeetServer(int forOnlineRow) {
    typed_ = settings_.meet;
    chooser_ = 0;
    meetFor_ = forOnlineRow;
    typingFrom_ = forOnlineRow >= 0 ? MenuPage::Online : MenuPage::Settings;
    Enter(MenuPage::Meet);
    if (forOnlineRow >= 0) notice_ = Translate(kTextMenuNameMeetServer);
}

MenuAction cMenu::Confirm() {
    MenuAction a;
    a.text = typed_;
    if (page_ == MenuPage::Meet) {
        // Kept in the settings (nothing typed: none). Joining goes on to the
        // room code; hosting comes back to its entry, to be chosen again.
        if (typed_.empty() && meetFor_ >= 0) return {};
        settings_.meet = typed_;
        a.kind = MenuAction::Kind::Settings;
        a.settings = settings_;
        if (meetFor_ == 2) {
            typed_.clear();
            chooser_ = 0;
            Enter(MenuPage::Code);
        } else {
            Enter(typingFrom_, TypingReturnRow());
            if (meetFor_ >= 0) notice_ = TranslateFormat(kTextMenuMeetServer, settings_.meet.c_str());
        }
        return a;
    }
    if (typed_.empty()) return {};
    if (page_ == MenuPage::Address) a.kind = MenuAction::Kind::JoinAddress;
    if (page_ == MenuPage::Code) a.kind = MenuAction::Kind::JoinCode;
    if (page_ == MenuPage::Export) {
        a.kind = MenuAction::Kind::Export;
        a.number = replay_;
        Enter(MenuPage::ReplayActions, 3);
    }
    return a;
}

cMenu::Picture cMenu::Draw() const {
    Picture p;
    p.notice = notice_;
    p.hint = Translate(kTextMenuHint);
    switch (page_) {
        case MenuPage::Main: p.title = Translate(kTextMenuTitle); break;
        case MenuPage::Play: p.title = Translate(kTextMenuChooseDifficulty); break;
        case MenuPage::Players: p.title = Translate(kTextMenuPlayers); break;
        case MenuPage::Online: p.title = Translate(kTextMenuOnline); break;
        case MenuPage::Browse: p.title = Translate(kTextMenuFoundTitle); break;
        case MenuPage::Address:
        case MenuPage::Code:
        case MenuPage::Meet:
        case MenuPage::Export:
            p.title = Translate(page_ == MenuPage::Address ? kTextMenuAddressTitle
                                : page_ == MenuPage::Code  ? kTextMenuCodeTitle
                                : page_ == MenuPage::Meet  ? kTextMenuMeetTitle
                                                           : kTextMenuExportTitle);
            p.typed = typed_;
            p.chooser = std::string(Alphabet());
            p.selected = chooser_;
            p.hint = Translate(kTextMenuTypeHint);
            p.lines.push_back({Translate(kTextMenuPadTypeHint), false});
            return p;
        case MenuPage::Waiting:
            p.title = Translate(kTextMenuWaitingTitle);
            p.hint = Translate(kTextMenuWaitingHint);
            break;
        case MenuPage::Replays:
            p.title = Translate(kTextMenuReplaysTitle);
            p.hint = Translate(kTextMenuReplaysHint);
            break;
        case MenuPage::ReplayActions: {
            p.title = Translate(kTextMenuReplaysTitle);
            if (replay_ >= 0 && replay_ < static_cast<int>(replays_.size())) p.title += "  " + replays_[replay_].when;
            break;
        }
        case MenuPage::Scores: p.title = Translate(kTextMenuScores); break;
        case MenuPage::Settings: p.title = Translate(kTextMenuSettings); break;
        case MenuPage::Remap: {
            const bool pad = remapping_ >= kPauseButton && remapping_ <= kFullscreenButton;
            p.title = Translate(pad ? kTextMenuPressButton : kTextMenuPressKey);
            p.lines.push_back({SettingRows()[remapping_].text, false});
            p.hint = Translate(kTextMenuCancelHint);
            return p;
        }
        case MenuPage::Help:
            p.help = true;
            return p;
    }
    const std::vector<Row> rows = Rows();
    const int last = std::min(static_cast<int>(rows.size()), scroll_ + kRowsInView);
    for (int i = scroll_; i < last; ++i) p.lines.push_back({rows[i].text, rows[i].choosable});
    p.selected = selected_ >= scroll_ && selected_ < last ? selected_ - scroll_ : -1;
    if (page_ == MenuPage::Waiting && waitingLarge_ >= scroll_ && waitingLarge_ < last) p.large = waitingLarge_ - scroll_;
    return p;
}
