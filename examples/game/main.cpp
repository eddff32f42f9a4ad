// A stand-in for a game's renderer: it looks up each sprite's rectangle in the atlas by its texture ID, as a game hands
// it to its sprite batch. The IDs and the UV list come from the atlas that the build packed.
#include <cstdio>

#include "sprite_ids.h"
#include "sprite_uv.h"

int main() {
    const struct {
        const char* name;
        int id;
    } sprites[] = {{"player", SPR_PLAYER}, {"slime", SPR_SLIME}, {"coin", SPR_COIN}, {"wall", SPR_WALL}};
    for (const auto& s : sprites) {
        const long* uv = UV_LIST[s.id];
        std::printf("%s at %ld,%ld size %ldx%ld\n", s.name, uv[MIN_U], uv[MIN_V], uv[MAX_U] - uv[MIN_U],
                    uv[MAX_V] - uv[MIN_V]);
    }
    std::printf("%d sprites in the atlas\n", TEXTURE_MAX);
    return 0;
}
