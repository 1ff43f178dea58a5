#include "platform/field_view.h"

#include <cmath>

FieldView FitField(int fieldWidth, int fieldHeight, int outputWidth, int outputHeight) {
    FieldView view;
    if (fieldWidth <= 0 || fieldHeight <= 0 || outputWidth <= 0 || outputHeight <= 0) return view;
    const double across = static_cast<double>(outputWidth) / fieldWidth;
    const double down = static_cast<double>(outputHeight) / fieldHeight;
    const double scale = across < down ? across : down;
    view.width = static_cast<int>(std::lround(fieldWidth * scale));
    view.height = static_cast<int>(std::lround(fieldHeight * scale));
    view.x = (outputWidth - view.width) / 2;
    view.y = (outputHeight - view.height) / 2;
    view.integerScale = view.width % fieldWidth == 0 && view.height % fieldHeight == 0 &&
                        view.width / fieldWidth == view.height / fieldHeight;
    return view;
}

void WindowPointToField(int windowX, int windowY, int windowWidth, int windowHeight,
                        int outputWidth, int outputHeight, int fieldWidth, int fieldHeight,
                        int* fieldX, int* fieldY) {
    const FieldView view = FitField(fieldWidth, fieldHeight, outputWidth, outputHeight);
    if (view.width <= 0 || windowWidth <= 0 || windowHeight <= 0) {
        *fieldX = windowX;
        *fieldY = windowY;
        return;
    }
    // Window points to output pixels, then into the field's rectangle.
    const double px = static_cast<double>(windowX) * outputWidth / windowWidth;
    const double py = static_cast<double>(windowY) * outputHeight / windowHeight;
    *fieldX = static_cast<int>(std::floor((px - view.x) * fieldWidth / view.width));
    *fieldY = static_cast<int>(std::floor((py - view.y) * fieldHeight / view.height));
}

void FieldPointToWindow(int fieldX, int fieldY, int windowWidth, int windowHeight,
                        int outputWidth, int outputHeight, int fieldWidth, int fieldHeight,
                        int* windowX, int* windowY) {
    const FieldView view = FitField(fieldWidth, fieldHeight, outputWidth, outputHeight);
    if (view.width <= 0 || outputWidth <= 0 || outputHeight <= 0) {
        *windowX = fieldX;
        *windowY = fieldY;
        return;
    }
    const double px = view.x + (fieldX + 0.5) * view.width / fieldWidth;
    const double py = view.y + (fieldY + 0.5) * view.height / fieldHeight;
    *windowX = static_cast<int>(std::floor(px * windowWidth / outputWidth));
    *windowY = static_cast<int>(std::floor(py * windowHeight / outputHeight));
}

double FitWindowScale(double requested, int fieldWidth, int fieldHeight, int areaWidth,
                      int areaHeight) {
    if (!(requested > 1.0)) return 1.0;
    if (fieldWidth <= 0 || fieldHeight <= 0) return requested;
    const double across = static_cast<double>(areaWidth - kWindowFrameWidth) / fieldWidth;
    const double down = static_cast<double>(areaHeight - kWindowFrameHeight) / fieldHeight;
    const double room = std::floor((across < down ? across : down) * 100.0) / 100.0;
    if (requested <= room) return requested;
    return room > 1.0 ? room : 1.0;
}
