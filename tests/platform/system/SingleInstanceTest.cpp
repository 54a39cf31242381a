#include "platform/system/SingleInstance.h"

#include "platform/system/FilePaths.h"
#include "platform/system/InstanceMessage.h"
#include "tests/support/TestApp.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

using Claim = SingleInstance::Claim;

constexpr char kName[] = "RoadPlayer-test";

bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::EnsureApp();
        ASSERT_TRUE(m_dir.isValid());
        m_saved = {qgetenv("XDG_RUNTIME_DIR"), qgetenv("XDG_CACHE_HOME")};
        ASSERT_EQ(::mkdir(QFile::encodeName(Path("run")).constData(), 0700), 0);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(Path("run")));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(Path("cache")));
    }
    void TearDown() override {
        qputenv("XDG_RUNTIME_DIR", m_saved.first);
        qputenv("XDG_CACHE_HOME", m_saved.second);
    }
    QString Path(const QString& name) const { return m_dir.path() + '/' + name; }

    // A later start on a thread of its own, while this thread runs the first one's loop.
    static Claim LaterStart(const QString& file, int answerTimeoutMs = 3000) {
        std::atomic<bool> done{false};
        Claim claim = Claim::Unavailable;
        std::thread later([&] {
            SingleInstance instance(QString::fromLatin1(kName));
            claim = instance.TryClaim(file, answerTimeoutMs);
            done = true;
        });
        RunUntil([&] { return done.load(); }, answerTimeoutMs + 5000);
        later.join();
        return claim;
    }

    QTemporaryDir m_dir;
    std::pair<QByteArray, QByteArray> m_saved;
};

// Clients that connect and send nothing neither fill the socket nor keep the hand-over from
// being answered; a socket file that goes comes back.
TEST_F(SingleInstanceTest, HandOverIsAnsweredDespiteIdleClientsAndALostSocket) {
    SingleInstance first(QString::fromLatin1(kName));
    ASSERT_EQ(first.TryClaim(), Claim::First);
    QStringList handed;
    first.SetActivationHandler([&handed](const QString& file) { handed << file; });

    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < 40; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(first.SocketPath());
        ASSERT_TRUE(idle.back()->waitForConnected(1000)) << i;
        QCoreApplication::processEvents();
    }
    const QString odd = DecodePath(QByteArray("/card/NORMAL/NOR_\xff\xfe.mp4"));
    EXPECT_EQ(LaterStart(odd), Claim::AlreadyRunning);
    EXPECT_TRUE(RunUntil([&] { return !handed.isEmpty(); }, 2000));
    EXPECT_EQ(handed, QStringList{odd});

    const auto connected = [&idle] {
        return std::count_if(idle.begin(), idle.end(), [](const auto& socket) {
            return socket->state() == QLocalSocket::ConnectedState;
        });
    };
    EXPECT_TRUE(
        RunUntil([&] { return connected() == 0; }, SingleInstance::kClientTimeoutMs + 2000));

    ASSERT_TRUE(QFile::remove(first.SocketPath()));
    EXPECT_TRUE(RunUntil([&] { return QFile::exists(first.SocketPath()); }, 4000));
    EXPECT_EQ(LaterStart({}), Claim::AlreadyRunning);
    EXPECT_TRUE(RunUntil([&] { return handed.size() == 2; }, 2000));
}

// Out of descriptors, the toolkit's server closes itself and removes its file; once
// descriptors are free again the instance listens again.
TEST_F(SingleInstanceTest, RunningOutOfDescriptorsDoesNotEndTheListening) {
    SingleInstance first(QString::fromLatin1(kName));
    ASSERT_EQ(first.TryClaim(), Claim::First);
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    const int probe = ::dup(0);
    ASSERT_GE(probe, 0);
    ::close(probe);
    struct rlimit small = saved;
    small.rlim_cur = static_cast<rlim_t>(probe) + 6;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &small), 0);
    std::vector<std::unique_ptr<QLocalSocket>> clients;
    for (int i = 0; i < 20; ++i) {
        clients.push_back(std::make_unique<QLocalSocket>());
        clients.back()->connectToServer(first.SocketPath());
        clients.back()->waitForConnected(200);
        QCoreApplication::processEvents();
    }
    ::setrlimit(RLIMIT_NOFILE, &saved);
    clients.clear();
    EXPECT_TRUE(
        RunUntil([&] { return first.Listening() && QFile::exists(first.SocketPath()); }, 4000));
    EXPECT_EQ(LaterStart({}), Claim::AlreadyRunning);
}

// A running instance that does not answer (its window's thread is held) leaves the later start
// to go on by itself; so does a runtime folder that is not private.
TEST_F(SingleInstanceTest, UnansweredOrUnsafeStartsGoOnByThemselves) {
    SingleInstance first(QString::fromLatin1(kName));
    ASSERT_EQ(first.TryClaim(), Claim::First);
    SingleInstance later(QString::fromLatin1(kName));
    EXPECT_EQ(later.TryClaim(QStringLiteral("/card/a.mp4"), 300), Claim::Unanswered);
    EXPECT_FALSE(later.ErrorText().isEmpty());

    // Not the user's own or open to others: not used; the cache folder takes its place.
    ASSERT_EQ(::chmod(QFile::encodeName(Path("run")).constData(), 0777), 0);
    const QString fallback = SingleInstance::RuntimeFolder();
    EXPECT_TRUE(fallback.startsWith(Path("cache/"))) << fallback.toStdString();
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(fallback).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(SingleInstance::RuntimeFolder(), fallback);
    if (::geteuid() == 0) {
        // Taken first by another user: no folder, and the start runs without the check.
        ASSERT_EQ(::chown(QFile::encodeName(fallback).constData(), 65534, 65534), 0);
        EXPECT_TRUE(SingleInstance::RuntimeFolder().isEmpty());
        EXPECT_EQ(SingleInstance(QString::fromLatin1(kName)).TryClaim(), Claim::Unavailable);
    }
}

TEST(InstanceMessage, RequestsAreOneBoundedLineWithTheFilesBytes) {
    const QString odd = DecodePath(QByteArray("/card/a \t\n%\xff\xc3\xa9.mp4"));
    struct Case {
        QByteArray received;
        RequestRead read;
        QString file;
    };
    const Case cases[] = {
        {InstanceRequestLine(odd), RequestRead::Activate, odd},
        {InstanceRequestLine({}), RequestRead::Activate, {}},
        {InstanceRequestLine(odd).chopped(1), RequestRead::NeedMore, {}},
        {"activate\t/x\nmore", RequestRead::Activate, "/x"},
        {"activate\trelative.mp4\n", RequestRead::Refused, {}},
        {"activate\t/a%00b\n", RequestRead::Refused, {}},
        {"activate\t\n", RequestRead::Refused, {}},
        {"quit\n", RequestRead::Refused, {}},
        {QByteArray(kMaxInstanceRequestBytes, 'a'), RequestRead::Refused, {}},
        {"activate\t/" + QByteArray(kMaxInstanceRequestBytes, 'a') + '\n',
         RequestRead::Refused,
         {}},
    };
    for (const Case& c : cases) {
        QString file = QStringLiteral("stale");
        EXPECT_EQ(ReadInstanceRequest(c.received, &file), c.read) << c.received.left(40).data();
        EXPECT_EQ(file, c.file);
    }
    EXPECT_TRUE(IsInstanceAnswer(InstanceAnswerLine()));
    EXPECT_FALSE(IsInstanceAnswer("o"));
}

}  // namespace
}  // namespace platform
