#pragma once

#include <memory>
#include <string>

#include "atlas/DataFormat.h"
#include "atlas/TemplateValues.h"

// A data format's template, read once and filled for every file written (a mustache template, through kainjow's
// header-only library). Reading checks it whole: a template that does not parse, or names a value a pack never gives
// (or a partial, which no pack has), is refused with its line and the reason, before anything is packed.
class DataTemplate {
public:
    DataTemplate() = default;

    // False with `error` ("line N: reason") when the template cannot be used.
    bool read(const std::string& text, Escape escape, std::string& error);
    std::string fill(const TemplateData& values) const;
    // The lists of pages the template names; the values it never asks for need not be made.
    const TemplateNeeds& needs() const { return needs_; }

private:
    std::shared_ptr<kainjow::mustache::mustache> template_;
    TemplateNeeds needs_;
};
