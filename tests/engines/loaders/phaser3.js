// Phaser 3: the atlas is loaded as a game loads data of its kind (job.kind):
// - "atlas": each page with this.load.atlas, which takes the JSON hash and the JSON array alike; Phaser does not follow
//   meta.related_multi_packs, so a game with several pages loads each, and so does this;
// - "multiatlas": the one file naming every page with this.load.multiatlas, the images beside it;
// - "xml": each page's Sparrow XML (job.pages) with this.load.atlasXML, the image the one its imagePath names.
// Every frame is then shown as an Image at (0, 0) with origin 0, which leaves Phaser to apply the trim offset and any
// rotation, and the canvas is read after the next render. job.renderer picks Phaser.CANVAS or Phaser.WEBGL.
import * as Phaser from "/npm/phaser/dist/phaser.esm.min.js";
import { atlasPages, readCanvas } from "./shared.js";

// [texture key, how the scene's loader loads it]
async function textures(job) {
    const url = new URL(job.atlas, location.href).href;
    if (job.kind === "multiatlas") {
        return [["multi", (load) => load.multiatlas("multi", url, url.slice(0, url.lastIndexOf("/") + 1))]];
    }
    if (job.kind === "xml") {
        return Promise.all(job.pages.map(async (page, i) => {
            const xml = new DOMParser().parseFromString(await (await fetch(page)).text(), "text/xml");
            const image = new URL(xml.documentElement.getAttribute("imagePath"), new URL(page, location.href)).href;
            return [`page${i}`, (load) => load.atlasXML(`page${i}`, image, page)];
        }));
    }
    return (await atlasPages(job.atlas)).map((page, i) => [`page${i}`,
        (load) => load.atlas(`page${i}`, new URL(page.data.meta.image, page.url).href, page.url)]);
}

// Phaser 3.90's Sparrow reader hands setTrim the trimmed and the whole size the wrong way round (phaserjs/phaser#7245),
// so that a trimmed frame is drawn stretched to the whole size; a game on that version puts them back as here, from
// the values Phaser read.
function repairSparrowTrim({ frame }) {
    const { sourceSize: size, spriteSourceSize: kept } = frame.data;
    frame.setTrim(kept.w, kept.h, kept.x, kept.y, size.w, size.h);
}

function bootScene(job, loads) {
    return new Promise((resolve) => {
        new Phaser.Game({
            type: job.renderer === "webgl" ? Phaser.WEBGL : Phaser.CANVAS,
            width: 2,
            height: 2,
            transparent: true,
            banner: false,
            audio: { noAudio: true },
            // Not pixelArt: its roundPixels makes the canvas renderer draw every frame half a pixel larger.
            render: { antialias: false, roundPixels: false, preserveDrawingBuffer: true },
            scene: {
                preload() {
                    for (const [, load] of loads) load(this.load);
                },
                create() {
                    resolve(this);
                },
            },
        });
    });
}

function afterRender(game, read) {
    return new Promise((resolve) => game.events.once("postrender", () => resolve(read())));
}

export async function drawFrames(job) {
    const loads = await textures(job);
    const scene = await bootScene(job, loads);
    const game = scene.game;
    const frames = [];
    for (const [key] of loads) {
        const texture = scene.textures.get(key);
        for (const name of texture.getFrameNames()) frames.push({ key, name, frame: texture.get(name) });
    }
    if (job.kind === "xml") frames.filter((f) => f.frame.trimmed).forEach(repairSparrowTrim);
    // The game's canvas is made to hold the largest frame, so that each one is drawn whole at the top left. Its sides
    // are even: on an odd side the camera's centre falls between pixels and Phaser draws everything a pixel further on.
    const even = (n) => n + (n % 2);
    const largest = (side) => even(Math.max(...frames.map((f) => f.frame[side])));
    scene.scale.resize(largest("realWidth"), largest("realHeight"));
    const gl = game.renderer.type === Phaser.WEBGL ? game.renderer.gl : null;
    let premultiplied = false;
    for (const f of frames) {
        const image = scene.add.image(0, 0, f.key, f.name).setOrigin(0);
        const w = f.frame.realWidth, h = f.frame.realHeight;
        const drawn = await afterRender(game, () => readCanvas(game.canvas, gl, w, h));
        image.destroy();
        premultiplied = drawn.premultiplied;
        Object.assign(f, { width: w, height: h, pixels: drawn.pixels });
    }
    // What Phaser read beside each frame: the pivot it found (anchor or pivot) and the nine-slice centre.
    const extra = { pivots: {}, scale9: {} };
    for (const f of frames) {
        if (f.frame.customPivot) extra.pivots[f.name] = { x: f.frame.pivotX, y: f.frame.pivotY };
        if (f.frame.data.scale9) extra.scale9[f.name] = { ...f.frame.data.scale9Borders };
    }
    game.destroy(false);
    return { renderer: gl ? "webgl" : "canvas", premultiplied, frames, extra };
}
