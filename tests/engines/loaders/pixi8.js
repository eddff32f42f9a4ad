// PixiJS 8: Assets.load reads the JSON hash, its image through meta.image and the further pages through
// meta.related_multi_packs (kept as linkedSheets). Every frame is shown as a Sprite at (0, 0) with anchor 0, which
// leaves PixiJS to apply the trim offset and any rotation, rendered alone and read back. job.renderer picks "webgl"
// or "canvas".
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
        const stage = new PIXI.Container();
        stage.addChild(new PIXI.Sprite({ texture, anchor: 0 }));
        renderer.render({ container: stage, clear: true });
        const w = texture.orig.width, h = texture.orig.height;
        const drawn = readCanvas(renderer.canvas, gl, w, h);
        premultiplied = drawn.premultiplied;
        frames.push({ name, width: w, height: h, pixels: drawn.pixels });
        stage.destroy({ children: true });
    }
    renderer.destroy();
    return { renderer: renderer.name ?? job.renderer, premultiplied, frames };
}
