// Pictures in a browser: the pictures the page decoded from its PNG files, straight into OpenGL
// textures, each texel, filter and edge as the desktop's image loader makes them from the TGA
// files. The browser's own decoder stands guard over what it reads.
#include "picture.h"

#include <emscripten.h>

// A new texture holding the picture the page decoded for the TGA file `file` (fencea.tga is
// decoded from fencea.png), its top row first, or with `flip` its bottom row first; its id in
// the program's OpenGL layer, or 0 when the page has no such picture. A decoded picture goes
// into a texture as it is, so the upside-down one is copied row for row out of an upright one.
// clang-format off
EM_JS(GLuint, texture_from_page_picture, (const char *file, bool flip), {
    const picture = (Module.pictureBitmaps || {})[UTF8ToString(file)];
    if (!picture)
        return 0;
    const gl = GLctx, w = picture.width, h = picture.height;
    const texture = gl.createTexture(), id = GL.getNewId(GL.textures);
    texture.name = id;
    GL.textures[id] = texture;
    const upright = flip ? gl.createTexture() : texture;
    gl.bindTexture(gl.TEXTURE_2D, upright);
    gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, gl.RGBA, gl.UNSIGNED_BYTE, picture);
    gl.bindTexture(gl.TEXTURE_2D, texture);
    if (!flip)
        return id;
    gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, w, h, 0, gl.RGBA, gl.UNSIGNED_BYTE, null);
    const [reading, drawing] = [gl.READ_FRAMEBUFFER_BINDING, gl.DRAW_FRAMEBUFFER_BINDING].map(b => gl.getParameter(b));
    const scissored = gl.isEnabled(gl.SCISSOR_TEST);
    const from = gl.createFramebuffer(), to = gl.createFramebuffer();
    gl.bindFramebuffer(gl.READ_FRAMEBUFFER, from);
    gl.framebufferTexture2D(gl.READ_FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, upright, 0);
    gl.bindFramebuffer(gl.DRAW_FRAMEBUFFER, to);
    gl.framebufferTexture2D(gl.DRAW_FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, texture, 0);
    gl.disable(gl.SCISSOR_TEST);
    gl.blitFramebuffer(0, 0, w, h, 0, h, w, 0, gl.COLOR_BUFFER_BIT, gl.NEAREST);
    if (scissored)
        gl.enable(gl.SCISSOR_TEST);
    gl.bindFramebuffer(gl.READ_FRAMEBUFFER, reading);
    gl.bindFramebuffer(gl.DRAW_FRAMEBUFFER, drawing);
    [from, to].forEach(f => gl.deleteFramebuffer(f));
    gl.deleteTexture(upright);
    return id;
});
// clang-format on

GLuint load_picture_texture(const char *file, PictureRows rows) {
    GLuint texture = texture_from_page_picture(file, rows == PICTURE_UPSIDE_DOWN);
    if (!texture)
        return 0;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    return texture;
}
