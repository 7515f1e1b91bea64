#pragma once

// KScnOpticalReference: marks its node as the reference of optical markers
// (attribute kind 10). It holds no data and adds no channels.

#include "scenesdk/kernel/KScnNodeAttribute.h"

namespace scenesdk
{

class KScnSdkManager;

class KScnOpticalReference : public KScnNodeAttribute
{
public:
    // manager may be null; it is not kept.
    explicit KScnOpticalReference(KScnSdkManager* manager = nullptr);

    EAttributeKind GetAttributeKind() const override { return eOpticalReference; }
    KString GetTypeName() const override { return KString("Optical"); }
    // One entry: "Marker".
    KStringList GetTypeNameList() const override;

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnOpticalReference() override = default;
    friend class KScnSdkManager;
};

} // namespace scenesdk
