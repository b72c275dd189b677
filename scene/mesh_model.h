// The built-in triangle mesh: read-only, present from process start.
#pragma once

#include <cstdint>

struct Vector3 {
    float x;
    float y;
    float z;
};

struct MeshTriangle {
    int32_t vertexIndex[3];
    int32_t normalIndex[3];
    int32_t texcoordIndex[3];  // -1: none; nothing draws texture coordinates
};

struct MeshModel {
    const MeshTriangle* triangles;
    int32_t triangleCount;
    const Vector3* vertices;
    int32_t vertexCount;
    const Vector3* normals;
    int32_t normalCount;
};

extern const MeshModel meshModel;
