// The edge grid: a uniform grid of 20-unit cells over the collision edges
// and the waters, answering which edge a moving point's path crosses first
// and which water holds a point.
#pragma once

#include "physics/VecMath.h"
#include "world/CollisionEdges.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class TWater;

// What the grid needs of a water body: its box and the point test of its
// surface mesh. The water bodies implement it.
class TWaterArea {
  public:
    virtual ~TWaterArea() = default;
    virtual TBox2 AreaBounds() const = 0;
    virtual bool ContainsPoint(TVec2 p) const = 0;
};

struct TFragment {
    std::vector<int32_t> Edges;      // indices into the edge array
    std::vector<TWaterArea*> Waters; // not owned
};

struct TCastResult {
    bool Hit = false;
    int32_t Edge = -1;
    TVec2 Point;
};

class TFragments {
  public:
    static constexpr float CellSize = 20.0f;
    // The most cells a grid has (a level of about 20000 × 20000 units at the
    // full cell size); a larger box gets larger cells, which answer the same.
    static constexpr int64_t MaxCells = int64_t(1) << 20;

    float Left = 0.0f;
    float Top = 0.0f;
    float Right = 0.0f;
    float Bottom = 0.0f;
    int32_t Columns = 1;
    int32_t Rows = 1;
    float InvColumns = 1.0f;
    float InvRows = 1.0f;
    float ScaleX = 0.0f;
    float ScaleY = 0.0f;
    std::vector<float> ColumnX;
    std::vector<float> RowY;
    std::vector<TFragment> Cells; // [column · Rows + row]

    // Files the edges (which must outlive the grid unchanged) and waters.
    // Without edges the grid is one empty cell that reports nothing.
    void Build(const std::vector<TCollisionEdge>& edges, const std::vector<TWaterArea*>& waters);
    void Destroy();

    TFragment& Cell(int32_t column, int32_t row) {
        return Cells[size_t(column) * size_t(Rows) + size_t(row)];
    }
    const TFragment& Cell(int32_t column, int32_t row) const {
        return Cells[size_t(column) * size_t(Rows) + size_t(row)];
    }
    const std::vector<TCollisionEdge>* EdgeArray() const { return Edges; }

    // The first edge crossed by from → to; a crossing replaces the held one
    // when it is closer to from in X, or else closer in Y.
    TCastResult CastSegment(TVec2 from, TVec2 to, bool skipParticles, bool skipBodies) const;
    TWaterArea* WaterAt(TVec2 p) const;

  private:
    const std::vector<TCollisionEdge>* Edges = nullptr;
    bool Empty = true;
    // A grid coordinate limited to 0 … count − 1 (NaN gives 0).
    static int32_t LimitCell(float v, int32_t count);
};

// The same question answered by a plain walk over all edges in array order.
TCastResult CastSegmentAllEdges(const std::vector<TCollisionEdge>& edges, TVec2 from, TVec2 to,
                                bool skipParticles, bool skipBodies);
