#!/usr/bin/env node
// Runs one of the atlas packers that bench/compare_packers.py sets beside quiltbox-cli, on one job it wrote:
//
//   node pack_peer.js INSTALL_DIR JOB.json
//
// INSTALL_DIR holds the node_modules that `npm ci` made from bench/peers/package-lock.json. The job names the tool:
//
// - "free-tex-packer-core": reads the sprite files, packs them with the job's options through packAsync, exactly as
//   a build script would, and writes every file it returns (PNG pages, JSON hashes) into the job's folder. With
//   "recordCombos", the packer classes are watched while OptimalPacker runs, so that combos.json tells which
//   packer, method and rotation setting it tried, how many pages and what page sizes each gave, and which it kept;
//   "leaveOut" names MaxRectsBin methods that OptimalPacker is not to try.
// - "maxrects-packer": a packing library without image I/O; it gets the rectangles' sizes, and writes bins.json
//   with every placed rectangle, the bins' sizes and the time of the packing call alone.
// - "free-tex-packer-core-png": free-tex-packer-core's own PNG step (encodeTextureBuffer, which hands a Jimp image of
//   the page to Jimp's PNG encoder) on given pixels: "raw" names a file of width x height RGBA pixels, top row first;
//   the PNG goes to "out", and "out".json gets its size and the median time of "repeat" encodings.
"use strict";

const fs = require("fs");
const path = require("path");
const { createRequire } = require("module");
const { pathToFileURL } = require("url");

function fail(text) {
    process.stderr.write(`pack_peer.js: ${text}\n`);
    process.exit(1);
}

// Watches OptimalPacker's trials: each trial packs page after page with one packer instance per page, and measures
// each page through TextureRenderer.getSize right after packing it. The final rendering measures the kept pages
// again, so the recording stops when the pack step hands its result on.
function recordOptimalTrials(req) {
    const packers = req("free-tex-packer-core/packers");
    const OptimalPacker = req("free-tex-packer-core/packers/OptimalPacker");
    const TextureRenderer = req("free-tex-packer-core/utils/TextureRenderer");
    const PackProcessor = req("free-tex-packer-core/PackProcessor");

    const trials = [];
    let current = null;
    let recording = false;

    for (const packerClass of packers.list) {
        if (packerClass === OptimalPacker) continue;
        const originalPack = packerClass.prototype.pack;
        packerClass.prototype.pack = function (data, method) {
            if (recording) {
                const key = `${packerClass.type}/${method}/${this.allowRotate ? "rotation" : "no rotation"}`;
                if (!current || current.key !== key) {
                    current = { key, packer: packerClass.type, method, rotation: !!this.allowRotate, pages: [] };
                    trials.push(current);
                }
            }
            return originalPack.call(this, data, method);
        };
    }

    const originalGetSize = TextureRenderer.getSize;
    TextureRenderer.getSize = function (data, options) {
        const size = originalGetSize.call(this, data, options);
        if (recording && current) current.pages.push([size.width, size.height]);
        return size;
    };

    const originalProcess = PackProcessor.pack;
    PackProcessor.pack = function (images, options, onComplete, onError) {
        recording = true;
        const done = (result) => {
            recording = false;
            if (onComplete) onComplete(result);
        };
        return originalProcess.call(this, images, options, done, onError);
    };

    return trials;
}

// The trial OptimalPacker keeps: the first with the fewest pages, then the largest source area over page area,
// which for one set of rectangles is the first with the least total page area.
function markKept(trials) {
    let kept = null;
    for (const trial of trials) {
        trial.area = trial.pages.reduce((sum, [w, h]) => sum + w * h, 0);
        if (!kept || trial.pages.length < kept.pages.length ||
            (trial.pages.length === kept.pages.length && trial.area < kept.area)) {
            kept = trial;
        }
    }
    for (const trial of trials) trial.kept = trial === kept;
    return trials.map(({ key, ...rest }) => rest);
}

async function runFreeTexPacker(req, job) {
    const trials = job.recordCombos ? recordOptimalTrials(req) : null;
    // OptimalPacker tries every method its packers list; one left out here is left out of its trials.
    const MaxRectsBin = req("free-tex-packer-core/packers/MaxRectsBin");
    for (const method of job.leaveOut || []) delete MaxRectsBin.methods[method];
    const { packAsync } = req("free-tex-packer-core");

    // The name given is the file's own, so that the frames are keyed by the sprite's name without its folder.
    const images = job.files.map((file) => ({ path: path.basename(file), contents: fs.readFileSync(file) }));
    const files = await packAsync(images, job.options);
    fs.mkdirSync(job.out, { recursive: true });
    for (const file of files) {
        fs.writeFileSync(path.join(job.out, file.name), file.buffer);
    }
    if (trials) {
        fs.writeFileSync(path.join(job.out, "combos.json"), JSON.stringify(markKept(trials), null, 1));
    }
}

// 2.7.4 declares itself an ES module but names its UMD build as main, which then exports nothing to require() or
// import(); its ES module build is the file to load.
async function runMaxRectsPacker(req, job) {
    const entry = req.resolve("maxrects-packer/dist/maxrects-packer.mjs");
    const { MaxRectsPacker } = await import(pathToFileURL(entry).href);
    const input = job.rects.map(([width, height], index) => ({ width, height, index }));

    const start = process.hrtime.bigint();
    const packer = new MaxRectsPacker(job.width, job.height, job.padding, job.options);
    packer.addArray(input);
    const packNs = process.hrtime.bigint() - start;

    // Plain objects keep their width and height when turned; rot says the rectangle lies on its side.
    const bins = packer.bins.map((bin) => ({
        width: bin.width,
        height: bin.height,
        oversized: bin.rects.some((r) => r.oversized),
        rects: bin.rects.map((r) => (r.rot ? [r.x, r.y, r.height, r.width, 1, r.index] : [r.x, r.y, r.width, r.height, 0, r.index])),
    }));
    fs.mkdirSync(job.out, { recursive: true });
    fs.writeFileSync(path.join(job.out, "bins.json"), JSON.stringify({ packMs: Number(packNs) / 1e6, bins }));
}

async function runFreeTexPackerPng(req, job) {
    const { Jimp } = req("free-tex-packer-core/utils/jimp");
    const { encodeTextureBuffer } = req("free-tex-packer-core/utils/imageFormats");
    const image = Jimp.fromBitmap({ data: fs.readFileSync(job.raw), width: job.width, height: job.height });
    const times = [];
    let png = null;
    for (let i = 0; i < job.repeat; ++i) {
        const start = process.hrtime.bigint();
        png = await encodeTextureBuffer(image, "png");
        times.push(Number(process.hrtime.bigint() - start) / 1e6);
    }
    times.sort((a, b) => a - b);
    fs.writeFileSync(job.out, png);
    fs.writeFileSync(job.out + ".json", JSON.stringify({ bytes: png.length, ms: times[times.length >> 1] }));
}

async function main() {
    if (process.argv.length !== 4) fail("usage: node pack_peer.js INSTALL_DIR JOB.json");
    const req = createRequire(path.join(path.resolve(process.argv[2]), "package.json"));
    const job = JSON.parse(fs.readFileSync(process.argv[3], "utf8"));
    if (job.tool === "free-tex-packer-core") {
        await runFreeTexPacker(req, job);
    } else if (job.tool === "maxrects-packer") {
        await runMaxRectsPacker(req, job);
    } else if (job.tool === "free-tex-packer-core-png") {
        await runFreeTexPackerPng(req, job);
    } else {
        fail(`unknown tool ${job.tool}`);
    }
}

main().catch((error) => fail(error && error.stack ? error.stack : String(error)));
