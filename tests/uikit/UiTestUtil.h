#pragma once
// Helpers of the UI kit tests: rendering widgets into images and comparing colours.
#include <QApplication>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace uitest {

inline QImage Shot(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// A white host window, so that children render over a known background.
struct Host {
    QWidget widget;
    Host(int w = 400, int h = 300) {
        QPalette pal = widget.palette();
        pal.setColor(QPalette::Window, QColor(255, 255, 255));
        widget.setPalette(pal);
        widget.setAutoFillBackground(true);
        widget.resize(w, h);
    }
    QImage Shot(QWidget& child) {
        return widget.grab(child.geometry()).toImage().convertToFormat(QImage::Format_RGB32);
    }
};

inline QColor Px(const QImage& img, int x, int y) { return img.pixelColor(x, y); }

inline bool Near(const QColor& a, const QColor& b, int tol) {
    return std::abs(a.red() - b.red()) <= tol && std::abs(a.green() - b.green()) <= tol &&
           std::abs(a.blue() - b.blue()) <= tol;
}

inline std::string Str(const QColor& c) {
    return "(" + std::to_string(c.red()) + "," + std::to_string(c.green()) + "," + std::to_string(c.blue()) + ")";
}

// Saves a screenshot for review under build/screens/.
inline void SaveScreen(const QImage& img, const QString& name) {
    const QString dir = QString(SMS_BUILD_DIR) + "/screens";
    QDir().mkpath(dir);
    img.save(dir + "/" + name + ".png");
    // An enlarged copy, to see single pixels.
    img.scaled(img.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation).save(dir + "/" + name + "@4x.png");
}

// A pixel check that reports the colour found: EXPECT_TRUE(Near(img, x, y, colour, tolerance)).
inline ::testing::AssertionResult Near(const QImage& img, int x, int y, const QColor& want, int tol = 2) {
    if (x < 0 || y < 0 || x >= img.width() || y >= img.height())
        return ::testing::AssertionFailure() << "(" << x << "," << y << ") outside " << img.width() << "x" << img.height();
    const QColor got = img.pixelColor(x, y);
    if (Near(got, want, tol)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is " << Str(got) << ", want " << Str(want);
}

inline void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::NoButton,
                      Qt::MouseButtons buttons = Qt::NoButton) {
    QMouseEvent ev(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &ev);
}

inline void SendLeave(QWidget* w) {
    QEvent ev(QEvent::Leave);
    QApplication::sendEvent(w, &ev);
}

}  // namespace uitest

#define EXPECT_PX(img, x, y, colour)                                                        \
    EXPECT_EQ(uitest::Str(uitest::Px(img, x, y)), uitest::Str(colour)) << "at (" << (x) << "," << (y) << ")"
#define EXPECT_PX_NEAR(img, x, y, colour, tol) EXPECT_TRUE(uitest::Near(img, x, y, colour, tol))
