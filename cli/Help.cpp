#include <string>

#include "cli/Commands.h"
#include "cli/PackOptions.h"

namespace {

constexpr size_t kHelpWidth = 118;
constexpr size_t kOptionColumn = 24;

// The words of `text` in lines of at most kHelpWidth columns, each but the first started by `indent` (a word longer
// than a line stands alone).
std::string wrapped(const std::string& text, size_t firstColumn, const std::string& indent) {
    std::string out;
    size_t column = firstColumn, start = 0;
    bool lineStart = true;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        start = end + 1;
        if (word.empty()) continue;
        if (!lineStart && column + 1 + word.size() > kHelpWidth) {
            out += "\n" + indent;
            column = indent.size();
            lineStart = true;
        }
        if (!lineStart) out += ' ', ++column;
        out += word;
        column += word.size();
        lineStart = false;
    }
    return out + "\n";
}

// The options of one section of the table, in its order.
std::string sectionOptions(OptionSection section) {
    std::string out;
    for (const PackOptionRow& row : packOptionTable()) {
        if (row.section == section) out += optionHelpLine(row.name, row.valueHint, row.help);
    }
    return out;
}

std::string packHelp() {
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
)" + sectionOptions(OptionSection::Names) +
           "\nLayout and export settings:\n" + sectionOptions(OptionSection::Layout) + "\nPacking:\n" +
           sectionOptions(OptionSection::Packing) + "  " +
           wrapped(
               "With --trim or --rotate only --json and --format describe the sprites: --quv, --uv-array, "
               "--uv-defines and --save are refused.",
               2, "  ") +
           "\nOutputs (each written only when asked for):\n" + sectionOptions(OptionSection::Outputs) + "\nOther:\n" +
           sectionOptions(OptionSection::Other) + "\nExit status: 0 success, 1 failure, 2 usage error.\n";
}

std::string buildHelp() {
    return R"(Usage: quiltbox-cli build [RECIPE] [--atlas NAME]... [options]

Packs the atlases of a recipe (default: quiltbox.toml in the current folder), each by the same steps as pack, and each
only when something that matters changed since its last build: an input's pixels, the inputs themselves (a file added
to or removed from an input folder), the atlas's settings in the recipe, the program, or an output deleted or edited.
A build remembers what it packed in a small file beside the atlas's first output (out/.ui.png.qbstate for out/ui.png);
when nothing changed it reads no image and writes nothing, and says "up to date". Outputs whose new bytes equal the
old ones are left as they were, their times included.

A recipe is a TOML file of [[atlas]] tables, each with a name, its inputs (folders, files, @LIST files and patterns:
'*' within a folder level, '**' across levels, '?' one character), every pack option under its name without the
dashes (size = "tight", trim = true, spacing = 2, png = "out/ui.png"), [[atlas.data]] tables (format = "spine" or
template = "mine.mustache", with file = "out/ui.atlas"), and settings by frame name or pattern ([atlas.sprites."hero/*"]
with pivot = [0.5, 1.0] and nine-slice = [left, top, right, bottom] for sprites that are no NAME.9.png). Paths are
relative to the recipe's folder. A recipe with a problem is refused whole, each problem with its line and column.

)" + buildOptionsHelp() +
           R"(
Every option of pack may follow (quiltbox-cli pack --help), and takes the place of the recipe's for this run:
--format, --template and --data given replace the recipe's data files. pack --save-recipe FILE writes the recipe of a
command line.

Exit status: 0 success (every atlas built or up to date), 1 failure, 2 usage error.
)";
}

}  // namespace

std::string optionHelpLine(const char* name, const char* valueHint, const std::string& help) {
    std::string line = std::string("  ") + name + (valueHint ? std::string(" ") + valueHint : "");
    const std::string indent(kOptionColumn, ' ');
    if (line.size() + 2 > kOptionColumn) return line + "\n" + indent + wrapped(help, kOptionColumn, indent);
    return line + std::string(kOptionColumn - line.size(), ' ') + wrapped(help, kOptionColumn, indent);
}

std::string helpText(const std::string& command) {
    if (command == "pack") return packHelp();
    if (command == "build") return buildHelp();
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
  build [RECIPE]        pack the atlases of a recipe (quiltbox.toml) that are not up to date; --watch for ever
  export PROJECT.qbp    write a project's usual outputs
  layout PROJECT.qbp    lay out a project's images and save it
  info PROJECT.qbp      show a project's settings and images

  --help                this text; quiltbox-cli COMMAND --help tells more
  --version             the version
)";
}
