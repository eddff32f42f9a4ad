// Spine: spine-core's own TextureAtlas reads the .atlas text, and each region becomes a region attachment of its
// original size through spine-core's AtlasAttachmentLoader, found by its name, as a skeleton's attachment is;
// spine-core then computes the quad's corner offsets and UVs. Each pixel of the attachment's box is taken from the page
// where those UVs put it, as a renderer with nearest filtering draws the quad, and is transparent outside the quad.
import { AtlasAttachmentLoader, Sequence, TextureAtlas } from "/npm/@esotericsoftware/spine-core/dist/index.js";

async function pagePixels(url) {
    const image = await createImageBitmap(await (await fetch(url)).blob());
    const canvas = new OffscreenCanvas(image.width, image.height);
    canvas.getContext("2d").drawImage(image, 0, 0);
    return canvas.getContext("2d").getImageData(0, 0, image.width, image.height);
}

// The four corners run bottom left, top left, top right, bottom right, y up from the box's centre; a pixel's UV lies
// between its corners' UVs as far as the pixel lies between the corners.
function draw(offsets, uvs, width, height, page) {
    const pixels = new Uint8Array(width * height * 4);
    const [left, bottom, , top, right] = offsets;
    for (let y = 0; y < height; ++y) {
        for (let x = 0; x < width; ++x) {
            const s = (x + 0.5 - width / 2 - left) / (right - left);
            const t = (height / 2 - y - 0.5 - bottom) / (top - bottom);
            if (!(s >= 0 && s <= 1 && t >= 0 && t <= 1)) continue;
            const corners = [(1 - s) * (1 - t), (1 - s) * t, s * t, s * (1 - t)];
            const at = (k) => corners.reduce((sum, weight, corner) => sum + weight * uvs[2 * corner + k], 0);
            const from = (Math.floor(at(1) * page.height) * page.width + Math.floor(at(0) * page.width)) * 4;
            pixels.set(page.data.subarray(from, from + 4), (y * width + x) * 4);
        }
    }
    return pixels;
}

export async function drawFrames(job) {
    const url = new URL(job.atlas, location.href).href;
    const atlas = new TextureAtlas(await (await fetch(url)).text());
    const pages = new Map();
    for (const page of atlas.pages) pages.set(page, await pagePixels(new URL(page.name, url).href));
    const loader = new AtlasAttachmentLoader(atlas);
    // A region of an animation is found by its name and index (several regions share the name), and drawn from the
    // region itself; a lone region through the loader by its name, as a skeleton's attachment is.
    const frames = atlas.regions.map((region) => {
        const { name, index, originalWidth: width, originalHeight: height } = region;
        const attachment = loader.newRegionAttachment(null, null, name, name, new Sequence(1, false));
        if (index >= 0) attachment.sequence.regions[0] = region;
        Object.assign(attachment, { width, height }).updateSequence();
        const { offsets, uvs, regions } = attachment.sequence;
        const pixels = draw(offsets[0], uvs[0], width, height, pages.get(regions[0].page));
        return { name: index >= 0 ? `${name}#${index}` : name, width, height, pixels };
    });
    // Each region's index and the fields spine-core keeps by name (a nine-patch's split and pad).
    const extra = { regions: atlas.regions.map(({ name, index, names, values }) =>
        ({ name, index, fields: Object.fromEntries((names ?? []).map((n, i) => [n, values[i]])) })) };
    return { renderer: job.renderer, premultiplied: false, frames, extra };
}
