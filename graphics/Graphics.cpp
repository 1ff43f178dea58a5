#include "graphics/Graphics.h"

#include <utility>

#include "graphics/cMetaObject.h"
#include "platform/message_box.h"

namespace {

// "Direct3Dのデバイス生成に失敗"
constexpr const char kDeviceFailedCaption[] =
    "Direct3D\x82\xCC\x83\x66\x83\x6F\x83\x43\x83\x58\x90\xB6\x90\xAC\x82\xC9\x8E\xB8\x94\x73";

// Vertical field of view: the 32-bit float nearest pi / 6.
constexpr float kFieldOfView = 0.5235988f;
constexpr float kNearPlane = 1.0f;
constexpr float kFarPlane = 2000.0f;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
// No display lists more modes than this; a source that never ends stops here.
constexpr uint32_t kMaxDisplayModes = 65536;

DeviceFactory& Factory() {
    static DeviceFactory factory;
    return factory;
}

DisplayModeSource& ModeSource() {
    static DisplayModeSource source;
    return source;
}

RenderDevice* MakeDevice(WindowHandle window, const PresentParams& params, DeviceKind kind) {
    if (Factory()) return Factory()(window, params, kind);
    return CreateRenderDevice(window, params, kind);
}

}  // namespace

DeviceFactory SetDeviceFactory(DeviceFactory factory) {
    return std::exchange(Factory(), std::move(factory));
}

DisplayModeSource SetDisplayModeSource(DisplayModeSource source) {
    return std::exchange(ModeSource(), std::move(source));
}

DisplayMode FindFullScreenMode(uint32_t width, uint32_t height, const DisplayModeSource& modes) {
    // The record starts at zero, so mode 0 is always read.
    DisplayMode record;
    for (uint32_t i = 0; i < kMaxDisplayModes; ++i) {
        if (record.width >= width && record.height >= height) break;
        DisplayMode next = record;
        if (!modes || !modes(i, &next)) break;  // no more modes: keep the last one read
        record = next;
    }
    return record;
}

void InitGraphics(uint32_t width, uint32_t height, WindowHandle window, bool fullScreen) {
    graphics.screenWidth = width;
    graphics.screenHeight = height;

    PresentParams& params = graphics.presentParams;
    params = PresentParams{};
    if (fullScreen) {
        const DisplayModeSource& source = ModeSource();
        const DisplayMode mode =
            source ? FindFullScreenMode(width, height, source)
                   : FindFullScreenMode(width, height, [](uint32_t index, DisplayMode* m) {
                         return EnumDisplayMode(index, m);
                     });
        params.backBufferWidth = mode.width;
        params.backBufferHeight = mode.height;
        params.backBufferFormat = mode.format;
        params.deviceWindow = window;
        params.windowed = false;
        params.presentationInterval = 0;
    } else {
        // The back buffer takes the size of the window's client area.
        params.windowed = true;
        params.backBufferFormat = kFormatUnknown;
    }
    params.backBufferCount = 1;
    params.swapEffect = kSwapEffectDiscard;
    params.enableAutoDepthStencil = true;
    params.autoDepthStencilFormat = kFormatD16;

    // An accelerated renderer that waits for the display's refresh, else SDL's
    // software renderer.
    RenderDevice* device = MakeDevice(window, params, DeviceKind::AcceleratedVsync);
    if (!device) device = MakeDevice(window, params, DeviceKind::Software);
    graphics.device = device;
    if (!device) {
        MessageBox(kSjisErrorWord, kDeviceFailedCaption, MessageBoxStyle::Plain);
        return;
    }
    // The fixed drawing states (no lighting or culling, alpha test and alpha
    // blending, texture colour times vertex colour) are how the device draws
    // every sprite and label; there is nothing to set.
}

bool HasGraphicsDevice() { return graphics.device != nullptr; }

float CameraAspect(const cCamera& camera) {
    const double width = static_cast<double>(static_cast<int64_t>(camera.right) - camera.left);
    const double height = static_cast<double>(static_cast<int64_t>(camera.bottom) - camera.top);
    return static_cast<float>(width / height);
}

Matrix CameraView(const cCamera& camera) {
    const Vector3 eye{camera.eye[0], camera.eye[1], camera.eye[2]};
    const Vector3 at{camera.lookAt[0], camera.lookAt[1], camera.lookAt[2]};
    const Vector3 up{camera.up[0], camera.up[1], camera.up[2]};
    Matrix view = MatrixLookAtLH(eye, at, up);
    if (camera.pitch != 0.0f || camera.yaw != 0.0f || camera.roll != 0.0f) {
        view = MatrixMultiply(view, MatrixRotationYawPitchRoll(camera.yaw, camera.pitch, camera.roll));
    }
    return view;
}

Matrix CameraProjection(const cCamera& camera) {
    return MatrixPerspectiveFovLH(kFieldOfView, CameraAspect(camera), kNearPlane, kFarPlane);
}

void ApplyCamera(const cCamera& camera) {
    RenderDevice* device = graphics.device;
    SetRenderTarget(device, camera.renderTarget);  // the back buffer when null
    SetViewport(device, camera.left, camera.top, camera.right - camera.left,
                camera.bottom - camera.top);
    ClearViewport(device, camera.clearColour);
    const Matrix view = CameraView(camera);
    SetTransform(device, TransformKind::View, &view.m[0][0]);
    const Matrix projection = CameraProjection(camera);
    SetTransform(device, TransformKind::Projection, &projection.m[0][0]);
}

void DrawFrame() {
    RenderDevice* device = graphics.device;
    if (!device) return;

    // The whole frame to white. The renderer has no depth buffer: it draws in
    // call order, which is what the depth clears below achieve for the 2D pass.
    ClearViewport(device, kWhite);

    // Camera passes. The render target a camera sets stays for the 2D pass and
    // for the next frame's clear.
    for (int i = 0; i < kCameraCount && graphics.cameras[i]; ++i) {
        cCamera* camera = graphics.cameras[i];
        ApplyCamera(*camera);
        SortByDistance(graphics.drawList3D.begin(), graphics.drawList3D.end());
        for (size_t k = 0; k < graphics.drawList3D.size(); ++k) {
            if (graphics.drawList3D[k]) graphics.drawList3D[k]->Draw(camera);
        }
    }

    // 2D pass over the whole field, first to last: a later object is drawn over
    // an earlier one.
    SetViewport(device, 0, 0, static_cast<int32_t>(graphics.screenWidth),
                static_cast<int32_t>(graphics.screenHeight));
    for (size_t k = 0; k < graphics.drawList2D.size(); ++k) {
        if (graphics.drawList2D[k]) graphics.drawList2D[k]->Draw();
    }
}

void ShowFrame() {
    RenderDevice* device = graphics.device;
    if (!device) return;
    // A lost device is reset with the kept parameters and tried again next frame;
    // nothing else is re-created.
    if (!PresentFrame(device, graphics.presentParams)) ResetDevice(device, graphics.presentParams);
}

void RenderFrame() {
    DrawFrame();
    ShowFrame();
}
