#include "player/catalogue/RecordingLister.h"

#include "player/catalogue/CatalogueLog.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace player {

namespace {

// Walks at once; a card that never answers holds at most these threads, and later requests
// wait for one of them (only the latest request waits).
constexpr int kMaxWalkers = 3;

struct Request {
    RecordingFilter filter;
    CategoryFolders folders;
    uint64_t generation = 0;
};

}  // namespace

// What the workers and the lister share; receiver is null once the lister is gone. The lock
// guards every field and is held while an answer is posted, so the receiver cannot go midway.
struct CRecordingLister::Shared {
    std::mutex mutex;
    QObject* receiver = nullptr;
    std::function<void(uint64_t generation, const RecordingListing& listing)> deliver;
    int running = 0;
    std::optional<Request> waiting;
};

namespace {

void Walk(const std::shared_ptr<CRecordingLister::Shared>& shared, Request request) {
    for (;;) {
        const RecordingListing listing =
            FillRecordingList(request.filter, request.folders.first, request.folders.second);
        const std::lock_guard<std::mutex> lock(shared->mutex);
        if (shared->receiver != nullptr) {
            // A queued call whose receiver is destroyed before it runs is dropped.
            QMetaObject::invokeMethod(
                shared->receiver,
                [deliver = shared->deliver, generation = request.generation, listing] {
                    deliver(generation, listing);
                },
                Qt::QueuedConnection);
        }
        if (!shared->waiting) {
            --shared->running;
            return;
        }
        request = std::move(*shared->waiting);
        shared->waiting.reset();
    }
}

}  // namespace

CRecordingLister::CRecordingLister(QObject* parent)
    : QObject(parent), m_shared(std::make_shared<Shared>()) {
    m_shared->receiver = this;
    m_shared->deliver = [this](uint64_t generation, const RecordingListing& listing) {
        Deliver(generation, listing);
    };
}

CRecordingLister::~CRecordingLister() {
    const std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->receiver = nullptr;
    m_shared->waiting.reset();
}

void CRecordingLister::List(const RecordingFilter& filter, const CategoryFolders& folders,
                            Done done) {
    m_done = std::move(done);
    Request request{filter, folders, ++m_generation};
    const std::lock_guard<std::mutex> lock(m_shared->mutex);
    if (m_shared->running >= kMaxWalkers) {
        qCInfo(lcCatalogue) << "earlier walks still run; the listing of" << folders.first
                            << "waits for one of them";
        m_shared->waiting = std::move(request);
        return;
    }
    ++m_shared->running;
    std::thread(Walk, m_shared, std::move(request)).detach();
}

void CRecordingLister::Cancel() {
    ++m_generation;
    m_done = nullptr;
}

bool CRecordingLister::WaitForListing(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (Pending()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void CRecordingLister::Deliver(uint64_t generation, const RecordingListing& listing) {
    if (generation != m_generation || !m_done) {
        return;
    }
    const Done done = std::move(m_done);
    m_done = nullptr;
    done(listing);
}

}  // namespace player
