// Lights, materials, the light model and fog: parameters kept for the next draw.
#include <cstring>

#include "gl_state.h"

namespace {

void copy4(GLfloat* to, const GLfloat* from) { std::memcpy(to, from, 4 * sizeof(GLfloat)); }

// GL takes a light's position into eye space when it is given, through the modelview
// matrix of that moment: given under the identity, lights stay fixed to the viewer.
void toEyeSpace(const GLfloat* p, GLfloat* eye) {
    const GLfloat* m = modelviewMatrix();
    for (int row = 0; row < 4; ++row) {
        eye[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row] * p[3];
    }
}

void setMaterial(GLMaterial* material, GLenum pname, const GLfloat* params) {
    switch (pname) {
    case GL_AMBIENT:
        copy4(material->ambient, params);
        break;
    case GL_DIFFUSE:
        copy4(material->diffuse, params);
        break;
    case GL_SPECULAR:
        copy4(material->specular, params);
        break;
    case GL_SHININESS:
        material->shininess = params[0];
        break;
    default:
        break;
    }
}

}  // namespace

void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    if (light < GL_LIGHT0 || light >= GL_LIGHT0 + maxLights) {
        return;
    }
    GLLight& l = glState.lights[light - GL_LIGHT0];
    switch (pname) {
    case GL_AMBIENT:
        copy4(l.ambient, params);
        break;
    case GL_DIFFUSE:
        copy4(l.diffuse, params);
        break;
    case GL_SPECULAR:
        copy4(l.specular, params);
        break;
    case GL_POSITION:
        toEyeSpace(params, l.position);
        break;
    default:
        break;
    }
}

void glLightModeli(GLenum pname, GLint param) {
    if (pname == GL_LIGHT_MODEL_TWO_SIDE) {
        glState.twoSided = param != 0;
    }
}

void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params) {
    if (face == GL_FRONT || face == GL_FRONT_AND_BACK) {
        setMaterial(&glState.front, pname, params);
    }
    if (face == GL_BACK || face == GL_FRONT_AND_BACK) {
        setMaterial(&glState.back, pname, params);
    }
}

void glMaterialf(GLenum face, GLenum pname, GLfloat param) {
    if (pname == GL_SHININESS) {
        glMaterialfv(face, pname, &param);
    }
}

void glFogi(GLenum pname, GLint param) {
    if (pname == GL_FOG_MODE && (param == GL_EXP || param == GL_EXP2)) {
        glState.fogMode = param;
    }
}

void glFogf(GLenum pname, GLfloat param) {
    if (pname == GL_FOG_DENSITY) {
        glState.fogDensity = param;
    }
}

void glFogfv(GLenum pname, const GLfloat* params) {
    if (pname == GL_FOG_COLOR) {
        copy4(glState.fogColour, params);
    } else if (pname == GL_FOG_DENSITY) {
        glFogf(pname, params[0]);
    }
}
