#pragma once

#include <string>

// How a data format writes the values a template puts in with {{name}} ({{{name}}} puts them in as they are):
// - Json: a JSON string's inside (quotes and backslashes escaped, control characters as \u00XX), also right for
//   Godot's strings;
// - Xml: an XML attribute or text (& < > " ' as entities);
// - Css: a CSS identifier (every ASCII character but letters, digits, '-' and '_' escaped with a backslash, a digit
//   at the start as a hexadecimal escape);
// - Text: as it is.
enum class Escape { Json, Xml, Css, Text };

// How a format's turned sprites lie on the page: a quarter clockwise (the JSON hash's convention, as PixiJS reads
// it), a quarter counter-clockwise (Spine's and libGDX's), or not at all (the format cannot describe them).
enum class Turn { None, Clockwise, CounterClockwise };

// A data format: a template filled from the pages (see TemplateValues.h), written once per page (its file name then
// holds {n} when there are several) or once naming every page.
struct DataFormat {
    std::string name;
    std::string templateText;
    Escape escape = Escape::Text;
    bool perPage = true;
    Turn turn = Turn::Clockwise;
    std::string forbidden;  // characters the format cannot hold in a sprite name
};

// The built-in formats by name: json-hash, json-array, phaser3, spine (also libgdx), sparrow, godot, css; false for
// another name.
bool builtInFormat(const std::string& name, DataFormat& format);
// Their names, for messages and the help.
const char* builtInFormatNames();

// The escape a user's template gets unless told: by its data file's extension (.json: Json; .xml, .html, .plist:
// Xml; .css: Css; anything else: Text). An escape named on the command line: json, xml, css or text; false for another.
Escape escapeForDataFile(const std::string& path);
bool escapeByName(const std::string& name, Escape& escape);

std::string escaped(const std::string& text, Escape escape);
