#pragma once
// A pixel check that reports the colour found: Near(img, x, y, colour, tolerance).
#include "UiTestUtil.h"

#include <gtest/gtest.h>

namespace uitest {

inline ::testing::AssertionResult Near(const QImage& img, int x, int y, const QColor& want, int tol = 2) {
    if (x < 0 || y < 0 || x >= img.width() || y >= img.height())
        return ::testing::AssertionFailure() << "(" << x << "," << y << ") outside " << img.width() << "x" << img.height();
    const QColor got = img.pixelColor(x, y);
    if (Near(got, want, tol)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is " << Str(got) << ", want " << Str(want);
}

}  // namespace uitest
