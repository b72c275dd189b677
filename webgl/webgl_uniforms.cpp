// The state record as the program's uniforms. Each uniform is sent only when the state
// gives it a value other than the one it holds: a browser's WebGL checks and copies
// every uniform call, though the viewer changes little but the modelview matrix.
#include <webgl/webgl1.h>
#include <webgl/webgl2.h>

#include <cmath>
#include <cstring>

#include "webgl_internal.h"

namespace {

// The uniform's entry where value differs from what it was last sent, else null.
SentUniform* changed(const char* name, const void* value, size_t bytes) {
    std::unordered_map<const char*, SentUniform>& uniforms = objects.current->uniforms;
    auto found = uniforms.find(name);
    if (found == uniforms.end()) {
        const GLint location = emscripten_glGetUniformLocation(objects.current->program, name);
        found = uniforms.emplace(name, SentUniform{location, 0, {}}).first;
    }
    SentUniform& sent = found->second;
    if (sent.bytes == bytes && std::memcmp(sent.value, value, bytes) == 0) {
        return nullptr;
    }
    sent.bytes = bytes;
    std::memcpy(sent.value, value, bytes);
    return &sent;
}

void sendInt(const char* name, GLint value) {
    if (const SentUniform* u = changed(name, &value, sizeof value)) {
        emscripten_glUniform1i(u->location, value);
    }
}

void sendFloat(const char* name, GLfloat value) {
    if (const SentUniform* u = changed(name, &value, sizeof value)) {
        emscripten_glUniform1f(u->location, value);
    }
}

void sendFloats(const char* name, const GLfloat* values, int count) {
    if (const SentUniform* u = changed(name, values, count * sizeof(GLfloat))) {
        emscripten_glUniform1fv(u->location, count, values);
    }
}

void sendVec3(const char* name, const GLfloat* value, int count = 1) {
    if (const SentUniform* u = changed(name, value, 3 * count * sizeof(GLfloat))) {
        emscripten_glUniform3fv(u->location, count, value);
    }
}

void sendVec4(const char* name, const GLfloat* value) {
    if (const SentUniform* u = changed(name, value, 4 * sizeof(GLfloat))) {
        emscripten_glUniform4fv(u->location, 1, value);
    }
}

void sendMat3(const char* name, const GLfloat* value) {
    if (const SentUniform* u = changed(name, value, 9 * sizeof(GLfloat))) {
        emscripten_glUniformMatrix3fv(u->location, 1, GL_FALSE, value);
    }
}

void sendMat4(const char* name, const GLfloat* value) {
    if (const SentUniform* u = changed(name, value, 16 * sizeof(GLfloat))) {
        emscripten_glUniformMatrix4fv(u->location, 1, GL_FALSE, value);
    }
}

void normalise(GLfloat* v) {
    const GLfloat length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length > 0.0f) {
        v[0] /= length;
        v[1] /= length;
        v[2] /= length;
    }
}

// The enabled lights, packed, as many as the shader's key says, with each side's
// material: the terms of GL's sum that do not depend on the vertex, computed once.
void setLightingUniforms() {
    GLfloat direction[maxLights][3], halfway[maxLights][3];
    GLfloat unlit[2][3], diffuse[2][maxLights][3], specular[2][maxLights][3];
    const GLMaterial* sides[2] = {&glState.front, &glState.back};
    for (int side = 0; side < 2; ++side) {
        for (int i = 0; i < 3; ++i) {
            unlit[side][i] = sides[side]->emission[i] +
                             sides[side]->ambient[i] * glState.lightModelAmbient[i];
        }
    }
    int count = 0;
    for (const GLLight& light : glState.lights) {
        if (!light.enabled) {
            continue;
        }
        for (int side = 0; side < 2; ++side) {
            const GLMaterial& m = *sides[side];
            for (int i = 0; i < 3; ++i) {
                unlit[side][i] += m.ambient[i] * light.ambient[i];
                diffuse[side][count][i] = m.diffuse[i] * light.diffuse[i];
                specular[side][count][i] = m.specular[i] * light.specular[i];
            }
        }
        for (int i = 0; i < 3; ++i) {
            direction[count][i] = light.position[i];
        }
        normalise(direction[count]);
        for (int i = 0; i < 3; ++i) {
            halfway[count][i] = direction[count][i] + (i == 2 ? 1.0f : 0.0f);
        }
        normalise(halfway[count]);
        ++count;
    }
    sendVec3("unlit", unlit[0], 2);
    const GLfloat shininess[2] = {glState.front.shininess, glState.back.shininess};
    const GLfloat alpha[2] = {glState.front.diffuse[3], glState.back.diffuse[3]};
    sendFloats("shininess", shininess, 2);
    sendFloats("alpha", alpha, 2);
    if (count > 0) {
        sendVec3("lightDirection", direction[0], count);
        sendVec3("lightHalfway", halfway[0], count);
        // Each side's products at its own place in the arrays: the back's at 8.
        sendVec3("diffuseProducts", diffuse[0][0], count);
        sendVec3("specularProducts", specular[0][0], count);
        sendVec3("diffuseProducts[8]", diffuse[1][0], count);
        sendVec3("specularProducts[8]", specular[1][0], count);
    }
}

// Each vertex goes through both matrices: their product once, rather than each in turn
// for every vertex.
void setModelviewProjection(const GLfloat* modelview, const GLfloat* projection) {
    GLfloat product[16];  // column-major, as both are
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) {
                sum += static_cast<double>(projection[k * 4 + row]) * modelview[column * 4 + k];
            }
            product[column * 4 + row] = static_cast<GLfloat>(sum);
        }
    }
    sendMat4("modelviewProjection", product);
}

// Normals go through the inverse transpose of the modelview matrix's upper 3 x 3.
void setNormalMatrix(const GLfloat* m) {
    const double a[3][3] = {{m[0], m[4], m[8]}, {m[1], m[5], m[9]}, {m[2], m[6], m[10]}};
    const double determinant = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                               a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    GLfloat normalMatrix[9] = {};  // column-major
    if (determinant != 0.0) {
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 3; ++column) {
                // The cofactor of a[row][column] over the determinant is inverse(a)
                // [column][row], which the transpose puts back at [row][column].
                const int r1 = (row + 1) % 3, r2 = (row + 2) % 3;
                const int c1 = (column + 1) % 3, c2 = (column + 2) % 3;
                const double cofactor = a[r1][c1] * a[r2][c2] - a[r1][c2] * a[r2][c1];
                normalMatrix[column * 3 + row] = static_cast<GLfloat>(cofactor / determinant);
            }
        }
    }
    sendMat3("normalMatrix", normalMatrix);
}

}  // namespace

void setUniforms(const ShaderKey& key) {
    const GLfloat* modelview = modelviewMatrix();
    setModelviewProjection(modelview, projectionMatrix());
    setNormalMatrix(modelview);
    setLightingUniforms();

    // Only the program of a key with texturing or fog has their uniforms.
    if (key.texturing) {
        sendInt("textureReplace", glState.textureEnvMode == GL_REPLACE);
        sendInt("image", 0);
    }
    if (key.fog) {
        const GLfloat eyeDepth[4] = {modelview[2], modelview[6], modelview[10], modelview[14]};
        sendVec4("eyeDepth", eyeDepth);
        sendInt("fogExp2", glState.fogMode == GL_EXP2);
        sendFloat("fogDensity", glState.fogDensity);
        sendVec3("fogColour", glState.fogColour);
    }
}
