#include "level/Mechanics.h"

#include "render/RenderContext.h"

TMechanicMan MechanicMan;

TMechanic::TMechanic() {
    Points.resize(2);
    Points[0].Offset = {-10.0f, 0.0f};
    Points[1].Offset = {10.0f, 0.0f};
    Place({777.0f, -183.0f});
}

void TMechanic::Place(TVec2 p) {
    Position = p;
    Motion.fill(0.0f);
    for (TMechanicPoint& point : Points) {
        point.Pos = {p.X + point.Offset.X, p.Y + point.Offset.Y};
        point.Motion.fill(0.0f);
    }
}

void TMechanic::Draw() const {
    TRenderBackend& r = Renderer();
    r.Disable(Gl::Texture2D);
    r.PointSize(3.0f);
    r.Color4ub(255, 255, 255, 255);
    r.Begin(Gl::Points);
    for (const TMechanicPoint& point : Points)
        r.Vertex2f(point.Pos.X, point.Pos.Y);
    r.End();
    r.Enable(Gl::Texture2D);
}

TMechanic* TMechanicMan::AddMechanic() {
    Items.push_back(std::make_unique<TMechanic>());
    return Items.back().get();
}

void TMechanicMan::DrawAll() const {
    for (const auto& m : Items)
        m->Draw();
}

void CreateMechanics() {
    if (MechanicMan.Items.empty()) MechanicMan.AddMechanic();
}

void ResetMechanics() {
    MechanicMan.Items.clear();
}
