// The floor for the browser's frame rate: the viewer's mesh drawn on bare WebGL 2 with
// lighting of the same cost (seven directional lights per vertex, both sides), from a
// buffer filled once, in one draw a frame, turning as the viewer does. Whatever the page
// spends beyond this goes to the OpenGL layer and the program.
#include <emscripten/html5.h>
#include <webgl/webgl1.h>
#include <webgl/webgl2.h>

#include <vector>

#include "scene/mesh_model.h"

namespace {

const char* vertexShader = R"(#version 300 es
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
uniform float turn;
uniform vec3 lightDirection[7];
uniform vec3 lightHalfway[7];
uniform vec3 lightColour[7];
out vec4 frontColour;
out vec4 backColour;

vec4 lit(vec3 diffuse, vec3 n) {
    vec3 c = vec3(0.01);
    for (int i = 0; i < 7; ++i) {
        float nVP = dot(n, lightDirection[i]);
        c += 0.05 * lightColour[i];
        if (nVP > 0.0) {
            c += nVP * diffuse * lightColour[i];
            c += pow(max(dot(n, lightHalfway[i]), 0.0), 40.0) * 0.23 * lightColour[i];
        }
    }
    return vec4(clamp(c, 0.0, 1.0), 0.6);
}

void main() {
    mat3 spin = mat3(cos(turn), 0.0, -sin(turn), 0.0, 1.0, 0.0, sin(turn), 0.0, cos(turn));
    gl_Position = vec4(spin * position * vec3(0.4, 0.4, -0.125), 1.0);
    vec3 n = spin * normal;
    frontColour = lit(vec3(0.7, 0.1, 0.8), n);
    backColour = lit(vec3(0.7, 0.6, 0.1), -n);
}
)";

const char* fragmentShader = R"(#version 300 es
precision highp float;
in vec4 frontColour;
in vec4 backColour;
out vec4 colour;
void main() { colour = gl_FrontFacing ? frontColour : backColour; }
)";

GLuint program;
GLsizei vertexCount;
float turn;

GLuint compile(GLenum type, const char* source) {
    const GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    return shader;
}

EM_BOOL frame(double, void*) {
    turn += 0.0349f;  // 2 degrees
    emscripten_glClearColor(0.2f, 0.1f, 0.05f, 1.0f);
    emscripten_glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    emscripten_glUniform1f(emscripten_glGetUniformLocation(program, "turn"), turn);
    emscripten_glDrawArrays(GL_TRIANGLES, 0, vertexCount);
    return EM_TRUE;
}

}  // namespace

int main() {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.alpha = false;
    attributes.antialias = false;
    emscripten_set_canvas_element_size("#canvas", 819, 819);
    emscripten_webgl_make_context_current(emscripten_webgl_create_context("#canvas", &attributes));

    std::vector<float> vertices;
    for (int32_t t = 0; t < meshModel.triangleCount; ++t) {
        for (int c = 0; c < 3; ++c) {
            const Vector3& v = meshModel.vertices[meshModel.triangles[t].vertexIndex[c]];
            const Vector3& n = meshModel.normals[meshModel.triangles[t].normalIndex[c]];
            vertices.insert(vertices.end(), {v.x, v.y, v.z, n.x, n.y, n.z});
        }
    }
    vertexCount = static_cast<GLsizei>(vertices.size() / 6);
    GLuint buffer;
    emscripten_glGenBuffers(1, &buffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, buffer);
    emscripten_glBufferData(GL_ARRAY_BUFFER, vertices.size() * sizeof(float), vertices.data(),
                            GL_STATIC_DRAW);
    emscripten_glEnableVertexAttribArray(0);
    emscripten_glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 24, nullptr);
    emscripten_glEnableVertexAttribArray(1);
    emscripten_glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 24,
                                     reinterpret_cast<const void*>(12));

    program = emscripten_glCreateProgram();
    emscripten_glAttachShader(program, compile(GL_VERTEX_SHADER, vertexShader));
    emscripten_glAttachShader(program, compile(GL_FRAGMENT_SHADER, fragmentShader));
    emscripten_glLinkProgram(program);
    emscripten_glUseProgram(program);
    // Directions, halfway vectors and colours of seven lights fixed to the viewer.
    const float direction[7][3] = {{0.46f, 0.46f, 0.76f}, {-0.57f, 0.79f, 0.23f},
                                   {0.62f, -0.75f, -0.25f}, {0, -0.6f, 0.8f},
                                   {0, -0.37f, -0.93f}, {0, 0, -1}, {-0.89f, -0.45f, -0.09f}};
    std::vector<float> halfway;
    for (const auto& d : direction) {
        halfway.insert(halfway.end(), {d[0] * 0.5f, d[1] * 0.5f, (d[2] + 1) * 0.5f});
    }
    const float colour[7][3] = {{1, 1, 1},         {0.2f, 0.2f, 0.5f}, {0.4f, 0.3f, 0.3f},
                                {0.4f, 0.4f, 0.05f}, {0.4f, 0.5f, 0.3f}, {0, 0.5f, 0},
                                {0.4f, 0.4f, 0.05f}};
    emscripten_glUniform3fv(emscripten_glGetUniformLocation(program, "lightDirection"), 7,
                            direction[0]);
    emscripten_glUniform3fv(emscripten_glGetUniformLocation(program, "lightHalfway"), 7,
                            halfway.data());
    emscripten_glUniform3fv(emscripten_glGetUniformLocation(program, "lightColour"), 7,
                            colour[0]);
    emscripten_glEnable(GL_DEPTH_TEST);
    emscripten_request_animation_frame_loop(frame, nullptr);
}
