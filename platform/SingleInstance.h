#pragma once
// One running instance per user: a lock file that the system releases with its holder (a crashed
// instance never blocks later starts) and a local server through which a later instance asks
// the running one to show its window.
#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // name: a bare name lives in the user's runtime folder; a name with "/" is a socket path.
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the one instance. False when another instance runs; then,
    // when askToShow is set, that instance has been asked to show its window.
    bool Acquire(bool askToShow = true);
    void Release();
    bool IsPrimary() const { return lockFd_ >= 0; }

    // Called on the UI thread when a later instance asks to be shown; none means nothing happens.
    void SetShowHandler(std::function<void()> fn) { onShow_ = std::move(fn); }

    const QString& serverName() const { return name_; }

private:
    bool Listen();
    void OnNewConnection();

    QString name_;
    QLocalServer* server_ = nullptr;
    int lockFd_ = -1;  // the held lock file
    std::function<void()> onShow_;
};
