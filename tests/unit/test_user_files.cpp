// The files the game keeps for the player: settings and best scores in a
// fresh home, damaged files set aside, a read-only home. Every test has a
// home of its own.
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/Scores.h"
#include "app/Settings.h"
#include "input/cInput.h"

namespace {

class PlayerFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/kaziro-home-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        home = folder;
        setenv("HOME", home.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_DATA_HOME");
        settingsPath = home + "/.config/kaziro/settings";
        scoresPath = home + "/.local/share/kaziro/scores";
    }
    void TearDown() override {
        if (mounted) umount2(home.c_str(), MNT_DETACH);
        std::system(("chmod -R u+w " + home + " && rm -rf " + home).c_str());
    }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void Write(const std::string& path, const std::string& text) {
        std::system(("mkdir -p $(dirname " + path + ")").c_str());
        std::ofstream(path, std::ios::binary) << text;
    }
    static bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }
    // What `call` writes on standard error.
    template <typename Call>
    static std::string ErrorsOf(Call call) {
        ::testing::internal::CaptureStderr();
        call();
        return ::testing::internal::GetCapturedStderr();
    }
    // Whether `errors` is exactly one line, starting with `start`.
    static bool OneLine(const std::string& errors, const std::string& start) {
        return errors.rfind(start, 0) == 0 && std::count(errors.begin(), errors.end(), '\n') == 1;
    }

    // Makes the home read-only for this process: as root (whom permissions do
    // not stop) a read-only bind mount in a mount namespace of its own,
    // otherwise the folders' write permission taken away.
    bool MakeHomeReadOnly() {
        if (geteuid() == 0) {
            mounted = unshare(CLONE_NEWNS) == 0 &&
                      mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                      mount(home.c_str(), home.c_str(), nullptr, MS_BIND | MS_REC, nullptr) == 0 &&
                      mount(nullptr, home.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                            nullptr) == 0;
        } else {
            std::system(("chmod -R a-w " + home).c_str());
        }
        return access(home.c_str(), W_OK) != 0;
    }

    std::string home, settingsPath, scoresPath;
    bool mounted = false;
};

}  // namespace

TEST_F(PlayerFiles, AFreshHomeStartsFromTheDefaultsAndKeepsWhatIsSaved) {
    EXPECT_EQ(ErrorsOf([] {
        EXPECT_EQ(LoadSettings(), Settings{});
        EXPECT_EQ(LoadScores(), Scores{});
    }), "");

    Settings settings;
    settings.fullscreen = true;
    settings.scale = 1.5;
    settings.muted = true;
    settings.effectsVolume = 30;
    settings.musicVolume = 70;
    settings.language = "en";
    settings.bindings.menuKey = DIK_M;
    settings.bindings.helpPad = PAD_X;
    settings.meet = "meet.example.org:47801";
    ASSERT_TRUE(SaveSettings(settings));
    EXPECT_EQ(Read(settingsPath).rfind("kaziro-settings 2\nfullscreen 1\nscale 1.5\nmuted 1\neffects-volume 30\n", 0),
              0u);
    EXPECT_EQ(LoadSettings(), settings);
    // A file of the first version keeps what it had; the rest is the defaults.
    Write(settingsPath, "kaziro-settings 1\nfullscreen 1\nscale 2\nmuted 0\n");
    Settings older;
    older.fullscreen = true;
    older.scale = 2.0;
    EXPECT_EQ(LoadSettings(), older);

    Scores scores;
    const std::vector<bool> newBest{scores.RecordRound(3, 500),  // the first score is a best
                                    scores.RecordRound(3, 500), scores.RecordRound(3, 620, "2026-12-09"),
                                    scores.RecordRound(9, -40), scores.RecordRound(10, 900),
                                    scores.RecordRunTotal(2100), scores.RecordRunTotal(2000)};
    EXPECT_EQ(newBest, (std::vector<bool>{true, false, true, true, false, true, false}));
    ASSERT_TRUE(SaveScores(scores));
    EXPECT_EQ(Read(scoresPath), "kaziro-scores 2\nbest 3 620 2026-12-09\nbest 9 -40\ntotal 2100\n");
    const Scores kept = LoadScores();
    EXPECT_EQ(kept, scores);
    EXPECT_EQ(kept.Best(3), 620);
    EXPECT_EQ(kept.BestDay(3), "2026-12-09");
    EXPECT_FALSE(kept.HasBest(4));

    // XDG_DATA_HOME, where set, is the records' folder; no temporary file is left there.
    setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
    ASSERT_TRUE(SaveScores(scores));
    EXPECT_EQ(std::system(("test \"$(ls -A " + home + "/data/kaziro)\" = scores").c_str()), 0);
}

TEST_F(PlayerFiles, ADamagedForeignOrNewerFileIsSetAsideWithOneLineAndTheDefaultsAreUsed) {
    const std::string damaged[] = {
        "\x01\x02 binary",                                 // not text of ours
        "kaziro-scores 1\nbest 1 10\n",                   // another file's header
        "kaziro-settings 3\nfullscreen 1\nwindow big\n",  // a newer version
        "kaziro-settings 1\nfullscreen 1\nscale 9\n",     // a value out of range
        "kaziro-settings 1\n" + std::string(100000, '#'),  // far too large
    };
    for (const std::string& text : damaged) {
        Write(settingsPath, text);
        Write(settingsPath + ".bad", "an older damaged file");
        const std::string errors = ErrorsOf([] { EXPECT_EQ(LoadSettings(), Settings{}); });
        EXPECT_TRUE(OneLine(errors, "kaziro: settings: " + settingsPath + ": ")) << errors;
        EXPECT_FALSE(Exists(settingsPath));
        EXPECT_EQ(Read(settingsPath + ".bad"), text);  // kept for the player, replacing the old one
    }
    // A file that cannot be read at all is set aside as well.
    std::system(("rm -f " + settingsPath + ".bad && mkdir " + settingsPath).c_str());
    EXPECT_TRUE(OneLine(ErrorsOf([] { EXPECT_EQ(LoadSettings(), Settings{}); }), "kaziro: settings: "));
    EXPECT_TRUE(Exists(settingsPath + ".bad"));

    Write(scoresPath, "kaziro-scores 1\nbest 4 100\nbest 12 900\n");
    EXPECT_TRUE(OneLine(ErrorsOf([] { EXPECT_EQ(LoadScores(), Scores{}); }), "kaziro: scores: "));
    EXPECT_TRUE(Exists(scoresPath + ".bad"));
}

TEST_F(PlayerFiles, AReadOnlyHomeStillPlaysWithOneLinePerFileThatCannotBeKept) {
    Write(settingsPath, "kaziro-settings 1\nscale many\n");
    ASSERT_TRUE(MakeHomeReadOnly()) << "the home could not be made read-only";

    // Damaged and cannot be set aside: one line, the defaults.
    std::string errors = ErrorsOf([] { EXPECT_EQ(LoadSettings(), Settings{}); });
    EXPECT_TRUE(OneLine(errors, "kaziro: settings: ")) << errors;
    EXPECT_NE(errors.find("cannot be set aside"), std::string::npos) << errors;
    // No scores yet: nothing to say.
    EXPECT_EQ(ErrorsOf([] { EXPECT_EQ(LoadScores(), Scores{}); }), "");
    // Neither can be saved: one line each, and the game goes on.
    errors = ErrorsOf([] { EXPECT_FALSE(SaveSettings(Settings{})); });
    EXPECT_TRUE(OneLine(errors, "kaziro: settings: not saved: ")) << errors;
    errors = ErrorsOf([] { EXPECT_FALSE(SaveScores(Scores{})); });
    EXPECT_TRUE(OneLine(errors, "kaziro: scores: not saved: ")) << errors;
}
