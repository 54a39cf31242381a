#pragma once
// One running instance per user and display: a lock file in the user's runtime folder, and a
// local socket beside it through which a later start asks the running instance to bring its
// window forward, handing over the file it was given; the running instance answers once it
// has the request. GUI thread only (the activation handler runs on the thread that claimed).

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QLocalServer;
class QLocalSocket;
class QLockFile;
class QTimer;

namespace platform {

class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Claim {
        First,           // this process holds the lock and listens for later starts
        AlreadyRunning,  // another holds it and answered: it comes forward with the file
        Unanswered,      // another holds it but did not answer; this start goes on by itself
        Unavailable,     // no private runtime folder or lock; this start goes on by itself
    };

    // name: file-name safe, distinguishing this program and display (DisplayKey).
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // file: what this start was given to open (empty: none), handed to a running instance,
    // which has answerTimeoutMs to take it.
    static constexpr int kAnswerTimeoutMs = 5000;
    Claim TryClaim(const QString& file = QString(), int answerTimeoutMs = kAnswerTimeoutMs);
    // Why the claim did not make this the one instance, or why it cannot be reached.
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
    // A folder only this user can use: the runtime folder (XDG_RUNTIME_DIR) when it is the
    // user's own and closed to others, else one in the user's cache folder made so; empty
    // when there is none.
    static QString RuntimeFolder();

    // Bounds on the clients of the socket: connections at once, and how long one may take
    // to send its request.
    static constexpr int kMaxClients = 8;
    static constexpr int kClientTimeoutMs = 2000;

private:
    void Listen();
    void KeepListening();
    void OnConnection();
    void OnRequestBytes(QLocalSocket* socket);

    QString m_name;
    QString m_folder;
    QString m_error;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    QTimer* m_watch = nullptr;
    std::vector<QLocalSocket*> m_clients;  // connected, oldest first
    std::function<void(const QString& file)> m_onActivate;
};

}  // namespace platform
