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
    // Every element is copied apart first; the layer's own go only when all
    // are made, so that a copy stopped part-way leaves the layer as it was.
    std::unique_ptr<KScnLayerElement> copies[KScnLayerElement::kLastType];
    for (int type = KScnLayerElement::kFirstType; type <= KScnLayerElement::kLastType; ++type)
    {
        const KScnLayerElement* from = source.GetElement(type);
        std::unique_ptr<KScnLayerElement>& copy = copies[type - 1];
        copy.reset(from != nullptr ? KScnLayerElement::Create(type) : nullptr);
        if (copy != nullptr)
            copy->CopyFrom(*from);
    }
    Clear();
    for (int type = KScnLayerElement::kFirstType; type <= KScnLayerElement::kLastType; ++type)
    {
        KScnLayerElement* copy = copies[type - 1].release();
        mElements[type - 1] = copy;
        if (copy != nullptr)
            copy->SetItemsWatch(mWatch);
    }
    return *this;
}

} // namespace scenesdk
