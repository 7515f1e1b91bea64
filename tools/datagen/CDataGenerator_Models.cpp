// Procedural models: simple shapes in the proportions of what they stand for.
// Every model stands on y = 0 at its origin (buildings, trees, the platform)
// or is centred on it (birds, arrows, droppings, the sky); forward is -z.

#include "tools/datagen/CDataGenerator.h"

#include <cmath>

namespace
{

constexpr double kPi = 3.14159265358979323846;

SModelMaterial Material(const std::string& name, const std::string& texture, Vec3 diffuse = {1, 1, 1})
{
    SModelMaterial m;
    m.name = name;
    m.texture = "Data/textures/" + texture + ".tga";
    m.diffuse = diffuse;
    return m;
}

CModelBuilder Bird()
{
    CModelBuilder b;
    const int feathers = b.AddMaterial(Material("Feathers", "feathers"));
    const int beak = b.AddMaterial(Material("Beak", "beak"));
    b.SetMaterial(feathers);
    b.Sphere({0, 0, 0.05}, 0.22, 10, 6);         // body
    b.Sphere({0, 0.1, -0.25}, 0.13, 8, 5);       // head
    b.Box({0, -0.02, 0.35}, {0.22, 0.04, 0.25}); // tail
    // Wings: thin slabs swept back a little.
    b.SetPlacement({0.35, 0.02, 0.05}, -0.25);
    b.Box({0, 0, 0}, {0.55, 0.04, 0.22});
    b.SetPlacement({-0.35, 0.02, 0.05}, 0.25);
    b.Box({0, 0, 0}, {0.55, 0.04, 0.22});
    b.SetMaterial(beak);
    b.SetPlacement({0, 0.08, -0.36}, 0, 1, -kPi / 2);
    b.Cone({0, 0, 0}, 0.05, 0.14, 6);
    return b;
}

CModelBuilder Arrow()
{
    // 1.2 units long, tip at -z; one texture with wood, iron and feathers.
    // The model box sets the arrow's mass (density 5 times its volume), and
    // with it the speed a launch gives: 0.06 x 0.06 x 1.2 weighs 0.0216, so
    // the player's push of 70 for one 1/60 s step gives 54 units/s.
    CModelBuilder b;
    b.SetMaterial(b.AddMaterial(Material("Arrow", "arrow")));
    b.SetPlacement({0, 0, 0.6}, 0, 1, -kPi / 2);
    b.Cylinder({0, 0, 0}, 0.015, 1.05, 6, true);
    b.SetPlacement({0, 0, -0.45}, 0, 1, -kPi / 2);
    b.Cone({0, 0, 0}, 0.03, 0.15, 6);
    b.SetPlacement({0, 0, 0.5}, 0);
    b.Box({0, -0.03, 0}, {0.005, 0.06, 0.16});
    b.Box({0, -0.0025, 0}, {0.06, 0.005, 0.16});
    return b;
}

CModelBuilder Dropping()
{
    CModelBuilder b;
    b.SetMaterial(b.AddMaterial(Material("Dropping", "dropping")));
    b.Sphere({0, 0, 0}, 0.12, 8, 5);
    b.Sphere({0.08, -0.03, 0.02}, 0.07, 6, 4);
    b.Sphere({-0.06, -0.04, -0.05}, 0.06, 6, 4);
    return b;
}

CModelBuilder StartPlatform()
{
    CModelBuilder b;
    const int stone = b.AddMaterial(Material("Stone", "stone"));
    const int planks = b.AddMaterial(Material("Planks", "planks"));
    const int cloth = b.AddMaterial(Material("Cloth", "cloth"));
    b.SetMaterial(stone);
    b.Box({0, 0, 0}, {5, 0.9, 5}, 0.5);
    b.SetMaterial(planks);
    b.Box({0, 0.9, 0}, {5.4, 0.25, 5.4}, 0.5);
    // Nothing tall: the model box is the platform's physics box, and the
    // archer starts 3 units above the ground on it (top at 1.45).
    for (double x : {-2.5, 2.5})
        for (double z : {-2.5, 2.5})
            b.Box({x, 1.15, z}, {0.2, 0.3, 0.2});
    b.SetMaterial(cloth);
    b.Box({0, 1.15, 0}, {2.4, 0.02, 2.4});
    return b;
}

CModelBuilder Tree(int kind)
{
    CModelBuilder b;
    const int trunk = b.AddMaterial(Material("Trunk", kind == 3 ? "birch" : "bark"));
    const int crown = b.AddMaterial(Material("Crown", kind == 2 ? "pine" : "leaves"));
    b.SetMaterial(trunk);
    switch (kind)
    {
    case 1: // broadleaf
        b.Cylinder({0, 0, 0}, 0.3, 3.5, 8, false);
        b.SetMaterial(crown);
        b.Sphere({0, 4.5, 0}, 2.2, 10, 7);
        b.Sphere({0.9, 5.6, 0.4}, 1.4, 8, 5);
        b.Sphere({-0.8, 5.3, -0.5}, 1.3, 8, 5);
        break;
    case 2: // fir
        b.Cylinder({0, 0, 0}, 0.25, 2.0, 8, false);
        b.SetMaterial(crown);
        b.Cone({0, 1.5, 0}, 2.2, 3.0, 10);
        b.Cone({0, 3.3, 0}, 1.7, 2.6, 10);
        b.Cone({0, 4.9, 0}, 1.1, 2.4, 10);
        break;
    default: // birch
        b.Cylinder({0, 0, 0}, 0.18, 5.0, 8, false);
        b.SetMaterial(crown);
        b.Sphere({0, 5.2, 0}, 1.3, 8, 6);
        b.Sphere({0, 6.5, 0}, 1.0, 8, 5);
        b.Sphere({0.4, 4.3, 0.2}, 0.9, 8, 5);
        break;
    }
    return b;
}

// Walls with a gable roof, a door on the front (-z) and windows.
void House(CModelBuilder& b, int wall, int roof, int door, int window, double sx, double sy, double sz)
{
    b.SetMaterial(wall);
    b.Box({0, 0, 0}, {sx, sy, sz}, 0.5);
    b.SetMaterial(roof);
    b.GableRoof({0, sy, 0}, sx, sz, sz * 0.45, 0.4);
    b.SetMaterial(door);
    b.Box({0, 0, -sz / 2 - 0.03}, {1.0, 1.9, 0.08});
    b.SetMaterial(window);
    for (double y = 1.2; y + 1.0 < sy; y += 2.6)
    {
        for (double x : {-sx / 4 - 0.3, sx / 4 + 0.3})
        {
            b.Box({x, y, -sz / 2 - 0.03}, {0.9, 0.9, 0.08}, 1.1);
            b.Box({x, y, sz / 2 + 0.03}, {0.9, 0.9, 0.08}, 1.1);
        }
    }
}

CModelBuilder SmallHouse()
{
    CModelBuilder b;
    const int wall = b.AddMaterial(Material("Plaster", "plaster"));
    const int roof = b.AddMaterial(Material("Roof", "roof"));
    const int wood = b.AddMaterial(Material("Timber", "timber"));
    const int window = b.AddMaterial(Material("Window", "window"));
    House(b, wall, roof, wood, window, 6, 3.5, 5);
    b.SetMaterial(roof);
    b.Box({1.6, 4.2, 0.8}, {0.6, 1.6, 0.6});
    return b;
}

CModelBuilder BigHouse()
{
    CModelBuilder b;
    const int wall = b.AddMaterial(Material("Plaster", "plaster", {1.0, 0.95, 0.85}));
    const int roof = b.AddMaterial(Material("Roof", "roof", {0.8, 0.8, 0.8}));
    const int wood = b.AddMaterial(Material("Timber", "timber"));
    const int window = b.AddMaterial(Material("Window", "window"));
    House(b, wall, roof, wood, window, 8, 6.5, 6);
    // Half-timbering: beams on the long sides and at the floor line.
    b.SetMaterial(wood);
    for (double x : {-4.0, -1.4, 1.4, 4.0})
    {
        b.Box({x, 0, -3.02}, {0.25, 6.5, 0.08});
        b.Box({x, 0, 3.02}, {0.25, 6.5, 0.08});
    }
    b.Box({0, 3.1, -3.02}, {8, 0.25, 0.08});
    b.Box({0, 3.1, 3.02}, {8, 0.25, 0.08});
    return b;
}

CModelBuilder Church()
{
    CModelBuilder b;
    const int wall = b.AddMaterial(Material("Stone", "stone", {0.95, 0.95, 0.9}));
    const int roof = b.AddMaterial(Material("Slate", "roof", {0.45, 0.5, 0.65}));
    const int wood = b.AddMaterial(Material("Timber", "timber"));
    const int window = b.AddMaterial(Material("Window", "window", {0.9, 0.9, 1.0}));
    b.SetPlacement({0, 0, 0}, kPi / 2); // nave along z
    House(b, wall, roof, wood, window, 14, 7, 8);
    b.SetPlacement({0, 0, 0});
    b.SetMaterial(wall);
    b.Box({0, 0, -8.5}, {4, 15, 4}, 0.5);
    b.SetMaterial(roof);
    b.Pyramid({0, 15, -8.5}, 4.4, 4.4, 6);
    b.SetMaterial(wood);
    b.Box({0, 21, -8.5}, {0.2, 2.2, 0.2});
    b.Box({0, 22.2, -8.5}, {1.0, 0.2, 0.2});
    b.SetMaterial(wood);
    b.Box({0, 0, -10.53}, {1.4, 2.6, 0.08});
    return b;
}

CModelBuilder Toilet()
{
    CModelBuilder b;
    const int wood = b.AddMaterial(Material("Planks", "planks"));
    const int roof = b.AddMaterial(Material("Timber", "timber", {0.7, 0.7, 0.7}));
    b.SetMaterial(wood);
    b.Box({0, 0, 0}, {1.6, 2.4, 1.6}, 0.8);
    b.SetMaterial(roof);
    b.SetPlacement({0, 2.5, 0}, 0, 1, 0.2);
    b.Box({0, 0, 0}, {2.0, 0.12, 2.1});
    b.SetPlacement({0, 0, 0});
    b.Box({0, 0.2, -0.83}, {0.9, 1.9, 0.06});
    b.Box({0, 1.7, -0.87}, {0.25, 0.25, 0.02}); // the window in the door
    return b;
}

CModelBuilder MarketStall()
{
    CModelBuilder b;
    const int wood = b.AddMaterial(Material("Timber", "timber"));
    const int cloth = b.AddMaterial(Material("Cloth", "cloth"));
    const int goods = b.AddMaterial(Material("Goods", "leaves", {1.0, 0.8, 0.5}));
    b.SetMaterial(wood);
    for (double x : {-2.0, 2.0})
    {
        for (double z : {-1.3, 1.3})
        {
            b.Box({x, 0, z}, {0.18, 2.6, 0.18});
        }
    }
    b.Box({0, 0.9, -0.6}, {4.2, 0.15, 1.2});
    b.Box({0, 0, -0.6}, {4.0, 0.9, 0.1});
    b.SetMaterial(cloth);
    b.GableRoof({0, 2.6, 0}, 4.2, 2.8, 0.9, 0.3);
    b.SetMaterial(goods);
    for (int i = 0; i < 5; ++i)
    {
        b.Sphere({-1.6 + i * 0.8, 1.25, -0.6}, 0.22, 6, 4);
    }
    return b;
}

CModelBuilder Statue()
{
    // The town statue: a stone plinth (bump-mapped) and a bronze figure with
    // a raised arm, 6 units tall.
    CModelBuilder b;
    SModelMaterial stone = Material("Plinth", "stone");
    stone.normalMap = "stoneNormal";
    stone.exponent = 0.3;
    const int plinth = b.AddMaterial(stone);
    SModelMaterial bronze = Material("Bronze", "bronze");
    bronze.reflectivity = 0.35;
    bronze.exponent = 0.6;
    bronze.specular = {0.6, 0.5, 0.3};
    const int metal = b.AddMaterial(bronze);
    b.SetMaterial(plinth);
    b.Box({0, 0, 0}, {2.6, 0.5, 2.6}, 0.5);
    b.Box({0, 0.5, 0}, {1.8, 1.8, 1.8}, 0.5);
    b.SetMaterial(metal);
    b.Cylinder({0.25, 2.3, 0}, 0.18, 1.5, 8, true); // legs
    b.Cylinder({-0.25, 2.3, 0}, 0.18, 1.5, 8, true);
    b.Cylinder({0, 3.7, 0}, 0.45, 1.4, 10, true);    // body
    b.Sphere({0, 5.45, 0}, 0.33, 10, 7);             // head
    b.Cylinder({-0.62, 4.0, 0}, 0.13, 1.0, 6, true); // lowered arm
    b.SetPlacement({0.55, 4.9, 0}, 0, 1, 0);
    b.Cylinder({0, 0, 0}, 0.13, 1.1, 6, true); // raised arm
    b.SetPlacement({0, 0, 0});
    b.Cone({0.55, 6.0, 0}, 0.2, 0.5, 6); // torch
    return b;
}

CModelBuilder Tower()
{
    CModelBuilder b;
    const int stone = b.AddMaterial(Material("Stone", "stone", {0.85, 0.85, 0.8}));
    const int wood = b.AddMaterial(Material("Timber", "timber"));
    b.SetMaterial(stone);
    b.Cylinder({0, 0, 0}, 2.0, 9.0, 14, false);
    b.Cylinder({0, 9.0, 0}, 2.4, 0.6, 14, true);
    for (int i = 0; i < 8; ++i)
    {
        const double a = i * kPi / 4;
        b.SetPlacement({2.1 * std::cos(a), 9.6, -2.1 * std::sin(a)}, a);
        b.Box({0, 0, 0}, {0.5, 0.9, 0.9});
    }
    b.SetPlacement({0, 0, 0});
    b.SetMaterial(wood);
    b.Box({0, 0, -2.0}, {1.0, 2.0, 0.2});
    b.Box({0, 5.5, -2.0}, {0.4, 0.9, 0.12});
    return b;
}

CModelBuilder Ruins()
{
    CModelBuilder b;
    const int rubble = b.AddMaterial(Material("Rubble", "rubble"));
    const int wood = b.AddMaterial(Material("Charred", "timber", {0.35, 0.3, 0.28}));
    b.SetMaterial(rubble);
    b.Box({0, 0, 0}, {5, 0.4, 4.2}, 0.5);
    b.Box({-2.2, 0, 0}, {0.5, 1.8, 3.8}, 0.5);
    b.Box({0.8, 0, 1.9}, {2.8, 1.1, 0.5}, 0.5);
    b.Box({1.6, 0, -1.9}, {1.4, 2.4, 0.5}, 0.5);
    b.Pyramid({0.5, 0.4, -0.3}, 1.6, 1.4, 0.9);
    b.Pyramid({-0.9, 0.4, 0.9}, 1.2, 1.1, 0.6);
    b.SetMaterial(wood);
    b.SetPlacement({0, 0.6, 0}, 0.7, 1, 0.35);
    b.Box({0, 0, 0}, {0.25, 0.25, 4.2});
    b.SetPlacement({0.6, 0.5, 0.4}, -0.5, 1, -0.25);
    b.Box({0, 0, 0}, {0.25, 0.25, 3.2});
    return b;
}

CModelBuilder SkySphere()
{
    // Seen from inside: faces turned inwards, unlit, 500 units across the
    // scene's extent.
    CModelBuilder b;
    SModelMaterial sky = Material("Sky", "../environment/skydome");
    sky.texture = "Data/environment/skydome.tga";
    sky.useLighting = false;
    sky.emissive = {1, 1, 1};
    sky.specular = {0, 0, 0};
    b.SetMaterial(b.AddMaterial(sky));
    b.Sphere({0, 0, 0}, 500, 24, 12, true);
    return b;
}

} // namespace

void CDataGenerator::WriteModels()
{
    SaveModel("models/bird.scn", Bird());
    SaveModel("models/pfeil.scn", Arrow());
    SaveModel("models/shit.scn", Dropping());
    SaveModel("models/startpodest.scn", StartPlatform());
    SaveModel("models/tree1.scn", Tree(1));
    SaveModel("models/tree2.scn", Tree(2));
    SaveModel("models/tree3.scn", Tree(3));
    SaveModel("models/buildings/haus1.scn", SmallHouse());
    SaveModel("models/buildings/haus2.scn", BigHouse());
    SaveModel("models/buildings/kirche.scn", Church());
    SaveModel("models/buildings/klo.scn", Toilet());
    SaveModel("models/buildings/marktstand.scn", MarketStall());
    SaveModel("models/buildings/statue.scn", Statue());
    SaveModel("models/buildings/tower.scn", Tower());
    SaveModel("models/buildings/destroyed.scn", Ruins());
    SaveModel("environment/envSphere.scn", SkySphere());
}
