#include "recipe/PackRecipeKeys.h"

const std::vector<RecipeKey>& packRecipeKeys() {
    using K = RecipeKeyKind;
    static const std::vector<RecipeKey> keys = {
        {"size", K::Text},
        {"max-size", K::Text},
        {"spacing", K::Number},
        {"sort", K::Text},
        {"uv", K::Text},
        {"id-prefix", K::Text},
        {"extrude", K::Number},
        {"bleed", K::Text},
        {"trim", K::Flag},
        {"trim-threshold", K::Number},
        {"rotate", K::Flag},
        {"alias", K::Flag},
        {"pages", K::Flag},
        {"packer", K::Text},
        {"rule", K::Text},
        {"threads", K::Number},
        {"premultiply", K::Flag},
        {"png-level", K::Text},
        {"reverse-h", K::Flag},
        {"reverse-v", K::Flag},
        {"absolute-paths", K::Flag},
        {"allow-overflow", K::Flag},
        {"escape", K::Text},
        {"keep-layout", K::Flag},
        {"keep-layout-slack", K::Number},
        {"bmp", K::Output},
        {"tga", K::Output},
        {"png", K::Output},
        {"json", K::Output},
        {"quv", K::Output},
        {"uv-array", K::Output},
        {"uv-defines", K::Output},
        {"ids", K::Output},
        {"save", K::Output},
    };
    return keys;
}
