// The README's picture: the atlas of examples/folders/sprites as a PixiJS 8 game uses it, every sprite found by its
// path. Served beside the atlas and imported by the engine test's page; it draws and asks for a screenshot.
import * as PIXI from "/npm/pixi.js/dist/pixi.min.mjs";

export async function drawFrames(job) {
    PIXI.TextureSource.defaultOptions.scaleMode = "nearest";
    const app = new PIXI.Application();
    await app.init({ width: 620, height: 250, background: "#283040", preference: "webgl", antialias: false,
        preserveDrawingBuffer: true, resolution: 1 });
    document.body.append(app.canvas);
    const sheet = await PIXI.Assets.load(job.atlas);
    const label = (text, x, y) => {
        const t = new PIXI.Text({ text, style: { fontFamily: "monospace", fontSize: 13, fill: "#e8e8e8" } });
        t.position.set(x, y);
        app.stage.addChild(t);
    };
    // The sprites carry the pivot 0.5,1 (--pivot) as their default anchor: the run stands on it, the rest is placed
    // by its top-left corner.
    const add = (item, x, y, anchored = false) => {
        if (!anchored) item.anchor.set(0);
        item.scale.set(2);
        item.position.set(x, y);
        app.stage.addChild(item);
    };
    // The run as sheet.animations gives it (run_1 ... run_10 in numeric order), each frame standing on its pivot.
    label('sheet.animations["hero/run"]', 12, 8);
    sheet.animations["hero/run"].forEach((texture, i) => add(new PIXI.Sprite(texture), 34 + i * 54, 100, true));
    // The panel stretched by the borders its frame carries, at three sizes.
    label('NineSliceSprite("ui/panel")', 12, 116);
    const panel = (width, height, x) => add(new PIXI.NineSliceSprite({ texture: sheet.textures["ui/panel"], width,
        height }), x, 140);
    panel(24, 24, 14);
    panel(80, 24, 80);
    panel(60, 48, 262);
    // One file name in two folders, and a Japanese name.
    label('"ui/pause" "menu/pause" "砂"', 388, 116);
    add(new PIXI.Sprite(sheet.textures["ui/pause"]), 404, 150);
    add(new PIXI.Sprite(sheet.textures["menu/pause"]), 470, 150);
    add(new PIXI.Sprite(sheet.textures["砂"]), 540, 150);
    app.render();
    return { renderer: "webgl", premultiplied: false, frames: [], screenshot: true };
}
