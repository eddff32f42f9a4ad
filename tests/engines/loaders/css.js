// CSS: the stylesheet is linked as a site links it, and one element is made for each sprite with the sprite's name as
// its class (job.names). Each rule of the sheet names the frame of the element it styles: a rule whose selector the
// browser could not read styles nothing and its sprite goes missing. The driver takes a screenshot with a transparent
// background, from which each element's box is cut.
const nextFrame = () => new Promise((resolve) => requestAnimationFrame(resolve));

export async function drawFrames(job) {
    const link = Object.assign(document.createElement("link"), { rel: "stylesheet", href: job.atlas });
    await new Promise((resolve, reject) => {
        link.onload = resolve;
        link.onerror = () => reject(new Error(`${job.atlas} did not load`));
        document.head.append(link);
    });
    const row = Object.assign(document.createElement("div"), { style: "display: flex; gap: 2px; align-items: start" });
    const box = (name) => Object.assign(document.createElement("div"), { className: name });
    const boxes = job.names.map((name) => row.appendChild(box(name)));
    document.body.append(row);
    // The backgrounds are in once the browser has timed their loading.
    const images = new Set(boxes.map((box) => getComputedStyle(box).backgroundImage.match(/url\("(.*)"\)/)?.[1]));
    while (![...images].every((image) => !image || performance.getEntriesByName(image).length)) await nextFrame();
    await nextFrame();
    const frames = [...link.sheet.cssRules].map((rule) => {
        const box = boxes.find((b) => b.matches(rule.selectorText));
        const { x, y, width, height } = box?.getBoundingClientRect() ?? {};
        return { name: box?.className ?? `a rule for nothing: ${rule.cssText}`, x, y, width, height };
    });
    return { renderer: job.renderer, premultiplied: false, frames, screenshot: true };
}
