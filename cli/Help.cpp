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

// "  --name VALUE        what it does", the explanation in a column of its own, on the next line when the name and
// value reach into it.
std::string optionLine(const PackOptionRow& row) {
    std::string line = std::string("  ") + row.name + (row.valueHint ? std::string(" ") + row.valueHint : "");
    const std::string indent(kOptionColumn, ' ');
    if (line.size() + 2 > kOptionColumn) return line + "\n" + indent + wrapped(row.help, kOptionColumn, indent);
    return line + std::string(kOptionColumn - line.size(), ' ') + wrapped(row.help, kOptionColumn, indent);
}

// The options of one section of the table, in its order.
std::string sectionOptions(OptionSection section) {
    std::string out;
    for (const PackOptionRow& row : packOptionTable()) {
        if (row.section == section) out += optionLine(row);
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

}  // namespace

std::string helpText(const std::string& command) {
    if (command == "pack") return packHelp();
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
