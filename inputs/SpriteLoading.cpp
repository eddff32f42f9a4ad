#include "inputs/SpriteLoading.h"

#include <algorithm>

#include "base/Parallel.h"
#include "inputs/NinePatch.h"
#include "layout/TextureCollection.h"

namespace {

// Files decoded together before they are taken in order: enough to keep every thread busy, few enough that the
// progress moves and the decoded images wait only briefly outside the collection.
constexpr size_t kBatchFiles = 64;

}  // namespace

size_t loadSprites(const std::vector<InputFile>& files,
                   TextureCollection& images,
                   std::vector<Sprite>& sprites,
                   std::vector<std::string>& problems,
                   const StepReport& step,
                   unsigned threads) {
    size_t failed = 0;
    sprites.clear();
    sprites.reserve(files.size());
    std::vector<LoadedImage> batch;
    for (size_t i = 0; i < files.size(); ++i) {
        const InputFile& file = files[i];
        if (i % kBatchFiles == 0) {
            const size_t count = std::min(kBatchFiles, files.size() - i);
            batch.clear();
            batch.resize(count);
            const ImageKindRule rule = images.imageKindRule();
            parallelFor(count, threads, [&](size_t k) { batch[k] = loadImageFile(files[i + k].path, rule); });
        }
        step(i + 1);
        if (!images.addLoaded(std::move(batch[i % kBatchFiles]), false)) {
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
