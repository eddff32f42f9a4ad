// PixiJS 8 drawing sprites of a JSON-hash atlas scaled down with linear filtering (and mipmaps when job.mipmaps) onto
// an opaque white canvas, with straight alpha: the texture uploaded as it is and blended by its alpha, as engines that
// keep straight-alpha textures draw. Every filtered sample next to a sprite's edge then takes in the colour of the
// transparent texels there: black ones darken the edge, bled ones do not. The page is decoded unpremultiplied so that
// those colours reach the texture. Each frame is drawn alone at job.scale, at a fraction of a pixel from the corner.
import * as PIXI from "/npm/pixi.js/dist/pixi.min.mjs";
import { readCanvas } from "./shared.js";

export async function drawFrames(job) {
    const renderer = await PIXI.autoDetectRenderer({
        preference: "webgl", width: 64, height: 64, background: 0xffffff, backgroundAlpha: 1, antialias: false,
        preserveDrawingBuffer: true, resolution: 1 });
    const data = await (await fetch(job.atlas)).json();
    const image = new URL(data.meta.image, new URL(job.atlas, location.href)).href;
    const bitmap = await createImageBitmap(await (await fetch(image)).blob(),
                                           { premultiplyAlpha: "none", colorSpaceConversion: "none" });
    const source = new PIXI.ImageSource({ resource: bitmap, alphaMode: "no-premultiply-alpha", scaleMode: "linear",
                                          autoGenerateMipmaps: !!job.mipmaps });
    const sheet = new PIXI.Spritesheet(new PIXI.Texture({ source }), data);
    await sheet.parse();
    const frames = [];
    for (const name of job.names) {
        if (!sheet.textures[name]) throw new Error(`no frame ${name}`);
        const stage = new PIXI.Container();
        const sprite = new PIXI.Sprite({ texture: sheet.textures[name], anchor: 0 });
        sprite.scale.set(job.scale);
        sprite.position.set(0.3, 0.4);
        stage.addChild(sprite);
        renderer.render({ container: stage, clear: true });
        const w = Math.ceil(sprite.width + 1), h = Math.ceil(sprite.height + 1);
        frames.push({ name, width: w, height: h, pixels: readCanvas(renderer.canvas, renderer.gl, w, h).pixels });
        stage.destroy({ children: true });
    }
    renderer.destroy();
    return { renderer: renderer.name, premultiplied: false, frames };
}
