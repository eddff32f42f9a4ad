// Where the time of `quiltbox-cli pack --trim --rotate --alias --size tight --png --json` goes, step by step, on the
// sprite files given: loading, trimming, finding identical images, the plan (the packer asked for; with best also each
// of its plans alone), the pages made and the PNG and JSON written into a scratch folder.
//
// Usage: pack_steps_bench [--packer best|maxrects|design] [--threads N] [--each] [--out FOLDER] FILE...
// (--each: with best, also each plan alone)
// Prints a Markdown table of wall times in ms, one run of each step (take the median of several runs by hand). The images
// are loaded one by one (the command line decodes them in batches on every thread); the rest runs as in the command
// line, except that the PNG and the JSON are written one after the other rather than side by side.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include <filesystem>

#include "atlas/AtlasPage.h"
#include "atlas/PageOutputs.h"
#include "atlas/PagePlan.h"
#include "atlas/SpritePreparation.h"
#include "base/OutputBatch.h"
#include "layout/TextureCollection.h"
#include "project/Settings.h"

namespace {

// The processor time of the last step, all threads together (a steadier figure than the wall time on a busy machine).
double lastCpuMs = 0;

double elapsedMs(const std::function<void()>& work) {
    const std::clock_t cpu = std::clock();
    const auto start = std::chrono::steady_clock::now();
    work();
    lastCpuMs = 1000.0 * static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

ImageKind anyCase(const std::string& path) {
    const size_t dot = path.rfind('.');
    std::string extension = dot == std::string::npos ? "" : path.substr(dot);
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (extension == ".bmp") return ImageKind::Bmp;
    if (extension == ".tga") return ImageKind::Tga;
    if (extension == ".png") return ImageKind::Png;
    return ImageKind::None;
}

void row(const char* step, double ms) {
    std::printf("| %s | %.1f | %.1f |\n", step, ms, lastCpuMs);
}

}  // namespace

int main(int argc, char** argv) {
    std::string packerName = "best", out = "pack-steps-out";
    bool each = false;
    unsigned threads = 0;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--packer" && i + 1 < argc) {
            packerName = argv[++i];
        } else if (a == "--threads" && i + 1 < argc) {
            threads = static_cast<unsigned>(std::atoi(argv[++i]));
        } else if (a == "--each") {
            each = true;
        } else if (a == "--out" && i + 1 < argc) {
            out = argv[++i];
        } else {
            files.push_back(a);
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: pack_steps_bench [--packer best|maxrects|design] [--threads N] FILE...\n");
        return 2;
    }
    std::printf("%zu files, --packer %s, --threads %u\n\n| step | wall ms | processor ms |\n|---|---:|---:|\n",
                files.size(), packerName.c_str(), threads);
    TextureCollection images;
    images.setImageKindRule(anyCase);
    double total = 0;
    total += elapsedMs([&] {
        for (const std::string& file : files) {
            if (!images.addFromFile(file, true)) std::exit(1);
        }
    });
    row("loading (decoding)", total);
    std::vector<Sprite> sprites = spritesOf(images);
    double ms = elapsedMs([&] { trimSprites(sprites, 0, threads, [](size_t) {}); });
    row("trimming", ms), total += ms;
    ms = elapsedMs([&] { findIdenticalSprites(sprites, threads, [](size_t) {}); });
    row("identical images", ms), total += ms;

    std::vector<int32_t> packed;
    std::vector<PackBox> boxes;
    for (size_t i = 0; i < sprites.size(); ++i) {
        if (sprites[i].isAlias()) continue;
        packed.push_back(static_cast<int32_t>(i));
        boxes.push_back({sprites[i].kept.width(), sprites[i].kept.height()});
    }
    Packer packer;
    packer.mayTurn = true;
    packer.kind = packerName == "maxrects" ? Packer::Kind::MaxRects : Packer::Kind::Design;
    PageRules rules{AreaRule::Tight, {4096, 4096}, true};
    PagePlan plan;
    if (packerName == "best") {
        const std::vector<Packer> packers = bestCandidates(packer);
        std::vector<PagePlan> leaders(kBestLeaders);
        for (size_t i = 0; each && i < packers.size(); ++i) {
            PagePlan alonePlan;
            const double alone = elapsedMs([&] { alonePlan = planPages(packers[i], boxes, rules); });
            std::printf("| plan %zu alone | %.1f | %.1f |\n", i, alone, lastCpuMs);
            if (i < kBestLeaders) leaders[i] = std::move(alonePlan);
        }
        // Each other plan as best runs it: against the better leader.
        const PagePlan* rival = each && leaders[1].judgedArea() < leaders[0].judgedArea() ? &leaders[1] : &leaders[0];
        for (size_t i = kBestLeaders; each && i < packers.size(); ++i) {
            PagePlan against;
            const double ms = elapsedMs([&] { against = planPagesAgainst(packers[i], boxes, rules, rival); });
            std::printf("| plan %zu against the leader%s | %.1f | %.1f |\n", i, against.abandoned ? "" : " (won)", ms,
                        lastCpuMs);
        }
        size_t chosen = 0;
        ms = elapsedMs([&] { plan = planBest(packers, boxes, rules, threads, chosen); });
        row("planning (best)", ms), total += ms;
    } else {
        ms = elapsedMs([&] { plan = planPages(packer, boxes, rules); });
        row("planning", ms), total += ms;
    }
    std::vector<AtlasPage> pages;
    ms = elapsedMs([&] {
        pages = atlasPages(sprites, packed, boxes, plan);
        placeImages(pages, sprites);
    });
    row("pages made", ms), total += ms;

    int64_t area = 0, floor = 0;
    for (const PlannedPage& page : plan.pages) area += int64_t{page.size.width} * page.size.height;
    for (const PackBox& box : boxes) floor += int64_t{box.width + 1} * (box.height + 1);
    std::filesystem::create_directories(out);
    PackOutputs png, json;
    png.png = out + "/atlas-{n}.png";
    json.data.emplace_back();
    builtInFormat("json-hash", json.data.back().format);
    std::string error;
    json.data.back().filler.read(json.data.back().format.templateText, json.data.back().format.escape, error);
    json.data.back().path = out + "/atlas-{n}.json";
    AtlasOptions atlasOptions;
    atlasOptions.threads = threads;  // the PNG's bands on as many threads as the command line's
    for (const auto& [name, outputs] : {std::make_pair("PNG written", &png), std::make_pair("JSON written", &json)}) {
        ms = elapsedMs([&] {
            OutputBatch batch;
            for (size_t p = 0; p < pages.size(); ++p) {
                if (!writePageOutputs(*outputs, pages, p, sprites, atlasOptions, Settings::instance(), batch) ||
                    !batch.commit()) {
                    std::fprintf(stderr, "cannot write %s\n", batch.failedPath().c_str());
                    std::exit(1);
                }
            }
        });
        row(name, ms), total += ms;
    }
    lastCpuMs = 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
    row("total", total);
    std::printf("\n%zu pages, %lld px of page, floor %lld px (+%.2f%%)\n", plan.pages.size(),
                static_cast<long long>(area), static_cast<long long>(floor), 100.0 * (area - floor) / floor);
    return 0;
}
