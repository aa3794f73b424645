#pragma once

#include <QString>

// How an options slider stands for a value: positions 0..steps() map onto minimum, minimum + step,
// ... The arithmetic is single precision. Texts are written and read with a decimal point whatever
// the user's locale, so reading a label back never changes the value.
struct SliderScale {
    float minimum = 0.0f;
    float maximum = 1.0f;
    float step = 0.1f;
    int decimals = 2;

    int steps() const;
    // The position for value v: the next step at or above it (the slider clamps to 0..steps()).
    int position(float v) const;
    QString text(float v) const;
    QString textAt(int position) const;
    static float fromText(const QString& text);
};
