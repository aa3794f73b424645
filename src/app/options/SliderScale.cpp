#include "SliderScale.h"

#include <cmath>

int SliderScale::steps() const {
    const float n = (maximum - minimum) / step;
    return static_cast<int>(n);
}

int SliderScale::position(float v) const {
    const float q = (v - minimum) / step;
    return static_cast<int>(std::ceil(q));
}

QString SliderScale::text(float v) const {
    return QString::number(static_cast<double>(v), 'f', decimals);
}

QString SliderScale::textAt(int position) const {
    return text(static_cast<float>(position) * step + minimum);
}

float SliderScale::fromText(const QString& text) {
    bool ok = false;
    const float v = text.trimmed().toFloat(&ok);
    return ok ? v : 0.0f;
}
