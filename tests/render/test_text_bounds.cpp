// Every text the field shows stays inside the 800 x 600 field at its longest
// (scores of six digits and a minus sign, the fourth player, the ninth
// difficulty, every note and the help), in every language of po/LINGUAS and
// in the game's own Japanese, and no two lines of one text overlap. Drawn
// with the Japanese face; the test program runs once more (CTest's
// render_text_bounds_latin_face) where only a Latin face is installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/Graphics.h"
#include "graphics/Overlay.h"
#include "graphics/Texts.h"
#include "graphics/cMetaObject.h"
#include "platform/render.h"
#include "platform/render_internal.h"
#include "platform/translation.h"
#include "scene/cSceneView.h"
#include "support/game_fixture.h"
#include "support/headless.h"

namespace {

struct Box {
    int left, top, right, bottom;
    std::string text;
};

// The labels drawn from index `first` of the draw list, as rendered.
std::vector<Box> LabelsFrom(size_t first) {
    DrawFrame();
    std::vector<Box> boxes;
    for (size_t i = first; i < graphics.drawList2D.size(); ++i) {
        auto* label = dynamic_cast<cFont*>(graphics.drawList2D[i]);
        if (!label || !label->text[0]) continue;
        int width = 0, height = 0;
        SdlTextTextureOf(label->font, &width, &height);
        const int left = static_cast<int>(label->position[0]) - 16;
        const int top = static_cast<int>(label->position[1]) - 16;
        boxes.push_back({left, top, left + width, top + height, label->text});
    }
    ShowFrame();
    return boxes;
}

// Every label made since `first` is inside the field and, `apart`, none covers
// another. (On the board the score has always shared its corner with the
// first row's counter from difficulty 8 on.)
void ExpectInside(size_t first, const std::string& what, bool apart = true) {
    const std::vector<Box> boxes = LabelsFrom(first);
    EXPECT_FALSE(boxes.empty()) << what;
    for (size_t i = 0; i < boxes.size(); ++i) {
        const Box& b = boxes[i];
        EXPECT_TRUE(b.right > b.left && b.left >= 0 && b.top >= 0 && b.right <= 800 && b.bottom <= 600)
            << what << ": \"" << b.text << "\" at " << b.left << "," << b.top << " to " << b.right
            << "," << b.bottom;
        for (size_t j = i + 1; apart && j < boxes.size(); ++j) {
            const Box& o = boxes[j];
            EXPECT_FALSE(b.left < o.right && o.left < b.right && b.top < o.bottom && o.top < b.bottom)
                << what << ": \"" << b.text << "\" and \"" << o.text << "\" overlap";
        }
    }
}

// The game's own texts (a C locale), then each language of po/LINGUAS.
std::vector<std::string> Languages() {
    std::vector<std::string> languages{""};
    std::ifstream linguas(KAZIRO_TEST_SOURCE_DIR "/po/LINGUAS");
    for (std::string line; std::getline(linguas, line);) {
        std::istringstream words(line.substr(0, line.find('#')));
        for (std::string word; words >> word;) languages.push_back(word);
    }
    return languages;
}

}  // namespace

TEST(TextBounds, EveryTextAtItsLongestStaysInsideTheFieldInEveryLanguageAndFace) {
    const bool latin = std::getenv("KAZIRO_TEST_LATIN_FACE") != nullptr;
    if (latin) {  // before the first label asks fontconfig for a face
        // The sans faces of fonts-dejavu-core alone, as a machine without a
        // Japanese face has them (the regular face is the widest there).
        const std::string fonts = ::testing::TempDir() + "kaziro-latin-fonts";
        std::system(("mkdir -p " + fonts + " && ln -sf /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "
                     "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf " + fonts).c_str());
        const std::string config = ::testing::TempDir() + "kaziro-bounds-latin.conf";
        std::ofstream(config) << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
                                 "<fontconfig><dir>" << fonts << "</dir><cachedir>" << fonts
                              << "/cache</cachedir></fontconfig>\n";
        setenv("FONTCONFIG_FILE", config.c_str(), 1);
    }
    ASSERT_TRUE(headless::StartGraphics());
    {
        cFont probe("0", 0, 0);
        ASSERT_NE(probe.font, nullptr) << "no face at all: tools/install-deps.sh";
        const std::string file(ResolvedFontFile(probe.font));
        EXPECT_NE(file.find(latin ? "DejaVu" : "ipag"), std::string::npos) << file;
    }
    const size_t first = graphics.drawList2D.size();
    constexpr int kLongest = -999999;
    for (const std::string& language : Languages()) {
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) unsetenv(name);
        if (!language.empty()) setenv("LANGUAGE", language.c_str(), 1);
        setenv("LANG", language.empty() ? "C" : "C.UTF-8", 1);
        StartTranslations(KAZIRO_TEST_BUILD_DIR "/locale");
        const std::string in = " in '" + language + "'";

        for (int score : {kLongest, -kLongest}) {  // the board, its counters and the score
            GameState game = BoardGame(9);
            game.board.score = score;
            for (int32_t& sum : game.board.sums) sum = 16;
            cSceneView view;
            view.Show(game, nullptr);
            ExpectInside(first, "the board" + in, false);
            game.scene = static_cast<int32_t>(SceneKind::Result);  // the result line, and its notes
            game.result = cSQInterval{9, score};
            view.Show(game, nullptr);
            auto notes = NewResultNotes({TranslateFormat(kTextBestScore, score), Translate(kTextNewBest),
                                         TranslateFormat(kTextRunTotal, score),
                                         TranslateFormat(kTextBestTotal, score),
                                         Translate(kTextClickToContinue)});
            ExpectInside(first, "the result" + in);
        }
        const std::function<std::unique_ptr<cOverlay>()> notices[] = {
            NewPauseNotice, NewWaitingNotice, NewHelp, NewMuteSign, [] { return NewPadWantedNotice(4); },
            [] { return NewPadLeftNotice(0xFu); }, [] { return NewWayNotice(true, 99999); },
            [] { return NewWayNotice(false, 99999); }};
        for (const auto& make : notices) {
            const std::unique_ptr<cOverlay> notice = make();
            ExpectInside(first, "a notice" + in);
        }
        std::unique_ptr<cOverlay> choices[kMaxPlayers];
        for (int p = 0; p < kMaxPlayers; ++p) choices[p] = NewChoiceNotice(p + 1, 9, p);
        ExpectInside(first, "four players choosing" + in);
    }

    // Lines longer than the field (no text is, today) are broken where they
    // fit, losing nothing; a help grown by three lines moves up to stay inside.
    const std::string japanese = std::string(kTextHelpRule1) + kTextHelpRule2 + kTextHelpRule3;
    const std::string english = "Bounce the falling dice with the paddle, and bring every slot "
                                "to exactly ten: a slot that goes over costs points";
    {
        auto notes = NewResultNotes({japanese, english});
        std::string shown;
        for (const Box& b : LabelsFrom(first)) shown += b.text;
        const auto bare = [](std::string text) {
            text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
            return text;
        };
        EXPECT_EQ(bare(shown), bare(japanese + english));
        ExpectInside(first, "long notes");
    }
    std::vector<std::string> help(std::begin(kHelpLines), std::end(kHelpLines));
    help.push_back(japanese);
    cOverlay::Layout top;
    top.top = 52;
    cOverlay grown(help, top);
    ExpectInside(first, "a help grown longer");
}
