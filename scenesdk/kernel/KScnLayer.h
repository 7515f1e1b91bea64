#pragma once

// KScnLayer: up to six layer elements, at most one of each type (normal,
// material, texture, polygon group, UV, colour). The layer owns its elements.

#include "scenesdk/kernel/KScnLayerElement.h"

namespace scenesdk
{

class KScnLayer
{
public:
    KScnLayer();
    virtual ~KScnLayer();
    KScnLayer(const KScnLayer&) = delete;

    // The element of type 1..6; null for another type or when absent.
    KScnLayerElement* GetElement(int type) const;
    // Stores an element under its own type and takes ownership of it. A
    // previous element of that type is destroyed (unless it is the same one).
    // False (element not taken) for a null element or one of another type
    // than the slot's.
    bool SetElement(KScnLayerElement* element);
    // Destroys the element of the type, if any.
    void RemoveElement(int type);
    // The element of the type, created with its defaults when absent; null
    // for an unknown type.
    KScnLayerElement* GetOrCreateElement(int type);

    KScnLayerElement* GetNormalElement() const { return GetElement(KScnLayerElement::eNormal); }
    KScnLayerElement* GetMaterialElement() const { return GetElement(KScnLayerElement::eMaterial); }
    KScnLayerElementTexture* GetTextureElement() const
    {
        return static_cast<KScnLayerElementTexture*>(GetElement(KScnLayerElement::eTexture));
    }
    KScnLayerElement* GetPolygonGroupElement() const { return GetElement(KScnLayerElement::ePolygonGroup); }
    KScnLayerElement* GetUVElement() const { return GetElement(KScnLayerElement::eUV); }
    KScnLayerElement* GetColorElement() const { return GetElement(KScnLayerElement::eColor); }

    // Typed setters: the element must be of the setter's type (else false and
    // nothing changes; the caller keeps it). Null removes the element.
    bool SetNormalElement(KScnLayerElement* element) { return SetTyped(KScnLayerElement::eNormal, element); }
    bool SetMaterialElement(KScnLayerElement* element)
    {
        return SetTyped(KScnLayerElement::eMaterial, element);
    }
    bool SetTextureElement(KScnLayerElementTexture* element)
    {
        return SetTyped(KScnLayerElement::eTexture, element);
    }
    bool SetPolygonGroupElement(KScnLayerElement* element)
    {
        return SetTyped(KScnLayerElement::ePolygonGroup, element);
    }
    bool SetUVElement(KScnLayerElement* element) { return SetTyped(KScnLayerElement::eUV, element); }
    bool SetColorElement(KScnLayerElement* element) { return SetTyped(KScnLayerElement::eColor, element); }

    // Destroys every element. Harmless on an empty layer.
    void Clear();
    // Clears, then copies every element of the source (modes, items, index
    // entries; material and texture pointers, not the objects). Assigning a
    // layer to itself changes nothing. Whole or not at all: exhausted
    // memory throws std::bad_alloc with the layer as it was (the copies are
    // made apart, then take the place of the layer's elements).
    KScnLayer& operator=(const KScnLayer& source);

    // The watch every element of the layer tells (KScnLayerElement::
    // SetItemsWatch): the container's, set as it makes the layer.
    void SetItemsWatch(KScnLayerItemsWatch* watch);

private:
    bool SetTyped(int type, KScnLayerElement* element);

    KScnLayerElement* mElements[KScnLayerElement::kLastType];
    KScnLayerItemsWatch* mWatch = nullptr;
};

} // namespace scenesdk
