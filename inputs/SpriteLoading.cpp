#include "inputs/SpriteLoading.h"

#include "inputs/NinePatch.h"
#include "layout/TextureCollection.h"

size_t loadSprites(const std::vector<InputFile>& files,
                   TextureCollection& images,
                   std::vector<Sprite>& sprites,
                   std::vector<std::string>& problems,
                   const StepReport& step) {
    size_t failed = 0;
    sprites.clear();
    sprites.reserve(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        const InputFile& file = files[i];
        step(i + 1);
        if (!images.addFromFile(file.path, false)) {
            ++failed;
            continue;
        }
        TextureImage& image = images.last();
        Sprite sprite;
        sprite.ninePatch = file.names.ninePatch;
        if (sprite.ninePatch) {
            std::string error;
            if (!readNinePatch(image, sprite.slices, sprite.padding, error)) {
                problems.push_back(file.path + ": " + error);
                ++failed;
                continue;
            }
            cutNinePatchBorder(image);
        }
        images.setUniqueName(image, designName(file.names.stem));
        sprite.image = &image;
        sprite.kept = {0, 0, image.width(), image.height()};
        sprite.name = file.names.name;
        sprites.push_back(std::move(sprite));
    }
    images.relist();
    return failed;
}
