#pragma once
// One running instance per user and display: a lock file in the user's runtime folder, and a
// local socket beside it through which a later start asks the running instance to bring its
// window forward, handing over the file it was given. GUI thread only (the activation handler
// runs on the thread that claimed).

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;

namespace platform {

class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Claim {
        First,           // this process holds the lock and listens for later starts
        AlreadyRunning,  // another holds it and was asked to come forward, if it listens yet
        Failed,          // the lock could not be taken or checked; ErrorText() says why
    };

    // name: file-name safe, distinguishing this program and display (DisplayKey).
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // file: what this start was given to open (empty: none), handed to a running instance.
    Claim TryClaim(const QString& file = QString());
    // Why the claim failed, or why a first instance cannot be reached by later starts.
    const QString& ErrorText() const { return m_error; }
    bool Listening() const;
    QString LockPath() const;
    QString SocketPath() const;

    // Runs when a later start asks this instance to come forward, with the file that start was
    // given (empty: none).
    void SetActivationHandler(std::function<void(const QString& file)> handler) {
        m_onActivate = std::move(handler);
    }

    // The display this process shows its windows on, as a file-name safe word.
    static QString DisplayKey();
    // The user's runtime folder (XDG_RUNTIME_DIR), created when missing.
    static QString RuntimeFolder();

private:
    void Listen();
    void OnConnection();

    QString m_name;
    QString m_folder;
    QString m_error;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    std::function<void(const QString& file)> m_onActivate;
};

}  // namespace platform
