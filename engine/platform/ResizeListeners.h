// Objects whose state follows the window size register here; the main loop
// notifies them after every framebuffer size change or window-mode switch.
#pragma once

#include <cstddef>
#include <map>

using ResizeCallback = void (*)(void* listener, int unused);

// Constant-initialised and never torn down (its map is left to the process exit), so
// static objects may register and unregister in their constructors and destructors
// regardless of the order in which translation units build and destroy them.
class ResizeListenerRegistry {
public:
    constexpr ResizeListenerRegistry() = default;
    ResizeListenerRegistry(const ResizeListenerRegistry&) = delete;
    ResizeListenerRegistry& operator=(const ResizeListenerRegistry&) = delete;

    // Keeps the first callback when the listener is already registered.
    void add(void* listener, ResizeCallback callback);
    void remove(void* listener);
    // Calls every callback in ascending order of the listener addresses.
    void notifyAll() const;
    size_t size() const { return m_listeners ? m_listeners->size() : 0; }

private:
    std::map<void*, ResizeCallback>* m_listeners = nullptr;
};

extern ResizeListenerRegistry gResizeListeners;

void registerResizeListener(void* listener, ResizeCallback callback);
void unregisterResizeListener(void* listener);
void notifyResizeListeners();
