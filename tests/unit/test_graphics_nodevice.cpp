// The game without a drawing device: after the device-failure box the entry
// point ends cleanly with a line on standard error and status 1, before any
// frame is drawn.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/WinMain.h"
#include "graphics/Graphics.h"
#include "platform/message_box.h"

namespace {

TEST(GraphicsNoDevice, GameEndsWithStatusOneAfterTheBox) {
    std::vector<std::pair<std::string, std::string>> boxes;
    std::vector<MessageBoxStyle> styles;
    const MessageBoxHandler old = SetMessageBoxHandler(
        [&boxes, &styles](const std::string& text, const std::string& caption, MessageBoxStyle style) {
            boxes.emplace_back(text, caption);
            styles.push_back(style);
        });
    int attempts = 0;
    const DeviceFactory oldFactory = SetDeviceFactory(
        [&attempts](WindowHandle, const PresentParams&, DeviceKind) -> RenderDevice* {
            ++attempts;
            return nullptr;
        });

    ::testing::internal::CaptureStderr();
    const int status = WinMain(AppOptions{});
    const std::string errors = ::testing::internal::GetCapturedStderr();

    SetDeviceFactory(oldFactory);
    SetMessageBoxHandler(old);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(attempts, 2);  // accelerated, then software
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, "エラー");
    EXPECT_EQ(boxes[0].second, "Direct3Dのデバイス生成に失敗");
    EXPECT_EQ(styles[0], MessageBoxStyle::Plain);  // an OK box with no icon
    EXPECT_NE(errors.find("graphics"), std::string::npos) << errors;
    EXPECT_FALSE(HasGraphicsDevice());
}

}  // namespace
