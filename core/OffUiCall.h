#pragma once
// Runs a blocking call (a platform request) on a helper thread while the UI thread keeps painting.
// User input waits until the call is done, so no handler can run twice meanwhile.
#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

template <class Fn>
auto CallOffUi(Fn fn) -> decltype(fn()) {
    using T = decltype(fn());
    if (!QCoreApplication::instance()) return fn();
    std::optional<T> result;
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    std::thread worker([&] {
        T r = fn();
        std::lock_guard<std::mutex> lock(m);
        result = std::move(r);
        done = true;
        cv.notify_one();
    });
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        std::unique_lock<std::mutex> lock(m);
        if (cv.wait_for(lock, std::chrono::milliseconds(10), [&] { return done; })) break;
    }
    worker.join();
    return std::move(*result);
}
