// The browser's own PNG decoder, read back exactly: the file becomes an ImageBitmap neither premultiplied nor converted
// between colour spaces, is uploaded to a WebGL texture as it stands and read back through a framebuffer, so that every
// channel of every pixel comes back as decoded, the colour of transparent pixels too. One frame, the whole page.
export async function drawFrames(job) {
    const blob = await (await fetch(job.atlas)).blob();
    const bitmap = await createImageBitmap(blob, { premultiplyAlpha: "none", colorSpaceConversion: "none" });
    const gl = document.createElement("canvas").getContext("webgl2");
    gl.pixelStorei(gl.UNPACK_PREMULTIPLY_ALPHA_WEBGL, false);
    gl.pixelStorei(gl.UNPACK_COLORSPACE_CONVERSION_WEBGL, gl.NONE);
    gl.pixelStorei(gl.UNPACK_FLIP_Y_WEBGL, false);
    gl.bindTexture(gl.TEXTURE_2D, gl.createTexture());
    gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA8, bitmap.width, bitmap.height, 0, gl.RGBA, gl.UNSIGNED_BYTE, bitmap);
    gl.bindFramebuffer(gl.FRAMEBUFFER, gl.createFramebuffer());
    gl.framebufferTexture2D(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, gl.getParameter(gl.TEXTURE_BINDING_2D), 0);
    const pixels = new Uint8Array(bitmap.width * bitmap.height * 4);
    gl.readPixels(0, 0, bitmap.width, bitmap.height, gl.RGBA, gl.UNSIGNED_BYTE, pixels);  // the file's top row first
    return { renderer: "webgl", premultiplied: false,
             frames: [{ name: "page", width: bitmap.width, height: bitmap.height, pixels }] };
}
