// Reads the top-left width x height pixels of an engine's canvas, top row first. A 2D canvas hands back straight
// colour (rounded through the premultiplied values it stores); WebGL hands back what its premultiplied drawing
// buffer holds, and says which, so that the driver compares like with like.
export function readCanvas(canvas, gl, width, height) {
    if (!gl) {
        const data = canvas.getContext("2d").getImageData(0, 0, width, height).data;
        return { pixels: new Uint8Array(data.buffer), premultiplied: false };
    }
    const rows = new Uint8Array(width * height * 4);
    gl.bindFramebuffer(gl.FRAMEBUFFER, null);
    gl.readPixels(0, canvas.height - height, width, height, gl.RGBA, gl.UNSIGNED_BYTE, rows);
    const pixels = new Uint8Array(rows.length);
    const stride = width * 4;
    // WebGL reads the bottom row first.
    for (let y = 0; y < height; ++y) {
        pixels.set(rows.subarray((height - 1 - y) * stride, (height - y) * stride), y * stride);
    }
    return { pixels, premultiplied: gl.getContextAttributes().premultipliedAlpha };
}

// The JSON files of an atlas: the one named and those its meta.related_multi_packs lists, relative to it.
export async function atlasPages(atlas) {
    const url = new URL(atlas, location.href).href;
    const first = await (await fetch(url)).json();
    const pages = [{ url, data: first }];
    for (const other of first.meta.related_multi_packs ?? []) {
        const otherUrl = new URL(other, url).href;
        pages.push({ url: otherUrl, data: await (await fetch(otherUrl)).json() });
    }
    return pages;
}
