// The WebGL 2 side: one shader pair that computes what GL 1.1's fixed-function pipeline
// computes, fed at each draw from the state record. Lighting is per vertex and colours
// are interpolated across each face, as GL's smooth shading does.
#include <webgl/webgl1.h>
#include <webgl/webgl2.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "gl_state.h"

namespace {

// Lighting for directional lights and an infinite viewer, term by term as OpenGL 1.1
// (section 2.13.1) writes it:
//   c = e_cm + a_cm * a_cs + sum_i (a_cm * a_cli + (n . VP_pli) d_cm * d_cli
//                                   + f_i (n . h_i)^s_rm s_cm * s_cli)
// with f_i = 1 where n . VP_pli > 0, else 0, and alpha the diffuse material's.
const char* vertexShader = R"(#version 300 es
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 lineOffset;  // half a wide line's width, across it
layout(location = 3) in float lineFacing;  // a line's polygon: 1 front, -1 back; 0 none

struct Material {
    vec4 ambient;   // a_cm
    vec4 diffuse;   // d_cm
    vec4 specular;  // s_cm
    vec4 emission;  // e_cm
    float shininess;  // s_rm
};

uniform mat4 modelview;
uniform mat4 projection;
uniform mat3 normalMatrix;  // the inverse transpose of the modelview's upper 3 x 3
uniform bool lighting;
uniform bool twoSided;
uniform vec3 sceneAmbient;  // a_cs
uniform Material materials[2];  // front, back
uniform int lightCount;
uniform vec3 lightAmbient[8];   // a_cli
uniform vec3 lightDiffuse[8];   // d_cli
uniform vec3 lightSpecular[8];  // s_cli
uniform vec3 lightDirection[8];  // VP_pli: towards the light, unit length
uniform vec3 lightHalfway[8];    // h_i: VP_pli + (0, 0, 1), unit length

out vec4 frontColour;
out vec4 backColour;
out float eyeDistance;
flat out float facing;

vec4 lit(Material m, vec3 n) {
    vec3 c = m.emission.rgb + m.ambient.rgb * sceneAmbient;
    for (int i = 0; i < lightCount; ++i) {
        float nVP = dot(n, lightDirection[i]);
        c += m.ambient.rgb * lightAmbient[i];
        if (nVP > 0.0) {
            c += nVP * m.diffuse.rgb * lightDiffuse[i];
            c += pow(max(dot(n, lightHalfway[i]), 0.0), m.shininess) * m.specular.rgb *
                 lightSpecular[i];
        }
    }
    return vec4(clamp(c, 0.0, 1.0), m.diffuse.a);
}

void main() {
    vec4 eye = modelview * vec4(position, 1.0);
    gl_Position = projection * eye;
    gl_Position.xy += lineOffset * gl_Position.w;
    eyeDistance = abs(eye.z);
    facing = lineFacing;
    vec3 n = normalMatrix * normal;
    if (lighting) {
        frontColour = lit(materials[0], n);
        // One-sided, back faces take the front material and the normal as it is.
        backColour = twoSided ? lit(materials[1], -n) : frontColour;
    } else {
        // GL's current colour, which the viewer never changes.
        frontColour = vec4(1.0);
        backColour = frontColour;
    }
}
)";

// Texturing, then fog: f = exp(-(density z)^2) for GL_EXP2, exp(-density z) for GL_EXP,
// C = f C + (1 - f) C_fog on the colour, alpha untouched.
const char* fragmentShader = R"(#version 300 es
precision highp float;

in vec4 frontColour;
in vec4 backColour;
in float eyeDistance;
flat in float facing;

uniform bool texturing;
uniform bool textureReplace;
uniform sampler2D image;
uniform bool fog;
uniform bool fogExp2;
uniform float fogDensity;
uniform vec3 fogColour;

out vec4 colour;

void main() {
    bool front = facing == 0.0 ? gl_FrontFacing : facing > 0.0;
    vec4 c = front ? frontColour : backColour;
    if (texturing) {
        // GL's current texture coordinate, (0, 0): the viewer gives no other.
        vec3 texel = texture(image, vec2(0.0)).rgb;
        c.rgb = textureReplace ? texel : c.rgb * texel;
    }
    if (fog) {
        float z = fogDensity * eyeDistance;
        float f = clamp(exp(fogExp2 ? -z * z : -z), 0.0, 1.0);
        c.rgb = mix(fogColour, c.rgb, f);
    }
    colour = c;
}
)";

// A corner of a wide line's band.
struct LineVertex {
    GLfloat position[3];
    GLfloat normal[3];
    GLfloat offset[2];
    GLfloat facing;
};

struct WebGLObjects {
    GLuint program;
    GLuint triangleArray;
    GLuint triangleBuffer;
    GLuint noLine;  // the one element of a triangle's line attributes
    std::vector<GLVertex> uploaded;  // what triangleBuffer holds
    GLuint lineArray;
    GLuint lineBuffer;
    GLuint lineIndices;
    size_t lineIndexCount;  // how many edges' indices the index buffer holds
    GLuint texture;
    std::unordered_map<const char*, GLint> locations;
};

WebGLObjects objects;

GLuint compile(GLenum type, const char* source) {
    const GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    return shader;
}

void bindAttribute(GLuint index, GLint size, GLsizei stride, size_t offset) {
    emscripten_glEnableVertexAttribArray(index);
    emscripten_glVertexAttribPointer(index, size, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<const void*>(offset));
}

void makeVertexArray(GLuint* array, GLuint* buffer) {
    emscripten_glGenVertexArrays(1, array);
    emscripten_glBindVertexArray(*array);
    emscripten_glGenBuffers(1, buffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, *buffer);
}

// Made on first use, in the context current then.
void makeObjects() {
    if (objects.program != 0) {
        return;
    }
    objects.program = emscripten_glCreateProgram();
    emscripten_glAttachShader(objects.program, compile(GL_VERTEX_SHADER, vertexShader));
    emscripten_glAttachShader(objects.program, compile(GL_FRAGMENT_SHADER, fragmentShader));
    emscripten_glLinkProgram(objects.program);

    makeVertexArray(&objects.triangleArray, &objects.triangleBuffer);
    bindAttribute(0, 3, sizeof(GLVertex), offsetof(GLVertex, position));
    bindAttribute(1, 3, sizeof(GLVertex), offsetof(GLVertex, normal));
    // Triangles have no line offset or facing: both read as 0, from one element of a
    // buffer that every vertex shares, rather than from disabled attributes, whose
    // constant values a browser's WebGL may have to emulate at each draw.
    const GLfloat none[3] = {0.0f, 0.0f, 0.0f};
    emscripten_glGenBuffers(1, &objects.noLine);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, objects.noLine);
    emscripten_glBufferData(GL_ARRAY_BUFFER, sizeof none, none, GL_STATIC_DRAW);
    bindAttribute(2, 2, 0, 0);
    bindAttribute(3, 1, 0, 2 * sizeof(GLfloat));
    emscripten_glVertexAttribDivisor(2, 1);
    emscripten_glVertexAttribDivisor(3, 1);

    makeVertexArray(&objects.lineArray, &objects.lineBuffer);
    bindAttribute(0, 3, sizeof(LineVertex), offsetof(LineVertex, position));
    bindAttribute(1, 3, sizeof(LineVertex), offsetof(LineVertex, normal));
    bindAttribute(2, 2, sizeof(LineVertex), offsetof(LineVertex, offset));
    bindAttribute(3, 1, sizeof(LineVertex), offsetof(LineVertex, facing));
    emscripten_glGenBuffers(1, &objects.lineIndices);
    emscripten_glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, objects.lineIndices);
    emscripten_glBindVertexArray(0);

    // WebGL has no default texture object; this one stands for GL's.
    emscripten_glGenTextures(1, &objects.texture);
    emscripten_glBindTexture(GL_TEXTURE_2D, objects.texture);
}

// Looked up once each: the names are string literals, which their addresses identify.
GLint uniform(const char* name) {
    auto found = objects.locations.find(name);
    if (found == objects.locations.end()) {
        const GLint location = emscripten_glGetUniformLocation(objects.program, name);
        found = objects.locations.emplace(name, location).first;
    }
    return found->second;
}

void setMaterialUniforms(int index, const GLMaterial& m) {
    const char* names[5][2] = {{"materials[0].ambient", "materials[1].ambient"},
                               {"materials[0].diffuse", "materials[1].diffuse"},
                               {"materials[0].specular", "materials[1].specular"},
                               {"materials[0].emission", "materials[1].emission"},
                               {"materials[0].shininess", "materials[1].shininess"}};
    emscripten_glUniform4fv(uniform(names[0][index]), 1, m.ambient);
    emscripten_glUniform4fv(uniform(names[1][index]), 1, m.diffuse);
    emscripten_glUniform4fv(uniform(names[2][index]), 1, m.specular);
    emscripten_glUniform4fv(uniform(names[3][index]), 1, m.emission);
    emscripten_glUniform1f(uniform(names[4][index]), m.shininess);
}

void normalise(GLfloat* v) {
    const GLfloat length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length > 0.0f) {
        v[0] /= length;
        v[1] /= length;
        v[2] /= length;
    }
}

// The enabled lights, packed: the shader loops over these alone.
void setLightUniforms() {
    GLfloat ambient[maxLights][3], diffuse[maxLights][3], specular[maxLights][3];
    GLfloat direction[maxLights][3], halfway[maxLights][3];
    int count = 0;
    for (const GLLight& light : glState.lights) {
        if (!light.enabled) {
            continue;
        }
        for (int i = 0; i < 3; ++i) {
            ambient[count][i] = light.ambient[i];
            diffuse[count][i] = light.diffuse[i];
            specular[count][i] = light.specular[i];
            direction[count][i] = light.position[i];
        }
        normalise(direction[count]);
        for (int i = 0; i < 3; ++i) {
            halfway[count][i] = direction[count][i] + (i == 2 ? 1.0f : 0.0f);
        }
        normalise(halfway[count]);
        ++count;
    }
    emscripten_glUniform1i(uniform("lightCount"), count);
    if (count > 0) {
        emscripten_glUniform3fv(uniform("lightAmbient"), count, ambient[0]);
        emscripten_glUniform3fv(uniform("lightDiffuse"), count, diffuse[0]);
        emscripten_glUniform3fv(uniform("lightSpecular"), count, specular[0]);
        emscripten_glUniform3fv(uniform("lightDirection"), count, direction[0]);
        emscripten_glUniform3fv(uniform("lightHalfway"), count, halfway[0]);
    }
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
    emscripten_glUniformMatrix3fv(uniform("normalMatrix"), 1, GL_FALSE, normalMatrix);
}

void setUniforms() {
    emscripten_glUseProgram(objects.program);
    emscripten_glUniformMatrix4fv(uniform("modelview"), 1, GL_FALSE, modelviewMatrix());
    emscripten_glUniformMatrix4fv(uniform("projection"), 1, GL_FALSE, projectionMatrix());
    setNormalMatrix(modelviewMatrix());
    emscripten_glUniform1i(uniform("lighting"), glState.lighting);
    emscripten_glUniform1i(uniform("twoSided"), glState.twoSided);
    emscripten_glUniform3fv(uniform("sceneAmbient"), 1, glState.lightModelAmbient);
    setMaterialUniforms(0, glState.front);
    setMaterialUniforms(1, glState.back);
    setLightUniforms();

    emscripten_glUniform1i(uniform("texturing"), glState.texture2D && glState.textureLoaded);
    emscripten_glUniform1i(uniform("textureReplace"), glState.textureEnvMode == GL_REPLACE);
    emscripten_glUniform1i(uniform("image"), 0);
    emscripten_glUniform1i(uniform("fog"), glState.fog);
    emscripten_glUniform1i(uniform("fogExp2"), glState.fogMode == GL_EXP2);
    emscripten_glUniform1f(uniform("fogDensity"), glState.fogDensity);
    emscripten_glUniform3fv(uniform("fogColour"), 1, glState.fogColour);

    if (glState.depthTest) {
        emscripten_glEnable(GL_DEPTH_TEST);
    } else {
        emscripten_glDisable(GL_DEPTH_TEST);
    }
    if (glState.cullFace) {
        emscripten_glEnable(GL_CULL_FACE);
    } else {
        emscripten_glDisable(GL_CULL_FACE);
    }
}

// Where a vertex lands in the window, in pixels.
void toWindow(const GLfloat* position, const GLint* viewport, double* window) {
    const GLfloat* mv = modelviewMatrix();
    const GLfloat* p = projectionMatrix();
    double eye[4], clip[4];
    for (int row = 0; row < 4; ++row) {
        eye[row] = mv[row] * position[0] + mv[4 + row] * position[1] +
                   mv[8 + row] * position[2] + mv[12 + row];
    }
    for (int row = 0; row < 4; ++row) {
        clip[row] = p[row] * eye[0] + p[4 + row] * eye[1] + p[8 + row] * eye[2] +
                    p[12 + row] * eye[3];
    }
    window[0] = viewport[0] + (clip[0] / clip[3] + 1.0) * viewport[2] / 2.0;
    window[1] = viewport[1] + (clip[1] / clip[3] + 1.0) * viewport[3] / 2.0;
}

// Polygons in GL_LINE mode: each edge a band the line's width across, widened up and
// down where it runs more across than up, else sideways, as GL widens its lines. Each
// edge keeps its polygon's facing for two-sided lighting, and culling drops polygons
// before their edges are drawn.
void drawEdges(const std::vector<GLVertex>& vertices) {
    GLint viewport[4];
    emscripten_glGetIntegerv(GL_VIEWPORT, viewport);
    // GL rounds a line's width to whole pixels where it is not antialiased.
    const double half = std::max(1.0, std::round(static_cast<double>(glState.lineWidth))) / 2.0;
    std::vector<LineVertex> bands;
    bands.reserve(vertices.size() * 4);
    for (size_t t = 0; t + 2 < vertices.size(); t += 3) {
        double window[3][2];
        for (int c = 0; c < 3; ++c) {
            toWindow(vertices[t + c].position, viewport, window[c]);
        }
        const double area = (window[1][0] - window[0][0]) * (window[2][1] - window[0][1]) -
                            (window[2][0] - window[0][0]) * (window[1][1] - window[0][1]);
        const bool front = area > 0.0;
        if (glState.cullFace && !front) {
            continue;
        }
        for (int c = 0; c < 3; ++c) {
            const int d = (c + 1) % 3;
            const double dx = window[d][0] - window[c][0];
            const double dy = window[d][1] - window[c][1];
            if (dx == 0.0 && dy == 0.0) {
                continue;
            }
            const bool across = std::fabs(dx) >= std::fabs(dy);
            const GLfloat offset[2] = {across ? 0.0f : static_cast<GLfloat>(2 * half / viewport[2]),
                                       across ? static_cast<GLfloat>(2 * half / viewport[3]) : 0.0f};
            // The same edge of several polygons is drawn from the same end, so that its
            // bands lie at exactly the same depth and the first one drawn stays, as in GL.
            const bool swap = window[d][0] < window[c][0] ||
                              (window[d][0] == window[c][0] && window[d][1] < window[c][1]);
            const GLVertex* first = &vertices[t + (swap ? d : c)];
            const GLVertex* second = &vertices[t + (swap ? c : d)];
            for (const GLVertex* end : {first, second}) {
                for (const GLfloat side : {-1.0f, 1.0f}) {
                    bands.push_back({{end->position[0], end->position[1], end->position[2]},
                                     {end->normal[0], end->normal[1], end->normal[2]},
                                     {side * offset[0], side * offset[1]},
                                     front ? 1.0f : -1.0f});
                }
            }
        }
    }
    const size_t edges = bands.size() / 4;
    emscripten_glBindVertexArray(objects.lineArray);
    if (edges > objects.lineIndexCount) {
        std::vector<GLuint> indices;
        indices.reserve(edges * 6);
        for (GLuint e = 0; e < edges; ++e) {
            for (const GLuint corner : {0u, 1u, 2u, 2u, 1u, 3u}) {
                indices.push_back(e * 4 + corner);
            }
        }
        emscripten_glBufferData(GL_ELEMENT_ARRAY_BUFFER, indices.size() * sizeof(GLuint),
                                indices.data(), GL_STATIC_DRAW);
        objects.lineIndexCount = edges;
    }
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, objects.lineBuffer);
    emscripten_glBufferData(GL_ARRAY_BUFFER, bands.size() * sizeof(LineVertex), bands.data(),
                            GL_STREAM_DRAW);
    emscripten_glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(edges * 6), GL_UNSIGNED_INT,
                              nullptr);
    emscripten_glBindVertexArray(0);
}

}  // namespace

void startGLContext() {
    glState = initialGLState();
    objects = WebGLObjects{};
}

void drawTriangles(const std::vector<GLVertex>& vertices) {
    if (vertices.empty()) {
        return;
    }
    makeObjects();
    setUniforms();
    if (glState.polygonMode == GL_LINE) {
        drawEdges(vertices);
        return;
    }
    emscripten_glBindVertexArray(objects.triangleArray);
    // A model sent call by call is the same every frame. Uploading it again would wait
    // for the draw that still reads the buffer, so the buffer is only refilled when
    // what glBegin and glEnd gathered differs from what it holds.
    if (vertices.size() != objects.uploaded.size() ||
        std::memcmp(vertices.data(), objects.uploaded.data(), vertices.size() * sizeof(GLVertex)) != 0) {
        emscripten_glBindBuffer(GL_ARRAY_BUFFER, objects.triangleBuffer);
        emscripten_glBufferData(GL_ARRAY_BUFFER, vertices.size() * sizeof(GLVertex),
                                vertices.data(), GL_STATIC_DRAW);
        objects.uploaded = vertices;
    }
    emscripten_glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices.size()));
    emscripten_glBindVertexArray(0);
}

void clearFramebuffer(GLbitfield mask) {
    const GLfloat* c = glState.clearColour;
    emscripten_glClearColor(c[0], c[1], c[2], c[3]);
    emscripten_glClear(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
}

void loadTextureImage(GLsizei width, GLsizei height, const GLvoid* pixels) {
    makeObjects();
    emscripten_glBindTexture(GL_TEXTURE_2D, objects.texture);
    emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA,
                            GL_UNSIGNED_BYTE, pixels);
}

void setTextureParameter(GLenum pname, GLint param) {
    makeObjects();
    emscripten_glBindTexture(GL_TEXTURE_2D, objects.texture);
    emscripten_glTexParameteri(GL_TEXTURE_2D, pname, param);
}
