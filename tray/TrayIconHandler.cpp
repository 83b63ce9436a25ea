#include "tray/TrayIconHandler.h"

#include "tray/TrayIcon.h"

#include <vector>

namespace {
TTrayIconHandler* gInstance = nullptr;
int gReferences = 0;
}  // namespace

TTrayIconHandler& TTrayIconHandler::Acquire() {
    if (!gInstance) gInstance = new TTrayIconHandler;
    ++gReferences;
    return *gInstance;
}

void TTrayIconHandler::Release() {
    if (gReferences == 0) return;
    if (--gReferences == 0) {
        delete gInstance;
        gInstance = nullptr;
    }
}

TTrayIconHandler* TTrayIconHandler::Instance() {
    return gInstance;
}
int TTrayIconHandler::References() {
    return gReferences;
}

quintptr TTrayIconHandler::Register(TTrayIcon& icon) {
    const quintptr identity = nextIdentity_++;
    icons_[identity] = &icon;
    return identity;
}

void TTrayIconHandler::Unregister(quintptr identity) {
    icons_.erase(identity);
}

TTrayIcon* TTrayIconHandler::Find(quintptr identity) const {
    const auto it = icons_.find(identity);
    return it == icons_.end() ? nullptr : it->second;
}

void TTrayIconHandler::Dispatch(quintptr identity, quint32 lParam) {
    if (TTrayIcon* icon = Find(identity)) icon->HandleTrayMessage(lParam);
}

void TTrayIconHandler::TaskbarCreated() {
    // Re-adding may run user code; walk a copy of the identities.
    std::vector<quintptr> identities;
    for (const auto& entry : icons_) identities.push_back(entry.first);
    for (quintptr identity : identities)
        if (TTrayIcon* icon = Find(identity)) icon->TaskbarCreated();
}
