// Holds the picture lists' mutex for a scope, waiting without limit; a null
// mutex (the page's window not created yet) locks nothing.
#pragma once
#include <windows.h>

class ListLock {
public:
    explicit ListLock(HANDLE mutex) noexcept : mutex_(mutex) {
        if (mutex_) ::WaitForSingleObject(mutex_, INFINITE);
    }
    ~ListLock() {
        if (mutex_) ::ReleaseMutex(mutex_);
    }
    ListLock(const ListLock&) = delete;
    ListLock& operator=(const ListLock&) = delete;

private:
    HANDLE mutex_;
};
