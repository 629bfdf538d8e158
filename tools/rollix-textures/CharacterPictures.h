// The characters' pictures: every body by shape and material with its face,
// the face frames the face animations show, the acid coats and the diving
// suits, all named by the coat names of the figures (MubStar … WaterCube).
#pragma once

#include "TextureGen.h"

#include <string>
#include <vector>

// The coat names in figure order: rubber, balloon and water star, ball, cube.
const std::vector<std::string>& CharacterCoatNames();

// The face frames each coat has: "Rollixs\MubAnims\<coat> 01.png" … this many.
constexpr int32_t FaceFrameCount = 4;

// Appends the bodies, face frames, coats and suits, and the two bean creatures.
void AddCharacterPictures(std::vector<TGeneratedPicture>& pictures);
