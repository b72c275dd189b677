#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

#include "scene/mesh_model.h"

namespace {

using Position = std::tuple<float, float, float>;

Position positionOf(const MeshTriangle& t, int corner) {
    const Vector3& v = meshModel.vertices[t.vertexIndex[corner]];
    return {v.x, v.y, v.z};
}

double length(const Vector3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

}  // namespace

TEST(Mesh, CountsAndIndicesStayInRange) {
    ASSERT_EQ(meshModel.triangleCount, 15048);
    ASSERT_EQ(meshModel.vertexCount, 45144);
    ASSERT_EQ(meshModel.normalCount, 2 * 3762 + 1);
    for (int i = 0; i < meshModel.triangleCount; ++i) {
        const MeshTriangle& t = meshModel.triangles[i];
        for (int c = 0; c < 3; ++c) {
            ASSERT_EQ(t.vertexIndex[c], 3 * i + 2 - c) << "triangle " << i;
            ASSERT_GE(t.normalIndex[c], 0);
            ASSERT_LT(t.normalIndex[c], meshModel.normalCount);
            ASSERT_EQ(t.texcoordIndex[c], -1);
        }
        ASSERT_EQ(t.normalIndex[0], t.normalIndex[1]);
        ASSERT_EQ(t.normalIndex[1], t.normalIndex[2]);
    }
}

TEST(Mesh, GroupsOfFourHoldOneFaceAndItsEdges) {
    for (int j = 0; j < meshModel.triangleCount / 4; ++j) {
        const MeshTriangle& face = meshModel.triangles[4 * j];
        const MeshTriangle& edge1 = meshModel.triangles[4 * j + 1];
        const MeshTriangle& back = meshModel.triangles[4 * j + 2];
        const MeshTriangle& edge2 = meshModel.triangles[4 * j + 3];
        const Position a = positionOf(face, 0), b = positionOf(face, 1), c = positionOf(face, 2);
        EXPECT_EQ(positionOf(back, 0), c);
        EXPECT_EQ(positionOf(back, 1), b);
        EXPECT_EQ(positionOf(back, 2), c);
        for (const MeshTriangle* edge : {&edge1, &edge2}) {
            EXPECT_EQ(positionOf(*edge, 0), c);
            EXPECT_EQ(positionOf(*edge, 1), a);
            EXPECT_EQ(positionOf(*edge, 2), c);
            EXPECT_EQ(edge->normalIndex[0], 1);
        }
        const Vector3& n = meshModel.normals[face.normalIndex[0]];
        const Vector3& m = meshModel.normals[back.normalIndex[0]];
        EXPECT_NEAR(length(n), 1.0, 1e-5);
        EXPECT_FLOAT_EQ(n.x, -m.x);
        EXPECT_FLOAT_EQ(n.y, -m.y);
        EXPECT_FLOAT_EQ(n.z, -m.z);
        if (HasFailure()) {
            FAIL() << "group " << j;
        }
    }
}

TEST(Mesh, FaceNormalsPointToTheCounterClockwiseSide) {
    for (int j = 0; j < meshModel.triangleCount / 4; ++j) {
        const MeshTriangle& face = meshModel.triangles[4 * j];
        const Vector3& a = meshModel.vertices[face.vertexIndex[0]];
        const Vector3& b = meshModel.vertices[face.vertexIndex[1]];
        const Vector3& c = meshModel.vertices[face.vertexIndex[2]];
        const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
        const double vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
        const double cx = uy * vz - uz * vy, cy = uz * vx - ux * vz, cz = ux * vy - uy * vx;
        const Vector3& n = meshModel.normals[face.normalIndex[0]];
        ASSERT_GT(cx * n.x + cy * n.y + cz * n.z, 0.0) << "face " << j;
    }
}

TEST(Mesh, ShapeFitsTheViewWithItsDistinctPositions) {
    std::set<Position> distinct;
    for (int i = 0; i < meshModel.vertexCount; ++i) {
        const Vector3& v = meshModel.vertices[i];
        ASSERT_LE(length(v), 2.2) << "vertex " << i;
        distinct.insert({v.x, v.y, v.z});
    }
    EXPECT_EQ(distinct.size(), 1900u);
    const Vector3& zero = meshModel.normals[1];
    EXPECT_EQ(length(zero), 0.0);
    for (int i = 0; i < meshModel.normalCount; ++i) {
        if (i != 1) {
            ASSERT_NEAR(length(meshModel.normals[i]), 1.0, 1e-5) << "normal " << i;
        }
    }
}
