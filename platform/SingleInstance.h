#pragma once
// One running copy per settings file. The first copy listens on a local socket named
// after the settings file; a later start finds it there, asks it to show its window and
// ends. A lock file beside the socket settles two starts at the same moment, and the
// socket a crashed copy left behind never blocks a start.

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    enum TClaim {
        icFirst,        // this is the running copy now
        icOtherShown,   // another copy runs and has shown its window
        icOtherSilent,  // another copy holds the lock but does not answer
    };

    // key: the settings file's path; folder: where the socket and its lock live.
    TSingleInstance(const QString& key, const QString& folder, QObject* parent = nullptr);
    ~TSingleInstance() override;

    // Becomes the running copy, or asks the running one to show its window, waiting up
    // to timeoutMs for an answer (the other copy may still be starting).
    TClaim Claim(int timeoutMs = 10000);
    const QString& SocketPath() const { return socketPath_; }
    bool Listening() const { return server_.isListening(); }

signals:
    // Another start asked this copy to show its window.
    void showRequested();

private:
    bool AskRunningCopy(int timeoutMs) const;
    void Answer();

    QString socketPath_;
    QLockFile lock_;
    QLocalServer server_;
};

// The socket's name for a settings file: short whatever the path, the same for the same file.
QString InstanceName(const QString& settingsFile);
// $XDG_RUNTIME_DIR, or a folder of this user's own in the temporary folder when it is
// unset; empty when no safe folder can be had.
QString DefaultInstanceFolder();
