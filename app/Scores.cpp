#include "app/Scores.h"

#include <charconv>
#include <ctime>
#include <string>
#include <vector>

#include "app/PlayerFile.h"

namespace {

// 1: the bests. 2: each with the day it was made.
constexpr int kScoresVersion = 2;

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

// A day as the file keeps it: YYYY-MM-DD.
bool ValidDay(const std::string& day) {
    if (day.size() != 10 || day[4] != '-' || day[7] != '-') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (day[i] < '0' || day[i] > '9') return false;
    }
    return true;
}

// "NUMBERS" or "NUMBERS DAY": the numbers, and the day after them if any.
bool ParseWithDay(const std::string& text, int* numbers, int count, std::string* day) {
    if (ParseNumbers(text, numbers, count)) return true;
    const size_t space = text.rfind(' ');
    if (space == std::string::npos || !ValidDay(text.substr(space + 1))) return false;
    *day = text.substr(space + 1);
    return ParseNumbers(text.substr(0, space), numbers, count);
}

}  // namespace

std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

bool Scores::RecordRound(int difficulty, int score, const std::string& day) {
    if (!ValidDifficulty(difficulty)) return false;
    const int i = difficulty - 1;
    if (hasBest_[i] && score <= best_[i]) return false;
    hasBest_[i] = true;
    best_[i] = score;
    day_[i] = day;
    return true;
}

std::string Scores::BestDay(int difficulty) const {
    return HasBest(difficulty) ? day_[difficulty - 1] : "";
}

bool Scores::HasBest(int difficulty) const {
    return ValidDifficulty(difficulty) && hasBest_[difficulty - 1];
}

int Scores::Best(int difficulty) const { return HasBest(difficulty) ? best_[difficulty - 1] : 0; }

bool Scores::RecordRunTotal(int total, const std::string& day) {
    if (hasBestTotal_ && total <= bestTotal_) return false;
    hasBestTotal_ = true;
    bestTotal_ = total;
    bestTotalDay_ = day;
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
            std::string day;
            if (key == "best" && ParseWithDay(value, numbers, 2, &day) && ValidDifficulty(numbers[0]) &&
                !scores.HasBest(numbers[0])) {
                return scores.RecordRound(numbers[0], numbers[1], day);
            }
            if (key == "total" && ParseWithDay(value, numbers, 1, &day) && !scores.HasBestTotal()) {
                return scores.RecordRunTotal(numbers[0], day);
            }
            return false;
        });
    return whole ? scores : Scores{};
}

bool SaveScores(const Scores& scores) {
    std::vector<PlayerFileEntry> entries;
    for (int d = 1; d <= kScoreDifficulties; ++d) {
        if (scores.HasBest(d)) {
            const std::string day = scores.BestDay(d);
            entries.emplace_back("best", std::to_string(d) + " " + std::to_string(scores.Best(d)) +
                                             (day.empty() ? "" : " " + day));
        }
    }
    if (scores.HasBestTotal()) {
        const std::string& day = scores.BestTotalDay();
        entries.emplace_back("total", std::to_string(scores.BestTotal()) + (day.empty() ? "" : " " + day));
    }
    return SavePlayerFile(PlayerFolder::Data, "scores", kScoresVersion, entries);
}
