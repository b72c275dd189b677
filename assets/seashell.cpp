// The built-in mesh: a spiral seashell, a tube that widens along a conical spiral and
// is open at both ends, so its inside (the back faces) shows through the mouth.
//
// Each face comes in a group of four triangles; only the first covers any area, and
// two-sided lighting gives its back the inside's colour. The other three are degenerate
// and draw as lines along the face's edges in wireframe mode:
//   triangle 4j     face (A, B, C) with its facet normal
//   triangle 4j+1   (C, A, C), normal 1 (the zero vector)
//   triangle 4j+2   (C, B, C) with the opposite normal
//   triangle 4j+3   (C, A, C), normal 1
// A second copy of the face with area, reversed, would lie at the same depth, and its
// depths round differently at some pixels: it would win there and speckle the outside
// with the inside's colour.
// Triangle i takes its corners 0, 1, 2 from vertex entries 3i+2, 3i+1, 3i.
#include <cmath>

#include "scene/mesh_model.h"

namespace {

const int ringSegments = 19;
const int ringCount = 100;
const int faceCount = (ringCount - 1) * ringSegments * 2;
const int triangleCount = faceCount * 4;
const int vertexCount = triangleCount * 3;
const int normalCount = faceCount * 2 + 1;

const double turns = 2.75;
const double growth = 14.0;        // widest ring over narrowest
const double tubeRadius = 0.62;    // of the spiral's radius
const double descent = 1.1;        // drop along the axis per unit of spiral radius
const double maxDistance = 2.19;   // from the origin, so any rotation stays in view

MeshTriangle shellTriangles[triangleCount];
Vector3 shellVertices[vertexCount];
Vector3 shellNormals[normalCount];

struct Point {
    double x;
    double y;
    double z;
};

Point sub(const Point& a, const Point& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Point cross(const Point& a, const Point& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(const Point& a, const Point& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Point ringCentre(int ring) {
    const double pi = 3.14159265358979323846;
    const double angle = 2.0 * pi * turns * ring / (ringCount - 1);
    const double radius = std::exp(std::log(growth) * ring / (ringCount - 1)) / growth;
    return {radius * std::cos(angle), -descent * radius, radius * std::sin(angle)};
}

Point shellPoint(int ring, int segment) {
    const double pi = 3.14159265358979323846;
    const Point centre = ringCentre(ring);
    const double radius = std::sqrt(centre.x * centre.x + centre.z * centre.z);
    const double phi = 2.0 * pi * (segment % ringSegments) / ringSegments;
    // The cross-section lies in the plane of the outward and the axial direction.
    const double outward = tubeRadius * radius * std::cos(phi);
    return {centre.x + outward * centre.x / radius, centre.y + tubeRadius * radius * std::sin(phi),
            centre.z + outward * centre.z / radius};
}

Vector3 toVector(const Point& p) {
    return {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
}

void storeTriangle(int index, const Point& c0, const Point& c1, const Point& c2, int normal) {
    shellTriangles[index] = {{3 * index + 2, 3 * index + 1, 3 * index},
                             {normal, normal, normal},
                             {-1, -1, -1}};
    shellVertices[3 * index + 2] = toVector(c0);
    shellVertices[3 * index + 1] = toVector(c1);
    shellVertices[3 * index] = toVector(c2);
}

// Normal 0 belongs to face 0 and normal 1 is the zero vector shared by every
// degenerate triangle; after them come each face's front and back normals.
int frontNormalIndex(int face) { return face == 0 ? 0 : 2 * face + 1; }
int backNormalIndex(int face) { return 2 * face + 2; }

void storeFace(int face, Point a, Point b, Point c, const Point& inside) {
    Point n = cross(sub(b, a), sub(c, a));
    // Front faces look out of the tube, so the outside shows the front material.
    if (dot(n, sub(a, inside)) < 0.0) {
        const Point swap = b;
        b = c;
        c = swap;
        n = {-n.x, -n.y, -n.z};
    }
    const double length = std::sqrt(dot(n, n));
    const Point unit = {n.x / length, n.y / length, n.z / length};
    shellNormals[frontNormalIndex(face)] = toVector(unit);
    shellNormals[backNormalIndex(face)] = toVector({-unit.x, -unit.y, -unit.z});

    storeTriangle(4 * face, a, b, c, frontNormalIndex(face));
    storeTriangle(4 * face + 1, c, a, c, 1);
    storeTriangle(4 * face + 2, c, b, c, backNormalIndex(face));
    storeTriangle(4 * face + 3, c, a, c, 1);
}

void buildSeashell() {
    static Point points[ringCount][ringSegments];
    Point low = {1e9, 1e9, 1e9};
    Point high = {-1e9, -1e9, -1e9};
    for (int ring = 0; ring < ringCount; ++ring) {
        for (int segment = 0; segment < ringSegments; ++segment) {
            const Point p = shellPoint(ring, segment);
            points[ring][segment] = p;
            low = {std::fmin(low.x, p.x), std::fmin(low.y, p.y), std::fmin(low.z, p.z)};
            high = {std::fmax(high.x, p.x), std::fmax(high.y, p.y), std::fmax(high.z, p.z)};
        }
    }

    // Centre the shell on the origin and scale it to the view.
    const Point middle = {(low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2};
    double farthest = 0.0;
    for (auto& ring : points) {
        for (Point& p : ring) {
            p = sub(p, middle);
            farthest = std::fmax(farthest, std::sqrt(dot(p, p)));
        }
    }
    const double scale = maxDistance / farthest;
    for (auto& ring : points) {
        for (Point& p : ring) {
            p = {p.x * scale, p.y * scale, p.z * scale};
        }
    }

    shellNormals[1] = {0.0f, 0.0f, 0.0f};
    int face = 0;
    for (int ring = 0; ring + 1 < ringCount; ++ring) {
        const Point c = sub(ringCentre(ring), middle);
        const Point inside = {c.x * scale, c.y * scale, c.z * scale};
        for (int s = 0; s < ringSegments; ++s) {
            const int next = (s + 1) % ringSegments;
            const Point& p00 = points[ring][s];
            const Point& p10 = points[ring + 1][s];
            const Point& p11 = points[ring + 1][next];
            const Point& p01 = points[ring][next];
            storeFace(face++, p00, p10, p11, inside);
            storeFace(face++, p00, p11, p01, inside);
        }
    }
}

struct SeashellBuilder {
    SeashellBuilder() { buildSeashell(); }
} seashellBuilder;

}  // namespace

const MeshModel meshModel = {shellTriangles, triangleCount, shellVertices,
                             vertexCount,    shellNormals,  normalCount};
