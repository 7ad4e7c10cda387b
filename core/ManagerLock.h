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

#endif   // BRISKUI_MANAGERLOCK_H
