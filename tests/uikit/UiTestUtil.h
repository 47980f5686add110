#pragma once
// Helpers of the UI kit tests: colour checks with a tolerance, screenshots for review.
#include <QColor>
#include <QDir>
#include <QImage>
#include <QString>
#include <cstdlib>
#include <gtest/gtest.h>

namespace uitest {

inline ::testing::AssertionResult Near(const QImage& img, int x, int y, const QColor& want, int tol = 2) {
    if (x < 0 || y < 0 || x >= img.width() || y >= img.height())
        return ::testing::AssertionFailure() << "(" << x << "," << y << ") outside " << img.width() << "x" << img.height();
    const QColor got = img.pixelColor(x, y);
    if (std::abs(got.red() - want.red()) <= tol && std::abs(got.green() - want.green()) <= tol &&
        std::abs(got.blue() - want.blue()) <= tol)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is (" << got.red() << "," << got.green() << ","
                                         << got.blue() << "), want (" << want.red() << "," << want.green() << "," << want.blue() << ")";
}

inline void SaveScreen(const QImage& img, const QString& name) {
    const QString dir = QStringLiteral(SMS_BUILD_DIR "/screens");
    QDir().mkpath(dir);
    img.save(dir + "/" + name + ".png");
}

}  // namespace uitest
