#include "platform/ResizeListeners.h"

ResizeListenerRegistry gResizeListeners;

void ResizeListenerRegistry::add(void* listener, ResizeCallback callback)
{
    if (!m_listeners)
        m_listeners = new std::map<void*, ResizeCallback>();
    m_listeners->emplace(listener, callback);
}

void ResizeListenerRegistry::remove(void* listener)
{
    if (m_listeners)
        m_listeners->erase(listener);
}

void ResizeListenerRegistry::notifyAll() const
{
    if (!m_listeners)
        return;
    for (const auto& [listener, callback] : *m_listeners)
        callback(listener, 0);
}

void registerResizeListener(void* listener, ResizeCallback callback)
{
    gResizeListeners.add(listener, callback);
}

void unregisterResizeListener(void* listener)
{
    gResizeListeners.remove(listener);
}

void notifyResizeListeners()
{
    gResizeListeners.notifyAll();
}
