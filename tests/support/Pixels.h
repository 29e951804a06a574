#pragma once

#include <QImage>

// How many pixels of `image` carry any ink at all.
inline int inkedPixels(const QImage& image) {
    int inked = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            inked += qAlpha(image.pixel(x, y)) > 0;
    return inked;
}
