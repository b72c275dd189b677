// The one default texture: its environment mode, parameters and image.
#include "gl_state.h"

void glTexEnvi(GLenum target, GLenum pname, GLint param) {
    if (target == GL_TEXTURE_ENV && pname == GL_TEXTURE_ENV_MODE &&
        (param == GL_MODULATE || param == GL_REPLACE)) {
        glState.textureEnvMode = param;
    }
}

void glTexParameteri(GLenum target, GLenum pname, GLint param) {
    if (target == GL_TEXTURE_2D) {
        setTextureParameter(pname, param);
    }
}

// GL_RGB inside keeps no alpha: the shader reads it as 1, as GL does.
void glTexImage2D(GLenum target, GLint level, GLint, GLsizei width, GLsizei height, GLint,
                  GLenum format, GLenum type, const GLvoid* pixels) {
    if (target == GL_TEXTURE_2D && level == 0 && format == GL_RGBA && type == GL_UNSIGNED_BYTE) {
        loadTextureImage(width, height, pixels);
        glState.textureLoaded = true;
    }
}
