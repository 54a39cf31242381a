#pragma once
// The wait cursor for the lifetime of the object (an application override cursor; nested
// objects stack). GUI thread only.

namespace platform {

class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace platform
