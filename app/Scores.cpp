#include "app/Scores.h"

#include <charconv>
#include <string>
#include <vector>

#include "app/PlayerFile.h"

namespace {

constexpr int kScoresVersion = 1;

bool ValidDifficulty(int difficulty) {
    return difficulty >= 1 && difficulty <= kScoreDifficulties;
}

// Reads whole numbers separated by single spaces, exactly `count` of them.
bool ParseNumbers(const std::string& text, int* numbers, int count) {
    const char* p = text.data();
    const char* end = p + text.size();
    for (int i = 0; i < count; ++i) {
        if (i > 0 && (p == end || *p++ != ' ')) return false;
        const auto result = std::from_chars(p, end, numbers[i]);
        if (result.ec != std::errc()) return false;
        p = result.ptr;
    }
    return p == end;
}

}  // namespace

bool Scores::RecordRound(int difficulty, int score) {
    if (!ValidDifficulty(difficulty)) return false;
    const int i = difficulty - 1;
    if (hasBest_[i] && score <= best_[i]) return false;
    hasBest_[i] = true;
    best_[i] = score;
    return true;
}

bool Scores::HasBest(int difficulty) const {
    return ValidDifficulty(difficulty) && hasBest_[difficulty - 1];
}

int Scores::Best(int difficulty) const { return HasBest(difficulty) ? best_[difficulty - 1] : 0; }

bool Scores::RecordRunTotal(int total) {
    if (hasBestTotal_ && total <= bestTotal_) return false;
    hasBestTotal_ = true;
    bestTotal_ = total;
    return true;
}

bool Scores::operator==(const Scores& other) const {
    for (int d = 1; d <= kScoreDifficulties; ++d) {
        if (HasBest(d) != other.HasBest(d) || Best(d) != other.Best(d)) return false;
    }
    return hasBestTotal_ == other.hasBestTotal_ && BestTotal() == other.BestTotal();
}

Scores LoadScores() {
    Scores scores;
    const bool whole = LoadPlayerFile(
        PlayerFolder::Data, "scores", kScoresVersion,
        [&scores](const std::string& key, const std::string& value) {
            int numbers[2] = {};
            if (key == "best" && ParseNumbers(value, numbers, 2) && ValidDifficulty(numbers[0]) &&
                !scores.HasBest(numbers[0])) {
                return scores.RecordRound(numbers[0], numbers[1]);
            }
            if (key == "total" && ParseNumbers(value, numbers, 1) && !scores.HasBestTotal()) {
                return scores.RecordRunTotal(numbers[0]);
            }
            return false;
        });
    return whole ? scores : Scores{};
}

bool SaveScores(const Scores& scores) {
    std::vector<PlayerFileEntry> entries;
    for (int d = 1; d <= kScoreDifficulties; ++d) {
        if (scores.HasBest(d)) {
            entries.emplace_back("best", std::to_string(d) + " " + std::to_string(scores.Best(d)));
        }
    }
    if (scores.HasBestTotal()) entries.emplace_back("total", std::to_string(scores.BestTotal()));
    return SavePlayerFile(PlayerFolder::Data, "scores", kScoresVersion, entries);
}
