#include "graphics/cTextureManager.h"

#include "graphics/Graphics.h"
#include "platform/message_box.h"

namespace {

// "テクスチャ生成に失敗"
constexpr const char kTextureFailed[] =
    "\x83\x65\x83\x4E\x83\x58\x83\x60\x83\x83\x90\xB6\x90\xAC\x82\xC9\x8E\xB8\x94\x73";
// "画像データの読み込みに失敗"
constexpr const char kImageFailed[] =
    "\x89\xE6\x91\x9C\x83\x66\x81\x5B\x83\x5E\x82\xCC\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x82\xC9"
    "\x8E\xB8\x94\x73";

}  // namespace

void cTextureManager::RegisterTexture(const char* name, const char* path) {
    paths.emplace(name ? name : "", path ? path : "");
}

Texture* cTextureManager::CreateTexture(const char* name) {
    const std::string key = name ? name : "";
    auto found = paths.find(key);
    if (found == paths.end()) {
        // One box per name and run; a name asked for again is a line on stderr.
        MessageBoxOnce("texture name " + key, kTextureFailed, key.c_str(), MessageBoxStyle::Plain);
        // From now on the name counts as registered, with an empty path.
        found = paths.emplace(key, std::string()).first;
    }
    return LoadTextureFile(found->second.c_str());
}

Texture* LoadTextureFile(const char* path) {
    Texture* texture = LoadTexture(graphics.device, path);
    // One box per file and run; the same file failing again is a line on stderr.
    if (!texture) {
        const std::string file = path ? path : "";
        MessageBoxOnce("image file " + file, kImageFailed, file.c_str(), MessageBoxStyle::Plain);
    }
    return texture;
}
