#pragma once
// One running copy per settings file. The first copy listens on a local socket named
// after the settings file; a later start finds it there, asks it to show its window and
// ends. A lock file beside the socket settles two starts at the same moment, and the
// socket a crashed copy left behind never blocks a start. Both live in a folder only
// this user may change; a lock or socket there that is not the user's own (or is a
// link) is never trusted: the program then runs without the guard rather than obey it.

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    enum TClaim {
        icFirst,  // this is the running copy now
        icOtherShown,  // another copy runs and has shown its window
        icOtherSilent,  // another copy holds the lock but does not answer
        icUnguarded,  // no safe place for the lock: this copy runs without the guard
    };

    // key: the settings file's path; folder: where the socket and its lock live (empty
    // when there is no safe one).
    TSingleInstance(const QString& key, const QString& folder, QObject* parent = nullptr);
    ~TSingleInstance() override;

    // Becomes the running copy, or asks the running one to show its window, waiting up
    // to timeoutMs for an answer (the other copy may still be starting).
    TClaim Claim(int timeoutMs = 10000);
    const QString& SocketPath() const { return socketPath_; }
    bool Listening() const { return server_.isListening(); }
    // Why the claim came back icUnguarded, for one line on stderr.
    const QString& UnguardedReason() const { return unguardedReason_; }

signals:
    // Another start asked this copy to show its window.
    void showRequested();

private:
    bool AskRunningCopy(int timeoutMs) const;
    void Answer();
    // What makes the folder or the files in it untrustworthy; empty when nothing does.
    QString Untrusted() const;

    QString folder_;
    QString socketPath_;
    QString unguardedReason_;
    QLockFile lock_;
    QLocalServer server_;
};

// The socket's name for a settings file: short whatever the path, the same for the same file.
QString InstanceName(const QString& settingsFile);
// A folder only this user may change: an absolute path to a real folder (no link),
// owned by the user, with no rights for group or others.
bool PrivateFolder(const QString& path);
// $XDG_RUNTIME_DIR when it is private; else horavane-<uid> in $TMPDIR (or /tmp), made
// private; empty when neither is (then nothing is ever created in the working folder).
QString DefaultInstanceFolder();
