#pragma once
// Lists a category on a worker thread, so that no card (a slow one, a hung one, one whose
// folders are huge) can hold the window: the walk and the order run there and the rows come
// back through a queued call. A newer request makes older answers void. GUI thread only.

#include "player/catalogue/RecordingList.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

namespace player {

class CRecordingLister : public QObject {
    Q_OBJECT

public:
    using Done = std::function<void(const RecordingListing& listing)>;

    explicit CRecordingLister(QObject* parent = nullptr);
    // Walks still running finish on their own and their answers go nowhere.
    ~CRecordingLister() override;
    CRecordingLister(const CRecordingLister&) = delete;
    CRecordingLister& operator=(const CRecordingLister&) = delete;

    // FillRecordingList of the folders off this thread; done runs here with the result unless
    // Cancel or a later List comes first.
    void List(const RecordingFilter& filter, const CategoryFolders& folders, Done done);
    void Cancel();
    bool Pending() const { return static_cast<bool>(m_done); }
    // Runs the event loop until the pending answer has been handled; false after timeoutMs.
    bool WaitForListing(int timeoutMs);

    struct Shared;

private:
    void Deliver(uint64_t generation, const RecordingListing& listing);

    std::shared_ptr<Shared> m_shared;
    uint64_t m_generation = 0;
    Done m_done;
};

}  // namespace player
