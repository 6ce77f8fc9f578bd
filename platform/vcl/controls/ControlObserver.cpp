// The process-wide list of control observers.
#include "platform/vcl/controls/ControlObserver.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace vcl {

namespace {

struct TObserverEntry {
    int Id;
    std::shared_ptr<const TControlObserver> Observer;
};

struct TObservers {
    std::vector<TObserverEntry> List;
    int NextId = 1;
};

// Never destroyed: forms freed while the process exits still report their last changes.
TObservers& Observers() {
    static TObservers* const observers = new TObservers;
    return *observers;
}

} // namespace

int AddControlObserver(TControlObserver observer) {
    TObservers& o = Observers();
    const int id = o.NextId++;
    o.List.push_back(TObserverEntry{id, std::make_shared<const TControlObserver>(std::move(observer))});
    return id;
}

void RemoveControlObserver(int id) {
    auto& list = Observers().List;
    list.erase(std::remove_if(list.begin(), list.end(), [id](const TObserverEntry& e) { return e.Id == id; }),
               list.end());
}

void NotifyControlChange(TControl* control, TControlChange change) {
    const auto& list = Observers().List;
    if (list.empty()) return;
    // A copy, so that observers may install or remove observers while being called.
    const std::vector<TObserverEntry> current = list;
    for (const TObserverEntry& e : current)
        if (*e.Observer) (*e.Observer)(control, change);
}

} // namespace vcl
