// The one page every engine check runs in: it imports the loader module a job names (loaders/NAME.js), which loads
// an atlas the way a game would and draws each frame alone at the top left of a transparent canvas, and hands back
// what was drawn, frame by frame, base64-encoded for the driver. A new data format is one more loader module.

function base64(bytes) {
    let text = "";
    for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
    return btoa(text);
}

window.drawAtlas = async (job) => {
    const loader = await import(`./loaders/${job.loader}.js`);
    const drawn = await loader.drawFrames(job);
    return {
        renderer: drawn.renderer,
        premultiplied: drawn.premultiplied,
        // A loader that lays out HTML boxes gives each frame's place instead of its pixels, and asks for a screenshot.
        frames: drawn.frames.map((f) => ({ name: f.name, x: f.x, y: f.y, width: f.width, height: f.height,
            rgba: f.pixels && base64(f.pixels) })),
        screenshot: drawn.screenshot,
        extra: drawn.extra,  // what a loader read beside the frames: animations, pivots, nine-slice edges
    };
};
window.pageReady = true;
