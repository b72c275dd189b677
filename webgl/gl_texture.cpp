// The one default texture: its environment mode, parameters and image.
#include "gl_state.h"

void glTexEnvi(GLenum target, GLenum pname, GLint param) {
    if (target == GL_TEXTURE_ENV && pname == GL_TEXTURE_ENV_MODE &&
        (param == GL_MODULATE || param == GL_REPLACE)) {
        glState.textureEnvMode = param;
    }
}

void glTexParameteri(GLenum target, GLenum pname, GLint param) {
    if (target != GL_TEXTURE_2D) {
        return;
    }
    GLint* kept = pname == GL_TEXTURE_MIN_FILTER   ? &glState.textureMinFilter
                  : pname == GL_TEXTURE_MAG_FILTER ? &glState.textureMagFilter
                  : pname == GL_TEXTURE_WRAP_S     ? &glState.textureWrapS
                  : pname == GL_TEXTURE_WRAP_T     ? &glState.textureWrapT
                                                   : nullptr;
    if (kept != nullptr) {
        *kept = param;
        sendTexture();
    }
}

// GL_RGB inside keeps no alpha: the shader reads it as 1, as GL does.
void glTexImage2D(GLenum target, GLint level, GLint, GLsizei width, GLsizei height, GLint,
                  GLenum format, GLenum type, const GLvoid* pixels) {
    if (target == GL_TEXTURE_2D && level == 0 && format == GL_RGBA && type == GL_UNSIGNED_BYTE &&
        width > 0 && height > 0 && pixels != nullptr) {
        const unsigned char* bytes = static_cast<const unsigned char*>(pixels);
        glState.textureImage.assign(bytes, bytes + static_cast<size_t>(width) * height * 4);
        glState.textureWidth = width;
        glState.textureHeight = height;
        glState.textureLoaded = true;
        sendTexture();
    }
}
