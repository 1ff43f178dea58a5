// Graphics without a drawing device: matrices and cameras, the device set-up's
// choices and failure, the task manager, the draw lists and their sort, display
// objects made without a device, the texture registry's messages.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "graphics/Graphics.h"
#include "graphics/Matrix.h"
#include "graphics/cMetaObject.h"
#include "graphics/cTaskManager.h"
#include "graphics/cTextureManager.h"
#include "platform/message_box.h"

namespace {

using Boxes = std::vector<std::pair<std::string, std::string>>;  // (text, caption), UTF-8

// Records message boxes for the life of a test.
class BoxRecorder {
public:
    BoxRecorder() {
        ForgetMessageBoxKeys();
        old_ = SetMessageBoxHandler([this](const std::string& text, const std::string& caption,
                                           MessageBoxStyle style) {
            boxes.emplace_back(text, caption);
            styles.push_back(style);
        });
    }
    ~BoxRecorder() { SetMessageBoxHandler(old_); }
    Boxes boxes;
    std::vector<MessageBoxStyle> styles;

private:
    MessageBoxHandler old_;
};

constexpr float kTight = 1e-6f;

// --- Matrices and cameras ---------------------------------------------------

TEST(GraphicsMatrix, RotationZTurnsXTowardsY) {
    const Matrix r = MatrixRotationZ(static_cast<float>(M_PI / 2));
    const Vector3 p = TransformPoint({1, 0, 0}, r);
    EXPECT_NEAR(p.x, 0.0f, kTight);
    EXPECT_NEAR(p.y, 1.0f, kTight);  // +x goes to +y: clockwise on a y-down screen
    const Vector3 q = TransformPoint({0, 1, 0}, r);
    EXPECT_NEAR(q.x, -1.0f, kTight);
    EXPECT_NEAR(q.y, 0.0f, kTight);
}

TEST(GraphicsMatrix, YawPitchRollMatchesTheClosedForm) {
    const float yaw = 0.3f, pitch = 0.5f, roll = 0.7f;
    const float sy = std::sin(yaw), cy = std::cos(yaw), sp = std::sin(pitch),
                cp = std::cos(pitch), sr = std::sin(roll), cr = std::cos(roll);
    const float expected[3][3] = {
        {sr * sp * sy + cr * cy, sr * cp, sr * sp * cy - cr * sy},
        {cr * sp * sy - sr * cy, cr * cp, cr * sp * cy + sr * sy},
        {cp * sy, -sp, cp * cy}};
    const Matrix m = MatrixRotationYawPitchRoll(yaw, pitch, roll);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(m.m[i][j], expected[i][j], kTight) << i << j;
    EXPECT_EQ(m.m[3][3], 1.0f);
    // Roll first, then pitch: x -> y -> z.
    const Vector3 p = TransformPoint({1, 0, 0}, MatrixRotationYawPitchRoll(
                                                   0.0f, static_cast<float>(M_PI / 2),
                                                   static_cast<float>(M_PI / 2)));
    EXPECT_NEAR(p.x, 0.0f, kTight);
    EXPECT_NEAR(p.y, 0.0f, kTight);
    EXPECT_NEAR(p.z, 1.0f, kTight);
}

TEST(GraphicsMatrix, LookAtIsLeftHanded) {
    // From (10, 0, 0) towards the origin: the origin lies 10 ahead, +z to the right.
    const Matrix v = MatrixLookAtLH({10, 0, 0}, {0, 0, 0}, {0, 1, 0});
    const Vector3 origin = TransformPoint({0, 0, 0}, v);
    EXPECT_NEAR(origin.x, 0.0f, kTight);
    EXPECT_NEAR(origin.y, 0.0f, kTight);
    EXPECT_NEAR(origin.z, 10.0f, kTight);
    const Vector3 side = TransformPoint({0, 2, 1}, v);
    EXPECT_NEAR(side.x, 1.0f, kTight);
    EXPECT_NEAR(side.y, 2.0f, kTight);
    EXPECT_NEAR(side.z, 10.0f, kTight);
}

TEST(GraphicsMatrix, PerspectiveKnownValues) {
    const Matrix p = MatrixPerspectiveFovLH(0.5235988f, 1.3333334f, 1.0f, 2000.0f);
    EXPECT_NEAR(p.m[1][1], 3.7320508f, 1e-5f);
    EXPECT_NEAR(p.m[0][0], 2.7990381f, 1e-5f);
    EXPECT_NEAR(p.m[2][2], 2000.0f / 1999.0f, 1e-6f);
    EXPECT_EQ(p.m[2][3], 1.0f);
    EXPECT_NEAR(p.m[3][2], -2000.0f / 1999.0f, 1e-6f);
    EXPECT_EQ(p.m[3][3], 0.0f);
}

TEST(GraphicsCamera, AspectAndViewFollowTheCameraRecord) {
    cCamera camera;
    camera.left = 100;
    camera.top = 50;
    camera.right = 900;
    camera.bottom = 650;
    EXPECT_EQ(CameraAspect(camera), 1.3333334f);  // exact: 800 / 600 rounded to float
    camera.eye[2] = -10.0f;
    camera.up[1] = 1.0f;
    const Matrix lookAt = MatrixLookAtLH({0, 0, -10}, {0, 0, 0}, {0, 1, 0});
    const Matrix plain = CameraView(camera);
    EXPECT_EQ(std::memcmp(&plain, &lookAt, sizeof lookAt), 0);  // angles all 0: the look-at alone
    camera.yaw = 0.25f;
    const Matrix turned = MatrixMultiply(lookAt, MatrixRotationYawPitchRoll(0.25f, 0, 0));
    const Matrix view = CameraView(camera);
    EXPECT_EQ(std::memcmp(&view, &turned, sizeof view), 0);
    EXPECT_NEAR(CameraProjection(camera).m[0][0], 3.7320508f / 1.3333334f, 1e-5f);
}

// --- Device set-up --------------------------------------------------------------

struct ModeList {
    std::vector<DisplayMode> modes;
    int reads = 0;
    DisplayModeSource Source() {
        return [this](uint32_t index, DisplayMode* mode) {
            ++reads;
            if (index >= modes.size()) return false;
            *mode = modes[index];
            return true;
        };
    }
};

TEST(GraphicsDevice, FullScreenSearchTakesTheFirstModeLargeEnough) {
    ModeList list{{{640, 480, 60, 22}, {800, 600, 75, 22}, {800, 600, 60, 22}, {1024, 768, 60, 22}}};
    const DisplayMode found = FindFullScreenMode(800, 600, list.Source());
    EXPECT_EQ(found.width, 800u);
    EXPECT_EQ(found.refreshRate, 75u);  // whatever its refresh rate
    EXPECT_EQ(list.reads, 2);           // no mode read past it

    ModeList small{{{640, 480, 60, 22}, {1024, 500, 60, 22}, {720, 400, 70, 22}}};
    const DisplayMode last = FindFullScreenMode(800, 600, small.Source());
    EXPECT_EQ(last.width, 720u);  // none large enough: the last one read
    EXPECT_EQ(last.height, 400u);

    ModeList none;
    EXPECT_EQ(FindFullScreenMode(800, 600, none.Source()).width, 0u);
    EXPECT_EQ(none.reads, 1);
}

class DeviceSetup : public ::testing::Test {
protected:
    void SetUp() override {
        oldFactory = SetDeviceFactory([this](WindowHandle window, const PresentParams& params,
                                             DeviceKind kind) -> RenderDevice* {
            attempts.push_back(kind);
            seenParams = params;
            seenWindow = window;
            return nullptr;  // no device of any kind
        });
    }
    void TearDown() override {
        SetDeviceFactory(oldFactory);
        SetDisplayModeSource(nullptr);
    }
    DeviceFactory oldFactory;
    std::vector<DeviceKind> attempts;
    PresentParams seenParams;
    WindowHandle seenWindow = nullptr;
};

TEST_F(DeviceSetup, NoDeviceShowsTheBoxAndLeavesTheFramePassHarmless) {
    BoxRecorder recorder;
    InitGraphics(800, 600, nullptr, false);
    EXPECT_EQ(attempts, (std::vector<DeviceKind>{DeviceKind::AcceleratedVsync, DeviceKind::Software}));
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].first, "エラー");
    EXPECT_EQ(recorder.boxes[0].second, "Direct3Dのデバイス生成に失敗");
    EXPECT_FALSE(HasGraphicsDevice());
    EXPECT_EQ(graphics.screenWidth, 800u);
    EXPECT_EQ(graphics.screenHeight, 600u);
    // The windowed request: the desktop's format, the client area's size.
    EXPECT_TRUE(seenParams.windowed);
    EXPECT_EQ(seenParams.backBufferWidth, 0u);
    EXPECT_EQ(seenParams.backBufferFormat, kFormatUnknown);
    EXPECT_EQ(seenParams.backBufferCount, 1u);
    EXPECT_EQ(seenParams.swapEffect, kSwapEffectDiscard);
    EXPECT_TRUE(seenParams.enableAutoDepthStencil);
    EXPECT_EQ(seenParams.autoDepthStencilFormat, kFormatD16);
    EXPECT_EQ(seenParams.presentationInterval, 0u);
    RenderFrame();  // no device: nothing happens
    cCamera camera;
    graphics.cameras[0] = &camera;
    RenderFrame();
    graphics.cameras[0] = nullptr;
}

TEST_F(DeviceSetup, FullScreenAsksForTheModeFound) {
    BoxRecorder recorder;
    ModeList list{{{640, 480, 60, 22}, {1280, 720, 60, 22}, {800, 600, 60, 22}}};
    SetDisplayModeSource(list.Source());
    char marker = 0;
    const WindowHandle window = reinterpret_cast<WindowHandle>(&marker);
    InitGraphics(800, 600, window, true);
    EXPECT_FALSE(seenParams.windowed);
    EXPECT_EQ(seenParams.backBufferWidth, 1280u);
    EXPECT_EQ(seenParams.backBufferHeight, 720u);
    EXPECT_EQ(seenParams.backBufferFormat, kFormatX8R8G8B8);
    EXPECT_EQ(seenParams.deviceWindow, window);
    EXPECT_EQ(seenWindow, window);
    EXPECT_EQ(recorder.boxes.size(), 1u);
}

// --- Task manager ---------------------------------------------------------------

struct Log {
    std::vector<std::string> events;
};

class ScriptedTask : public cTask {
public:
    ScriptedTask(std::string name, Log* log, int runsLeft, cTaskManager* spawnInto = nullptr)
        : name_(std::move(name)), log_(log), runsLeft_(runsLeft), spawnInto_(spawnInto) {}
    ~ScriptedTask() override { log_->events.push_back("delete " + name_); }
    bool Run() override {
        log_->events.push_back("run " + name_);
        if (spawnInto_) {
            spawnInto_->AddTask(new ScriptedTask(name_ + "+", log_, 100));
            spawnInto_ = nullptr;
        }
        return --runsLeft_ > 0;
    }

private:
    std::string name_;
    Log* log_;
    int runsLeft_;
    cTaskManager* spawnInto_;
};

TEST(GraphicsTasks, FinishedTasksGoInTheSameWalkAndTheRestKeepOrder) {
    Log log;
    {
        cTaskManager manager;
        manager.RunTasks();  // both lists empty: nothing
        EXPECT_TRUE(log.events.empty());
        manager.AddTask(nullptr);  // refused
        manager.AddTask(new ScriptedTask("T1", &log, 100));
        manager.AddTask(new ScriptedTask("T2", &log, 1));
        manager.AddTask(new ScriptedTask("T3", &log, 100));
        manager.RunTasks();
        EXPECT_EQ(log.events, (std::vector<std::string>{"run T1", "run T2", "delete T2", "run T3"}));
        ASSERT_EQ(manager.activeTasks.size(), 2u);
        EXPECT_TRUE(manager.pendingTasks.empty());
        log.events.clear();
    }
    EXPECT_EQ(log.events, (std::vector<std::string>{"delete T1", "delete T3"}));
}

TEST(GraphicsTasks, TaskAddedDuringAWalkRunsNextTimeAfterTheOthers) {
    Log log;
    {
        cTaskManager manager;
        manager.AddTask(new ScriptedTask("A", &log, 100, &manager));
        manager.AddTask(new ScriptedTask("B", &log, 100));
        manager.RunTasks();
        EXPECT_EQ(log.events, (std::vector<std::string>{"run A", "run B"}));
        EXPECT_EQ(manager.pendingTasks.size(), 1u);
        log.events.clear();
        manager.RunTasks();
        EXPECT_EQ(log.events, (std::vector<std::string>{"run A", "run B", "run A+"}));
        log.events.clear();
        // At exit: active ones first, then pending, each exactly once.
        manager.AddTask(new ScriptedTask("P", &log, 100));
    }
    EXPECT_EQ(log.events, (std::vector<std::string>{"delete A", "delete B", "delete A+", "delete P"}));
}

TEST(GraphicsTasks, MeshCacheReleasesWhatItHoldsAtExit) {
    struct CountingMesh : cMeshInterface {
        int* releases;
        explicit CountingMesh(int* r) : releases(r) {}
        void Release() override {
            ++*releases;
            delete this;
        }
    };
    struct Record : cMeshRecord {
        int* deleted;
        explicit Record(int* d) : deleted(d) {}
        ~Record() override { ++*deleted; }
    };
    int releases = 0, deleted = 0;
    {
        cMeshManager cache;
        for (const char* name : {"b", "a"}) {
            auto* record = new Record(&deleted);
            record->mesh = new CountingMesh(&releases);
            record->textures = {nullptr, nullptr};  // materials without a texture
            record->materialCount = 2;
            cache.meshes[name] = record;
        }
    }
    EXPECT_EQ(releases, 2);
    EXPECT_EQ(deleted, 2);
}

// --- Draw lists and the far-to-near sort ------------------------------------------

TEST(GraphicsDrawList, CombGapsFollowTheRule) {
    auto gaps = [](int n) {
        std::vector<int> out;
        int gap = n;
        do {
            gap = NextCombGap(gap);
            out.push_back(gap);
        } while (gap > 1);
        return out;
    };
    EXPECT_EQ(gaps(20), (std::vector<int>{15, 11, 8, 6, 4, 3, 2, 1}));
    EXPECT_EQ(gaps(12), (std::vector<int>{11, 8, 6, 4, 3, 2, 1}));  // 9 becomes 11
    EXPECT_EQ(gaps(13), (std::vector<int>{11, 8, 6, 4, 3, 2, 1}));  // 10 becomes 11
    EXPECT_EQ(gaps(2), (std::vector<int>{1}));
    EXPECT_EQ(NextCombGap(1), 1);
}

struct Point3D : c3DMetaObject {
    Point3D(float x, float y, float z) : p{x, y, z} {}
    void Draw(cCamera*) override {}
    float* GetPosition() override { return p; }
    float p[3];
};

TEST(GraphicsDrawList, SortPutsTheFarthestFirst) {
    Point3D a(0, 0, 1), b(0, 0, 10), c(0, 0, 5);
    DrawList3D list{&a, &b, &c};
    SortByDistance(list.begin(), list.end());
    EXPECT_EQ(list, (DrawList3D{&b, &c, &a}));

    DrawList3D empty;
    SortByDistance(empty.begin(), empty.end());
    EXPECT_TRUE(empty.empty());
    DrawList3D one{&a};
    SortByDistance(one.begin(), one.end());
    EXPECT_EQ(one, DrawList3D{&a});

    // Two elements: exchanged only when the second is strictly farther.
    Point3D same(0, 1, 0);  // as far as a
    DrawList3D tie{&a, &same};
    SortByDistance(tie.begin(), tie.end());
    EXPECT_EQ(tie, (DrawList3D{&a, &same}));
    DrawList3D pair{&a, &b};
    SortByDistance(pair.begin(), pair.end());
    EXPECT_EQ(pair, (DrawList3D{&b, &a}));

    // Null elements are never exchanged.
    DrawList3D holes{&a, nullptr, &b};
    SortByDistance(holes.begin(), holes.end());
    EXPECT_EQ(holes, (DrawList3D{&b, nullptr, &a}));
}

TEST(GraphicsDrawList, SortOfManyIsNonIncreasing) {
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> coordinate(-100.0f, 100.0f);
    std::vector<Point3D> points;
    for (int i = 0; i < 57; ++i) points.emplace_back(coordinate(rng), coordinate(rng), coordinate(rng));
    DrawList3D list;
    for (auto& p : points) list.push_back(&p);
    SortByDistance(list.begin(), list.end());
    auto distance = [](c3DMetaObject* o) {
        const float* p = o->GetPosition();
        return std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    };
    for (size_t i = 1; i < list.size(); ++i) EXPECT_GE(distance(list[i - 1]), distance(list[i])) << i;
}

TEST(GraphicsDrawList, RemoveTakesEveryOccurrenceAndKeepsTheOrder) {
    c2DMetaObject a, b, c;
    DrawList2D list;
    AddToDrawList(list, &a);
    AddToDrawList(list, &b);
    AddToDrawList(list, &a);
    AddToDrawList(list, &c);
    RemoveFromDrawList(list, &a);
    EXPECT_EQ(list, (DrawList2D{&b, &c}));
    c2DMetaObject absent;
    RemoveFromDrawList(list, &absent);
    EXPECT_EQ(list, (DrawList2D{&b, &c}));
}

// --- Display objects without a device ------------------------------------------------

class DisplayObjects : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(HasGraphicsDevice());
        ASSERT_TRUE(graphics.drawList2D.empty());
    }
    void TearDown() override { EXPECT_TRUE(graphics.drawList2D.empty()); }
    BoxRecorder recorder;
};

TEST_F(DisplayObjects, RegisterInOrderAndUnregisterOnce) {
    textureManager.RegisterTexture("LogicPanel", "Graphic/Panel.png");
    cSprite a("LogicPanel", 10, 20, 32, 32);
    cFont b("10", 750, 32);
    EXPECT_EQ(graphics.drawList2D, (DrawList2D{&a, &b}));
    EXPECT_TRUE(a.registered);
    a.Unregister();
    EXPECT_FALSE(a.registered);
    EXPECT_EQ(graphics.drawList2D, DrawList2D{&b});
    a.Unregister();  // not registered: nothing
    EXPECT_EQ(graphics.drawList2D, DrawList2D{&b});
    b.Unregister();
    // No device: the texture cannot be made, which is reported like a bad file.
    EXPECT_EQ(a.texture, nullptr);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].first, "画像データの読み込みに失敗");
    EXPECT_EQ(recorder.boxes[0].second, "Graphic/Panel.png");
    a.Draw();  // harmless
    b.Draw();
}

TEST_F(DisplayObjects, ConstructionStateAndPositions) {
    cSprite sprite("LogicPanel", 5, 6, 40, 30);
    EXPECT_EQ(sprite.position[0], 5.0f);
    EXPECT_EQ(sprite.size[0], 40.0f);
    EXPECT_EQ(sprite.size[1], 30.0f);
    EXPECT_EQ(sprite.angle, 0.0f);
    EXPECT_EQ(sprite.color, 0xFFFFFFFFu);
    sprite.SetPosition(10, 20);
    EXPECT_EQ(sprite.GetPosition()[0], 10.0f);
    EXPECT_EQ(sprite.GetPosition()[1], 20.0f);
    sprite.SetPosition(1.5f, -2.25f);
    EXPECT_EQ(sprite.GetPosition()[0], 1.5f);
    EXPECT_EQ(sprite.GetPosition()[1], -2.25f);
    sprite.Unregister();

    cFont label("\x82\x50\x82\x4F\x82\x4F", 750, 32);  // "１００"
    EXPECT_STREQ(label.text, "\x82\x50\x82\x4F\x82\x4F");
    EXPECT_EQ(label.size[0], 32.0f);
    EXPECT_EQ(label.color, 0xFF000000u);
    EXPECT_EQ(label.font, nullptr);
    const FontDescription d = cFont::Description();
    EXPECT_EQ(d.height, 32);
    EXPECT_EQ(d.weight, 200u);
    EXPECT_EQ(d.charSet, 128);
    EXPECT_STREQ(d.faceName, "\x82\x6C\x82\x72\x81\x40\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E");
    label.Unregister();

    std::string longText(400, 'x');
    cFont clipped(longText.c_str(), 0, 0);
    EXPECT_EQ(std::strlen(clipped.text), 255u);  // 255 bytes and the NUL
    clipped.Unregister();
}

TEST_F(DisplayObjects, DeletingARegisteredObjectTakesItOutOfTheList) {
    auto* a = new cFont("a", 0, 0);
    auto* b = new cFont("b", 0, 0);
    auto* c = new cSprite("LogicPanel", 0, 0, 8, 8);
    delete a;  // the owner forgot Unregister
    EXPECT_EQ(graphics.drawList2D, (DrawList2D{b, c}));
    c2DMetaObject* asBase = c;
    delete asBase;  // through the base, as owners do
    EXPECT_EQ(graphics.drawList2D, DrawList2D{b});
    b->Unregister();
    delete b;
}

// --- Texture registry --------------------------------------------------------------

TEST(GraphicsTextures, FirstPathStaysAndNamesAreCaseSensitive) {
    cTextureManager registry;
    registry.RegisterTexture("Panel", "Graphic/Panel.png");
    registry.RegisterTexture("Panel", "Graphic/Other.png");
    EXPECT_EQ(registry.paths.at("Panel"), "Graphic/Panel.png");
    BoxRecorder recorder;
    EXPECT_EQ(registry.CreateTexture("panel"), nullptr);
    ASSERT_EQ(recorder.boxes.size(), 2u);
    EXPECT_EQ(recorder.boxes[0], (std::pair<std::string, std::string>{"テクスチャ生成に失敗", "panel"}));
}

TEST(GraphicsTextures, UnknownNameIsReportedOnceThenOnlyTheLoadFails) {
    cTextureManager registry;
    BoxRecorder recorder;
    EXPECT_EQ(registry.CreateTexture("Ghost"), nullptr);
    const Boxes first{{"テクスチャ生成に失敗", "Ghost"}, {"画像データの読み込みに失敗", ""}};
    EXPECT_EQ(recorder.boxes, first);
    // Both are plain OK boxes: no error icon.
    const std::vector<MessageBoxStyle> plain(2, MessageBoxStyle::Plain);
    EXPECT_EQ(recorder.styles, plain);
    recorder.boxes.clear();
    // The load fails again: its box was shown, so this time it is one line.
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(registry.CreateTexture("Ghost"), nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "kaziro: 画像データの読み込みに失敗\n");
    EXPECT_TRUE(recorder.boxes.empty());
    EXPECT_EQ(registry.paths.at("Ghost"), "");
}

}  // namespace
