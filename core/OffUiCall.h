#pragma once
// Runs a blocking call (a platform request) on a helper thread while the UI thread keeps painting.
// User input waits until the call is done, so no handler can run twice meanwhile.
#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>

#include <optional>
#include <thread>
#include <utility>

template <class Fn>
auto CallOffUi(Fn fn) -> decltype(fn()) {
    using T = decltype(fn());
    if (!QCoreApplication::instance()) return fn();
    std::optional<T> result;
    QEventLoop loop;
    std::thread worker([&] {
        result = fn();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    return std::move(*result);
}
