#include "scenesdk/kernel/KScnLayer.h"

#include <memory>

namespace scenesdk
{

KScnLayer::KScnLayer() : mElements{} {}

KScnLayer::~KScnLayer()
{
    Clear();
}

KScnLayerElement* KScnLayer::GetElement(int type) const
{
    if (type < KScnLayerElement::kFirstType || type > KScnLayerElement::kLastType)
        return nullptr;
    return mElements[type - 1];
}

bool KScnLayer::SetElement(KScnLayerElement* element)
{
    if (element == nullptr)
        return false;
    return SetTyped(element->GetType(), element);
}

bool KScnLayer::SetTyped(int type, KScnLayerElement* element)
{
    if (type < KScnLayerElement::kFirstType || type > KScnLayerElement::kLastType)
        return false;
    if (element != nullptr && element->GetType() != type)
        return false;
    KScnLayerElement*& slot = mElements[type - 1];
    if (slot != element)
    {
        delete slot;
        slot = element;
        if (element != nullptr)
            element->SetItemsWatch(mWatch);
    }
    return true;
}

void KScnLayer::SetItemsWatch(KScnLayerItemsWatch* watch)
{
    mWatch = watch;
    for (KScnLayerElement* element : mElements)
        if (element != nullptr)
            element->SetItemsWatch(watch);
}

void KScnLayer::RemoveElement(int type)
{
    SetTyped(type, nullptr);
}

KScnLayerElement* KScnLayer::GetOrCreateElement(int type)
{
    KScnLayerElement* element = GetElement(type);
    if (element == nullptr)
    {
        element = KScnLayerElement::Create(type);
        if (element != nullptr)
        {
            mElements[type - 1] = element;
            element->SetItemsWatch(mWatch);
        }
    }
    return element;
}

void KScnLayer::Clear()
{
    for (KScnLayerElement*& element : mElements)
    {
        delete element;
        element = nullptr;
    }
}

KScnLayer& KScnLayer::operator=(const KScnLayer& source)
{
    if (&source == this)
        return *this;
    Clear();
    for (int type = KScnLayerElement::kFirstType; type <= KScnLayerElement::kLastType; ++type)
    {
        const KScnLayerElement* from = source.GetElement(type);
        if (from == nullptr)
            continue;
        // The copy's until it is stored: a copy stopped part-way goes.
        std::unique_ptr<KScnLayerElement> copy(KScnLayerElement::Create(type));
        if (copy == nullptr)
            continue;
        copy->SetItemsWatch(mWatch);
        copy->CopyFrom(*from);
        mElements[type - 1] = copy.release();
    }
    return *this;
}

} // namespace scenesdk
