#pragma once

#include <string>

#include "project/ExportEntry.h"

class Settings;

// The texture ID header: Settings::idHeaderText as stored, a line feed, then one line per row in order,
// "%s %30s\t%s%d\n" with idDeclaration, the ID name (idPrefix and the image name), idConnector and the image's index
// from 0. The texts go out byte for byte; a percent sign in them is just a character. Names that the cut to 63 bytes
// would make equal are numbered apart (cutApart, ShiftJis.h), so that every image keeps an ID of its own.
std::string idHeaderText(const ExportEntries& entries, const Settings& settings);

// The ID name of an image on its own: prefix and name joined, cut at a character boundary to 63 bytes.
std::string idName(const std::string& prefix, const std::string& imageName);
