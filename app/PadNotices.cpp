#include "app/PadNotices.h"

#include "graphics/Overlay.h"
#include "input/LocalPlayers.h"

cPadNotices::cPadNotices() = default;
cPadNotices::~cPadNotices() = default;

void cPadNotices::Show(const cLocalPlayers& players, bool paused) {
    const int wanted = players.WaitingFor();
    if (wanted != wanted_) {
        wantedNotice_ = wanted != 0 ? NewPadWantedNotice(wanted) : nullptr;
        wanted_ = wanted;
    }
    const uint32_t left = paused ? players.Missing() : 0;
    if (left != left_) {
        leftNotice_ = left != 0 ? NewPadLeftNotice(left) : nullptr;
        left_ = left;
    }
    for (int p = 0; p < players.Players(); ++p) {
        const int choice = players.Choice(p);
        if (choice == choices_[p]) continue;
        choiceNotices_[p] = choice != 0 ? NewChoiceNotice(p + 1, choice, p) : nullptr;
        choices_[p] = choice;
    }
}

void cPadNotices::Clear() {
    wantedNotice_.reset();
    leftNotice_.reset();
    for (auto& n : choiceNotices_) n.reset();
    wanted_ = 0;
    left_ = 0;
    for (int& c : choices_) c = 0;
}
