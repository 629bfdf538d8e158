#include "LitScene.h"

#include "../world/BenchScene.h"
#include "render/RenderContext.h"

TLitScene::TLitScene(int32_t pointLights) {
    TBenchWorld& w = TBenchWorld::Get();
    Layers.Create(0, {1.0f});
    World.Materials = &w.Materials;
    World.Layers = &Layers;
    Slab = MakeMeshObject(World, {{0, 0}, {3000, 0}, {3000, 2000}, {0, 2000}}, 40.0f);
    Layers.ClearMembers();
    Layers.Playing().SplineObjects.push_back(Slab.get());
    Layers.Playing().LightColor = Layers.Playing().CurrentLight = {0.35f, 0.35f, 0.45f, 1.0f};
    Layers.Hooks.SwitchOnLights = [this](TLayer& layer) {
        Lights.MoveCharacterLight({1500.0f, 1000.0f});
        Lights.SwitchOnLayer(layer);
    };
    Layers.Hooks.ApplySplineObjectMaterial = [&w] { w.Materials.SplineObjects.Apply(); };
    Layers.Hooks.DrawSplineObject = [](TSplineObj* o) { o->Draw(0); };
    Lights.Layers = &Layers;
    Lights.VisitLitMeshes = [this](const std::function<void(TMesh&, int32_t)>& visit) {
        for (TMultiMesh* group : {&Slab->Body, &Slab->Border})
            for (auto& m : group->Meshes)
                visit(*m, 0);
    };
    uint32_t seed = 12345;
    auto next = [&seed](int32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return int32_t((uint64_t(seed >> 8) * uint64_t(n)) >> 24);
    };
    for (int32_t i = 0; i < pointLights; ++i) {
        auto l = std::make_unique<TLight>(&Lights);
        l->Position[0] = float(next(3000));
        l->Position[1] = float(next(2000));
        l->StoredColor = {0.3f + 0.1f * float(i % 7), 0.6f, 1.0f - 0.1f * float(i % 5), 1.0f};
        l->Height = float(64 + next(64));
        l->SetRadius(float(150 + next(250)));
        l->Colors = {{1.0f, 0.5f, 0.2f, 1.0f}, {0.2f, 0.4f, 1.0f, 1.0f}, {0.9f, 0.9f, 0.6f, 1.0f}};
        l->Cycle = uint8_t(i % 3 == 1);
        l->Sequential = i % 2 == 0;
        l->CycleMin = 200;
        l->CycleRandom = 300;
        l->Flash = i % 3 == 2;
        l->FlashTimes = {20, 10, 30, 20, 20, 10, 30, 20};
        Lights.PointLights.push_back(std::move(l));
    }
    Lights.ResetAll();
    Lights.Prepare();
}

void TLitScene::Draw(const TBox2& view, int32_t width, int32_t height) {
    FrameView.HasLevel = true;
    FrameView.ViewWidth = width;
    FrameView.ViewHeight = height;
    FrameView.View = view;
    const TVec2 camera{(view.Left + view.Right) / 2, (view.Top + view.Bottom) / 2};
    BeginFrame();
    Renderer().ClearColor(0, 0, 0, 1);
    Renderer().Clear(Gl::ColorBufferBit);
    Lights.PrepareFrame();
    for (auto& layer : Layers.Layers) {
        layer->UpdateRect(camera, view.Right - view.Left, view.Bottom - view.Top);
        Layers.DrawLayer(*layer, 0.0f, false);
    }
}
