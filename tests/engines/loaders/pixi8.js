// PixiJS 8: Assets.load reads the JSON hash, its image through meta.image and the further pages through
// meta.related_multi_packs (kept as linkedSheets). Every frame is shown as a Sprite with the anchor its texture brings
// (0, 0 unless the frame has one), placed so that its top-left corner lands at (0, 0), which leaves PixiJS to apply the
// anchor, the trim offset and any rotation; it is rendered alone and read back. job.renderer picks "webgl" or
// "canvas".
import * as PIXI from "/npm/pixi.js/dist/pixi.min.mjs";
import { readCanvas } from "./shared.js";

export async function drawFrames(job) {
    PIXI.TextureSource.defaultOptions.scaleMode = "nearest";
    const renderer = await PIXI.autoDetectRenderer({
        preference: job.renderer,
        width: 1,
        height: 1,
        backgroundAlpha: 0,
        antialias: false,
        preserveDrawingBuffer: true,
        resolution: 1,
    });
    if (renderer.name !== job.renderer) throw new Error(`PixiJS chose ${renderer.name} instead of ${job.renderer}`);
    const first = await PIXI.Assets.load(job.atlas);
    const textures = [];
    for (const sheet of [first, ...(first.linkedSheets ?? [])]) {
        for (const [name, texture] of Object.entries(sheet.textures)) textures.push({ name, texture });
    }
    const width = Math.max(1, ...textures.map((t) => t.texture.orig.width));
    const height = Math.max(1, ...textures.map((t) => t.texture.orig.height));
    renderer.resize(width, height);
    const gl = renderer.name === "webgl" ? renderer.gl : null;
    const frames = [];
    let premultiplied = false;
    for (const { name, texture } of textures) {
        const w = texture.orig.width, h = texture.orig.height;
        frames.push({ name, width: w, height: h, pixels: drawAlone(renderer, gl, new PIXI.Sprite({ texture }), w, h) });
        premultiplied = gl ? gl.getContextAttributes().premultipliedAlpha : false;
    }
    const extra = job.kind === "tree" ? drawTree(renderer, gl, [first, ...(first.linkedSheets ?? [])], frames) : undefined;
    renderer.destroy();
    return { renderer: renderer.name ?? job.renderer, premultiplied, frames, extra };
}

// Draws a sprite of width x height alone, its anchor's point placed so that its top-left corner lies at (0, 0).
function drawAlone(renderer, gl, item, width, height) {
    const stage = new PIXI.Container();
    item.position.set(item.anchor.x * width, item.anchor.y * height);
    stage.addChild(item);
    renderer.resize(Math.max(renderer.width, width), Math.max(renderer.height, height));
    renderer.render({ container: stage, clear: true });
    const drawn = readCanvas(renderer.canvas, gl, width, height);
    stage.destroy({ children: true });
    return drawn.pixels;
}

// A folder tree's sheet as a game uses it: every animation played frame by frame by an AnimatedSprite (frames named
// "@play NAME N"), every texture with nine-slice edges drawn by a NineSliceSprite 10 pixels wider and 6 taller than
// the frame ("@nineslice NAME"); and the textures' default anchors and borders, and the animations' frame labels.
function drawTree(renderer, gl, sheets, frames) {
    const extra = { animations: {}, anchors: {}, borders: {} };
    for (const sheet of sheets) {
        for (const [name, list] of Object.entries(sheet.animations)) {
            extra.animations[name] = list.map((t) => t?.label ?? null);
            for (let i = 0; i < list.length; ++i) {
                const player = new PIXI.AnimatedSprite({ textures: list, autoUpdate: false });
                player.gotoAndStop(i);
                const { width, height } = list[i].orig;
                frames.push({ name: `@play ${name} ${i}`, width, height, pixels: drawAlone(renderer, gl, player, width, height) });
            }
        }
        for (const [name, texture] of Object.entries(sheet.textures)) {
            extra.anchors[name] = texture.defaultAnchor ?? null;
            if (!texture.defaultBorders) continue;
            extra.borders[name] = texture.defaultBorders;
            const width = texture.orig.width + 10, height = texture.orig.height + 6;
            const slice = new PIXI.NineSliceSprite({ texture, width, height });
            frames.push({ name: `@nineslice ${name}`, width, height, pixels: drawAlone(renderer, gl, slice, width, height) });
        }
    }
    return extra;
}
