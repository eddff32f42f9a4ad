// Phaser 3: each page of the atlas is loaded with this.load.atlas (a JSON hash), as a game does; Phaser itself does
// not follow meta.related_multi_packs, so a game with several pages loads each, and so does this. Every frame is
// then shown as an Image at (0, 0) with origin 0, which leaves Phaser to apply the trim offset and any rotation, and
// the canvas is read after the next render. job.renderer picks Phaser.CANVAS or Phaser.WEBGL.
import * as Phaser from "/npm/phaser/dist/phaser.esm.min.js";
import { atlasPages, readCanvas } from "./shared.js";

// The game's canvas holds the largest frame, so that each one is drawn whole at the top left. Its sides are even: on
// an odd side the camera's centre falls between pixels and Phaser draws everything one pixel further on.
function bootScene(job, pages) {
    const sizes = pages.flatMap((page) => Object.values(page.data.frames)).map((f) => f.sourceSize ?? f.frame);
    const even = (n) => Math.max(2, n + (n % 2));
    return new Promise((resolve) => {
        new Phaser.Game({
            type: job.renderer === "webgl" ? Phaser.WEBGL : Phaser.CANVAS,
            width: even(Math.max(...sizes.map((s) => s.w))),
            height: even(Math.max(...sizes.map((s) => s.h))),
            transparent: true,
            banner: false,
            audio: { noAudio: true },
            // Not pixelArt: its roundPixels makes the canvas renderer draw every frame half a pixel larger.
            render: { antialias: false, roundPixels: false, preserveDrawingBuffer: true },
            scene: {
                preload() {
                    pages.forEach((page, i) => {
                        const image = new URL(page.data.meta.image, page.url).href;
                        this.load.atlas(`page${i}`, image, page.url);
                    });
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
    const pages = await atlasPages(job.atlas);
    const scene = await bootScene(job, pages);
    const game = scene.game;
    const frames = [];
    pages.forEach((_, i) => {
        const texture = scene.textures.get(`page${i}`);
        for (const name of texture.getFrameNames()) frames.push({ key: `page${i}`, name, frame: texture.get(name) });
    });
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
    game.destroy(false);
    return { renderer: gl ? "webgl" : "canvas", premultiplied, frames };
}
