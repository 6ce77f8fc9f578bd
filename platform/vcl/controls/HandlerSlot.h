// THandlerSlot: one installable handler (the modal-dialog and open-dialog implementations), safe
// to install from any thread; a call in progress keeps the handler it started with.
#pragma once

#include <mutex>
#include <utility>

namespace vcl {

template <class Handler>
class THandlerSlot {
public:
    // Installs a handler and returns the previous one.
    Handler Exchange(Handler handler) {
        std::lock_guard lock(FLock);
        std::swap(FHandler, handler);
        return handler;
    }
    // A copy of the handler installed now.
    Handler Get() {
        std::lock_guard lock(FLock);
        return FHandler;
    }

private:
    std::mutex FLock;
    Handler FHandler;
};

} // namespace vcl
