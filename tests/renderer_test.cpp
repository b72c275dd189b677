#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "osmesa_context.h"
#include "scene/renderer.h"

namespace {

const int size = 614;  // the window of a 768-pixel-high screen
const int big = 819;   // and of a 1024-pixel-high one

// 1 for a pixel that is mostly purple (front), 2 for mostly yellow (back), else 0.
int materialOf(const unsigned char* p) {
    if (p[0] > 90 && p[2] > p[1] + 40) {
        return 1;
    }
    return (p[0] > 90 && p[1] > p[2] + 40) ? 2 : 0;
}

class Renderer : public ::testing::Test {
protected:
    void SetUp() override {
        resetViewerState();
        makeOffscreenContext(&context, size, size);
        initScene();
    }

    const unsigned char* pixel(int x, int y) const {
        return &context.pixels[(static_cast<size_t>(y) * size + x) * 4];
    }

    // Counts drawn pixels that are mostly purple (front) and mostly yellow (back).
    void countMaterials(int* purple, int* yellow) const {
        *purple = 0;
        *yellow = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const int material = materialOf(pixel(x, y));
                *purple += material == 1;
                *yellow += material == 2;
            }
        }
    }

    int countPixelsOf(const unsigned char* colour) const {
        int count = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const unsigned char* p = pixel(x, y);
                count += (p[0] == colour[0] && p[1] == colour[1] && p[2] == colour[2]);
            }
        }
        return count;
    }

    OffscreenContext context;
};

void expectColour(const float* actual, std::vector<float> expected) {
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_FLOAT_EQ(actual[i], expected[i]) << "component " << i;
    }
}

void expectMatrixNear(const float* actual, const double* expected) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(actual[i], expected[i], 1e-6) << "element " << i;
    }
}

// R x m, for column-major m and R the turn by `degrees` about the axis (x, y, z).
void turn(double degrees, double x, double y, double z, const double* m, double* out) {
    const double r = degrees * 3.14159265358979323846 / 180.0;
    const double n = std::sqrt(x * x + y * y + z * z);
    x /= n, y /= n, z /= n;
    const double c = std::cos(r), s = std::sin(r), t = 1 - c;
    const double rot[16] = {t * x * x + c,     t * x * y + s * z, t * x * z - s * y, 0,
                            t * x * y - s * z, t * y * y + c,     t * y * z + s * x, 0,
                            t * x * z + s * y, t * y * z - s * x, t * z * z + c,     0,
                            0,                 0,                 0,                 1};
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) {
                sum += rot[k * 4 + row] * m[col * 4 + k];
            }
            out[col * 4 + row] = sum;
        }
    }
}

}  // namespace

TEST_F(Renderer, InitSceneLoadsFogProjectionAndLightingModel) {
    GLint mode = 0;
    glGetIntegerv(GL_FOG_MODE, &mode);
    EXPECT_EQ(mode, GL_EXP2);
    GLfloat value[16];
    glGetFloatv(GL_FOG_DENSITY, value);
    EXPECT_FLOAT_EQ(value[0], 0.24300002f);
    glGetFloatv(GL_FOG_COLOR, value);
    expectColour(value, {0.4f, 0.4f, 0.5f, 1.0f});

    glGetFloatv(GL_PROJECTION_MATRIX, value);
    const double ortho[16] = {0.4, 0, 0, 0, 0, 0.4, 0, 0, 0, 0, -0.125, 0, 0, 0, 0, 1};
    expectMatrixNear(value, ortho);
    GLint matrixMode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    EXPECT_EQ(matrixMode, GL_MODELVIEW);

    GLint twoSided = 0;
    glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &twoSided);
    EXPECT_EQ(twoSided, 1);
    const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    expectMatrixNear(viewerState.rotation.modelMatrix, identity);
}

TEST_F(Renderer, InitSceneSetsEveryLightAndEnablesAllButLightTwo) {
    struct Light {
        std::vector<float> position, ambient, diffuse, specular;
    };
    const Light lights[7] = {
        {{0.7f, 0.7f, 1.25f, 0}, {0, 0, 0, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}},
        {{-10, 14, 4, 0}, {0.35f, 0.35f, 0.65f, 1}, {0.2f, 0.2f, 0.5f, 1}, {0.2f, 0.2f, 0.65f, 1}},
        {{5, -6, -2, 0}, {0.65f, 0.75f, 0.45f, 1}, {0.4f, 0.3f, 0.3f, 1}, {0.65f, 0.85f, 0.85f, 1}},
        {{0, -3, 4, 0}, {0.65f, 0.65f, 0.35f, 1}, {0.4f, 0.4f, 0.05f, 1}, {0.65f, 0.65f, 0.85f, 1}},
        {{0, -2, -5, 0}, {0.55f, 0.55f, 0.55f, 1}, {0.4f, 0.5f, 0.3f, 1}, {0.2f, 0.7f, 0.35f, 1}},
        {{0, 0, -8, 0}, {0.05f, 0.6f, 0.05f, 1}, {0.0f, 0.5f, 0.0f, 1}, {0.05f, 0.6f, 0.08f, 1}},
        {{-20, -10, -2, 0}, {0.4f, 0.4f, 0.4f, 1}, {0.4f, 0.4f, 0.05f, 1}, {0.65f, 0.55f, 0.55f, 1}},
    };
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        const GLenum light = GL_LIGHT0 + i;
        GLfloat value[4];
        glGetLightfv(light, GL_POSITION, value);
        expectColour(value, lights[i].position);
        glGetLightfv(light, GL_AMBIENT, value);
        expectColour(value, lights[i].ambient);
        glGetLightfv(light, GL_DIFFUSE, value);
        expectColour(value, lights[i].diffuse);
        glGetLightfv(light, GL_SPECULAR, value);
        expectColour(value, lights[i].specular);
        EXPECT_EQ(glIsEnabled(light), i == 2 ? GL_FALSE : GL_TRUE);
    }
    renderFrame();
    EXPECT_TRUE(glIsEnabled(GL_LIGHT2));
}

TEST_F(Renderer, CheckerTextureHasItsParametersAndSquares) {
    GLint value = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
    EXPECT_EQ(value, GL_MODULATE);
    for (GLenum parameter : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER}) {
        glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
        EXPECT_EQ(value, GL_NEAREST);
    }
    for (GLenum parameter : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T}) {
        glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
        EXPECT_EQ(value, GL_REPEAT);
    }
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &value);
    EXPECT_EQ(value, 256);
    std::vector<unsigned char> texels(256 * 256 * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    for (int i = 0; i < 256; ++i) {
        for (int j = 0; j < 256; ++j) {
            const unsigned char* t = &texels[(i * 256 + j) * 4];
            const unsigned char level = ((i ^ j) & 32) ? 255 : 16;
            ASSERT_EQ(t[0], level) << i << "," << j;
            ASSERT_EQ(t[1], level);
            ASSERT_EQ(t[2], level);
            ASSERT_EQ(t[3], 255);
        }
    }
}

TEST_F(Renderer, FrameClearsToTheBackgroundAndShowsBothMaterials) {
    renderFrame();
    const unsigned char background[3] = {51, 26, 13};
    const unsigned char* corner = pixel(0, 0);
    EXPECT_NEAR(corner[0], background[0], 1);
    EXPECT_NEAR(corner[1], background[1], 1);
    EXPECT_NEAR(corner[2], background[2], 1);
    // Everything a frame switches on is off again afterwards.
    for (GLenum capability : {GL_TEXTURE_2D, GL_CULL_FACE, GL_LIGHTING, GL_DEPTH_TEST}) {
        EXPECT_FALSE(glIsEnabled(capability)) << capability;
    }
    EXPECT_FALSE(glIsEnabled(GL_FOG));

    // The outside is purple from every side; the inside shows yellow through the
    // open mouth from some side.
    int mostYellow = 0;
    viewerState.rotation.incrementAngle = 90.0f;
    for (const Vector3& axis : {Vector3{0, 1, 0}, Vector3{1, 0, 0}}) {
        viewerState.rotation.incrementAxis = axis;
        for (int quarter = 0; quarter < 4; ++quarter) {
            renderFrame();
            int purple = 0, yellow = 0;
            countMaterials(&purple, &yellow);
            EXPECT_GT(purple, 20000);
            mostYellow = std::max(mostYellow, yellow);
        }
    }
    EXPECT_GT(mostYellow, 2000);
}

TEST_F(Renderer, FogChangesTheBackgroundAndComesBackOff) {
    viewerState.options.fogEnabled = 1;
    renderFrame();
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    const unsigned char* corner = pixel(0, 0);
    EXPECT_NEAR(corner[0], 128, 1);
    EXPECT_NEAR(corner[1], 64, 1);
    EXPECT_NEAR(corner[2], 64, 1);

    viewerState.options.fogEnabled = 0;
    renderFrame();
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_NEAR(pixel(0, 0)[0], 51, 1);
}

TEST_F(Renderer, EachFrameTurnsTheModelByTheIncrementInViewSpace) {
    // From the start state: 2 degrees about the vertical per frame.
    double expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (int frame = 0; frame < 3; ++frame) {
        renderFrame();
        double next[16];
        turn(2.0, 0, 1, 0, expected, next);
        std::copy(next, next + 16, expected);
        expectMatrixNear(viewerState.rotation.modelMatrix, expected);
    }
    // A turn about the screen's x axis after that goes in front of the turns before it:
    // the model turns about the screen's axes, not its own.
    viewerState.rotation.incrementAngle = 30.0f;
    viewerState.rotation.incrementAxis = {0.5f, 0.0f, 0.0f};
    renderFrame();
    double next[16];
    turn(30.0, 1, 0, 0, expected, next);
    expectMatrixNear(viewerState.rotation.modelMatrix, next);
    // The matrix stack is back where it was.
    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    expectMatrixNear(modelview, identity);
}

TEST_F(Renderer, ADriftedModelMatrixTurnsRigidAgain) {
    // What millions of single-precision read-backs make of a spinning model: columns
    // of lengths 1.15, 1.02 and 1.21, sheared by some degrees.
    float* m = viewerState.rotation.modelMatrix;
    const float drifted[16] = {1.15f, 0.0f, 0.05f, 0, 0.2f, 1.0f, 0.0f, 0, 0.0f, 0.1f, 1.2f, 0,
                               0, 0, 0, 1};
    std::copy(drifted, drifted + 16, m);
    viewerState.rotation.incrementAngle = 1.7f;
    viewerState.rotation.incrementAxis = {0.3f, 0.5f, 0.1f};
    renderFrame();
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const double dot = m[4 * i] * m[4 * j] + m[4 * i + 1] * m[4 * j + 1] +
                               m[4 * i + 2] * m[4 * j + 2];
            EXPECT_NEAR(dot, i == j ? 1.0 : 0.0, 1e-3) << "columns " << i << ", " << j;
        }
    }
    const double determinant = m[0] * (m[5] * m[10] - m[6] * m[9]) -
                               m[4] * (m[1] * m[10] - m[2] * m[9]) +
                               m[8] * (m[1] * m[6] - m[2] * m[5]);
    EXPECT_NEAR(determinant, 1.0, 1e-3);
}

TEST_F(Renderer, NoSpecklesOfOneSideOnTheOther) {
    // A pixel of one side's colour whose four neighbours all show the other side's is
    // a speckle: rounding let a surface behind win the depth test there.
    makeOffscreenContext(&context, big, big);
    initScene();
    viewerState.rotation.incrementAngle = 37.0f;
    viewerState.rotation.incrementAxis = {0.3f, 1.0f, 0.2f};
    int speckles = 0, modelPixels = 0;
    for (int still = 0; still < 6; ++still) {
        renderFrame();
        std::vector<int> side(big * big, 0);  // 1 purple, 2 yellow
        for (int y = 0; y < big; ++y) {
            for (int x = 0; x < big; ++x) {
                const unsigned char* p = &context.pixels[(static_cast<size_t>(y) * big + x) * 4];
                side[y * big + x] = materialOf(p);
                modelPixels += side[y * big + x] != 0;
            }
        }
        for (int y = 1; y + 1 < big; ++y) {
            for (int x = 1; x + 1 < big; ++x) {
                const int here = side[y * big + x];
                const int other = 3 - here;
                speckles += here != 0 && side[y * big + x - 1] == other &&
                            side[y * big + x + 1] == other && side[(y - 1) * big + x] == other &&
                            side[(y + 1) * big + x] == other;
            }
        }
    }
    ASSERT_GT(modelPixels, 6 * 100000);
    EXPECT_LE(speckles * 10000.0 / modelPixels, 0.5) << speckles << " speckles";
}

TEST_F(Renderer, NoIncrementLeavesTheModelMatrixAlone) {
    renderFrame();
    float before[16];
    std::copy(viewerState.rotation.modelMatrix, viewerState.rotation.modelMatrix + 16, before);

    viewerState.rotation.rotationActive = 0;
    renderFrame();
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(viewerState.rotation.modelMatrix[i], before[i]);
    }

    viewerState.rotation.rotationActive = 1;
    viewerState.rotation.incrementAngle = 0.0f;
    viewerState.rotation.incrementAxis = {0.0f, 0.0f, 0.0f};
    renderFrame();
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(viewerState.rotation.modelMatrix[i], before[i]);
    }
}

TEST_F(Renderer, WireframeDrawsLinesAndFilledComesBack) {
    viewerState.rotation.rotationActive = 0;
    renderFrame();
    const unsigned char clear[3] = {pixel(0, 0)[0], pixel(0, 0)[1], pixel(0, 0)[2]};
    const int filledBackground = countPixelsOf(clear);

    viewerState.options.wireframe = 1;
    renderFrame();
    const int wireBackground = countPixelsOf(clear);
    GLint modes[2];
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_FILL);
    GLfloat width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_FLOAT_EQ(width, 3.5f);

    viewerState.options.wireframe = 0;
    renderFrame();
    EXPECT_EQ(countPixelsOf(clear), filledBackground);

    // Lines leave gaps between them that filled faces cover, but still draw the model.
    EXPECT_GT(wireBackground, filledBackground);
    EXPECT_LT(wireBackground, size * size);
}
