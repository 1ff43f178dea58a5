// Texture registry (placeholder until the graphics work lands).
#pragma once

class cTextureManager {};

extern cTextureManager textureManager;
