// The player's best scores: the best round at each difficulty 1 to 9 and the
// best total of a whole run from 1 to 9, kept in $XDG_DATA_HOME/kaziro/scores.
// A plain value: the game records into it and saves it when it likes.
#pragma once

#include <string>

constexpr int kScoreDifficulties = 9;

class Scores {
public:
    // Records a round's score at a difficulty (1 to 9), made on `day`
    // ("2026-12-09"); true when it is a new best there (the first score at a
    // difficulty is one). Other difficulties change nothing and answer false.
    bool RecordRound(int difficulty, int score, const std::string& day = "");
    // Whether a best is kept for the difficulty, and that best (0 without one).
    bool HasBest(int difficulty) const;
    int Best(int difficulty) const;
    // Records the total of a run from difficulty 1 to 9; true when it is a new best total.
    bool RecordRunTotal(int total, const std::string& day = "");
    // The day a best was made ("" when not known: kept by an older version).
    std::string BestDay(int difficulty) const;
    const std::string& BestTotalDay() const { return bestTotalDay_; }
    // Whether a best total is kept, and that total (0 without one).
    bool HasBestTotal() const { return hasBestTotal_; }
    int BestTotal() const { return hasBestTotal_ ? bestTotal_ : 0; }

    // The same bests kept (and the same absent).
    bool operator==(const Scores& other) const;

private:
    bool hasBest_[kScoreDifficulties] = {};
    int best_[kScoreDifficulties] = {};
    bool hasBestTotal_ = false;
    int bestTotal_ = 0;
    std::string day_[kScoreDifficulties];
    std::string bestTotalDay_;
};

// Today, as the scores keep days: "2026-12-09".
std::string Today();

// The scores kept, or none where there is no file or it is damaged (said in
// one line on standard error, and the file set aside).
Scores LoadScores();
// Keeps the scores; false (after one line on standard error) when it cannot.
bool SaveScores(const Scores& scores);
