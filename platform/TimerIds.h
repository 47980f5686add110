#pragma once
// Timers named by number, as a dialog's SetTimer and KillTimer had them: the owner's timerEvent
// asks IdOf for the number of a tick.
#include <QBasicTimer>
#include <QTimerEvent>

#include <map>

class CTimerIds {
public:
    void Set(QObject* owner, int nId, int ms) { m_timers[nId].start(ms, owner); }
    void Kill(int nId) {
        if (auto it = m_timers.find(nId); it != m_timers.end()) it->second.stop();
    }
    bool Active(int nId) const {
        auto it = m_timers.find(nId);
        return it != m_timers.end() && it->second.isActive();
    }
    // The number of the timer that ticked, or -1 when it is none of these.
    int IdOf(const QTimerEvent* e) const {
        for (const auto& [id, t] : m_timers)
            if (t.isActive() && t.timerId() == e->timerId()) return id;
        return -1;
    }

private:
    std::map<int, QBasicTimer> m_timers;
};
