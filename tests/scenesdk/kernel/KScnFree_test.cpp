#include "scenesdk/kernel/KScnFree.h"

#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/attributes/KScnCameraSwitcher.h"
#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnCharacterPose.h"
#include "scenesdk/attributes/KScnConstraintAim.h"
#include "scenesdk/attributes/KScnConstraintParent.h"
#include "scenesdk/attributes/KScnConstraintPosition.h"
#include "scenesdk/attributes/KScnConstraintRotation.h"
#include "scenesdk/attributes/KScnConstraintScale.h"
#include "scenesdk/attributes/KScnConstraintSingleChainIK.h"
#include "scenesdk/attributes/KScnControlSetPlug.h"
#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/attributes/KScnExporter.h"
#include "scenesdk/attributes/KScnGenericNode.h"
#include "scenesdk/attributes/KScnLight.h"
#include "scenesdk/attributes/KScnLink.h"
#include "scenesdk/attributes/KScnMarker.h"
#include "scenesdk/attributes/KScnNull.h"
#include "scenesdk/attributes/KScnNurb.h"
#include "scenesdk/attributes/KScnOpticalReference.h"
#include "scenesdk/attributes/KScnPatch.h"
#include "scenesdk/attributes/KScnPose.h"
#include "scenesdk/attributes/KScnShape.h"
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/attributes/KScnVideo.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <gtest/gtest.h>

#include <memory>
#include <type_traits>

using namespace scenesdk;

namespace
{

// What a manager lists only the manager destroys: `delete` on one, or one
// on the stack, does not compile (a destructor callers cannot reach). A free
// object of each kind is made as a KScnFree<T>, which callers destroy.
template <class... T> constexpr bool kNoneDestructible = (!std::is_destructible_v<T> && ...);
template <class... T> constexpr bool kFreeDestructible = (std::is_destructible_v<KScnFree<T>> && ...);

#define MANAGER_MADE                                                                                         \
    KScnSceneRoot, KScnNode, KScnObject, KScnTakeNodeContainer, KScnNodeAttribute, KScnLayerContainer,       \
        KScnGeometryBase, KScnGeometry, KScnMesh, KScnPatch, KScnNurb, KScnShape, KScnCamera,                \
        KScnCameraSwitcher, KScnLight, KScnNull, KScnMarker, KScnSkeleton, KScnOpticalReference,             \
        KScnMaterial, KScnTexture, KScnVideo, KScnPose, KScnGenericNode, KScnDeformer, KScnConstraint,       \
        KScnConstraintPosition, KScnConstraintRotation, KScnConstraintScale, KScnConstraintParent,           \
        KScnConstraintSingleChainIK, KScnConstraintAim, KScnCharacter, KScnPropertyRef, KScnLink, KScnIO,    \
        KScnImporter, KScnExporter, KScnCharacterPose, KScnControlSetPlug

static_assert(kNoneDestructible<MANAGER_MADE>, "a manager-made object's destructor is reachable");
// KScnFree of an abstract class cannot be made; the concrete ones can.
static_assert(kFreeDestructible<KScnSceneRoot, KScnNode, KScnMesh, KScnPatch, KScnNurb, KScnShape, KScnCamera,
                                KScnCameraSwitcher, KScnLight, KScnNull, KScnMarker, KScnSkeleton,
                                KScnOpticalReference, KScnMaterial, KScnTexture, KScnVideo, KScnPose,
                                KScnGenericNode, KScnDeformer, KScnConstraintPosition, KScnConstraintRotation,
                                KScnConstraintScale, KScnConstraintParent, KScnConstraintSingleChainIK,
                                KScnConstraintAim, KScnCharacter, KScnPropertyRef, KScnLink, KScnImporter,
                                KScnExporter, KScnCharacterPose, KScnControlSetPlug>,
              "a free object cannot be destroyed by its maker");

TEST(KScnFree, FreeObjectsLiveAndDieOutsideAManager)
{
    KScnSdkManager manager;
    KScnFree<KScnNode> node(nullptr, "Model::free");
    auto camera = std::make_unique<KScnFree<KScnCamera>>(nullptr);
    EXPECT_EQ(node.SetNodeAttribute(camera.get()), nullptr);
    EXPECT_EQ(node.GetCamera(), camera.get());
    // Not listed: a manager refuses to destroy either.
    EXPECT_FALSE(manager.DestroyNode(&node));
    EXPECT_FALSE(manager.DestroyNodeAttribute(camera.get()));
    camera.reset(); // an attached camera leaves its node as it goes
    EXPECT_EQ(node.GetNodeAttribute(), nullptr);

    const KScnConstraint::FreePtr aim = KScnConstraint::Create(nullptr, KScnConstraint::eAim, "look");
    ASSERT_NE(aim, nullptr);
    EXPECT_FALSE(manager.DestroyConstraint(aim.get()));
}

} // namespace
