// The OpenGL 1.1 state the browser build keeps, in one record, in the order of GL 1.1's
// state tables: transformation, colouring and lighting, rasterisation, texturing,
// per-fragment operations, frame buffer control. Only what the viewer's calls set.
#pragma once

#include <GL/gl.h>

#include <vector>

const int maxLights = 8;
const int modelviewStackDepth = 32;
const int projectionStackDepth = 2;

struct GLLight {
    GLfloat ambient[4];
    GLfloat diffuse[4];
    GLfloat specular[4];
    GLfloat position[4];  // in eye space, as glLightfv left it
    bool enabled;
};

struct GLMaterial {
    GLfloat ambient[4];
    GLfloat diffuse[4];
    GLfloat specular[4];
    GLfloat emission[4];
    GLfloat shininess;
};

// One vertex as glVertex3f records it, with the normal current at that moment.
struct GLVertex {
    GLfloat position[3];
    GLfloat normal[3];
};

struct GLState {
    // Transformation
    GLenum matrixMode;
    GLfloat modelview[modelviewStackDepth][16];
    int modelviewDepth;  // index of the top
    GLfloat projection[projectionStackDepth][16];
    int projectionDepth;

    // Colouring, lighting and fog
    bool fog;
    GLenum fogMode;
    GLfloat fogColour[4];
    GLfloat fogDensity;
    bool lighting;
    GLMaterial front;
    GLMaterial back;
    GLfloat lightModelAmbient[4];
    bool twoSided;
    GLLight lights[maxLights];

    // Rasterisation
    GLfloat lineWidth;
    bool cullFace;
    GLenum polygonMode;

    // Texturing: the one texture's parameters and image, kept to be given again to a
    // WebGL context that the browser restores.
    bool texture2D;
    GLint textureMinFilter;
    GLint textureMagFilter;
    GLint textureWrapS;
    GLint textureWrapT;
    bool textureLoaded;  // level 0 given, so the texture is complete
    GLsizei textureWidth;
    GLsizei textureHeight;
    std::vector<unsigned char> textureImage;  // RGBA
    GLenum textureEnvMode;

    // Per-fragment operations and frame buffer control
    bool depthTest;
    GLfloat clearColour[4];

    // Immediate mode: the current normal, and the vertices glBegin gathers. Each one
    // that arrives overwrites the one at its place from the glBegin before, where it
    // differs, so that an unchanged model costs no copy and no upload.
    GLfloat normal[3];
    bool insideBegin;
    std::vector<GLVertex> vertices;
    size_t vertexCount;  // gathered since glBegin
    size_t firstUnsent;  // from here on, vertices may differ from WebGL's buffer
};

extern GLState glState;
GLState initialGLState();

// The matrix glMatrixMode chose, at the top of its stack.
GLfloat* currentMatrix();
// The modelview and projection matrices in use.
const GLfloat* modelviewMatrix();
const GLfloat* projectionMatrix();

// A new context: GL's initial state, and WebGL objects made afresh in the context that
// is current. There is one context at a time.
void startGLContext();
// The browser has restored the context it took away: the WebGL objects are made again
// from the state, which GL programs never learn was lost.
void restoreGLContext();
// Whether the current WebGL context compiles and links the layer's program, with every
// light on both sides.
bool glProgramLinks();

// Draws the first count vertices gathered, with the state as it stands.
void drawTriangles(size_t count);
// Calls that reach WebGL directly.
void clearFramebuffer(GLbitfield mask);
// The kept texture image and parameters given to WebGL's texture.
void sendTexture();
