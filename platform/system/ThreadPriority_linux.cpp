#include "platform/system/ThreadPriority.h"

#include "platform/system/Log.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

constexpr int kLowestNice = 19;

}  // namespace

bool LowerCurrentThreadPriority() {
    // On Linux a "process" priority given a thread id is that thread's alone.
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kLowestNice) != 0) {
        qCInfo(lcSystem) << "thread priority not lowered:" << std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace platform
