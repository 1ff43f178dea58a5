// The game's texts in the player's language: the language chosen from the
// environment (also on a machine that has only the C.UTF-8 locale), the
// catalogues against the one list of texts, the message boxes, and a
// translated label drawn where no Japanese face is installed.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "graphics/Texts.h"
#include "graphics/Graphics.h"
#include "graphics/cMetaObject.h"
#include "platform/message_box.h"
#include "platform/translation.h"
#include "support/headless.h"

namespace {

// Starts the translations with exactly these variables of the locale set,
// from the catalogues of the build.
void StartWith(const std::map<std::string, std::string>& environment) {
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) unsetenv(name);
    for (const auto& entry : environment) setenv(entry.first.c_str(), entry.second.c_str(), 1);
    StartTranslations(KAZIRO_TEST_BUILD_DIR "/locale");
}

}  // namespace

TEST(Translations, TheLanguageFollowsTheEnvironmentInGettextsOrder) {
    using Env = std::map<std::string, std::string>;
    const std::string ja = kTextError;
    const std::string en = "Error";
    // The source texts: no locale, C and POSIX (which ignore LANGUAGE),
    // Japanese, and LANGUAGE over LANG.
    for (const Env& env : {Env{}, Env{{"LANG", "C"}}, Env{{"LC_ALL", "POSIX"}},
                           Env{{"LANGUAGE", "en"}, {"LANG", "C"}}, Env{{"LANG", "ja_JP.UTF-8"}},
                           Env{{"LANG", "C.UTF-8"}}, Env{{"LANGUAGE", "ja"}, {"LANG", "en_US.UTF-8"}}}) {
        StartWith(env);
        EXPECT_EQ(Translate(kTextError), ja) << ::testing::PrintToString(env);
    }
    // English from LANG whether or not this machine generated en_US.UTF-8 (a
    // fresh Debian has only C.UTF-8; `locale -a` says which); LANGUAGE over
    // LANG; LC_ALL and LC_MESSAGES over LANG.
    const bool generated = std::setlocale(LC_MESSAGES, "en_US.UTF-8") != nullptr;
    std::setlocale(LC_MESSAGES, "C");
    for (const Env& env : {Env{{"LANG", "en_US.UTF-8"}}, Env{{"LANGUAGE", "en"}, {"LANG", "ja_JP.UTF-8"}},
                           Env{{"LC_ALL", "en_GB.UTF-8"}, {"LANG", "ja_JP.UTF-8"}},
                           Env{{"LC_MESSAGES", "en_US.UTF-8"}, {"LANG", "C"}}}) {
        StartWith(env);
        EXPECT_EQ(Translate(kTextError), en)
            << ::testing::PrintToString(env) << "; en_US.UTF-8 generated here: " << generated;
    }
    // The game's own Shift_JIS constants find the same entries: a message box
    // shows "エラー" over "Direct3Dのデバイス生成に失敗" in English, and a caption
    // without an entry (a file's path) as it is.
    std::vector<std::pair<std::string, std::string>> boxes;
    SetMessageBoxHandler([&](const std::string& text, const std::string& caption,
                             MessageBoxStyle) { boxes.emplace_back(text, caption); });
    MessageBox(kSjisErrorWord,
               "Direct3D\x82\xCC\x83\x66\x83\x6F\x83\x43\x83\x58\x90\xB6\x90\xAC\x82\xC9\x8E\xB8\x94\x73",
               MessageBoxStyle::Plain);
    MessageBox(kSjisErrorWord, "Graphic/Panel.png", MessageBoxStyle::Plain);
    SetMessageBoxHandler(nullptr);
    using Box = std::pair<std::string, std::string>;
    EXPECT_EQ(boxes, (std::vector<Box>{{en, "The drawing device could not be created"},
                                       {en, "Graphic/Panel.png"}}));
}

// Every text the header marks is in its list, and po/en.po (as built) has it.
TEST(Translations, EveryTextOfTheListHasItsEnglishTranslationInTheBuiltCatalogue) {
    std::ifstream header(KAZIRO_TEST_SOURCE_DIR "/graphics/Texts.h");
    size_t marked = 0;
    for (std::string line; std::getline(header, line);) marked += line.find("KAZIRO_TEXT(\"") != std::string::npos;
    EXPECT_EQ(marked, std::size(kAllTexts));
    StartWith({{"LANGUAGE", "en"}, {"LANG", "C.UTF-8"}});
    for (const char* text : kAllTexts) EXPECT_NE(Translate(text), text) << "no English for " << text;
}

// Fonts are looked up once per process: this is the only test here that makes one.
TEST(Translations, WithoutAJapaneseFaceATranslatedLabelStillDraws) {
    const std::string config = ::testing::TempDir() + "kaziro-latin-fonts.conf";
    std::ofstream(config) << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
                             "<fontconfig><dir>/usr/share/fonts/truetype/dejavu</dir>"
                             "<cachedir>" << ::testing::TempDir() << "kaziro-fc-cache</cachedir>"
                             "</fontconfig>\n";
    setenv("FONTCONFIG_FILE", config.c_str(), 1);
    StartWith({{"LANG", "en_US.UTF-8"}});
    ASSERT_TRUE(headless::StartGraphics());

    ::testing::internal::CaptureStderr();
    cFont label(Translate(kTextClickToContinue).c_str(), 100, 300);
    const std::string err = ::testing::internal::GetCapturedStderr();
    label.utf8 = true;
    ASSERT_NE(label.font, nullptr) << "fonts-dejavu-core is needed: tools/install-deps.sh";
    EXPECT_NE(ResolvedFontFile(label.font).find("DejaVu"), std::string_view::npos);
    EXPECT_NE(err.find("no Japanese face"), std::string::npos) << err;

    DrawFrame();
    headless::Frame frame;
    ASSERT_TRUE(frame.Read());
    int ink = 0;  // dark pixels where "Click to continue" starts, 16 pixels up and left
    for (int y = 284; y < 320; ++y)
        for (int x = 84; x < 400; ++x) ink += headless::ChannelDistance(frame.At(x, y), 0xFFFFFFFFu) > 128;
    EXPECT_GT(ink, 200);
    label.Unregister();
}
