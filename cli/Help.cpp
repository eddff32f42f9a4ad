#include <string>

#include "cli/Commands.h"

std::string helpText(const std::string& command) {
    if (command == "pack") {
        return R"(Usage: quiltbox-cli pack [options] INPUT...

Adds the images (BMP: 24-bit, 8-bit palette; TGA: 32-bit uncompressed; PNG: any standard kind; the extension in any
letter case) in argument order, lays them out automatically, then writes the requested files. An INPUT is an image
file; a folder, for every image file under it (each folder's files in natural order, run_2 before run_10, then its
subfolders; names starting with '.' and symbolic links to folders passed over); or @LIST, a UTF-8 text file naming
one file or folder a line, relative to the list's folder. A file NAME.9.png is a nine-patch: its one-pixel border of
black marks gives its nine-slice edges and is cut off. Nothing is written when an image cannot be loaded, or when an
image finds no place on the area (unless --allow-overflow or --pages). The files are written all or none: each to a
new file beside it, all renamed into place once every one is complete, the old files put back when a rename fails.
Two outputs naming one file, or an output naming an input, are refused before anything is read.

Names: a sprite's frame name in every data format is its path inside the folder given ('/' between folders, the
extension dropped; a file's own name for a file), and two sprites of one name are an error; the ID header, the UV
lists and the project name it after the same path in upper case, made unique (hud/pause: IDT_HUD_PAUSE).
  --names path|id       frame names by path (the default), or the ID header's names as in version 1.0
  --keep-extension      keep the extension in frame names (hero/run_01.png)
  --folder-prefix       put the folder's own name first (sprites/hero/run_01; a list's folder for its paths)
  --animations          sprites whose names differ only in a trailing number (run_01, run-2, run10) make an
                        animation named by the rest (hero/run), frames in numeric order
  --fps N               the animations' frames per second in Godot's SpriteFrames (1 to 1000, default 12)
  --pivot X,Y           every sprite's pivot, 0 to 1 from the top left, as the JSON forms' pivot and anchor

Layout and export settings:
  --size WxH            area size, each side 1 to 16384 (default 256x256)
  --size auto           the smallest power-of-two area that holds every image: a square, else twice as wide
  --size tight          the smallest area of any width and height the packer finds
  --max-size WxH        the largest area --size auto or tight may choose (default 4096x4096)
  --square              every page square (a fixed --size must be square)
  --multiple-of N       every page's width and height a multiple of N, 1 to 16384 (4 for block compression; with
                        --size auto a power of two; a fixed --size must keep it)
  --spacing N           pixels between images and along the edges (default 1, at most 16384; may be 0, or down to
                        -16384 with the design packer on one fixed or power-of-two page)
  --sort edge|pixels    larger images first by longer side or by pixel count (default edge)
  --uv pixels|ratio     UV values in pixels or as 0.0-1.0 ratios (default pixels)
  --reverse-h           measure U from the right edge
  --reverse-v           measure V from the bottom edge
  --id-prefix TEXT      prefix of the texture IDs (default IDT_)
  --extrude N           repeat each image's edge pixels N times around it (0 to 256; needs --spacing of 2N or more);
                        images then keep spacing - N from the edges, so that the repeated pixels keep spacing - 2N
                        from the edges as from each other
  --bleed [N]           give each fully transparent pixel within N pixels (default 2; all: any distance) of a
                        sprite's visible pixels the colour of the nearest one, alpha staying 0, in the TGA and PNG
                        atlases: no dark fringe where they are filtered; a number or all after it is its value
  --premultiply         colour x alpha / 255 in the TGA and PNG atlases (after bleeding, which it undoes)
Packing:
  --packer design       the window program's automatic layout (the default)
  --packer maxrects     a maximal-rectangles packer; --rule short-side|long-side|area|bottom-left|contact picks
                        among the free places (default short-side)
  --packer best         tries the design packer and every maxrects rule and order, keeps the fewest pages, then
                        the least area
  --trim                cut each image's transparent edges (alpha 0, or at most --trim-threshold N, 0 to 254);
                        nine-patches stay whole
  --rotate              let the packer turn images a quarter clockwise (the JSON says "rotated"); not with
                        nine-patches
  --alias               store images with identical pixels once; every name keeps its entry
  --pages               put what does not fit on further pages; every output name then holds {n}, the page number
  With --trim or --rotate only --json describes the sprites: --quv, --uv-array, --uv-defines and --save are refused.
Outputs (each written only when asked for):
  --bmp FILE            the atlas as a 24-bit BMP
  --tga FILE            the atlas as a 32-bit TGA with alpha
  --png FILE            the atlas as a 32-bit RGBA PNG (at most 128 Mi pixels)
  --png-level fast|default|best
                        how hard the PNG is compressed (default: default, no larger than common libraries' default)
  --json FILE           the atlas as a JSON hash for game engines (Phaser, PixiJS, ...), naming the PNG, TGA or BMP
  --format NAME --data FILE
                        the atlas's data for an engine: json-hash, json-array, phaser3, spine, libgdx, sparrow,
                        godot or css (repeatable)
  --template FILE --data FILE
                        the data as your own mustache template fills it (repeatable); --escape json|xml|css|text
                        (default: by the data file's extension)
  --ids FILE            the texture-ID header
  --quv FILE            the binary QUV list
  --uv-array FILE       the C/C++ array UV_LIST
  --uv-defines FILE     the #define list
  --save PROJECT.qbp    the project; it also remembers the outputs above (but the #define list) as its usual places
  --absolute-paths      store absolute image paths in the project (default: relative to the project file)
Other:
  --allow-overflow      write even when some images find no place (parked outside the area, or with --pages left
                        out)
  --quiet               do not list the files written
  --threads N           threads to work on (default 0: one per core); the outputs are the same for any number

Exit status: 0 success, 1 failure, 2 usage error.
)";
    }
    if (command == "export") {
        return R"(Usage: quiltbox-cli export [options] PROJECT.qbp

Writes what the project's usual places ask for, in the window program's order: the BMP atlas, the TGA atlas, the
texture-ID header, the QUV list and the C/C++ array. Relative places are taken from the project file's folder.

  --out-dir DIR         take relative places from DIR instead
  --allow-missing       go on when image files of the project are missing (they are left out)
  --quiet               do not list the files written
)";
    }
    if (command == "layout") {
        return R"(Usage: quiltbox-cli layout [options] PROJECT.qbp

Lays out the project's images automatically with its own settings and saves the project (in place by default).

  -o, --output FILE     save to FILE instead
  --allow-missing       go on when image files are missing (they are left out of the saved project)
  --allow-overflow      save even when some images find no place (they are parked outside the area)
  --quiet               do not list the file written
)";
    }
    if (command == "info") {
        return R"(Usage: quiltbox-cli info [--json] PROJECT.qbp

Shows the project's settings and images. With --json: one JSON object (UTF-8) with the settings under their field
names and an "images" array of {name, path, resolvedPath, x, y, width, height}; width and height are null when the
image file cannot be loaded.
)";
    }
    return R"(Usage: quiltbox-cli COMMAND [options] ...

Packs BMP, TGA and PNG images into a texture atlas and writes the atlas, its UV lists and a texture-ID header.

Commands:
  pack INPUT...         lay out images, folders of them and lists, and write the files asked for
  export PROJECT.qbp    write a project's usual outputs
  layout PROJECT.qbp    lay out a project's images and save it
  info PROJECT.qbp      show a project's settings and images

  --help                this text; quiltbox-cli COMMAND --help tells more
  --version             the version
)";
}
