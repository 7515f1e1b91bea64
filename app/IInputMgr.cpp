#include "app/IInputMgr.h"

void IInputMgr::AddListener(IInputListener* listener)
{
    m_Listeners.push_back(listener);
    SortListeners();
}

void IInputMgr::RemoveListener(IInputListener* listener)
{
    for (auto it = m_Listeners.begin(); it != m_Listeners.end(); ++it)
        if (*it == listener)
        {
            m_Listeners.erase(it);
            return;
        }
}

void IInputMgr::SortListeners()
{
    // std::list::sort is stable.
    m_Listeners.sort([](const IInputListener* a, const IInputListener* b)
                     { return a->GetPriority() < b->GetPriority(); });
}
