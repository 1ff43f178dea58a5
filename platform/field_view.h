// Where the play field sits in a window of any size: scaled as a whole with
// its aspect kept, centred, with bars beside or above and below it. The game
// above the platform layer only ever sees the field's own pixels.
#pragma once

// The field's rectangle in the window's pixels.
struct FieldView {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool integerScale = true;  // an exact whole multiple: drawn with sharp (nearest) filtering
};

// The largest field that fits an output of outputWidth x outputHeight pixels.
FieldView FitField(int fieldWidth, int fieldHeight, int outputWidth, int outputHeight);

// A point of the window, in the window's own units (points, which a desktop
// that scales may give fewer of than pixels), as a point of the field. Points
// beyond the field, in the bars or outside the window, land beyond 0..width-1
// and 0..height-1, as they lie.
void WindowPointToField(int windowX, int windowY, int windowWidth, int windowHeight,
                        int outputWidth, int outputHeight, int fieldWidth, int fieldHeight,
                        int* fieldX, int* fieldY);

// The other way: where the middle of a field pixel lies in the window's points.
void FieldPointToWindow(int fieldX, int fieldY, int windowWidth, int windowHeight,
                        int outputWidth, int outputHeight, int fieldWidth, int fieldHeight,
                        int* windowX, int* windowY);

// The room a window manager's frame (title bar and borders) takes around a window.
constexpr int kWindowFrameWidth = 16;
constexpr int kWindowFrameHeight = 48;

// The largest scale up to `requested` at which a window of the field times
// the scale, with its frame around it, fits a desktop area of areaWidth x
// areaHeight; in hundredths, and never below 1 (a desktop too small for even
// that gets the field at its own size).
double FitWindowScale(double requested, int fieldWidth, int fieldHeight, int areaWidth,
                      int areaHeight);
