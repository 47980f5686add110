#pragma once
// Runs a blocking call (a platform request) on a helper thread while the UI thread keeps painting.
// User input waits until the call is done, so no handler can run twice meanwhile.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

// Runs fn on a helper thread; pump() runs on the calling thread until it is done (a long
// action's pump, which lets the exit through). CallOffUi below is it with a pump that serves
// everything but user input.
template <class Fn, class Pump>
auto CallOffUiPumping(Fn fn, Pump pump) -> decltype(fn()) {
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
        pump();
        std::unique_lock<std::mutex> lock(m);
        if (cv.wait_for(lock, std::chrono::milliseconds(10), [&] { return done; })) break;
    }
    worker.join();
    return std::move(*result);
}

template <class Fn>
auto CallOffUi(Fn fn) -> decltype(fn()) {
    return CallOffUiPumping(std::move(fn), [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
}

// As CallOffUi, but user input is served too, so the caller's dialog can offer its cancel
// (it disables whatever else could start a second call). When abandoned() turns true the wait
// ends with nothing: the call finishes on its own thread and its result goes to late (on that
// thread) when one is given, else it is dropped. A result is either returned or given to late,
// never both and never neither.
template <class Fn>
auto CallOffUiAbandonable(Fn fn, const std::function<bool()>& abandoned,
                          std::function<void(decltype(fn()))> late = {}) -> std::optional<decltype(fn())> {
    using T = decltype(fn());
    if (!QCoreApplication::instance()) return fn();
    struct State {
        std::mutex m;
        std::condition_variable cv;
        std::optional<T> result;
        bool abandoned = false;
    };
    auto state = std::make_shared<State>();
    std::thread([state, fn = std::move(fn), late = std::move(late)]() mutable {
        T r = fn();
        std::unique_lock<std::mutex> lock(state->m);
        if (state->abandoned) {
            lock.unlock();
            if (late) late(std::move(r));
            return;
        }
        state->result = std::move(r);
        state->cv.notify_one();
    }).detach();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        std::unique_lock<std::mutex> lock(state->m);
        if (state->result) return std::move(state->result);
        if (abandoned()) {
            state->abandoned = true;
            return std::nullopt;
        }
        if (state->cv.wait_for(lock, std::chrono::milliseconds(10), [&] { return state->result.has_value(); }))
            return std::move(state->result);
    }
}

// CallOffUiAbandonable for a dialog's request: while it runs, busy is true and every direct
// child of dlg but cancel is disabled; the dialog's cancel sets abandoned.
template <class Fn>
auto CallOffUiWithCancel(QWidget* dlg, QWidget* cancel, bool& busy, bool& abandoned, Fn fn,
                         std::function<void(decltype(fn()))> late = {}) -> std::optional<decltype(fn())> {
    busy = true;
    abandoned = false;
    const QList<QWidget*> controls = dlg->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* w : controls)
        if (w != cancel) w->setEnabled(false);
    auto reply = CallOffUiAbandonable(std::move(fn), [&abandoned] { return abandoned; }, std::move(late));
    for (QWidget* w : controls) w->setEnabled(true);
    busy = false;
    return reply;
}

// Starts fn on its own thread and returns at once; done(result) runs later on the UI thread,
// from a timer owned by owner. Once owner is gone nothing runs: the call finishes on its own
// thread and its result is dropped.
template <class Fn, class Done>
void StartOffUi(QObject* owner, Fn fn, Done done) {
    using T = decltype(fn());
    if (!QCoreApplication::instance()) {
        done(fn());
        return;
    }
    struct State {
        std::mutex m;
        std::optional<T> result;
    };
    auto state = std::make_shared<State>();
    std::thread([state, fn = std::move(fn)]() mutable {
        T r = fn();
        std::lock_guard<std::mutex> lock(state->m);
        state->result = std::move(r);
    }).detach();
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, owner, [timer, state, done = std::move(done)]() mutable {
        std::optional<T> r;
        {
            std::lock_guard<std::mutex> lock(state->m);
            if (!state->result) return;
            r = std::move(state->result);
        }
        timer->stop();
        timer->deleteLater();
        done(std::move(*r));
    });
    timer->start(10);
}
