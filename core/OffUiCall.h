#pragma once
// Runs a blocking call (a platform request) on a helper thread while the UI thread keeps painting.
// User input waits until the call is done, so no handler can run twice meanwhile.
#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
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

// As CallOffUi, but user input is served too, so the caller's dialog can offer its cancel
// (it disables whatever else could start a second call). When abandoned() turns true the wait
// ends with nothing: the call finishes on its own thread and its result is dropped.
template <class Fn>
auto CallOffUiAbandonable(Fn fn, const std::function<bool()>& abandoned) -> std::optional<decltype(fn())> {
    using T = decltype(fn());
    if (!QCoreApplication::instance()) return fn();
    struct State {
        std::mutex m;
        std::condition_variable cv;
        std::optional<T> result;
    };
    auto state = std::make_shared<State>();
    std::thread([state, fn = std::move(fn)]() mutable {
        T r = fn();
        std::lock_guard<std::mutex> lock(state->m);
        state->result = std::move(r);
        state->cv.notify_one();
    }).detach();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (abandoned()) return std::nullopt;
        std::unique_lock<std::mutex> lock(state->m);
        if (state->cv.wait_for(lock, std::chrono::milliseconds(10), [&] { return state->result.has_value(); }))
            return std::move(state->result);
    }
}
