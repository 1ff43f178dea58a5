// The texture registry: texture names and the image files they come from.
//
// Every request decodes the file anew and hands back a texture the caller owns
// and releases with ReleaseTexture; the registry keeps no textures.
#pragma once

#include <map>
#include <string>

#include "platform/render.h"

class cTextureManager {
public:
    cTextureManager() = default;
    virtual ~cTextureManager() = default;
    cTextureManager(const cTextureManager&) = delete;
    cTextureManager& operator=(const cTextureManager&) = delete;

    // Enters name -> path; a name already present keeps its first path.
    void RegisterTexture(const char* name, const char* path);
    // A new texture from the file registered for `name`, or null. An unknown
    // name is reported once, then counts as registered with an empty path; a
    // file that cannot be loaded gets its box once per run, then a line on
    // standard error each time.
    Texture* CreateTexture(const char* name);

    std::map<std::string, std::string> paths;  // name -> file, compared byte for byte
};

// Decodes the image file at `path` on the game's device; reports a failure in a
// message box captioned with the path (once per path and run; later failures
// are a line on standard error) and answers null.
Texture* LoadTextureFile(const char* path);

extern cTextureManager textureManager;
