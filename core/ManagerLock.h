// Scoped hold of the manager lock (see BriskUiManager.h).
#ifndef BRISKUI_MANAGERLOCK_H
#define BRISKUI_MANAGERLOCK_H

#include "BriskUiManager.h"

class BriskManagerLock {
public:
    BriskManagerLock() { BriskUiManager::Lock(); }
    ~BriskManagerLock() { BriskUiManager::Unlock(); }
    BriskManagerLock(const BriskManagerLock&) = delete;
    BriskManagerLock& operator=(const BriskManagerLock&) = delete;
};

// A copy of a manager field read under the lock: what a getter returns to
// a thread other than the one that may be changing the field.
template <class T>
T BriskLockedCopy(const T& field)
{
    BriskManagerLock lock;
    return field;
}

#endif   // BRISKUI_MANAGERLOCK_H
