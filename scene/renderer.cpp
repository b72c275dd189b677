#include "scene/renderer.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "scene/viewer_state.h"

namespace {

struct LightColours {
    GLfloat ambient[4];
    GLfloat diffuse[4];
    GLfloat specular[4];
};

// Lights 1 to 6; their positions live in the viewer state.
const LightColours lightColours[6] = {
    {{0.35f, 0.35f, 0.65f, 1.0f}, {0.2f, 0.2f, 0.5f, 1.0f}, {0.2f, 0.2f, 0.65f, 1.0f}},
    {{0.65f, 0.75f, 0.45f, 1.0f}, {0.4f, 0.3f, 0.3f, 1.0f}, {0.65f, 0.85f, 0.85f, 1.0f}},
    {{0.65f, 0.65f, 0.35f, 1.0f}, {0.4f, 0.4f, 0.05f, 1.0f}, {0.65f, 0.65f, 0.85f, 1.0f}},
    {{0.55f, 0.55f, 0.55f, 1.0f}, {0.4f, 0.5f, 0.3f, 1.0f}, {0.2f, 0.7f, 0.35f, 1.0f}},
    {{0.05f, 0.6f, 0.05f, 1.0f}, {0.0f, 0.5f, 0.0f, 1.0f}, {0.05f, 0.6f, 0.08f, 1.0f}},
    {{0.4f, 0.4f, 0.4f, 1.0f}, {0.4f, 0.4f, 0.05f, 1.0f}, {0.65f, 0.55f, 0.55f, 1.0f}},
};

const GLfloat light0Position[4] = {0.7f, 0.7f, 1.25f, 0.0f};
const GLfloat fogColour[4] = {0.4f, 0.4f, 0.5f, 1.0f};
const GLfloat materialAmbient[4] = {0.05f, 0.05f, 0.05f, 1.0f};
const GLfloat materialSpecular[4] = {0.23f, 0.23f, 0.25f, 1.0f};
const GLfloat materialShininess = 40.0f;
const GLfloat materialDiffuseAlpha = 0.6f;

const int checkerSize = 256;

void setIdentity(float* matrix) {
    for (int i = 0; i < 16; ++i) {
        matrix[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    }
}

// Reading the product back in single precision after every increment rounds it a
// little each time; over millions of frames the model would swell, shear and light
// wrongly. Making the turning part a rotation again (Gram-Schmidt on its columns, in
// double precision) keeps it rigid and changes a fresh product by less than 1e-6.
void normalise(double* v) {
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (int i = 0; i < 3; ++i) {
        v[i] /= length;
    }
}

void keepModelMatrixRigid(float* matrix) {
    double x[3] = {matrix[0], matrix[1], matrix[2]};
    double y[3] = {matrix[4], matrix[5], matrix[6]};
    normalise(x);
    const double along = x[0] * y[0] + x[1] * y[1] + x[2] * y[2];
    for (int i = 0; i < 3; ++i) {
        y[i] -= along * x[i];
    }
    normalise(y);
    const double z[3] = {x[1] * y[2] - x[2] * y[1], x[2] * y[0] - x[0] * y[2],
                         x[0] * y[1] - x[1] * y[0]};
    for (int i = 0; i < 3; ++i) {
        matrix[i] = static_cast<float>(x[i]);
        matrix[4 + i] = static_cast<float>(y[i]);
        matrix[8 + i] = static_cast<float>(z[i]);
    }
}

void setFaceMaterial(GLenum face, const float* diffuseRgb) {
    const GLfloat diffuse[4] = {diffuseRgb[0], diffuseRgb[1], diffuseRgb[2], materialDiffuseAlpha};
    glMaterialfv(face, GL_AMBIENT, materialAmbient);
    glMaterialfv(face, GL_DIFFUSE, diffuse);
    glMaterialfv(face, GL_SPECULAR, materialSpecular);
    glMaterialf(face, GL_SHININESS, materialShininess);
}

}  // namespace

void initScene() {
    glFogi(GL_FOG_MODE, GL_EXP2);
    glFogf(GL_FOG_DENSITY, 0.243f);
    glFogfv(GL_FOG_COLOR, fogColour);

    setProjection();

    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);

    // Positions go in while the modelview matrix is the identity, so the lights stay
    // fixed relative to the viewer instead of turning with the model.
    glLightfv(GL_LIGHT0, GL_POSITION, light0Position);
    glEnable(GL_LIGHT0);
    for (int i = 0; i < 6; ++i) {
        const GLenum light = GL_LIGHT1 + i;
        glLightfv(light, GL_POSITION, viewerState.lightPositions[i]);
        glLightfv(light, GL_AMBIENT, lightColours[i].ambient);
        glLightfv(light, GL_DIFFUSE, lightColours[i].diffuse);
        glLightfv(light, GL_SPECULAR, lightColours[i].specular);
        // Light 2 is switched on by the first frame.
        if (light != GL_LIGHT2) {
            glEnable(light);
        }
    }

    makeCheckerTexture();

    setIdentity(viewerState.rotation.modelMatrix);
}

void setProjection() {
    const float aspect = static_cast<float>(viewerState.windowWidth) /
                         static_cast<float>(viewerState.windowHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (viewerState.options.perspective) {
        glFrustum(-aspect, aspect, -1.0, 1.0, 0.9f, 14.0);
    } else {
        glOrtho(-2.5 * aspect, 2.5 * aspect, -2.5, 2.5, -8.0, 8.0);
    }
    glMatrixMode(GL_MODELVIEW);
}

void makeCheckerTexture() {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE,
              viewerState.options.textureReplace ? GL_REPLACE : GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);

    GLubyte* image = static_cast<GLubyte*>(std::malloc(checkerSize * checkerSize * 4));
    if (image == nullptr) {
        return;
    }
    GLubyte* texel = image;
    for (int i = 0; i < checkerSize; ++i) {
        for (int j = 0; j < checkerSize; ++j) {
            const GLubyte level = ((i ^ j) & 32) ? 255 : 16;
            texel[0] = level;
            texel[1] = level;
            texel[2] = level;
            texel[3] = 255;
            texel += 4;
        }
    }
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, checkerSize, checkerSize, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, image);
    std::free(image);
}

void renderFrame() {
    const RenderOptions& options = viewerState.options;
    RotationState& rotation = viewerState.rotation;

    if (options.fogEnabled) {
        glClearColor(0.5f, 0.25f, 0.25f, 1.0f);
        glEnable(GL_FOG);
    } else {
        glClearColor(0.2f, 0.1f, 0.05f, 1.0f);
        glDisable(GL_FOG);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // The increment goes in front of all earlier rotations, so it turns the model
    // about an axis fixed in view space.
    if (rotation.rotationActive == 1) {
        float before[16];
        std::memcpy(before, rotation.modelMatrix, sizeof before);
        glPushMatrix();
        glLoadIdentity();
        glRotatef(rotation.incrementAngle, rotation.incrementAxis.x, rotation.incrementAxis.y,
                  rotation.incrementAxis.z);
        glMultMatrixf(rotation.modelMatrix);
        glGetFloatv(GL_MODELVIEW_MATRIX, rotation.modelMatrix);
        glPopMatrix();
        // A step of no turn leaves the product exactly as it was.
        if (std::memcmp(before, rotation.modelMatrix, sizeof before) != 0) {
            keepModelMatrixRigid(rotation.modelMatrix);
        }
    }

    if (options.texturing) {
        glEnable(GL_TEXTURE_2D);
    }
    if (options.wireframe) {
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    }
    if (options.cullFaces) {
        glEnable(GL_CULL_FACE);
    }
    if (options.lighting) {
        glEnable(GL_LIGHTING);
        for (int i = 0; i < 6; ++i) {
            const GLenum light = GL_LIGHT1 + i;
            glLightfv(light, GL_POSITION, viewerState.lightPositions[i]);
            if (light == GL_LIGHT2) {
                glEnable(GL_LIGHT2);
            }
        }
    }
    glEnable(GL_DEPTH_TEST);

    glPushMatrix();
    glTranslatef(viewerState.panOffset[0], viewerState.panOffset[1], 0.0f);
    glMultMatrixf(rotation.modelMatrix);
    setMaterials();
    drawModel();
    glPopMatrix();

    glDisable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);

    glFlush();
    SwapBuffers(viewerState.windowDC);
}

void setMaterials() {
    setFaceMaterial(GL_FRONT, viewerState.frontDiffuse);
    setFaceMaterial(GL_BACK, viewerState.backDiffuse);
}

void drawModel() {
    glLineWidth(3.5f);
    glBegin(GL_TRIANGLES);
    for (int32_t t = 0; t < meshModel.triangleCount; ++t) {
        const MeshTriangle& triangle = meshModel.triangles[t];
        for (int c = 0; c < 3; ++c) {
            const Vector3& normal = meshModel.normals[triangle.normalIndex[c]];
            const Vector3& vertex = meshModel.vertices[triangle.vertexIndex[c]];
            glNormal3f(normal.x, normal.y, normal.z);
            glVertex3f(vertex.x, vertex.y, vertex.z);
        }
    }
    glEnd();
}
