// The graphics state, the device set-up and the frame pass.
//
// One device is made at start-up for the game window. Every logic step the
// frame pass clears the frame to white, draws each camera's 3D pass, then every
// 2D display object in registration order, and presents.
#pragma once

#include <cstdint>
#include <functional>

#include "graphics/DrawList.h"
#include "graphics/Matrix.h"
#include "platform/render.h"
#include "platform/window.h"

// A camera of the 3D pass: its viewport on the render target and its view.
struct cCamera {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    float eye[3] = {};
    float lookAt[3] = {};
    float up[3] = {};
    float pitch = 0.0f;  // radians about x, applied after the look-at
    float yaw = 0.0f;    // radians about y
    float roll = 0.0f;   // radians about z
    uint32_t clearColour = 0;       // ARGB the viewport is cleared to
    Texture* renderTarget = nullptr;  // not owned; null: the back buffer
};

constexpr int kCameraCount = 10;

struct GraphicsState {
    RenderDevice* device = nullptr;  // null until InitGraphics succeeds
    PresentParams presentParams;     // kept for the reset after a failed presentation
    uint32_t screenWidth = 0;        // the play field: 800 x 600
    uint32_t screenHeight = 0;
    // Cameras drawn each frame, from the first up to the first null entry. Not owned.
    cCamera* cameras[kCameraCount] = {};
    DrawList3D drawList3D;  // drawn once per camera, far to near
    DrawList2D drawList2D;  // drawn once per frame after the cameras, first to last
};

extern GraphicsState graphics;

// Sets the play field's size and makes the device: windowed, or full screen in
// the first display mode at least width x height. When no device can be made a
// message box says so and `device` stays null.
void InitGraphics(uint32_t width, uint32_t height, WindowHandle window, bool fullScreen);
// Whether InitGraphics made a device the frame pass can draw with.
bool HasGraphicsDevice();
// One frame: DrawFrame, then ShowFrame. Does nothing without a device.
void RenderFrame();
// The drawing half of the frame: the white clear, the camera passes, the 2D pass.
// The picture can be read back (ReadFramePixels) before ShowFrame.
void DrawFrame();
// The presentation half: presents, and resets the device when that fails.
void ShowFrame();

// Sets up the device for one camera: render target, viewport, clear, view and
// projection.
void ApplyCamera(const cCamera& camera);
// The camera's aspect ratio, (right - left) / (bottom - top) as a 32-bit float.
float CameraAspect(const cCamera& camera);
// The camera's view: the look-at, turned by yaw, pitch and roll when any is non-zero.
Matrix CameraView(const cCamera& camera);
// The camera's projection: 30 degrees vertically, near 1, far 2000.
Matrix CameraProjection(const cCamera& camera);

// Reads display mode `index` into *mode; false when there are no more modes.
using DisplayModeSource = std::function<bool(uint32_t index, DisplayMode* mode)>;
// The full-screen search: walks the modes until one is at least width x height
// and answers it, or the last mode read when none is large enough.
DisplayMode FindFullScreenMode(uint32_t width, uint32_t height, const DisplayModeSource& modes);

// Seams for the device set-up (tests replace them; an empty function restores
// the platform's). Each returns the one it replaces.
using DeviceFactory =
    std::function<RenderDevice*(WindowHandle window, const PresentParams& params, DeviceKind kind)>;
DeviceFactory SetDeviceFactory(DeviceFactory factory);
DisplayModeSource SetDisplayModeSource(DisplayModeSource source);
