// The front door: the menu over the field, as a model. It holds which page is
// open, the row chosen on it, the text being typed and the settings being
// changed; an input (a key, a pad's button, the mouse over a row) gives a new
// state and at most one action for the program to do (start a game, watch a
// replay, save the settings, quit). It draws nothing and touches no device:
// MenuView shows what Picture() says, FrontDoor turns the devices into inputs
// and the actions into deeds.
//
// The main page's items, in this order: Play, Players on this machine,
// Online, Replays, Best scores, Settings, Help, Quit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/Settings.h"

enum class MenuPage {
    Main,
    Play,           // a difficulty, then a game of one player
    Players,        // 2 to 4 players on this machine
    Online,         // host or join
    Browse,         // the games found on this network
    Address,        // typing the host's address
    Code,           // typing a room code
    Meet,           // typing the meeting server's address (room codes need one)
    Waiting,        // a two-machine game being set up
    Replays,        // the games kept
    ReplayActions,  // keep, delete or export one of them
    Export,         // typing the folder to copy it to
    Scores,         // the best scores
    Settings,
    Remap,          // waiting for the new key or button
    Help,
};

struct MenuInput {
    enum class Kind {
        Up, Down, Left, Right, Home, End,
        Choose,    // Enter, A, a left click (on row `row`, -1: the chosen one)
        Back,      // Escape, Backspace outside typing, B
        Actions,   // the chosen replay's other deeds: right click, X
        Point,     // the mouse is over row `row`
        Text,      // typed characters (UTF-8 in `text`)
        Erase,     // Backspace while typing
        Key,       // a key went down (key code in `code`), for the settings' "press the new key"
        Button,    // a pad button went down (named button in `code`), likewise
    };
    MenuInput(Kind k = Kind::Choose, int r = -1, int c = 0, std::string t = "")
        : kind(k), row(r), code(c), text(std::move(t)) {}
    Kind kind;
    int row;
    int code;
    std::string text;
};

struct MenuAction {
    enum class Kind;
    MenuAction() = default;
    explicit MenuAction(Kind k) : kind(k) {}
    enum class Kind {
        None,
        Close,        // the menu closes; the game goes on
        Quit,         // the program ends, status 0
        PlayAlone,    // a new game of one player at difficulty `number`
        PlayCouch,    // a new game of `number` players on this machine
        HostLan,      // host a game on this network
        HostOnline,   // host with a room code
        JoinFound,    // join game `number` of the list found on this network
        JoinAddress,  // join `text` (HOST[:PORT])
        JoinCode,     // join room `text`
        Browse,       // the list of games on this network is open: keep it up to date
        Leave,        // stop setting up the two-machine game
        Watch,        // watch replay `number`
        Keep,         // keep replay `number` (or let it go again)
        Delete,       // delete replay `number`
        Export,       // copy replay `number` into folder `text`
        Settings,     // the settings changed to `settings`: apply, keep, and let it be heard
    };
    Kind kind = Kind::None;
    int number = 0;
    std::string text;
    Settings settings;
    // For Settings: what changed, so the controller knows what to show or play.
    enum class Changed { Other, EffectsVolume, MusicVolume, Language } changed = Changed::Other;
};

// What the menu shows about a kept replay.
struct ReplayListing {
    std::string when;        // "2026-12-09 20:41"
    int players = 1;
    int difficulty = 0;      // the highest reached; 0: unknown
    int score = 0;
    uint32_t steps = 0;
    bool kept = false;       // kept beyond the newest 20
    std::string problem;     // why it cannot be watched ("" when it can)
};

// A game found on this network.
struct FoundGame {
    std::string name;
    std::string address;
    std::string version;
};

// A best score with the day it was made ("" when none is kept).
struct BestListing {
    int score = 0;
    bool has = false;
    std::string day;
};

class cMenu {
public:
    // One line of the page: a row that can be chosen, or a line that says something.
    struct Line {
        std::string text;
        bool row = true;
    };
    struct Picture {
        std::string title;
        std::vector<Line> lines;  // only those in view
        int selected = -1;        // index into lines, -1: none
        int large = -1;           // index into lines of one drawn large (a room code), -1: none
        std::string notice;       // what could not be done, or what happened
        std::string hint;         // the keys of this page
        std::string typed;        // the text being typed (Address, Code, Meet, Export)
        std::string chooser;      // the characters a pad picks from, with the chosen one
        bool help = false;        // the help page: the game's help is shown instead
    };

    cMenu();

    // Opens at the main page, or closes.
    void Open();
    void Close();
    bool IsOpen() const { return open_; }
    MenuPage Page() const { return page_; }
    int Selected() const { return selected_; }
    // A page where text is typed (an address, a room code, a folder).
    bool Typing() const;

    // Takes one input; the new state, and what the program is to do.
    MenuAction Take(const MenuInput& input);

    // What the pages show, kept up to date by the program.
    void SetSettings(const Settings& settings) { settings_ = settings; }
    void SetReplays(std::vector<ReplayListing> replays);
    void SetFoundGames(std::vector<FoundGame> games);
    void SetBests(const std::vector<BestListing>& byDifficulty, const BestListing& runTotal);
    // A replay is exported as a download (a browser page) rather than copied into a folder.
    void ExportByDownload(bool download) { downloads_ = download; }
    // A meeting server is named outside the settings (an option, the
    // environment), or room codes cannot be used here at all: the room-code
    // entries then go ahead instead of first asking for one.
    void SetMeetServerOutside(bool outside) { meetOutside_ = outside; }
    // The pads seated now (for the players' page).
    void SetPads(int pads) { pads_ = pads; }
    // The waiting page: what to tell the partner; line `large` (-1: none) is
    // to stand out (a room code).
    void ShowWaiting(const std::vector<std::string>& lines, int large = -1);
    // A notice on the page open: a choice that cannot be done, or one that was.
    void Notice(const std::string& text) { notice_ = text; }
    // Back to a page (after a deed that ends elsewhere, such as a replay watched).
    void GoTo(MenuPage page);

    Picture Draw() const;
    // Rows shown at most on a page; the rest scroll.
    static constexpr int kRowsInView = 11;

private:
    struct Row {
        std::string text;
        bool choosable = true;
    };
    std::vector<Row> Rows() const;
    std::vector<Row> SettingRows() const;
    int FirstChoosable(const std::vector<Row>& rows) const;
    void Move(int step);
    void Enter(MenuPage page, int selected = 0);
    MenuAction Choose(int row);
    MenuAction Back();
    MenuAction ChangeSetting(int row, int direction);
    MenuAction Remapped(int code, bool pad);
    MenuAction Typed(const MenuInput& input);
    MenuAction Confirm();
    int TypingReturnRow() const;
    void AskMeetServer(int forOnlineRow);
    const char* Alphabet() const;

    bool open_ = false;
    MenuPage page_ = MenuPage::Main;
    int selected_ = 0;
    int scroll_ = 0;          // the first row in view
    std::string notice_;
    Settings settings_;
    std::vector<ReplayListing> replays_;
    std::vector<FoundGame> games_;
    std::vector<BestListing> bests_;
    BestListing runBest_;
    std::vector<std::string> waiting_;
    int waitingLarge_ = -1;
    int pads_ = 0;
    bool downloads_ = false;
    int replay_ = 0;          // the replay ReplayActions and Export are about
    int remapping_ = 0;       // the setting row Remap is about
    std::string typed_;
    int chooser_ = 0;         // the pad's place in the alphabet
    MenuPage typingFrom_ = MenuPage::Online;
    bool meetOutside_ = false;
    int meetFor_ = -1;        // the Online row that asked for a meeting server; -1: the settings
};

// Names of pad buttons as the menu shows them ("A", "Start", "Guide").
std::string PadButtonName(int button);
