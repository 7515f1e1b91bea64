#pragma once

// One scene document that holds every kind the scene reader reads, side by
// side: global settings, a null, marker and skeleton with attribute
// properties, a light, a camera, a camera switcher, a patch, a NURBS surface,
// a skinned mesh with shapes, a material and a texture, a character with a
// control set and a second one driven by its plug, a character pose, kinds
// the reader skips, and two takes ("Run", imported as "Sprint", with layered
// channels under a time warp, and "Walk"). Values the reader counts are
// marked in comments.

namespace scntest
{

inline const char* const kEveryKindScene = R"scn(FileHeader: {
    Version: 6000
    Creator: "tests"
}
SceneInfo: {
    Title: "Every kind"
}
GlobalSettings: {
    Time: {
        TimeMode: 11
        TimeFormat: 0
        SnapOnFrames: 1
        TimeMarker: "Start", 0
        TimeMarker: "Jump", 92372316000, 1
        CurrentTimeMarker: 1
        Tempo: 120                          ; not a time setting
    }
    Camera: {
        DefaultCamera: "Eye"
        DefaultViewingMode: 2
        Producer: "Producer Top" {
            Position: 0, 500, 0
            UpVector: 1, 0, 0
            LookAt: 0, 0, -3
            Properties: {
                FocalLength: 50.0
                NoSuchProperty: 1
            }
        }
        Producer: "Producer Sideways" {     ; no such producer
        }
    }
    Light: {
        AmbientColor: 0.1, 0.2, 0.3
        FogEnable: 1
        FogColor: 0.5, 0.5, 2.0, 1.0
        FogMode: 2
        FogStart: 5000.0                    ; past the end it needs
        FogEnd: 8000.0
        FogDensity: 0.01
        ShadowEnable: 1
        ShadowIntensity: 500.0              ; past its clamp
        ShadowPlane: 1, 0, -1, 0, 0, 1, 0
        ShadowPlane: 0, 2, 0, 0, 1, 0, 0
    }
}
Objects: {
    Model: "Locator", "Null" {
        Properties: {
            "Lcl Translation": 1, 2, 3
            Size: 50
        }
        Shading: W
        PivotEnabled: 1
        Children: "Dot"
        UserProperty: "useLighting", "Bool", "", 1
        UserProperty: "start", "Time", "", 46186158000
    }
    Model: "Dot", "Marker", "OpticalMarker" {
        Properties: {
            Look: "Hard Cross"
            Size: 7
            Color: 0, 0.5, 1
            ShowLabel: 1
            IKPivot: 1, 2, 3
        }
    }
    Model: "Hips", "Skeleton", "Limb" {
        Properties: {
            Size: 3
            LimbLength: 12
            Color: 0.25, 0.5, 0.75
        }
        Children: "Knee"
    }
    Model: "Knee", "Skeleton", "Root" {
        Properties: {
            LimbLength: 5                  ; a root has no limb length
            Color: 1, 0, 0                 ; nor a limb colour
        }
    }
    Model: "Sun", "Light" {
        Properties: {
            LightType: "Spot Light"
            Intensity: 42
            Color: 1, 0.5, 0.25
            "Cone angle": 30
            Fog: 10
            CastLightOnObject: 0
            DrawFrontFacingVolumetricLight: 1
        }
    }
    Model: "Eye", "Camera" {
        Properties: {
            "Lcl Translation": 0, 10, 50
            FieldOfView: 50
            Roll: 5
            BackgroundColor: 0.125, 0.25, 0.5
            NearPlane: 2
            FarPlane: 900
            FocalLength: 50
            CameraFormat: PAL               ; stored as written: no preset
            AspectW: 640
            ApertureMode: Horizontal
            ShowGrid: 0
            "Motion Blur Intensity": 0.5
        }
    }
    Model: "Director", "CameraSwitcher" {
        CameraIndex: 2
    }
    Model: "Sail", "Patch" {
        Patch: {
            PatchType: Bezier, BSpline
            Dimensions: 2, 2
            SurfaceDisplay: 2, 8, 8
            Step: 4, 5
            Closed: 1, 0
            UCapped: 0, 1
            VCapped: 1, 0
            ControlPoints: 0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0
        }
        Shape: "Billow" {
            ControlPoints: 0, 0, 1, 1, 0, 1, 0, 1, 1, 1, 1, 1
        }
    }
    Model: "Hull", "Nurb" {
        Nurb: {
            Order: 2, 2
            Form: Open, Periodic
            Dimensions: 2, 3
            SurfaceDisplay: 1, 6, 7
            ControlPoints: 0, 0, 0, 1, 1, 0, 0, 1, 0, 1, 0, 1, 1, 1, 0, 0.5,
                0, 2, 0, 1, 1, 2, 0, 1
            KnotVectorU: 0, 0, 1, 1
            KnotVectorV: 0, 1, 2, 3, 4, 5
        }
    }
    Model: "Body", "Mesh" {
        Deformers: "BodySkin", "Elsewhere", "BodySkin"
        Materials: "Stone"
        Textures: "StoneTex"
        Mesh: {
            ControlPoints: 0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0
            PolygonSizes: 4
            PolygonVertices: 0, 1, 2, 3
            Layer: 0 {
                LayerElementMaterial: {
                    Mapping: AllSame
                    Indices: 0
                }
                LayerElementTexture: {
                    Mapping: AllSame
                    Indices: 0
                }
            }
        }
        Shape: "Smile" {
            ControlPoints: 0, 0, 0, 1, 0, 0, 1, 1.5, 0, 0, 1.5, 0
            Normals: 0, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 0
        }
        Shape: " Frown " {
            ControlPoints: 0, 0, 0, 1, 0, 0, 1, 0.5, 0, 0, 0.5, 0
        }
    }
    Material: "Stone" {
        Properties: {
            Diffuse: 0.5, 0.25, 0.125
            Shininess: 32
        }
    }
    Texture: "StoneTex" {
        FileName: "Data/textures/stone.tga"
        MappingType: 1
        PlanarNormal: 2
        Cropping: 1, 2, 3, 4
        AlphaSource: 2
        UVTranslation: 0.5, 0.25
        UVScaling: 2, 3
    }
    Deformer: "BodySkin", "Skin" {
        Clusters: "Upper", "Lower", "Upper"
        Link_DeformAcuracy: 40.0
        MultiLayer: 1
    }
    SubDeformer: "Upper", "Cluster" {
        Model: "Hips"
        ModelReference: "Body"
        Mode: "Additive"
        UserData: "u1", "first"
        Indices: 0, 1
        Weights: 1.0, 0.5
        Transform: 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1
        TransformLink: 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 4, 5, 6, 1
        AssociateModel: 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 7, 8, 9, 1
        TransformParent: 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 1, 1
    }
    SubDeformer: "Lower", "Cluster" {
        Model: "Knee"
        Mode: "Total1"
        Indices: 2, 3
        Weights: 0.25, 0.75
        Transform: 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 1, 0, 1
    }
    Deformer: "Blend", "BlendShape" {       ; another type than its kind's
    }
    Character: "Hero" {
        Properties: {
            Posture: Quadruped
        }
        BASE: {
            Hips: "Hips" {
                OffsetT: 0, 1, 0
            }
            LeftUpLeg: "Knee" {
                RotationMin: -10, -20, -30
            }
        }
        ControlSet: {
            Type: 1
            Effectors: {
                HipsEffector: "Hips" {
                    Aux: "", "Knee"                 ; nothing in place 1
                }
                LeftAnkleEffector: "Knee" {
                    Aux: "", "", "", "", "", "", "", "", "", "", "", "", "", "Hips"
                }
                RightAnkleEffector: "Hips"
            }
        }
    }
    Character: "Rider" {
        Source: "ControlSetPlug", "Hero_Ctrl"
    }
    CharacterPose: "Crouch" {
        Model: "PHips" {
            Properties: {
                "Lcl Translation": 0, 80, 0
            }
            Children: "PKnee"
        }
        Model: "PKnee", "Skeleton"          ; a pose model has no attribute
        Character: {
            BASE: {
                Hips: "PHips" {
                    OffsetT: 0, 1, 0
                }
                LeftUpLeg: "PKnee"
            }
        }
    }
    Video: "Clip" {
        FileName: "clip.avi"
    }
    Pose: "Bind"
    Constraint: "Aim"
    GenericNode: "Thing"
    ControlSetPlug: "Plug"
}
Takes: {
    Current: "Run"
    Take: "Run" {
        Description: "on the spot"
        ImportName: "Sprint"
        LocalTime: 0, 92372316000
        ReferenceTime: 46186158000, 138558474000
        TimeWarps: {
            TimeWarp: 1 {
                Channel: "TimeWarp" {
                    Default: 0
                    KeyVer: 4004
                    KeyCount: 2
                    Key: 0, 0, L, 46186158000, 2, L
                }
            }
        }
        Model: "Locator" {
            Channel: "Transform" {
                Channel: "T" {
                    Channel: "X" {
                        Default: 0
                        KeyVer: 4004
                        KeyCount: 2
                        Key: 0, 0, L, 92372316000, 20, L
                    }
                    Channel: "Y" { Default: 2 }
                    Channel: "Z" { Default: 3 }
                    LayerChannel: {
                        LayerID: 1
                        Channel: "X" {
                            LayerID: 1
                            Default: 0
                            KeyVer: 4004
                            KeyCount: 2
                            Key: 0, 0, L, 92372316000, 4, L
                        }
                    }
                    TimeWarpID: 1
                }
            }
            Channel: "Glow" {
                Default: 0
                KeyVer: 4004
                KeyCount: 2
                Key: 0, 0, L, 92372316000, 1, L
                LayerChannel: {
                    LayerID: 1
                    Default: 0
                    KeyVer: 4004
                    KeyCount: 2
                    Key: 0, 0, L, 92372316000, 0.5, L
                }
                TimeWarpID: 1
            }
        }
        Model: "Hips" {
            Channel: "Transform" {
                Channel: "T" {
                    Channel: "X" {
                        Default: 0
                        KeyVer: 4004
                        KeyCount: 2
                        Key: 0, 0, L, 46186158000, 10, L
                    }
                    Channel: "Y" { Default: 1 }
                    Channel: "Z" { Default: 0 }
                    LayerChannel: {
                        LayerID: 1
                        Channel: "Y" {
                            LayerID: 1
                            Default: 5
                        }
                    }
                }
            }
        }
        Model: "Body" {
            Channel: "Smile" { Default: 0.75 }
            Channel: "Shape 01 (Shape)" { Default: 0.25 }
        }
        Model: "Sail" {
            Channel: "Shape 01 (Shape)" { Default: 0.5 }
        }
        Model: "Director" {
            Channel: "Camera Index" { Default: 3 }
        }
        Material: "Stone" {
            Channel: "Shininess" { Default: 64 }
        }
        SubDeformer: "Upper"
    }
    Take: "Walk" {
        Description: "slowly"
    }
}
)scn";

} // namespace scntest
