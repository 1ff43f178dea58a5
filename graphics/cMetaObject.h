// The 2D display objects: textured rectangles (`cSprite`) and lines of text
// (`cFont`).
//
// An object registers itself in `drawList2D` when it is made and is drawn once
// per frame, in registration order, until its owner calls `Unregister`. Owners
// move it with `SetPosition`, turn it by writing `angle`, change a sprite's
// picture by replacing `texture` and a label by overwriting `text`.
// Made without a device, an object is harmless: it registers, draws nothing.
#pragma once

#include <cstdint>

#include "platform/render.h"

// The base of every display object.
class cMetaObject {
public:
    cMetaObject() = default;
    virtual ~cMetaObject() = default;
    cMetaObject(const cMetaObject&) = delete;
    cMetaObject& operator=(const cMetaObject&) = delete;

    bool registered = false;  // the object is in a draw list
};

// The base of every 2D display object. Positions and sizes are screen pixels,
// x to the right and y down; `angle` is in radians, positive clockwise on screen.
class c2DMetaObject : public cMetaObject {
public:
    c2DMetaObject() = default;
    // Takes the object out of `drawList2D` if its owner has not, so the list
    // never keeps a pointer to a deleted object.
    ~c2DMetaObject() override;

    // The position pair: x, then y.
    virtual float* GetPosition();
    virtual void SetPosition(int32_t x, int32_t y);
    virtual void SetPosition(float x, float y);
    // Draws the object; called by the frame pass.
    virtual void Draw() {}

    // Appends the object to `drawList2D` unless it is already registered.
    void Register();
    // Removes it from `drawList2D` if it is registered.
    void Unregister();

    float position[2] = {0.0f, 0.0f};  // centre of a sprite, reference point of a label
    float angle = 0.0f;
    Sprite* sprite = nullptr;       // owned; null without a device
    float size[2] = {0.0f, 0.0f};   // width, height drawn, in pixels

protected:
    // Scale, then turn, then move: the local rectangle starting at (left, top),
    // measured against a reference size of refWidth x refHeight, ends up `size`
    // large, turned by `angle` about the position. False when a reference size is 0.
    bool BuildTransform(int32_t refWidth, int32_t refHeight, float left, float top,
                        Placement* placement) const;
};

// A textured rectangle: the whole texture stretched to `size`, centred on the
// position, turned about it.
class cSprite : public c2DMetaObject {
public:
    // Asks the texture registry for `textureName` (a missing texture draws nothing).
    cSprite(const char* textureName, int32_t x, int32_t y, int32_t width, int32_t height);
    ~cSprite() override;
    void Draw() override;

    Texture* texture = nullptr;  // owned; may be null; owners may replace it
    uint32_t color = 0xFFFFFFFFu;  // ARGB modulation; opaque white leaves the texture as it is
};

// A line of Shift_JIS text in a 32-pixel Japanese proportional Gothic. With its
// size of 32 x 32 the text starts 16 pixels left of and above the position and
// turns about the position. With `utf8` set the text is read as UTF-8 instead
// (the translated texts, in any language).
class cFont : public c2DMetaObject {
public:
    cFont(const char* text, int32_t x, int32_t y);
    ~cFont() override;
    void Draw() override;
    // How wide the text is drawn, in pixels (0 without a face).
    int TextWidth() const;

    Font* font = nullptr;  // owned; null without a device or an installed face
    uint32_t color = 0xFF000000u;  // ARGB text colour
    char text[256] = {};  // Shift_JIS, NUL-terminated; owners overwrite it
    bool utf8 = false;    // text holds UTF-8 rather than Shift_JIS

    // The font description every label asks for.
    static FontDescription Description();
};
