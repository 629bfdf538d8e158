// The game's own figures, made in code: stars, balls and cubes as rubber,
// balloon and water bodies, two bean creatures and two variants.
#pragma once

#include "physics/Figure.h"

#include <cstdint>
#include <vector>

// The figure numbers the game ships.
const std::vector<int32_t>& ShippedFigureNumbers();

// Fills figure with shape number n: the outline clockwise on screen, exactly
// centred (coordinates on a 1/64 grid whose sum is zero, so reading the file
// back changes no bit), texture coordinates, springs and the fan. False for a
// number that is not shipped.
bool MakeShippedFigure(int32_t n, TMubFigure& figure);
