#include "graphics/Matrix.h"

#include <cmath>

namespace {

Vector3 Subtract(const Vector3& a, const Vector3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

Vector3 Cross(const Vector3& a, const Vector3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// A zero vector stays zero rather than turning into NaNs.
Vector3 Normalize(const Vector3& v) {
    const float length = std::sqrt(Dot(v, v));
    if (length == 0.0f) return {0.0f, 0.0f, 0.0f};
    return {v.x / length, v.y / length, v.z / length};
}

}  // namespace

Matrix MatrixIdentity() {
    Matrix r;
    for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0f;
    return r;
}

Matrix MatrixMultiply(const Matrix& a, const Matrix& b) {
    Matrix r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                        a.m[i][3] * b.m[3][j];
        }
    }
    return r;
}

Matrix MatrixRotationZ(float angle) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    Matrix r = MatrixIdentity();
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    return r;
}

Matrix MatrixRotationYawPitchRoll(float yaw, float pitch, float roll) {
    const float cy = std::cos(yaw), sy = std::sin(yaw);
    const float cp = std::cos(pitch), sp = std::sin(pitch);
    Matrix x = MatrixIdentity();  // pitch about x
    x.m[1][1] = cp;
    x.m[1][2] = sp;
    x.m[2][1] = -sp;
    x.m[2][2] = cp;
    Matrix y = MatrixIdentity();  // yaw about y
    y.m[0][0] = cy;
    y.m[0][2] = -sy;
    y.m[2][0] = sy;
    y.m[2][2] = cy;
    return MatrixMultiply(MatrixMultiply(MatrixRotationZ(roll), x), y);
}

Matrix MatrixLookAtLH(const Vector3& eye, const Vector3& at, const Vector3& up) {
    const Vector3 zaxis = Normalize(Subtract(at, eye));
    const Vector3 xaxis = Normalize(Cross(up, zaxis));
    const Vector3 yaxis = Cross(zaxis, xaxis);
    Matrix r = MatrixIdentity();
    r.m[0][0] = xaxis.x; r.m[0][1] = yaxis.x; r.m[0][2] = zaxis.x;
    r.m[1][0] = xaxis.y; r.m[1][1] = yaxis.y; r.m[1][2] = zaxis.y;
    r.m[2][0] = xaxis.z; r.m[2][1] = yaxis.z; r.m[2][2] = zaxis.z;
    r.m[3][0] = -Dot(xaxis, eye);
    r.m[3][1] = -Dot(yaxis, eye);
    r.m[3][2] = -Dot(zaxis, eye);
    return r;
}

Matrix MatrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar) {
    const float t = std::tan(fovY / 2.0f);
    Matrix r;
    r.m[0][0] = 1.0f / (aspect * t);
    r.m[1][1] = 1.0f / t;
    r.m[2][2] = zFar / (zFar - zNear);
    r.m[2][3] = 1.0f;
    r.m[3][2] = (zFar * zNear) / (zNear - zFar);
    return r;
}

Vector3 TransformPoint(const Vector3& p, const Matrix& m) {
    return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
            p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
            p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}
