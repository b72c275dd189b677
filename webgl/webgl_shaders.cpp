// The shader pair: what GL 1.1's fixed-function pipeline computes, in GLSL ES 3.00.
// Lighting is per vertex and colours are interpolated across each face, as GL's smooth
// shading does.
#include <webgl/webgl1.h>
#include <webgl/webgl2.h>

#include "webgl_internal.h"

namespace {

// Lighting for directional lights and an infinite viewer, term by term as OpenGL 1.1
// (section 2.13.1) writes it:
//   c = e_cm + a_cm * a_cs + sum_i (a_cm * a_cli + (n . VP_pli) d_cm * d_cli
//                                   + f_i (n . h_i)^s_rm s_cm * s_cli)
// with f_i = 1 where n . VP_pli > 0, else 0, and alpha the diffuse material's. What does
// not depend on the vertex comes computed for each side, front then back: the terms
// without n, and the products of material and light colours. The key comes first, as
// LIGHTING, LIGHT_COUNT, TWO_SIDED, LINES, TEXTURING and FOG.
const char* vertexShader = R"(
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
#if LINES
layout(location = 2) in vec2 lineOffset;  // half a wide line's width, across it
layout(location = 3) in float lineFacing;  // a line's polygon: 1 front, -1 back
flat out float facing;
#endif

uniform mat4 modelviewProjection;  // the projection times the modelview
uniform mat3 normalMatrix;  // the inverse transpose of the modelview's upper 3 x 3
uniform vec3 lightDirection[8];  // VP_pli: towards the light, unit length
uniform vec3 lightHalfway[8];    // h_i: VP_pli + (0, 0, 1), unit length
uniform vec3 unlit[2];  // e_cm + a_cm * a_cs + sum_i a_cm * a_cli
uniform vec3 diffuseProducts[16];   // d_cm * d_cli, the front's lights then the back's
uniform vec3 specularProducts[16];  // s_cm * s_cli
uniform float shininess[2];  // s_rm
uniform float alpha[2];

out vec4 frontColour;
out vec4 backColour;
#if FOG
uniform vec4 eyeDepth;  // the modelview's third row, which gives a vertex's eye z
out float eyeDistance;
#endif

vec4 lit(int side, vec3 n) {
    vec3 c = unlit[side];
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        float nVP = dot(n, lightDirection[i]);
        if (nVP > 0.0) {
            c += nVP * diffuseProducts[8 * side + i];
            c += pow(max(dot(n, lightHalfway[i]), 0.0), shininess[side]) *
                 specularProducts[8 * side + i];
        }
    }
    return vec4(clamp(c, 0.0, 1.0), alpha[side]);
}

void main() {
    gl_Position = modelviewProjection * vec4(position, 1.0);
#if FOG
    eyeDistance = abs(dot(eyeDepth, vec4(position, 1.0)));
#endif
#if LINES
    gl_Position.xy += lineOffset * gl_Position.w;
    facing = lineFacing;
#endif
    vec3 n = normalMatrix * normal;
#if LIGHTING
    frontColour = lit(0, n);
#if TWO_SIDED
    backColour = lit(1, -n);
#else
    // One-sided, back faces take the front material and the normal as it is.
    backColour = frontColour;
#endif
#else
    // GL's current colour, which the viewer never changes.
    frontColour = vec4(1.0);
    backColour = frontColour;
#endif
}
)";

// Texturing, then fog: f = exp(-(density z)^2) for GL_EXP2, exp(-density z) for GL_EXP,
// C = f C + (1 - f) C_fog on the colour, alpha untouched.
const char* fragmentShader = R"(
precision highp float;

in vec4 frontColour;
in vec4 backColour;
#if LINES
flat in float facing;  // a band's polygon's, as the band's own is not it
#endif
#if TEXTURING
uniform bool textureReplace;
uniform sampler2D image;
#endif
#if FOG
in float eyeDistance;
uniform bool fogExp2;
uniform float fogDensity;
uniform vec3 fogColour;
#endif

out vec4 colour;

void main() {
#if LINES
    bool front = facing > 0.0;
#else
    bool front = gl_FrontFacing;
#endif
    vec4 c = front ? frontColour : backColour;
#if TEXTURING
    // GL's current texture coordinate, (0, 0): the viewer gives no other.
    vec3 texel = texture(image, vec2(0.0)).rgb;
    c.rgb = textureReplace ? texel : c.rgb * texel;
#endif
#if FOG
    float z = fogDensity * eyeDistance;
    float f = clamp(exp(fogExp2 ? -z * z : -z), 0.0, 1.0);
    c.rgb = mix(fogColour, c.rgb, f);
#endif
    colour = c;
}
)";

// The source in parts, which the shader reads as one.
GLuint compile(GLenum type, const char* const* parts, GLsizei count) {
    const GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, count, parts, nullptr);
    emscripten_glCompileShader(shader);
    return shader;
}

}  // namespace

ShaderKey currentShaderKey() {
    int lightCount = 0;
    for (const GLLight& light : glState.lights) {
        lightCount += light.enabled;
    }
    return {glState.lighting, lightCount, glState.twoSided, glState.polygonMode == GL_LINE,
            glState.texture2D && glState.textureLoaded, glState.fog};
}

int shaderKeyIndex(const ShaderKey& key) {
    int index = key.lighting;
    index = index * (maxLights + 1) + key.lightCount;
    for (const bool bit : {key.twoSided, key.lines, key.texturing, key.fog}) {
        index = index * 2 + bit;
    }
    return index;
}

GLuint makeProgram(const ShaderKey& key) {
    static const char* const digits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8"};
    static_assert(sizeof digits / sizeof *digits == maxLights + 1, "a digit for each count");
    const char* const vertexParts[] = {
        "#version 300 es\n#define LIGHTING ", digits[key.lighting],
        "\n#define LIGHT_COUNT ", digits[key.lightCount],
        "\n#define TWO_SIDED ", digits[key.twoSided],
        "\n#define LINES ", digits[key.lines], "\n#define FOG ", digits[key.fog],
        vertexShader};
    const char* const fragmentParts[] = {
        "#version 300 es\n#define LINES ", digits[key.lines],
        "\n#define TEXTURING ", digits[key.texturing],
        "\n#define FOG ", digits[key.fog], fragmentShader};
    const GLuint program = emscripten_glCreateProgram();
    const GLuint shaders[2] = {compile(GL_VERTEX_SHADER, vertexParts, 11),
                               compile(GL_FRAGMENT_SHADER, fragmentParts, 7)};
    for (const GLuint shader : shaders) {
        emscripten_glAttachShader(program, shader);
        // The program keeps the shaders it was linked from alive as long as it needs them.
        emscripten_glDeleteShader(shader);
    }
    emscripten_glLinkProgram(program);
    return program;
}

// The program with the most work, which a GPU's limits refuse first.
bool glProgramLinks() {
    const GLuint program = makeProgram({true, maxLights, true, true, true, true});
    GLint linked = GL_FALSE;
    emscripten_glGetProgramiv(program, GL_LINK_STATUS, &linked);
    emscripten_glDeleteProgram(program);
    return linked == GL_TRUE;
}
